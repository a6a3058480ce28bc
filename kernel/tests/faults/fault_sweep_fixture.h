// The fault sweeps' fixture: a session with tracks, files and a project to
// break, the snapshot of everything a failed call must leave as it was,
// and the two sweeps, one of write faults and one of stops.
#pragma once

#include "kernel_fixture.h"

#include "common/last_error.h"
#include "record/track_recorder.h"
#include "session/recovery_journal.h"
#include "vorlain/test/fault_io.h"

#include <pugixml.hpp>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace kernel::test::faults {

using namespace kernel;
using namespace kernel::test;
using namespace vorlain::test;

inline constexpr const char* kSkip = "/peaks"; // summaries and their folders

struct FileState {
    int64_t size;
    uint64_t hash;
    int64_t mtime;
    bool operator==(const FileState&) const = default;
};

// FNV-1a over 64-bit words (the tail a byte at a time), read in blocks
// through one buffer: each step is a bijection of the running hash, so a
// change in any one word changes the result, at an eighth of the steps of
// the byte-wise loop and without holding the file.
inline uint64_t hashFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    static std::vector<char> block(1 << 16);
    uint64_t h = 1469598103934665603ull;
    uint64_t size = 0;
    std::streamsize got = 0;
    while ((got = in.read(block.data(), static_cast<std::streamsize>(block.size())).gcount()) > 0) {
        size += static_cast<uint64_t>(got);
        std::streamsize i = 0;
        for (; i + 8 <= got; i += 8) {
            uint64_t word;
            std::memcpy(&word, block.data() + i, 8);
            h = (h ^ word) * 1099511628211ull;
        }
        for (; i < got; ++i)
            h = (h ^ static_cast<uint8_t>(block[i])) * 1099511628211ull;
    }
    return h ^ size;
}

// Every file and folder below root, the recovery document and its log aside.
inline std::map<std::string, FileState> files(const std::string& root)
{
    std::map<std::string, FileState> out;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        const std::string path = it->path().string();
        if (it->path().filename() == kRecoveryName || it->path().filename() == kRecoveryLogName)
            continue;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            out[path] = {-1, 0, 0};
            continue;
        }
        out[path] = {st.st_size, hashFile(path),
                     int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
    }
    return out;
}

inline std::string recordBytes(const void* p, size_t n)
{
    return std::string(static_cast<const char*>(p), n);
}

struct SessionState {
    std::vector<std::string> tracks; // one line per track
    std::string undo, redo, lastAction, nextAction, clipboard;
    std::map<std::string, FileState> disk;
    bool operator==(const SessionState&) const = default;
};

inline std::string describeTrack(const CTrack& t, const std::vector<TrackSegment>& segments)
{
    std::ostringstream s;
    s << t.m_trackId << " present=" << t.m_present << " len=" << t.m_length
      << " ch=" << t.m_channels << " rate=" << t.m_sampleRate << " name=" << t.m_name
      << " tag=" << std::hash<std::string>{}(recordBytes(&t.m_tag, sizeof t.m_tag)) << " "
      << Describe(segments);
    return s.str();
}

class FaultSweep : public KernelTest {
protected:
    void SetUp() override
    {
        KernelTest::SetUp();
        const char* mode = std::getenv("VORLAIN_FAULT_SWEEP");
        m_full = mode && std::strcmp(mode, "full") == 0;
        m_user = env().makeDir("user");
        // Track 1: 7 s of stereo ramp (a header and two data files); track 2:
        // 3 s of mono sine; an input file of 2 s; an older export and project.
        m_a = loadRamp(44100 * 7);
        m_b = loadTrack(Sine(44100 * 3, 44100, 1, 330.0), 44100, 1, "mono.wav");
        ASSERT_TRUE(m_a && m_b);
        m_input = m_user + "/input.wav";
        ASSERT_TRUE(WriteWave(m_input, Sine(44100 * 2, 44100, 2, 440.0), 44100, 2));
        ASSERT_EQ(Kestrum_Copy(m_session, 1, kSecond, 2 * kSecond), 1);
        ASSERT_EQ(Kestrum_Cut(m_session, 1, 6 * kSecond, 6 * kSecond + 500'000), 1);
        ASSERT_EQ(Kestrum_GoBack(m_session), 1); // a redo chain that failures must keep
        ASSERT_EQ(Kestrum_SaveProject(m_session, (m_user + "/older.zvp").c_str(), 1), 1);
        ASSERT_TRUE(WriteBytes(m_user + "/out.wav", {'o', 'l', 'd'}));
        m_document = m_session->m_tempFolder + "/" + kRecoveryName;
    }

    std::vector<std::string> trackLines()
    {
        std::vector<std::string> lines;
        for (const auto& t : m_session->m_tracks)
            lines.push_back(describeTrack(*t, segments(t.get())));
        return lines;
    }

    SessionState state()
    {
        SessionState s;
        s.tracks = trackLines();
        char label[8192] = {};
        if (Kestrum_IsBackAble(m_session, label))
            s.undo = label;
        std::memset(label, 0, sizeof label);
        if (Kestrum_IsNextAble(m_session, label))
            s.redo = label;
        ActionRecord action{};
        Kestrum_GetLastActionAttr(m_session, &action);
        s.lastAction = recordBytes(&action, sizeof action);
        action = {};
        Kestrum_GetNextActionAttr(m_session, &action);
        s.nextAction = recordBytes(&action, sizeof action);
        ClipboardEntry clip{};
        Kestrum_GetCopyAttr(m_session, &clip);
        s.clipboard =
            recordBytes(&clip, sizeof clip) + std::to_string(Kestrum_IsPasteAble(m_session));
        s.disk = files(env().root());
        return s;
    }

    // The recovery document lists exactly the present tracks and their
    // current timelines.
    void expectDocumentMatches(const std::string& where)
    {
        pugi::xml_document doc;
        ASSERT_TRUE(LoadRecoveryDocument(m_document, doc)) << where;
        std::vector<std::string> written, expected;
        for (const pugi::xml_node& track : doc.document_element().children("Track")) {
            std::string line = std::string(track.child_value("Folder")) + ":";
            for (const pugi::xml_node& s : track.child("TimeLine").children("Segment"))
                line += std::string("[") + s.child_value("TimeFrom") + "," +
                        s.child_value("TimeTo") + ")" + s.child_value("Path");
            written.push_back(line);
        }
        // A track without audio names no data file: its folder does not
        // matter to a recovery (a recording makes its folder as it goes).
        for (std::string& line : written)
            if (line.back() == ':')
                line = ":";
        for (const auto& t : m_session->m_tracks) {
            if (!t->m_present)
                continue;
            std::string line =
                (t->m_trackFolder.empty() ? std::string() : FileNamePart(t->m_trackFolder)) + ":";
            for (const TrackSegment& s : segments(t.get()))
                if (!(s.state & 1))
                    line += "[" + std::to_string(s.start) + "," + std::to_string(s.end) + ")" +
                            FileNamePart(s.path);
            expected.push_back(line.back() == ':' ? std::string(":") : line);
        }
        EXPECT_EQ(written, expected) << where;
    }

    // Everything as it was before a call that failed or was stopped: the
    // tracks, the history, the clipboard, every file and the recovery
    // document; and undo and redo still step as before.
    void expectAsBefore(const SessionState& before, const std::string& where, bool undoable)
    {
        const SessionState after = state();
        EXPECT_EQ(after.tracks, before.tracks) << where;
        EXPECT_EQ(after.undo, before.undo) << where;
        EXPECT_EQ(after.redo, before.redo) << where;
        EXPECT_EQ(after.lastAction, before.lastAction) << where;
        EXPECT_EQ(after.nextAction, before.nextAction) << where;
        EXPECT_EQ(after.clipboard, before.clipboard) << where;
        if (after.disk != before.disk) {
            std::string diff;
            for (const auto& [path, st] : after.disk)
                if ((!before.disk.count(path) || !(before.disk.at(path) == st)) &&
                    (m_keptFolder.empty() || path.rfind(m_keptFolder, 0) != 0))
                    diff += " +" + path;
            for (const auto& [path, st] : before.disk)
                if (!after.disk.count(path))
                    diff += " -" + path;
            if (!diff.empty())
                ADD_FAILURE() << where << ": files changed:" << diff;
        }
        expectDocumentMatches(where);
        if (undoable && Kestrum_GoBack(m_session)) {
            EXPECT_EQ(Kestrum_GoNext(m_session), 1) << where << ": redo after the failure";
            EXPECT_EQ(trackLines(), before.tracks) << where << ": undo and redo";
        }
    }

    // The N the sweeps try of calls counted calls: all of them (full), or
    // the first twelve, a widening sample and the last four.
    std::vector<uint64_t> sample(uint64_t calls) const
    {
        std::vector<uint64_t> ns;
        for (uint64_t n = 1; n <= calls; n = m_full || n < 12 ? n + 1 : n + n / 6)
            ns.push_back(n);
        for (uint64_t n = calls > 4 ? calls - 3 : 1; n <= calls; ++n)
            if (ns.empty() || n > ns.back())
                ns.push_back(n);
        return ns;
    }

    // Runs op with Kestrum_Stop asked at its N-th write, create, rename or
    // sync, for the N that sample gives. A stopped call returns 0, leaves
    // the last error as it was and everything else as a failed write does;
    // a stop asked after the call's last look at it lets the call end well.
    void stopSweep(const std::string& name, const std::function<bool()>& op, bool undoable = true)
    {
        FaultIoArm(0, 0, kSkip);
        const bool done = op();
        const uint64_t calls = FaultIoDisarm();
        ASSERT_TRUE(done) << name << " fails without a stop";
        if (undoable) {
            ASSERT_EQ(Kestrum_GoBack(m_session), 1) << name;
        }
        constexpr uint32_t kEarlier = 0x5A5AB001; // an earlier call's code
        int stopped = 0, late = 0;
        for (const uint64_t n : sample(calls)) {
            const int failuresBefore = ::testing::UnitTest::GetInstance()
                                           ->current_test_info()
                                           ->result()
                                           ->total_part_count();
            const SessionState before = state();
            SetLastError(kEarlier);
            FaultIoArmAction(
                n, [this] { Kestrum_Stop(m_session); }, kSkip);
            const bool ok = op();
            FaultIoDisarm();
            const std::string where =
                name + " stopped at N=" + std::to_string(n) + " (" + FaultIoFiredCall() + ")";
            if (ok) {
                ++late;
                if (undoable)
                    Kestrum_GoBack(m_session);
                continue;
            }
            ++stopped;
            EXPECT_EQ(Kestrum_GetLastError(), kEarlier) << where << ": a stop sets no code";
            expectAsBefore(before, where, undoable);
            if (::testing::UnitTest::GetInstance()
                    ->current_test_info()
                    ->result()
                    ->total_part_count() != failuresBefore)
                break;
        }
        EXPECT_GT(stopped, 0) << name << " never stops";
        // The next call runs to its end: the flag of the stop is not left over.
        std::printf("[ stops  ] %-18s %4d stopped, %3d after the last look, of %4llu calls\n",
                    name.c_str(), stopped, late, static_cast<unsigned long long>(calls));
    }

    // Runs op with its N-th call failing. A first run counts the calls (and
    // is undone); then N runs over all of them (full sweep) or over the first
    // twelve, a widening sample and the last four. Without counting first
    // (a recording is stopped once), N runs up to the run that succeeds.
    void sweep(const std::string& name, const std::function<bool()>& op, bool undoable = true,
               bool countFirst = true)
    {
        std::vector<uint64_t> ns;
        uint64_t calls = 0;
        if (countFirst) {
            FaultIoArm(0, 0, kSkip);
            const bool ok = op();
            calls = FaultIoDisarm();
            ASSERT_TRUE(ok) << name << " fails without a fault";
            if (undoable) {
                ASSERT_EQ(Kestrum_GoBack(m_session), 1) << name;
            }
            ns = sample(calls);
        }
        int cases = 0;
        for (size_t i = 0;; ++i) {
            const uint64_t n = countFirst ? (i < ns.size() ? ns[i] : 0) : i + 1;
            if (n == 0)
                break;
            const int failuresBefore = ::testing::UnitTest::GetInstance()
                                           ->current_test_info()
                                           ->result()
                                           ->total_part_count();
            const SessionState before = state();
            const int error = n % 2 ? ENOSPC : EIO;
            const uint64_t serial = LastErrorSerial();
            FaultIoArm(n, error, kSkip);
            const bool ok = op();
            FaultIoDisarm();
            if (!FaultIoFired()) {
                EXPECT_TRUE(ok) << name << ": fails without a fault (N=" << n << ")";
                if (!countFirst || !ok)
                    break;
                if (undoable)
                    Kestrum_GoBack(m_session); // fewer calls this time: start again from here
                continue;
            }
            ++cases;
            const std::string where =
                name + " N=" + std::to_string(n) + " (" + FaultIoFiredCall() + ")";
            EXPECT_FALSE(ok) << where << ": succeeded although a call failed";
            if (ok)
                break;
            EXPECT_NE(LastErrorSerial(), serial) << where << ": no error code";
            EXPECT_NE(Kestrum_GetLastError() & 0xFFFF, 0u) << where;
            expectAsBefore(before, where, undoable);
            if (::testing::UnitTest::GetInstance()
                    ->current_test_info()
                    ->result()
                    ->total_part_count() != failuresBefore)
                break; // one report per operation is enough
        }
        EXPECT_GT(cases, 0) << name << " makes no call that can fail";
        std::printf("[ faults ] %-18s %4d cases of %4llu calls\n", name.c_str(), cases,
                    static_cast<unsigned long long>(calls));
    }

    // Files added below this folder are kept on purpose (a failed recording
    // stop keeps the recorded audio for the next stop).
    std::string m_keptFolder;
    bool m_full = false;
    std::string m_user, m_input, m_document;
    CTrack* m_a = nullptr;
    CTrack* m_b = nullptr;
};

} // namespace kernel::test::faults
