// The track list: blank tracks, ids, iteration, queries and base info.
#include "kernel_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

class Tracks : public KernelTest {};

TEST_F(Tracks, ABlankTrackIsTrackOneWithTheDefaultFormat)
{
    CTrack* iter = nullptr;
    EXPECT_EQ(Kestrum_GetTrackList(m_session, &iter), 0);
    CTrack* track = Kestrum_AddTrack(m_session, nullptr);
    ASSERT_NE(track, nullptr);
    std::string folderName = FileNamePart(m_session->m_tempFolder);
    EXPECT_EQ(folderName.rfind("Vorlain_Tmp", 0), 0u);
    EXPECT_TRUE(Exists(m_session->m_tempFolder));
    EXPECT_EQ(Kestrum_GetTrackId(m_session, track), 1u);
    char name[260];
    ASSERT_EQ(Kestrum_GetTrackName(m_session, 1, name), 1);
    EXPECT_STREQ(name, "Blank Track");
    EXPECT_EQ(Kestrum_IsBlankTrack(m_session, 1), 1);
    EXPECT_EQ(Kestrum_GetTrackTime(m_session, 1), 0);
    TrackBaseInfo info;
    ASSERT_EQ(Kestrum_GetTrackBaseInfo(m_session, 1, &info), 1);
    EXPECT_EQ(info.sampleRate, 44100u);
    EXPECT_EQ(info.channels, 2u);
    EXPECT_EQ(info.bytesPerSample, 2u);
    EXPECT_EQ(info.blank, 1u);
    EXPECT_EQ(info.timeline, nullptr);
    EXPECT_EQ(info.deleted, 0u);
    EXPECT_TRUE(track->m_trackFolder.empty()); // a blank track has no folder yet
}

TEST_F(Tracks, IterationHandsOutEveryTrackDeletedOnesIncludedThenZero)
{
    CTrack* a = Kestrum_AddTrack(m_session, nullptr);
    CTrack* b = Kestrum_AddTrack(m_session, nullptr);
    CTrack* c = Kestrum_AddTrack(m_session, nullptr);
    ASSERT_EQ(Kestrum_DeleteTrack(m_session, 2), 1);
    std::vector<CTrack*> seen;
    CTrack* t = nullptr;
    while (Kestrum_GetTrackList(m_session, &t))
        seen.push_back(t);
    EXPECT_EQ(seen, (std::vector<CTrack*>{a, b, c}));
    TrackBaseInfo info;
    ASSERT_EQ(Kestrum_GetTrackBaseInfoEx(b, &info), 1);
    EXPECT_EQ(info.deleted, 1u);
    EXPECT_EQ(info.trackId, 2u);
    CTrack* d = Kestrum_AddTrack(m_session, nullptr);
    EXPECT_EQ(Kestrum_GetTrackId(m_session, d), 4u);
    // A new walk starts from the first track again.
    ASSERT_EQ(Kestrum_GetTrackList(m_session, &t), 1);
    EXPECT_EQ(t, a);
    while (Kestrum_GetTrackList(m_session, &t)) {
    }
}

TEST_F(Tracks, UnknownIdsGiveZeroOrBlank)
{
    Kestrum_AddTrack(m_session, nullptr);
    char name[260] = "unchanged";
    TrackBaseInfo info;
    EXPECT_EQ(Kestrum_IsBlankTrack(m_session, 0), 1);
    EXPECT_EQ(Kestrum_IsBlankTrack(m_session, 2), 1);
    EXPECT_EQ(Kestrum_GetTrackTime(m_session, 7), 0);
    EXPECT_EQ(Kestrum_GetTrackName(m_session, 7, name), 0);
    EXPECT_STREQ(name, "unchanged");
    EXPECT_EQ(Kestrum_GetTrackName(m_session, 1, nullptr), 0);
    EXPECT_EQ(Kestrum_GetTrackBaseInfo(m_session, 9, &info), 0);
    EXPECT_EQ(Kestrum_GetTrackBaseInfo(m_session, 1, nullptr), 0);
    EXPECT_EQ(Kestrum_DeleteTrack(m_session, 9), 0);
}

TEST_F(Tracks, ForeignOrStaleTrackHandlesAreRefused)
{
    CEditSession* other = Kestrum_Open(nullptr);
    CTrack* foreign = Kestrum_AddTrack(other, nullptr);
    EXPECT_EQ(Kestrum_GetTrackId(m_session, foreign), 0u);
    Kestrum_Close(other);
    TrackBaseInfo info;
    EXPECT_EQ(Kestrum_GetTrackBaseInfoEx(foreign, &info), 0); // destroyed with its session
    EXPECT_EQ(Kestrum_GetTrackBaseInfoEx(nullptr, &info), 0);
    CTrack* mine = Kestrum_AddTrack(m_session, nullptr);
    EXPECT_EQ(Kestrum_GetTrackBaseInfoEx(mine, nullptr), 0);
}

TEST_F(Tracks, BaseInfoOfALoadedTrackAndANameCutAt259)
{
    CTrack* track = loadRamp(44100 * 6, 44100, 1);
    ASSERT_NE(track, nullptr);
    track->m_name = std::string(300, 'n');
    TrackBaseInfo info;
    std::memset(&info, 0xAB, sizeof info);
    ASSERT_EQ(Kestrum_GetTrackBaseInfoEx(track, &info), 1);
    EXPECT_EQ(std::strlen(info.name), 259u);
    EXPECT_EQ(info.reserved1, 0u);
    EXPECT_EQ(info.reserved2, 0u);
    EXPECT_EQ(info.channels, 1u);
    EXPECT_EQ(info.length, 6 * kSecond);
    EXPECT_EQ(info.bytesLoaded, 44 + 44100 * 6 * 2);
    EXPECT_EQ(info.timeline, track->Timeline());
    EXPECT_EQ(info.blank, 0u);
    char name[260];
    ASSERT_EQ(Kestrum_GetTrackName(m_session, 1, name), 1);
    EXPECT_EQ(std::strlen(name), 259u);
    EXPECT_EQ(Kestrum_IsBlankTrack(m_session, 1), 0);
    EXPECT_EQ(Kestrum_GetTrackTime(m_session, 1), 6 * kSecond);
}
