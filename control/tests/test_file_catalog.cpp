// The catalog of data file identities the control keeps: looked up once,
// forgotten when the file system says a file went or changed.
#include "file_cache.h"
#include "file_catalog.h"
#include "peak_fixture.h"

#include "vorlain/test/audio.h"
#include "vorlain/test/temp_env.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace brimsel;

namespace {

class FileCatalogTest : public vorlain::test::IsolatedTest {};

} // namespace

TEST_F(FileCatalogTest, ACatalogOfManyFilesKnowsThemInOrderAndForgetsARemovedOne)
{
    // 300 files: more than are looked up one by one, so two threads do it.
    std::vector<std::string> paths;
    for (int i = 0; i < 300; ++i) {
        paths.push_back(env().path("c" + std::to_string(i) + ".dat"));
        ASSERT_TRUE(vorlain::test::WriteBytes(paths.back(), std::vector<uint8_t>(4 * (i + 1), 0)));
    }
    const CTimeline timeline = brimsel::test::MakeTimeline(paths);
    CFileCatalog catalog;
    FileList files = catalog.Resolve(timeline, 2);
    ASSERT_EQ(files.size(), 300u);
    for (size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i]->path, paths[i]);
        EXPECT_EQ(files[i]->size, 4u * (i + 1));
        EXPECT_EQ(files[i]->channels, 2);
    }
    // Known now: the same identities again. A file removed ends the track there.
    EXPECT_EQ(catalog.Resolve(timeline, 2)[77], files[77]);
    std::remove(paths[150].c_str());
    EXPECT_EQ(catalog.Resolve(timeline, 2).size(), 150u);
}

TEST_F(FileCatalogTest, TheFolderHandleLooksFilesUpAsTheirWholePathsDo)
{
    const std::string a = env().makeDir("a"), b = env().makeDir("b");
    for (const std::string& folder : {a, b})
        for (int i = 0; i < 3; ++i)
            ASSERT_TRUE(vorlain::test::WriteBytes(folder + "/f" + std::to_string(i) + ".dat",
                                                  std::vector<uint8_t>(10 * (i + 1), 1)));
    CFolderHandle folder;
    // Back and forth between the folders, and a file and a folder that are not there.
    for (const std::string& path :
         {a + "/f0.dat", a + "/f2.dat", b + "/f1.dat", a + "/f1.dat", a + "/gone.dat",
          env().path("none") + "/f0.dat", b + "/f2.dat", std::string("relative.dat")}) {
        SCOPED_TRACE(path);
        const char* name = nullptr;
        const int at = folder.At(path, &name);
        struct stat viaHandle {
        }, direct{};
        const int got = ::fstatat(at, name, &viaHandle, 0);
        ASSERT_EQ(got, ::stat(path.c_str(), &direct));
        if (got == 0) {
            EXPECT_NE(at, AT_FDCWD);
            EXPECT_EQ(viaHandle.st_ino, direct.st_ino);
            EXPECT_EQ(viaHandle.st_size, direct.st_size);
        }
    }
    // The name points into the path asked about, which must outlive it.
    const char* name = nullptr;
    const std::string relative = "relative.dat", missing = env().path("none") + "/f0.dat";
    EXPECT_EQ(folder.At(relative, &name), AT_FDCWD);
    EXPECT_EQ(name, relative.c_str());
    EXPECT_EQ(folder.At(missing, &name), AT_FDCWD);
    EXPECT_EQ(name, missing.c_str());
    const std::string first = a + "/f0.dat";
    EXPECT_NE(folder.At(first, &name), AT_FDCWD);
    EXPECT_STREQ(name, "f0.dat");
}

TEST_F(FileCatalogTest, ATrackOverSeveralFoldersIsKnownFileByFile)
{
    // A track pasted together from two others: runs of files from two
    // folders, back and forth, each looked up through its own folder.
    const std::string a = env().makeDir("ta"), b = env().makeDir("tb");
    std::vector<std::string> paths;
    for (int run = 0; run < 6; ++run)
        for (int i = 0; i < 60; ++i) {
            const std::string folder = run % 2 ? b : a;
            paths.push_back(folder + "/r" + std::to_string(run) + "_" + std::to_string(i) + ".dat");
            ASSERT_TRUE(vorlain::test::WriteBytes(paths.back(),
                                                  std::vector<uint8_t>(4 * (run * 60 + i + 1), 0)));
        }
    CFileCatalog catalog;
    const FileList files = catalog.Resolve(brimsel::test::MakeTimeline(paths), 2);
    ASSERT_EQ(files.size(), paths.size());
    for (size_t i = 0; i < files.size(); ++i) {
        struct stat st {};
        ASSERT_EQ(::stat(paths[i].c_str(), &st), 0);
        EXPECT_EQ(files[i]->path, paths[i]);
        EXPECT_EQ(files[i]->inode, static_cast<uint64_t>(st.st_ino));
        EXPECT_EQ(files[i]->size, 4u * (i + 1));
    }
}
