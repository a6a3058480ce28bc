// The catalog of data file identities the control keeps: looked up once,
// forgotten when the file system says a file went or changed.
#include "file_catalog.h"
#include "peak_fixture.h"

#include "vorlain/test/audio.h"
#include "vorlain/test/temp_env.h"

#include <gtest/gtest.h>

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
