// The temp folder on real file systems that fail under the kernel: a small
// tmpfs that fills up, and one that is (or becomes) read-only. Mounting needs
// CAP_SYS_ADMIN; where the test may not mount, it says so and skips.
#include "kernel_fixture.h"

#include "common/last_error.h"
#include "track/track.h"

#include <sys/mount.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

namespace {

class RealFileSystems : public KernelTest {
protected:
    void TearDown() override
    {
        if (m_other)
            Kestrum_Close(m_other);
        m_other = nullptr;
        for (const std::string& point : m_mounts)
            ::umount2(point.c_str(), MNT_DETACH);
        KernelTest::TearDown();
    }

    /** A tmpfs of `kib` KiB at a new folder; empty when mounting is refused. */
    std::string mountTmpfs(const std::string& name, int kib)
    {
        const std::string point = env().makeDir(name);
        const std::string options = "size=" + std::to_string(kib) + "k";
        if (::mount("tmpfs", point.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            m_refusal = std::strerror(errno);
            return {};
        }
        m_mounts.push_back(point);
        return point;
    }
    bool remountReadOnly(const std::string& point)
    {
        return ::mount("tmpfs", point.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }
    /** Files (not folders) below root. */
    static std::vector<std::string> filesBelow(const std::string& root)
    {
        std::vector<std::string> out;
        for (const auto& e : std::filesystem::recursive_directory_iterator(root))
            if (e.is_regular_file())
                out.push_back(e.path().string());
        return out;
    }
    /** Fills the file system holding folder up to the last byte. */
    static void fill(const std::string& folder)
    {
        std::ofstream filler(folder + "/filler", std::ios::binary);
        std::vector<char> block(4096, 'x');
        while (filler.write(block.data(), static_cast<std::streamsize>(block.size())))
            filler.flush();
    }

    std::string m_refusal;
    std::vector<std::string> m_mounts;
    CEditSession* m_other = nullptr;
};

#define MOUNT_OR_SKIP(var, name, kib)                                                              \
    const std::string var = mountTmpfs(name, kib);                                                 \
    if (var.empty())                                                                               \
    GTEST_SKIP() << "cannot mount a tmpfs here (" << m_refusal                                     \
                 << "): the full-disk tests need CAP_SYS_ADMIN"

TEST_F(RealFileSystems, AnImportThatDoesNotFitFailsWithACodeAndLeavesNoData)
{
    MOUNT_OR_SKIP(small, "small", 1024);
    const std::string wav = env().path("ten.wav");
    ASSERT_TRUE(WriteWave(wav, Ramp(44100 * 10, 2), 44100, 2)); // 1.7 MB
    m_other = Kestrum_Open(small.c_str());
    ASSERT_NE(m_other, nullptr);
    SetLastError(0);
    EXPECT_EQ(Kestrum_AddTrack(m_other, wav.c_str()), nullptr);
    EXPECT_NE(Kestrum_GetLastError(), 0u);
    CTrack* listed = nullptr;
    int present = 0;
    while (Kestrum_GetTrackList(m_other, &listed))
        present += listed->m_present ? 1 : 0;
    EXPECT_EQ(present, 0);
    for (const std::string& file : filesBelow(small))
        EXPECT_EQ(file.find(".dat"), std::string::npos) << file;
    // The user's file is untouched.
    EXPECT_EQ(FileSize(wav), 44 + 44100 * 10 * 4);
}

TEST_F(RealFileSystems, EditsOnAFullDiskFailAndTheTrackStaysAsItWas)
{
    MOUNT_OR_SKIP(small, "small", 64 * 1024); // import wants twice the PCM and 40 MiB free
    const std::string wav = env().path("five.wav");
    const Samples ramp = Ramp(44100 * 5, 2);
    ASSERT_TRUE(WriteWave(wav, ramp, 44100, 2));
    m_other = Kestrum_Open(small.c_str());
    CTrack* track = Kestrum_AddTrack(m_other, wav.c_str());
    ASSERT_NE(track, nullptr);
    const uint32_t id = Kestrum_GetTrackId(m_other, track);
    const std::vector<TrackSegment> before = segments(track);
    fill(small);

    // Every edit that must write a data file refuses with a code.
    SetLastError(0);
    EXPECT_EQ(Kestrum_Cut(m_other, id, 1'234'567, 2'345'678), 0);
    EXPECT_NE(Kestrum_GetLastError(), 0u);
    SetLastError(0);
    EXPECT_EQ(Kestrum_FadeIn(m_other, id, 0, 2 * kSecond, 0), 0);
    EXPECT_NE(Kestrum_GetLastError(), 0u);
    SetLastError(0);
    EXPECT_EQ(Kestrum_AddSlience(m_other, id, kSecond, kSecond), 0);
    EXPECT_NE(Kestrum_GetLastError(), 0u);
    EXPECT_EQ(Describe(segments(track)), Describe(before));
    EXPECT_EQ(Kestrum_GetTrackTime(m_other, id), 5 * kSecond);

    // With room again the same cut works, and undo brings the track back.
    std::filesystem::remove(small + "/filler");
    ASSERT_EQ(Kestrum_Cut(m_other, id, 1'234'567, 2'345'678), 1);
    EXPECT_LT(Kestrum_GetTrackTime(m_other, id), 5 * kSecond);
    ASSERT_EQ(Kestrum_GoBack(m_other), 1);
    EXPECT_EQ(Describe(segments(track)), Describe(before));
    EXPECT_EQ(pcm(track), PcmBytes(ramp));
}

TEST_F(RealFileSystems, AReadOnlyTempFolderRefusesWithACode)
{
    MOUNT_OR_SKIP(readOnly, "readonly", 1024);
    ASSERT_TRUE(remountReadOnly(readOnly)) << std::strerror(errno);
    const std::string wav = env().path("one.wav");
    ASSERT_TRUE(WriteWave(wav, Ramp(44100, 2), 44100, 2));
    SetLastError(0);
    m_other = Kestrum_Open(readOnly.c_str());
    if (m_other == nullptr) {
        // No session folder can be made: the open itself says why.
        EXPECT_NE(Kestrum_GetLastError(), 0u);
    } else {
        SetLastError(0);
        EXPECT_EQ(Kestrum_AddTrack(m_other, wav.c_str()), nullptr);
        EXPECT_NE(Kestrum_GetLastError(), 0u);
    }
    EXPECT_TRUE(filesBelow(readOnly).empty());
}

TEST_F(RealFileSystems, ATempFolderThatTurnsReadOnlyKeepsTheTrackAndItsHistory)
{
    MOUNT_OR_SKIP(turns, "turns", 64 * 1024);
    const std::string wav = env().path("five.wav");
    const Samples ramp = Ramp(44100 * 5, 2);
    ASSERT_TRUE(WriteWave(wav, ramp, 44100, 2));
    m_other = Kestrum_Open(turns.c_str());
    ASSERT_NE(m_other, nullptr);
    CTrack* track = Kestrum_AddTrack(m_other, wav.c_str());
    ASSERT_NE(track, nullptr);
    const uint32_t id = Kestrum_GetTrackId(m_other, track);
    ASSERT_EQ(Kestrum_Cut(m_other, id, kSecond, 2 * kSecond), 1);
    const std::vector<TrackSegment> afterCut = segments(track);
    const std::vector<std::string> filesBefore = filesBelow(turns);
    ASSERT_TRUE(remountReadOnly(turns)) << std::strerror(errno);

    SetLastError(0);
    EXPECT_EQ(Kestrum_Delete(m_other, id, 1'234'567, 2'345'678), 0);
    EXPECT_NE(Kestrum_GetLastError(), 0u);
    SetLastError(0);
    EXPECT_EQ(Kestrum_AdjustVolumn(m_other, id, 0, kSecond, 50), 0);
    EXPECT_NE(Kestrum_GetLastError(), 0u);
    EXPECT_EQ(Describe(segments(track)), Describe(afterCut));
    EXPECT_EQ(filesBelow(turns), filesBefore);
    // Undo writes no audio but must journal the state it steps to: while
    // that cannot be written it refuses too, and nothing moves.
    SetLastError(0);
    EXPECT_EQ(Kestrum_GoBack(m_other), 0);
    EXPECT_NE(Kestrum_GetLastError(), 0u);
    EXPECT_EQ(Describe(segments(track)), Describe(afterCut));
    // Writable again, the same undo brings the whole track back.
    ASSERT_EQ(::mount("tmpfs", turns.c_str(), "tmpfs", MS_REMOUNT, nullptr), 0);
    ASSERT_EQ(Kestrum_GoBack(m_other), 1);
    EXPECT_EQ(pcm(track), PcmBytes(ramp));
}

} // namespace
