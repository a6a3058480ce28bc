// The editor session: open and close, the last error, progress and the stop flag.
#include "kernel_fixture.h"

#include "common/language.h"
#include "common/last_error.h"
#include "common/progress.h"
#include "vorlain/test/debug_capture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

class Session : public KernelTest {};

TEST_F(Session, NullSessionReturnsZeroEverywhereWithoutTouchingTheLastError)
{
    SetLastError(0x12345678);
    CTrack* track = nullptr;
    char name[260];
    TrackBaseInfo info{};
    EXPECT_EQ(Kestrum_Close(nullptr), 0);
    EXPECT_EQ(Kestrum_GetProgress(nullptr), 0u);
    EXPECT_EQ(Kestrum_Stop(nullptr), 0);
    EXPECT_EQ(Kestrum_AddTrack(nullptr, nullptr), nullptr);
    EXPECT_EQ(Kestrum_DeleteTrack(nullptr, 1), 0);
    EXPECT_EQ(Kestrum_GetTrackList(nullptr, &track), 0);
    EXPECT_EQ(Kestrum_GetTrackId(nullptr, track), 0u);
    EXPECT_EQ(Kestrum_IsBlankTrack(nullptr, 1), 1);
    EXPECT_EQ(Kestrum_GetTrackTime(nullptr, 1), 0);
    EXPECT_EQ(Kestrum_GetTrackName(nullptr, 1, name), 0);
    EXPECT_EQ(Kestrum_GetTrackBaseInfo(nullptr, 1, &info), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x12345678u);
}

TEST_F(Session, LastErrorSurvivesLaterSuccess)
{
    SetLastError(0);
    EXPECT_EQ(Kestrum_GetLastError(), 0u);
    CTrack* track = loadRamp(1000);
    ASSERT_NE(track, nullptr);
    EXPECT_EQ(track->SaveRangeToWave(0, 0, nullptr), 0);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0953B002u);
    EXPECT_NE(Kestrum_AddTrack(m_session, nullptr), nullptr);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0953B002u);
}

TEST_F(Session, ProgressStartsAtZeroAndNotifyProgressIsAlwaysZero)
{
    EXPECT_EQ(Kestrum_GetProgress(m_session), 0u);
    EXPECT_EQ(Kestrum_GetNotifyProgress(), 0);
    Kestrum_AddTrack(m_session, nullptr);
    EXPECT_EQ(Kestrum_GetProgress(m_session), 100u); // a blank track completes at once
    EXPECT_EQ(Kestrum_GetNotifyProgress(), 0);
    EXPECT_TRUE(progress().empty()); // and posts nothing
}

TEST_F(Session, SettingANullNotifyWindowIsRefusedAndKeepsTheOldOne)
{
    EXPECT_EQ(Kestrum_SetProressNotifyHwnd(nullptr), 0);
    EXPECT_EQ(NotifyWindow(), m_window->hwnd());
    MessageQueueWindow other;
    EXPECT_EQ(Kestrum_SetProressNotifyHwnd(other.hwnd()), 1);
    EXPECT_EQ(NotifyWindow(), other.hwnd());
}

TEST_F(Session, StopSetsTheFlagAndTheNextTrackCreationClearsIt)
{
    EXPECT_EQ(Kestrum_Stop(m_session), 1);
    EXPECT_EQ(m_session->m_stop.load(), 1u);
    EXPECT_NE(Kestrum_AddTrack(m_session, nullptr), nullptr);
    EXPECT_EQ(m_session->m_stop.load(), 0u);
}

TEST_F(Session, ProgressIsPostedOnlyToALiveEnabledWindow)
{
    PostProgress(10);
    EnableWindow(m_window->hwnd(), 0);
    PostProgress(20);
    EnableWindow(m_window->hwnd(), 1);
    PostProgress(30);
    EXPECT_EQ(progress(), (std::vector<WPARAM>{10, 30}));
}

TEST_F(Session, FinalProgressWaitsForAWindowToBeRegistered)
{
    SetNotifyWindow(nullptr);
    MessageQueueWindow late;
    std::thread registrar([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        Kestrum_SetProressNotifyHwnd(late.hwnd());
    });
    PostProgress(50); // no window yet: skipped
    PostFinalProgress();
    registrar.join();
    EXPECT_EQ(late.params(vorlain::WM_PROGRESS_NOTIFY), (std::vector<WPARAM>{100}));
}

TEST_F(Session, FinalProgressGivesUpWaitingAfterItsBound)
{
    SetNotifyWindow(nullptr);
    SetFinalProgressWait(std::chrono::milliseconds(200));
    auto start = std::chrono::steady_clock::now();
    PostFinalProgress();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(Session, CloseRemovesTheSessionFolderAndAllTrackData)
{
    CTrack* track = loadRamp(44100 * 7);
    ASSERT_NE(track, nullptr);
    std::string folder = m_session->m_tempFolder;
    EXPECT_TRUE(Exists(track->m_trackFolder + "/00000002.dat"));
    EXPECT_EQ(Kestrum_Close(m_session), 1);
    m_session = nullptr;
    EXPECT_FALSE(Exists(folder));
}

TEST_F(Session, CloseKeepsTheFolderOfASavedProjectAndItsNamedFiles)
{
    CTrack* track = loadRamp(44100 * 7);
    ASSERT_NE(track, nullptr);
    track->m_projectTimeline = track->m_timeline;
    m_session->m_projectPath = env().path("song.zvp");
    std::string folder = m_session->m_tempFolder;
    std::string trackFolder = track->m_trackFolder;
    Kestrum_Close(m_session);
    m_session = nullptr;
    EXPECT_EQ(ListDir(trackFolder),
              (std::vector<std::string>{"00000000.dat", "00000001.dat", "00000002.dat", "peaks"}));
    EXPECT_TRUE(Exists(folder));
}

TEST_F(Session, AGivenFolderIsUsedAndNeverRemovedWhenNoTrackWasMade)
{
    std::string given = env().makeDir("given");
    CEditSession* s = Kestrum_Open(given.c_str());
    Kestrum_Close(s);
    EXPECT_TRUE(Exists(given));
    s = Kestrum_Open(given.c_str());
    ASSERT_NE(Kestrum_AddTrack(s, nullptr), nullptr);
    ASSERT_EQ(ListDir(given).size(), 1u);
    EXPECT_EQ(ListDir(given)[0].rfind("Vorlain_Tmp", 0), 0u);
    EXPECT_EQ(ListDir(given)[0].size(), std::string("Vorlain_Tmp").size() + 8);
    Kestrum_Close(s);
    EXPECT_TRUE(ListDir(given).empty());
}

TEST_F(Session, TwoSessionsNeverShareATempFolder)
{
    CEditSession* other = Kestrum_Open(nullptr);
    ASSERT_NE(Kestrum_AddTrack(m_session, nullptr), nullptr);
    ASSERT_NE(Kestrum_AddTrack(other, nullptr), nullptr);
    EXPECT_NE(m_session->m_tempFolder, other->m_tempFolder);
    Kestrum_Close(other);
}

TEST_F(Session, AnUnwritableTempFolderFailsTrackCreationWith0336)
{
    // A folder that cannot hold folders: a plain file stands in for it, since
    // mode bits do not stop root.
    std::string notAFolder = env().path("file");
    WriteBytes(notAFolder, {1});
    CEditSession* s = Kestrum_Open(notAFolder.c_str());
    EXPECT_EQ(Kestrum_AddTrack(s, nullptr), nullptr);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0336B001u);
    EXPECT_EQ(Kestrum_GetTrackList(s, nullptr), 0);
    Kestrum_Close(s);
}

TEST_F(Session, ATempFolderTooLongForTheRecordsIsRefused)
{
    std::string deep = env().root();
    while (deep.size() < 240)
        deep += "/abcdefghijklmnopqrstuvwxyz";
    std::filesystem::create_directories(deep);
    CEditSession* s = Kestrum_Open(deep.c_str());
    EXPECT_EQ(Kestrum_AddTrack(s, nullptr), nullptr);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0336B001u);
    Kestrum_Close(s);
}

TEST_F(Session, LanguageTextsComeFromTheFileBesideTheProgram)
{
    // The test binary's folder is the build's bin/, which holds lang/lang.ini.
    EXPECT_EQ(LanguageText("menu", "no-such-key"), "");
    EXPECT_EQ(LanguageText("no-such-section", "01000101"), "");
    EXPECT_FALSE(LanguageText("menu", "01000101").empty());
}
