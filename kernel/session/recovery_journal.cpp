// The recovery journal's writer: the document written whole now and then,
// each change appended to the log beside it before it is made.
#include "session/recovery_journal.h"

#include "common/paths.h"
#include "project/project_document.h"
#include "session/edit_session.h"
#include "session/recovery_document.h"
#include "store/segment_files.h"
#include "track/track.h"
#include "vorlain/timeline.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

namespace kernel {

namespace {

std::string folderName(const std::string& trackFolder)
{
    std::string path = NormalizePath(trackFolder);
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return FileNamePart(path);
}

JournalTrack describe(const CTrack& track)
{
    JournalTrack t;
    t.present = track.m_present;
    t.own = track.m_firstOwnFileNumber;
    if (!track.m_trackFolder.empty())
        t.folder = folderName(track.m_trackFolder);
    t.name.assign(track.m_name, 0, std::min<size_t>(track.m_name.size(), 259));
    t.sampleRate = track.m_sampleRate;
    t.channels = track.m_channels;
    t.bytesPerSample = track.m_bytesPerSample;
    const TagInfo& tag = track.m_tag;
    auto field = [](const char* text, size_t size) { return std::string(text, strnlen(text, size)); };
    t.tag = {field(tag.title, sizeof tag.title),   field(tag.artist, sizeof tag.artist),
             field(tag.album, sizeof tag.album),   field(tag.genre, sizeof tag.genre),
             field(tag.year, sizeof tag.year),     field(tag.comment, sizeof tag.comment)};
    return t;
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

} // namespace

CRecoveryJournal::CRecoveryJournal(int fd, std::string folder) : m_fd(fd), m_folder(std::move(folder)) {}

std::unique_ptr<CRecoveryJournal> CRecoveryJournal::Take(const std::string& folder)
{
    const int fd = LockSessionFolder(folder);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<CRecoveryJournal>(new CRecoveryJournal(fd, WithoutTrailingSeparator(folder)));
}

CRecoveryJournal::~CRecoveryJournal()
{
    if (!m_keepDocument) {
        RemoveFile(LogPath());
        RemoveFile(DocumentPath());
    }
    RemoveFile(DocumentPath() + project::kPartSuffix);
    ::close(m_fd); // the lock goes with the descriptor
}

std::string CRecoveryJournal::DocumentPath() const { return m_folder + "/" + kRecoveryName; }
std::string CRecoveryJournal::LogPath() const { return m_folder + "/" + kRecoveryLogName; }

size_t CRecoveryJournal::LogLimit(size_t documentBytes)
{
    // Rewriting the document once the log has grown past twice its size
    // keeps every change's cost what it changes, on average, and the time
    // to read a recovery bounded by the document's size.
    return std::max<size_t>(256 * 1024, 2 * documentBytes);
}

bool CRecoveryJournal::Write(const CEditSession& session, const JournalChange& change)
{
    std::vector<Entry> entries;
    entries.reserve(session.m_tracks.size() + change.added.size());
    auto add = [&](const CTrack& t, bool added) {
        const bool changed = &t == change.track;
        entries.push_back({&t, changed ? change.timeline : t.Timeline(), added || (changed && change.timeline)});
    };
    for (const auto& t : session.m_tracks)
        add(*t, false);
    for (const CTrack* t : change.added)
        add(*t, true);
    if (m_needsDocument || m_logBytes > LogLimit(m_documentBytes))
        return writeDocument(session, entries);
    return appendChanges(session, entries);
}

// Every project that may name files of the data root: the last one saved or
// opened, and the one a save in progress is writing.
namespace {

std::vector<std::string> projectsOf(const CEditSession& session)
{
    std::vector<std::string> projects{session.m_projectPath};
    if (!session.m_savingProjectPath.empty() && session.m_savingProjectPath != session.m_projectPath)
        projects.push_back(session.m_savingProjectPath);
    return projects;
}

uint64_t newEpoch()
{
    // Unlike any earlier document's in the folder, so that a log left from
    // before a rewrite is never applied to the new document.
    static std::atomic<uint64_t> counter{0};
    const uint64_t now = static_cast<uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    const uint64_t random = (uint64_t(std::random_device{}()) << 32) ^ std::random_device{}();
    return ((now ^ random ^ (uint64_t(::getpid()) << 40) ^ ++counter) >> 1) | 1; // positive, non-zero
}

} // namespace

bool CRecoveryJournal::writeDocument(const CEditSession& session, const std::vector<Entry>& entries)
{
    using namespace project;
    const uint64_t epoch = newEpoch();
    std::vector<Recorded> recorded(entries.size());
    std::unordered_map<const CTimeline*, uint64_t> versions;
    uint64_t nextVersion = 1;
    const std::vector<std::string> projects = projectsOf(session);

    std::string& out = m_text;
    out.clear();
    out += "<?xml version='1.0'?>\n<AudioProject journal=\"";
    AppendNumber(out, static_cast<int64_t>(epoch));
    out += "\">\n";
    Element(out, "\t", kTmpPath, session.m_tempFolder.c_str(), session.m_tempFolder.size());
    for (const std::string& project : projects)
        Element(out, "\t", kRecoveryProject, project.c_str(), project.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        Recorded& r = recorded[i];
        r.written = true;
        r.track = describe(*entries[i].track);
        if (!r.track.present)
            continue;
        r.known = true;
        r.timeline = entries[i].timeline;
        if (r.timeline) {
            r.version = nextVersion++;
            versions[r.timeline] = r.version;
        }
        WriteTrack(out, i, r.track, r.timeline, r.version);
    }
    out += "</AudioProject>\n";

    const std::string path = DocumentPath();
    const std::string part = path + kPartSuffix;
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, out.data(), out.size());
    const int saved = errno;
    ok = ::close(fd) == 0 && ok;
    // No fsync: the document guards against the program dying, and the
    // rename alone makes it whole for that; the data files it names are no
    // more durable than the page cache either.
    if (!ok || std::rename(part.c_str(), path.c_str()) != 0) {
        const int why = errno ? errno : saved;
        RemoveFile(part);
        errno = why;
        return false;
    }
    // The old log names another epoch: from here on it is never applied.
    m_logStarted = false;
    RemoveFile(LogPath());
    m_needsDocument = false;
    m_epoch = epoch;
    m_documentBytes = out.size();
    m_logBytes = 0;
    m_recorded = std::move(recorded);
    m_recordedTemp = session.m_tempFolder;
    m_recordedProjects = projects;
    m_versions = std::move(versions);
    m_nextVersion = nextVersion;
    return true;
}

// The log: a first line naming the document's epoch, then batches of
// records, one per change, each ended by ".". Texts are written as their
// length, ':' and their bytes, so a record is read back exactly.
//   G temp count project...                     the data root and projects
//   T position present own rate channels bits folder name title artist album genre year comment
//   V position version base head tail shift count (from to file)...
//   C position version                          (version 0: blank)
namespace {

void appendText(std::string& out, const std::string& text)
{
    out += ' ';
    AppendNumber(out, static_cast<int64_t>(text.size()));
    out += ':';
    out += text;
}

void appendField(std::string& out, int64_t value)
{
    out += ' ';
    AppendNumber(out, value);
}

} // namespace

bool CRecoveryJournal::appendChanges(const CEditSession& session, const std::vector<Entry>& entries)
{
    std::string& out = m_text;
    out.clear();
    if (!m_logStarted) {
        out += kRecoveryLogMagic;
        appendField(out, static_cast<int64_t>(m_epoch));
        out += '\n';
    }
    const size_t start = out.size();

    const std::vector<std::string> projects = projectsOf(session);
    if (session.m_tempFolder != m_recordedTemp || projects != m_recordedProjects) {
        out += 'G';
        appendText(out, session.m_tempFolder);
        appendField(out, static_cast<int64_t>(projects.size()));
        for (const std::string& project : projects)
            appendText(out, project);
        out += '\n';
    }

    std::vector<Recorded> recorded = m_recorded;
    recorded.resize(std::max(recorded.size(), entries.size()));
    std::vector<std::pair<const CTimeline*, uint64_t>> defined;
    uint64_t nextVersion = m_nextVersion;
    for (size_t i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries[i];
        Recorded& r = recorded[i];
        // A track new to the log has a version no record can name yet (its
        // address may be one a freed version had). So has a track whose
        // version the log stopped following (it was deleted, and may have
        // been given new versions meanwhile): it is written whole.
        const bool fresh = entry.fresh || !r.written || !r.known;
        JournalTrack now = describe(*entry.track);
        if (!r.written || !(now == r.track)) {
            out += 'T';
            appendField(out, static_cast<int64_t>(i));
            appendField(out, now.present);
            appendField(out, now.own);
            appendField(out, now.sampleRate);
            appendField(out, now.channels);
            appendField(out, now.bytesPerSample);
            appendText(out, now.folder);
            appendText(out, now.name);
            for (const std::string& field : now.tag)
                appendText(out, field);
            out += '\n';
            r.written = true;
            r.track = std::move(now);
        }
        if (!r.track.present) {
            // What a deleted track held is no longer recorded: a track that
            // comes back is written whole.
            r.known = false;
            r.timeline = nullptr;
            continue;
        }
        const CTimeline* timeline = entry.timeline;
        if (r.known && r.timeline == timeline && !fresh)
            continue;
        auto known = m_versions.end();
        if (!timeline || (!fresh && (known = m_versions.find(timeline)) != m_versions.end())) {
            r.version = timeline ? known->second : 0;
            out += 'C';
            appendField(out, static_cast<int64_t>(i));
            appendField(out, static_cast<int64_t>(r.version));
            out += '\n';
        } else {
            // A new version: what it keeps of the recorded one, and the
            // segments it has of its own.
            const bool based = r.known && r.timeline;
            const CTimeline::SharedEnds ends =
                based ? timeline->SharedAudioEnds(*r.timeline)
                      : CTimeline::SharedEnds{0, 0, 0, 0, timeline->GetCount()};
            std::vector<TrackSegment> mid;
            for (uint32_t k = ends.midFirst; k < ends.midEnd; ++k) {
                const TrackSegment s = *timeline->Lookup(k);
                if (!(s.state & vorlain::kHeaderSegment))
                    mid.push_back(s);
            }
            const uint64_t base = based ? r.version : 0;
            r.version = nextVersion++;
            out += 'V';
            appendField(out, static_cast<int64_t>(i));
            appendField(out, static_cast<int64_t>(r.version));
            appendField(out, static_cast<int64_t>(base));
            appendField(out, ends.head);
            appendField(out, ends.tail);
            appendField(out, ends.shift);
            appendField(out, static_cast<int64_t>(mid.size()));
            out += '\n';
            for (const TrackSegment& s : mid) {
                appendField(out, s.start);
                appendField(out, s.end);
                appendText(out, NameOf(s.path));
                out += '\n';
            }
            defined.emplace_back(timeline, r.version);
        }
        r.known = true;
        r.timeline = timeline;
    }
    if (out.size() == start)
        return true; // nothing differs from what is recorded
    out += ".\n";
    if (!appendToLog(out))
        return false;
    m_recorded = std::move(recorded);
    m_recordedTemp = session.m_tempFolder;
    m_recordedProjects = projects;
    for (const auto& [timeline, version] : defined)
        m_versions[timeline] = version;
    m_nextVersion = nextVersion;
    return true;
}

bool CRecoveryJournal::appendToLog(const std::string& text)
{
    // Opened for each batch: a descriptor held open for writing would keep
    // the file system from being remounted read-only under the session.
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (m_logStarted ? O_APPEND : O_TRUNC);
    const int fd = ::open(LogPath().c_str(), flags, 0644);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, text.data(), text.size());
    int why = errno;
    if (!ok) {
        // A batch cut short is no batch (it lacks its end), but the next one
        // must not follow it: cut it off, or write the document whole next time.
        if (::ftruncate(fd, static_cast<off_t>(m_logBytes)) != 0)
            m_needsDocument = true;
    }
    if (::close(fd) != 0 && ok) {
        // The batch may not have reached the file whole.
        ok = false;
        why = errno;
        m_needsDocument = true;
    }
    if (!ok) {
        errno = why;
        return false;
    }
    m_logStarted = true;
    m_logBytes += text.size();
    return true;
}

} // namespace kernel
