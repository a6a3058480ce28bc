// Crash recovery: the recovery document every committed change writes, the
// lock that tells a live session's folder from a dead one's, opening and
// discarding a dead session's work; and the close and save faults that
// could lose or litter files.
#include "kernel_fixture.h"

#include "session/recovery_journal.h"

#include <pugixml.hpp>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <random>
#include <thread>

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

namespace {

// A session in a child process that dies by SIGKILL after its edits: its
// folder is left as a crash leaves it.
pid_t crashAfter(const std::function<void()>& work)
{
    const pid_t child = ::fork();
    if (child == 0) {
        work();
        ::kill(::getpid(), SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return child;
}

std::string tempBase() { return std::getenv("TMPDIR"); }

} // namespace

class Recovery : public KernelTest {};

TEST_F(Recovery, EveryCommitWritesTheDocumentOfThePresentTracks)
{
    CTrack* a = loadRamp(44100 * 7);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(Kestrum_Cut(m_session, 1, kSecond, 2 * kSecond), 1);
    ASSERT_NE(Kestrum_AddTrack(m_session, nullptr), nullptr);
    ASSERT_EQ(Kestrum_DeleteTrack(m_session, 2), 1);
    const std::string document = m_session->m_tempFolder + "/" + kRecoveryName;
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file(document.c_str()));
    const pugi::xml_node root = doc.document_element();
    EXPECT_STREQ(root.name(), "AudioProject");
    EXPECT_EQ(std::string(root.child_value("TmpPath")), m_session->m_tempFolder);
    int tracks = 0;
    for (const pugi::xml_node& track : root.children("Track")) {
        ++tracks;
        EXPECT_STREQ(track.child_value("Folder"), "Track00");
        EXPECT_EQ(std::stoll(track.child("BaseInfo").child_value("Time")), a->m_length);
        int segments = 0;
        for (const pugi::xml_node& s : track.child("TimeLine").children("Segment")) {
            (void)s;
            ++segments;
        }
        EXPECT_EQ(segments, 3); // [0,1) [1,5) cut from the first piece, then the second piece
    }
    EXPECT_EQ(tracks, 1);
    // Undo is a change too.
    ASSERT_EQ(Kestrum_GoBack(m_session), 1); // the track comes back
    ASSERT_TRUE(doc.load_file(document.c_str()));
    tracks = 0;
    for (const pugi::xml_node& track : doc.document_element().children("Track")) {
        (void)track;
        ++tracks;
    }
    EXPECT_EQ(tracks, 2);
    // A normal close leaves nothing behind.
    const std::string folder = m_session->m_tempFolder;
    Kestrum_Close(m_session);
    m_session = nullptr;
    EXPECT_FALSE(Exists(folder));
}

TEST_F(Recovery, ALiveSessionsFolderIsNeverOffered)
{
    ASSERT_NE(loadRamp(44100), nullptr);
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 0, 100'000), 1);
    char path[260] = {};
    EXPECT_EQ(Kestrum_FindRecovery(nullptr, path), 0);
    EXPECT_EQ(Kestrum_DiscardRecovery((m_session->m_tempFolder + "/" + kRecoveryName).c_str()), 0);
    // Nor can another session open it.
    CEditSession* other = Kestrum_Open(nullptr);
    EXPECT_EQ(Kestrum_OpenProject(other, (m_session->m_tempFolder + "/" + kRecoveryName).c_str()), 0);
    EXPECT_EQ(Kestrum_GetLastError() & 0xFFFF, 0xB002u);
    Kestrum_Close(other);
}

TEST_F(Recovery, ADeadSessionsWorkOpensWithItsBytes)
{
    const std::string wav = env().path("in.wav");
    ASSERT_TRUE(WriteRampWave(wav, 44100 * 12, 44100, 2));
    std::vector<uint8_t> expected;
    const std::string expectedPath = env().path("expected.wav");
    crashAfter([&] {
        CEditSession* s = Kestrum_Open(nullptr);
        if (!Kestrum_AddTrack(s, wav.c_str()) || !Kestrum_Cut(s, 1, kSecond, 3 * kSecond) ||
            !Kestrum_FadeIn(s, 1, 0, kSecond, 0) || !Kestrum_AddSlience(s, 1, 4 * kSecond, kSecond))
            ::_exit(2);
        Kestrum_SaveTrackToFile(s, 1, 0, 0, expectedPath.c_str());
    });
    char document[260] = {};
    ASSERT_EQ(Kestrum_FindRecovery(nullptr, document), 1);
    ASSERT_EQ(Kestrum_OpenProject(m_session, document), 1);
    EXPECT_EQ(m_session->m_projectPath, ""); // never saved: still unsaved work
    const std::vector<uint8_t> wave = ReadBytes(expectedPath);
    ASSERT_GT(wave.size(), 44u);
    EXPECT_EQ(pcm(m_session->FindTrack(1)), std::vector<uint8_t>(wave.begin() + 44, wave.end()));
    // The folder is this session's now: not offered again, gone at close.
    char again[260] = {};
    EXPECT_EQ(Kestrum_FindRecovery(nullptr, again), 0);
    const std::string folder = m_session->m_tempFolder;
    Kestrum_Close(m_session);
    m_session = nullptr;
    EXPECT_FALSE(Exists(folder));
    EXPECT_TRUE(ListDir(tempBase()).empty());
}

TEST_F(Recovery, DiscardingKeepsWhatASavedProjectNames)
{
    const std::string project = env().path("song.zvp");
    crashAfter([&] {
        CEditSession* s = Kestrum_Open(nullptr);
        CTrack* t = Kestrum_AddTrack(s, nullptr);
        (void)t;
        const std::string wav = std::string(std::getenv("TMPDIR")) + "/a.wav";
        WriteRampWave(wav, 44100 * 7, 44100, 2);
        CTrack* loaded = Kestrum_AddTrack(s, wav.c_str());
        if (!loaded || !Kestrum_SaveProject(s, project.c_str(), 0) || !Kestrum_Cut(s, 2, 0, kSecond))
            ::_exit(2);
    });
    char document[260] = {};
    ASSERT_EQ(Kestrum_FindRecovery(nullptr, document), 1);
    ASSERT_EQ(Kestrum_DiscardRecovery(document), 1);
    EXPECT_EQ(Kestrum_FindRecovery(nullptr, document), 0);
    // The plain save's files stay where the project names them, and open.
    CEditSession* s = Kestrum_Open(nullptr);
    EXPECT_EQ(Kestrum_OpenProject(s, project.c_str()), 1);
    EXPECT_EQ(Kestrum_GetTrackTime(s, 2), 7 * kSecond);
    Kestrum_Close(s);
}

TEST_F(Recovery, DiscardingAnUnsavedSessionLeavesNothing)
{
    crashAfter([&] {
        CEditSession* s = Kestrum_Open(nullptr);
        const std::string wav = std::string(std::getenv("TMPDIR")) + "/../a.wav";
        WriteRampWave(wav, 44100 * 7, 44100, 2);
        if (!Kestrum_AddTrack(s, wav.c_str()) || !Kestrum_Cut(s, 1, 0, kSecond) ||
            !Kestrum_ExtractTrack(s, 1, 1) || !Kestrum_DeleteTrack(s, 2))
            ::_exit(2);
    });
    char document[260] = {};
    ASSERT_EQ(Kestrum_FindRecovery(nullptr, document), 1);
    ASSERT_EQ(Kestrum_DiscardRecovery(document), 1);
    EXPECT_TRUE(ListDir(tempBase()).empty());
}

// Two projects plainly saved over one data folder: each close would keep
// only its own files. The second save gathers its files instead.
TEST_F(Recovery, NoCloseDeletesFilesAnotherSavedProjectNames)
{
    ASSERT_NE(loadRamp(44100 * 12), nullptr);
    const std::string first = env().path("first.zvp"), second = env().path("second.zvp");
    ASSERT_EQ(Kestrum_SaveProject(m_session, first.c_str(), 0), 1);
    ASSERT_EQ(Kestrum_Cut(m_session, 1, kSecond, 6 * kSecond), 1);
    ASSERT_EQ(Kestrum_SaveProject(m_session, second.c_str(), 0), 1);
    Kestrum_Close(m_session);
    m_session = nullptr;
    for (const std::string& project : {first, second}) {
        CEditSession* s = Kestrum_Open(nullptr);
        EXPECT_EQ(Kestrum_OpenProject(s, project.c_str()), 1) << project;
        Kestrum_Close(s);
    }
    // Opened from the first, saved plainly as a third: the same again.
    CEditSession* s = Kestrum_Open(nullptr);
    ASSERT_EQ(Kestrum_OpenProject(s, first.c_str()), 1);
    ASSERT_EQ(Kestrum_Delete(s, 1, 0, kSecond), 1);
    const std::string third = env().path("third.zvp");
    ASSERT_EQ(Kestrum_SaveProject(s, third.c_str(), 0), 1);
    Kestrum_Close(s);
    for (const std::string& project : {first, second, third}) {
        CEditSession* t = Kestrum_Open(nullptr);
        EXPECT_EQ(Kestrum_OpenProject(t, project.c_str()), 1) << project;
        Kestrum_Close(t);
    }
}

TEST_F(Recovery, ACopyingSaveLeavesNoEmptySessionFolder)
{
    ASSERT_NE(loadRamp(44100 * 6), nullptr);
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 0, kSecond), 1);
    const std::string folder = m_session->m_tempFolder;
    ASSERT_EQ(Kestrum_SaveProject(m_session, env().path("copy.zvp").c_str(), 1), 1);
    Kestrum_Close(m_session);
    m_session = nullptr;
    EXPECT_FALSE(Exists(folder));
    for (const std::string& name : ListDir(tempBase()))
        EXPECT_EQ(name.rfind("Vorlain_Tmp", 0), std::string::npos) << name;
}

// kill -9 in the middle of a save, many times: the project file is the old
// one or the new one, whole, and opens.
TEST_F(Recovery, SaveKilledAtAnyPointLeavesAProjectThatOpens)
{
    ASSERT_NE(loadRamp(44100 * 11), nullptr);
    const std::string project = env().path("song.zvp");
    ASSERT_EQ(Kestrum_SaveProject(m_session, project.c_str(), 1), 1);
    const std::vector<uint8_t> old = ReadBytes(project);
    std::mt19937 random(12345);
    int changed = 0;
    for (int round = 0; round < 40; ++round) {
        const pid_t child = ::fork();
        if (child == 0) {
            // Each save names a shorter track than the one before.
            for (;;) {
                Kestrum_Delete(m_session, 1, 0, 1000);
                Kestrum_SaveProject(m_session, project.c_str(), 1);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 100000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        const std::vector<uint8_t> now = ReadBytes(project);
        changed += now != old;
        CEditSession* s = Kestrum_Open(nullptr);
        EXPECT_EQ(Kestrum_OpenProject(s, project.c_str()), 1) << "round " << round;
        EXPECT_GT(Kestrum_GetTrackTime(s, 1), 10 * kSecond) << "round " << round;
        Kestrum_Close(s);
    }
    EXPECT_GT(changed, 0) << "no save ever finished: the kills came too early";
}
