// Crash recovery: the recovery document every committed change writes, the
// lock that tells a live session's folder from a dead one's, opening and
// discarding a dead session's work; and the close and save faults that
// could lose or litter files.
#include "kernel_fixture.h"

#include "session/edit_transaction.h"
#include "session/recovery_journal.h"

#include <pugixml.hpp>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
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

std::string tempBase()
{
    return std::getenv("TMPDIR");
}

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
    ASSERT_TRUE(LoadRecoveryDocument(document, doc));
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
    ASSERT_TRUE(LoadRecoveryDocument(document, doc));
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
    EXPECT_EQ(Kestrum_OpenProject(other, (m_session->m_tempFolder + "/" + kRecoveryName).c_str()),
              0);
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
        if (!loaded || !Kestrum_SaveProject(s, project.c_str(), 0) ||
            !Kestrum_Cut(s, 2, 0, kSecond))
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

// A damaged document may name "." or ".." as a track's folder: the discard
// then removes no data file of the data root itself or of the folder above.
TEST_F(Recovery, DiscardingADamagedDocumentLeavesFilesOutsideItsTrackFolders)
{
    const std::string folder = tempBase() + "/Vorlain_TmpDamaged";
    const std::string dataRoot = env().path("data");
    ASSERT_EQ(::mkdir(dataRoot.c_str(), 0755), 0);
    const std::vector<uint8_t> bytes = {1, 2, 3, 4};
    const std::vector<std::string> outside = {
        tempBase() + "/00000001.dat", dataRoot + "/00000001.dat", env().path("00000002.dat")};
    for (const std::string& path : outside)
        ASSERT_TRUE(WriteBytes(path, bytes));
    for (const auto& [root, name] :
         {std::pair{folder, ".."}, std::pair{dataRoot, "."}, std::pair{dataRoot, ".."}}) {
        ::mkdir(folder.c_str(), 0755); // the discard before removed it
        const std::string text = "<?xml version='1.0'?>\n<AudioProject>\n\t<TmpPath>" + root +
                                 "</TmpPath>\n\t<Track id=\"0\" own=\"0\" v=\"0\">\n\t\t<Folder>" +
                                 name + "</Folder>\n\t</Track>\n</AudioProject>\n";
        const std::string document = folder + "/" + kRecoveryName;
        ASSERT_TRUE(WriteBytes(document, std::vector<uint8_t>(text.begin(), text.end())));
        ASSERT_EQ(Kestrum_DiscardRecovery(document.c_str()), 1) << root << " " << name;
        for (const std::string& path : outside)
            EXPECT_EQ(::access(path.c_str(), F_OK), 0) << path << " after " << root << "/" << name;
    }
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

// ---- the log of changes --------------------------------------------------------

namespace {

std::string segmentsText(const CTimeline* timeline)
{
    std::string text;
    if (timeline)
        for (const TrackSegment& s : *timeline)
            if (!(s.state & vorlain::kHeaderSegment))
                text += "[" + std::to_string(s.start) + "," + std::to_string(s.end) + ")" +
                        FileNamePart(s.path);
    return text;
}

// The present tracks as a recovery would open them, one line each.
std::vector<std::string> expectedTracks(const CEditSession* session)
{
    std::vector<std::string> lines;
    for (const auto& t : session->m_tracks) {
        if (!t->m_present)
            continue;
        const std::string folder = t->m_trackFolder.empty() ? "" : FileNamePart(t->m_trackFolder);
        lines.push_back(folder + "|" + t->m_name + "|" + t->m_tag.title + "|" +
                        std::to_string(t->Timeline() ? t->Timeline()->EndTime() : 0) + "|" +
                        segmentsText(t->Timeline()));
    }
    return lines;
}

// The tracks the recovery document and its log name, in the same form.
std::vector<std::string> recoveredTracks(const std::string& document)
{
    pugi::xml_document doc;
    if (!LoadRecoveryDocument(document, doc))
        return {"unreadable"};
    std::vector<std::string> lines;
    for (const pugi::xml_node& track : doc.document_element().children("Track")) {
        std::string line = std::string(track.child_value("Folder")) + "|" +
                           track.child("BaseInfo").child_value("Name") + "|" +
                           track.child("TAG").child_value("Title") + "|" +
                           track.child("BaseInfo").child_value("Time") + "|";
        for (const pugi::xml_node& s : track.child("TimeLine").children("Segment"))
            line += std::string("[") + s.child_value("TimeFrom") + "," + s.child_value("TimeTo") +
                    ")" + s.child_value("Path");
        lines.push_back(line);
    }
    return lines;
}

int64_t sizeOf(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

TagInfo titled(const std::string& title)
{
    TagInfo tag{};
    std::snprintf(tag.title, sizeof tag.title, "%s", title.c_str());
    return tag;
}

} // namespace

class RecoveryLog : public KernelTest {
protected:
    std::string document() const { return m_session->m_tempFolder + "/" + kRecoveryName; }
    std::string log() const { return m_session->m_tempFolder + "/" + kRecoveryLogName; }

    // Random cuts, deletes, pastes, silences, fades, undos, redos, tags,
    // copies to new tracks, track deletions and bursts of long titles from
    // seed; after each step the recovery reads as the session stands.
    void randomSession(unsigned seed)
    {
        ASSERT_NE(loadRamp(44100 * 30), nullptr);
        ASSERT_NE(loadTrack(Sine(44100 * 8, 44100, 1, 330.0), 44100, 1, "mono.wav"), nullptr);
        ASSERT_EQ(Kestrum_Copy(m_session, 1, kSecond, 2 * kSecond), 1);
        std::mt19937 random(seed);
        int rewrites = 0;
        int64_t lastLog = 0;
        for (int step = 0; step < 240; ++step) {
            const uint32_t trackId = 1 + random() % m_session->TrackCount();
            CTrack* track = m_session->FindTrack(trackId);
            const int64_t length = track->m_present ? track->CurrentLength() : 0;
            const int64_t at = length > 0 ? int64_t(random() % uint64_t(length)) : 0;
            const int64_t to = std::min(length, at + 1 + int64_t(random() % (3 * kSecond)));
            std::string what;
            switch (random() % 12) {
            case 0:
                what = "cut";
                Kestrum_Cut(m_session, trackId, at, to);
                break;
            case 1:
                what = "delete";
                Kestrum_Delete(m_session, trackId, at, to);
                break;
            case 2:
                what = "paste";
                Kestrum_Paste(m_session, trackId, at);
                break;
            case 3:
                what = "silence";
                Kestrum_AddSlience(m_session, trackId, at, 700'000);
                break;
            case 4:
                what = "fade";
                Kestrum_FadeIn(m_session, trackId, at, to, 0);
                break;
            case 5:
            case 6:
                what = "undo";
                Kestrum_GoBack(m_session);
                break;
            case 7:
                what = "redo";
                Kestrum_GoNext(m_session);
                break;
            case 8:
                what = "tags";
                Kestrum_SetTrackTagInfo(m_session, trackId, titled("step " + std::to_string(step)));
                break;
            case 9:
                what = "copy to new";
                Kestrum_CopyToNew(m_session, trackId, at, to);
                break;
            case 10:
                what = "delete track";
                if (m_session->TrackCount() > 2)
                    Kestrum_DeleteTrack(m_session, trackId);
                break;
            case 11:
                // Long titles fill the log quickly: the document is written
                // whole again now and then.
                what = "long titles";
                for (int i = 0; i < 60; ++i)
                    Kestrum_SetTrackTagInfo(m_session, 1,
                                            titled(std::string(500, char('a' + i % 26))));
                break;
            }
            const int64_t now = sizeOf(log());
            rewrites += now < lastLog;
            lastLog = now;
            ASSERT_EQ(recoveredTracks(document()), expectedTracks(m_session))
                << "step " << step << ": " << what;
        }
        EXPECT_GT(rewrites, 0) << "the document was never written whole again";
    }
};

// Every kind of change, many times over, read back after each: the document
// and its log always open as the session stands, also across rewrites of
// the document.
TEST_F(RecoveryLog, AfterEveryChangeTheDocumentAndLogReadAsTheSessionStands)
{
    randomSession(2026);
}

// Sessions in which an undo brings back a deleted track that was given a
// new version while deleted: the log named it by an address a freed version
// of another track had had.
TEST_F(RecoveryLog, ATrackBroughtBackIsReadAsItStandsSeed15)
{
    randomSession(15);
}
TEST_F(RecoveryLog, ATrackBroughtBackIsReadAsItStandsSeed31)
{
    randomSession(31);
}
TEST_F(RecoveryLog, ATrackBroughtBackIsReadAsItStandsSeed32)
{
    randomSession(32);
}

// An undo or a redo appends a version number; an edit the segments it
// made. Neither writes the segments it keeps, however many there are.
TEST_F(RecoveryLog, UndoRedoAndEditsAppendWhatTheyChangeNotWhatTheTrackHolds)
{
    // A 10-hour track's timeline: 7,200 pieces named, not written (edits on
    // piece boundaries only move them).
    CTrack* track = Kestrum_AddTrack(m_session, nullptr);
    ASSERT_NE(track, nullptr);
    ASSERT_TRUE(track->MakeTrackFolder());
    auto timeline = std::make_unique<CTimeline>();
    timeline->Append(
        MakeSegment(vorlain::kHeaderSegment, 0, 0, (track->m_trackFolder + "/h").c_str()));
    const int64_t piece = 5 * kSecond;
    for (int64_t n = 0; n < 7200; ++n)
        timeline->Append(
            MakeSegment(vorlain::kAudioSegment, n * piece, (n + 1) * piece,
                        (track->m_trackFolder + "/" + std::to_string(n) + ".dat").c_str()));
    track->m_sampleRate = 44100;
    track->m_channels = 2;
    track->m_bytesPerSample = 2;
    {
        CEditTransaction txn(*m_session);
        ASSERT_TRUE(track->Commit(std::move(timeline), "Loading"));
        txn.Finish(1);
    }
    // Its segments went into the log once, whole.
    const int64_t document0 = sizeOf(document()), log0 = sizeOf(log());
    ASSERT_GT(log0, 7200 * 20);
    ASSERT_EQ(recoveredTracks(document()), expectedTracks(m_session));

    ASSERT_EQ(Kestrum_Delete(m_session, 1, 3600 * piece, 3601 * piece), 1);
    const int64_t log1 = sizeOf(log());
    EXPECT_LT(log1 - log0, 200) << "the delete appended " << log1 - log0 << " bytes";
    const std::vector<std::string> afterDelete = expectedTracks(m_session);
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(Kestrum_GoBack(m_session), 1);
        ASSERT_EQ(Kestrum_GoNext(m_session), 1);
    }
    const int64_t log2 = sizeOf(log());
    EXPECT_LT(log2 - log1, 40 * 16) << "40 steps appended " << log2 - log1 << " bytes";
    EXPECT_EQ(sizeOf(document()), document0) << "the document was not written again";
    EXPECT_EQ(recoveredTracks(document()), afterDelete);
    ASSERT_EQ(Kestrum_GoBack(m_session), 1);
    EXPECT_EQ(recoveredTracks(document()), expectedTracks(m_session));
    EXPECT_NE(recoveredTracks(document()), afterDelete);
}

// A crash in the middle of appending leaves the log cut anywhere: what
// opens is the state before the change or, when all of it is there, after.
TEST_F(RecoveryLog, ALogCutAnywhereOpensAsBeforeOrAfterTheLastChange)
{
    ASSERT_NE(loadRamp(44100 * 20), nullptr);
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 2 * kSecond, 3 * kSecond), 1);
    ASSERT_EQ(Kestrum_SetTrackTagInfo(m_session, 1, titled("before")), 1);
    const std::vector<std::string> before = expectedTracks(m_session);
    const std::vector<uint8_t> logBefore = ReadBytes(log());
    ASSERT_FALSE(logBefore.empty());
    // The last change: an edit, a new title and a new track at once is not
    // one call; a paste that makes a track's new version and segments is.
    ASSERT_EQ(Kestrum_Paste(m_session, 1, 7 * kSecond + 123), 1);
    const std::vector<std::string> after = expectedTracks(m_session);
    ASSERT_NE(before, after);
    const std::vector<uint8_t> logAfter = ReadBytes(log());
    ASSERT_GT(logAfter.size(), logBefore.size());
    ASSERT_TRUE(std::equal(logBefore.begin(), logBefore.end(), logAfter.begin())) << "appended";
    for (size_t cut = logBefore.size(); cut <= logAfter.size(); ++cut) {
        ASSERT_TRUE(
            WriteBytes(log(), std::vector<uint8_t>(logAfter.begin(), logAfter.begin() + cut)));
        // The change counts once its end mark is there.
        EXPECT_EQ(recoveredTracks(document()), cut + 1 >= logAfter.size() ? after : before)
            << "log cut at " << cut << " of " << logAfter.size();
    }
    // Garbage after the last whole change is not read either.
    std::vector<uint8_t> damaged = logAfter;
    for (const char c : std::string("V 0 99 1 5 5 0 2\n 0 1 3:x.d"))
        damaged.push_back(static_cast<uint8_t>(c));
    ASSERT_TRUE(WriteBytes(log(), damaged));
    EXPECT_EQ(recoveredTracks(document()), after);
    // Nor are whole changes that name what no log can: an unknown version, a
    // track never listed, a base shorter than what it keeps, times or
    // shifts past any track's length. Each ends the log where it stands.
    for (const std::string bad : {"C 0 999\n.\n", "C 7 0\n.\n", "V 0 900 1 9999 0 0 0\n.\n",
                                  "V 0 901 0 0 0 0 1\n 0 9223372036854775807 5:a.dat\n.\n",
                                  "V 0 902 1 0 1 4611686018427387904 0\n.\n", "Q 0\n.\n"}) {
        std::vector<uint8_t> bytes = logAfter;
        bytes.insert(bytes.end(), bad.begin(), bad.end());
        ASSERT_TRUE(WriteBytes(log(), bytes));
        EXPECT_EQ(recoveredTracks(document()), after) << bad;
    }
}

// A log left from before the document was last written (the process died
// between writing the document and removing the log) is never applied.
TEST_F(RecoveryLog, ALogOfAnEarlierDocumentIsNotApplied)
{
    ASSERT_NE(loadRamp(44100 * 20), nullptr);
    ASSERT_EQ(Kestrum_Cut(m_session, 1, 2 * kSecond, 3 * kSecond), 1);
    ASSERT_EQ(Kestrum_Delete(m_session, 1, 0, kSecond), 1);
    const std::vector<uint8_t> oldLog = ReadBytes(log());
    ASSERT_FALSE(oldLog.empty());
    // Enough long titles to have the document written whole again.
    int64_t size = sizeOf(log());
    for (int i = 0; i < 2000 && sizeOf(log()) >= size; ++i) {
        size = sizeOf(log());
        ASSERT_EQ(
            Kestrum_SetTrackTagInfo(m_session, 1, titled(std::string(500, char('a' + i % 26)))), 1);
    }
    ASSERT_LT(sizeOf(log()), size) << "the document was never written whole again";
    const std::vector<std::string> now = expectedTracks(m_session);
    ASSERT_TRUE(WriteBytes(log(), oldLog));
    EXPECT_EQ(recoveredTracks(document()), now);
}
