#include "session/recovery_journal.h"

#include "common/paths.h"
#include "project/project_document.h"
#include "session/edit_session.h"
#include "store/peak_summary_writer.h"
#include "store/segment_files.h"
#include "track/track.h"
#include "vorlain/timeline.h"

#include <pugixml.hpp>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <set>

namespace kernel {

namespace {

constexpr const char* kSessionPrefix = "Vorlain_Tmp";

int lockFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int why = errno;
        ::close(fd);
        errno = why;
        return -1;
    }
    return fd;
}

void appendEscaped(std::string& out, const char* text, size_t size)
{
    for (size_t i = 0; i < size && text[i]; ++i) {
        switch (text[i]) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default: out += text[i];
        }
    }
}

void appendNumber(std::string& out, int64_t value)
{
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end);
}

// <name>text</name> with the text escaped.
void element(std::string& out, const char* indent, const char* name, const char* text, size_t size)
{
    out += indent;
    out += '<';
    out += name;
    out += '>';
    appendEscaped(out, text, size);
    out += "</";
    out += name;
    out += ">\n";
}

void element(std::string& out, const char* indent, const char* name, int64_t value)
{
    out += indent;
    out += '<';
    out += name;
    out += '>';
    appendNumber(out, value);
    out += "</";
    out += name;
    out += ">\n";
}

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

constexpr std::array<const char*, 6> kTagElements = {project::kTitle, project::kArtist,
                                                    project::kAlbum, project::kGenre,
                                                    project::kYear,  project::kComment};

const char* nameOf(const char* path)
{
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// One Track element; version: the number the log knows its timeline by.
void writeTrack(std::string& out, size_t index, const JournalTrack& track,
                const CTimeline* timeline, uint64_t version)
{
    using namespace project;
    out += "\t<";
    out += kTrack;
    out += " id=\"";
    appendNumber(out, static_cast<int64_t>(index));
    // The first data file number this session may have written into the
    // folder: what a discarded recovery may remove.
    out += "\" own=\"";
    appendNumber(out, track.own);
    out += "\" v=\"";
    appendNumber(out, static_cast<int64_t>(version));
    out += "\">\n";
    element(out, "\t\t", kFolder, track.folder.c_str(), track.folder.size());
    out += "\t\t<BaseInfo>\n";
    element(out, "\t\t\t", kName, track.name.c_str(), track.name.size());
    element(out, "\t\t\t", kTime, timeline ? timeline->EndTime() : 0);
    element(out, "\t\t\t", kSample, track.sampleRate);
    element(out, "\t\t\t", kChannel, track.channels);
    element(out, "\t\t\t", kBitPerSample, track.bytesPerSample);
    out += "\t\t</BaseInfo>\n\t\t<TAG>\n";
    for (size_t i = 0; i < kTagElements.size(); ++i)
        element(out, "\t\t\t", kTagElements[i], track.tag[i].c_str(), track.tag[i].size());
    out += "\t\t</TAG>\n\t\t<TimeLine>\n";
    if (timeline) {
        timeline->ForEachPath([&](const CSegmentSpan& s, const std::string& path) {
            if (s.IsHeader())
                return;
            out += "\t\t\t<Segment><TimeFrom>";
            appendNumber(out, s.start);
            out += "</TimeFrom><TimeTo>";
            appendNumber(out, s.end);
            out += "</TimeTo><Path>";
            const char* name = nameOf(path.c_str());
            appendEscaped(out, name, std::strlen(name));
            out += "</Path></Segment>\n";
        });
    }
    out += "\t\t</TimeLine>\n\t</Track>\n";
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

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

std::string withoutTrailingSeparator(std::string path)
{
    path = NormalizePath(std::move(path));
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The data root a document names, resolved as the project reader does.
std::string dataRootOf(const pugi::xml_node& root, const std::string& documentPath)
{
    const char* tmpPath = root.child_value(project::kTmpPath);
    if (!*tmpPath)
        return {};
    return withoutTrailingSeparator(tmpPath[0] == '/' ? std::string(tmpPath)
                                                      : folderOf(documentPath) + "/" + tmpPath);
}

// A data file's name: eight digits and ".dat"; its number.
bool dataFileNumber(const char* name, uint32_t& number)
{
    if (std::strlen(name) != 12 || std::strcmp(name + 8, ".dat") != 0)
        return false;
    const auto result = std::from_chars(name, name + 8, number);
    return result.ec == std::errc() && result.ptr == name + 8;
}

// Removes the data files numbered from own on in folder that keep does not
// name, their summaries, and the folder when that empties it.
void sweepTrackFolder(const std::string& folder, uint32_t own, const std::set<std::string>& keep)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> doomed;
    while (const dirent* entry = ::readdir(dir)) {
        uint32_t number = 0;
        if (!dataFileNumber(entry->d_name, number) || number < own)
            continue;
        const std::string path = NormalizePath(folder + "/" + entry->d_name);
        if (!keep.count(path))
            doomed.push_back(path);
    }
    ::closedir(dir);
    for (const std::string& path : doomed)
        RemoveFile(path);
    PrunePeakSummaries(folder);
    ::rmdir(folder.c_str()); // only when empty
}

} // namespace

CRecoveryJournal::CRecoveryJournal(int fd, std::string folder) : m_fd(fd), m_folder(std::move(folder)) {}

std::unique_ptr<CRecoveryJournal> CRecoveryJournal::Take(const std::string& folder)
{
    const int fd = lockFolder(folder);
    if (fd < 0)
        return nullptr;
    return std::unique_ptr<CRecoveryJournal>(new CRecoveryJournal(fd, withoutTrailingSeparator(folder)));
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
    appendNumber(out, static_cast<int64_t>(epoch));
    out += "\">\n";
    element(out, "\t", kTmpPath, session.m_tempFolder.c_str(), session.m_tempFolder.size());
    for (const std::string& project : projects)
        element(out, "\t", kRecoveryProject, project.c_str(), project.size());
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
        writeTrack(out, i, r.track, r.timeline, r.version);
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

constexpr const char* kLogMagic = "vorlain-recovery-log";

void appendText(std::string& out, const std::string& text)
{
    out += ' ';
    appendNumber(out, static_cast<int64_t>(text.size()));
    out += ':';
    out += text;
}

void appendField(std::string& out, int64_t value)
{
    out += ' ';
    appendNumber(out, value);
}

} // namespace

bool CRecoveryJournal::appendChanges(const CEditSession& session, const std::vector<Entry>& entries)
{
    std::string& out = m_text;
    out.clear();
    if (!m_logStarted) {
        out += kLogMagic;
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
        // address may be one a freed version had).
        const bool fresh = entry.fresh || !r.written;
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
                appendText(out, nameOf(s.path));
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

namespace {

/** Reads the log's tokens: numbers and length-prefixed texts, each after
 *  one blank or line end. Every read checks the bounds. */
class LogReader {
public:
    LogReader(const char* data, size_t size) : m_at(data), m_end(data + size) {}

    bool AtEnd()
    {
        skipBlanks();
        return m_at == m_end;
    }
    bool Letter(char& letter)
    {
        skipBlanks();
        if (m_at == m_end)
            return false;
        letter = *m_at++;
        return true;
    }
    template <class T> bool Number(T& value)
    {
        skipBlanks();
        const auto result = std::from_chars(m_at, m_end, value);
        if (result.ec != std::errc() || result.ptr == m_at)
            return false;
        m_at = result.ptr;
        return true;
    }
    bool Text(std::string& text)
    {
        size_t size = 0;
        if (!Number(size) || m_at == m_end || *m_at != ':')
            return false;
        ++m_at;
        if (size > size_t(m_end - m_at))
            return false;
        text.assign(m_at, size);
        m_at += size;
        return true;
    }
    bool Word(const char* word)
    {
        skipBlanks();
        const size_t n = std::strlen(word);
        if (size_t(m_end - m_at) < n || std::memcmp(m_at, word, n) != 0)
            return false;
        m_at += n;
        return true;
    }

private:
    void skipBlanks()
    {
        while (m_at != m_end && (*m_at == ' ' || *m_at == '\n'))
            ++m_at;
    }
    const char* m_at;
    const char* m_end;
};

/** A recovery as its document and log describe it. */
struct RecoveredSession {
    struct Track {
        JournalTrack track;
        uint64_t version = 0; // 0: blank
    };
    std::string temp;
    std::vector<std::string> projects;
    std::map<uint32_t, Track> tracks; // by position
    std::unordered_map<uint64_t, std::shared_ptr<const CTimeline>> versions;
};

// The changes of one batch, read before any is applied.
struct LogRecord {
    char kind = 0;
    uint32_t position = 0;
    JournalTrack track;                     // T
    uint64_t version = 0, base = 0;         // V, C
    uint32_t head = 0, tail = 0;            // V
    int64_t shift = 0;                      // V
    std::vector<TrackSegment> segments;     // V
    std::string temp;                       // G
    std::vector<std::string> projects;      // G
};

constexpr uint32_t kMostPositions = 1'000'000;
// Times and shifts stay far from overflow whatever a damaged file says; a
// project names no time past 2^40 microseconds either.
constexpr int64_t kMostTime = int64_t(1) << 40;

constexpr size_t kMostVersions = size_t(1) << 21;

bool validTime(int64_t time) { return time >= 0 && time <= kMostTime; }

bool readRecord(LogReader& in, char kind, LogRecord& r)
{
    r.kind = kind;
    switch (kind) {
    case 'G': {
        size_t count = 0;
        if (!in.Text(r.temp) || !in.Number(count) || count > 16)
            return false;
        r.projects.resize(count);
        for (std::string& project : r.projects)
            if (!in.Text(project))
                return false;
        return true;
    }
    case 'T':
        if (!in.Number(r.position) || !in.Number(r.track.present) || !in.Number(r.track.own) ||
            !in.Number(r.track.sampleRate) || !in.Number(r.track.channels) ||
            !in.Number(r.track.bytesPerSample) || !in.Text(r.track.folder) || !in.Text(r.track.name))
            return false;
        for (std::string& field : r.track.tag)
            if (!in.Text(field))
                return false;
        return r.position < kMostPositions;
    case 'C':
        return in.Number(r.position) && in.Number(r.version) && r.position < kMostPositions;
    case 'V': {
        size_t count = 0;
        if (!in.Number(r.position) || !in.Number(r.version) || !in.Number(r.base) ||
            !in.Number(r.head) || !in.Number(r.tail) || !in.Number(r.shift) || !in.Number(count) ||
            r.position >= kMostPositions || r.version == 0 || r.shift < -kMostTime ||
            r.shift > kMostTime)
            return false;
        for (size_t k = 0; k < count; ++k) {
            int64_t from = 0, to = 0;
            std::string name;
            if (!in.Number(from) || !in.Number(to) || !in.Text(name) || !validTime(from) ||
                !validTime(to) || name.size() >= size_t(vorlain::kPathChars))
                return false;
            r.segments.push_back(MakeSegment(vorlain::kAudioSegment, from, to, name.c_str()));
        }
        return true;
    }
    default:
        return false;
    }
}

// Applies one whole batch, or nothing of it when it names a version or a
// track it cannot know.
bool applyBatch(RecoveredSession& session, std::vector<LogRecord>& batch)
{
    // The lengths of the versions the batch defines, to check it first.
    std::unordered_map<uint64_t, uint32_t> defined;
    auto lengthOf = [&](uint64_t version, uint32_t& length) {
        if (auto it = defined.find(version); it != defined.end()) {
            length = it->second;
            return true;
        }
        auto it = session.versions.find(version);
        if (it == session.versions.end())
            return false;
        length = it->second->GetCount();
        return true;
    };
    std::set<uint32_t> positions;
    for (const auto& [position, track] : session.tracks)
        positions.insert(position);
    for (const LogRecord& r : batch) {
        uint32_t length = 0;
        switch (r.kind) {
        case 'T': positions.insert(r.position); break;
        case 'C':
            if (!positions.count(r.position) || (r.version != 0 && !lengthOf(r.version, length)))
                return false;
            break;
        case 'V': {
            uint32_t baseLength = 0;
            if (!positions.count(r.position) || defined.count(r.version) ||
                session.versions.count(r.version))
                return false;
            if (r.base != 0 ? !lengthOf(r.base, baseLength) : r.head + r.tail != 0)
                return false;
            if (uint64_t(r.head) + r.tail > baseLength)
                return false;
            defined[r.version] = r.head + r.tail + static_cast<uint32_t>(r.segments.size());
            break;
        }
        default: break;
        }
    }
    for (LogRecord& r : batch) {
        switch (r.kind) {
        case 'G':
            session.temp = std::move(r.temp);
            session.projects = std::move(r.projects);
            break;
        case 'T': session.tracks[r.position].track = std::move(r.track); break;
        case 'C': session.tracks[r.position].version = r.version; break;
        case 'V': {
            const CTimeline* base = r.base ? session.versions[r.base].get() : nullptr;
            auto timeline = std::make_shared<CTimeline>(base);
            if (base)
                timeline->AppendRun(*base, 0, r.head, 0);
            for (const TrackSegment& s : r.segments)
                timeline->Append(s);
            if (base)
                timeline->AppendRun(*base, base->GetCount() - r.tail, r.tail, r.shift);
            if (timeline->Pieces() > 16 + timeline->GetCount() / 8)
                timeline->Compact();
            session.versions[r.version] = std::move(timeline);
            session.tracks[r.position].version = r.version;
            break;
        }
        default: break;
        }
    }
    return true;
}

// The document's own state: its tracks, each at its version.
bool readDocument(const pugi::xml_node& root, RecoveredSession& session)
{
    using namespace project;
    session.temp = root.child_value(kTmpPath);
    for (const pugi::xml_node& project : root.children(kRecoveryProject))
        session.projects.push_back(project.child_value());
    for (const pugi::xml_node& node : root.children(kTrack)) {
        RecoveredSession::Track track;
        JournalTrack& t = track.track;
        const uint32_t position = node.attribute(kTrackId).as_uint();
        t.present = 1;
        t.own = node.attribute("own").as_uint();
        t.folder = node.child_value(kFolder);
        const pugi::xml_node info = node.child(kBaseInfo);
        t.name = info.child_value(kName);
        t.sampleRate = info.child(kSample).text().as_llong();
        t.channels = info.child(kChannel).text().as_llong();
        t.bytesPerSample = info.child(kBitPerSample).text().as_llong();
        const pugi::xml_node tag = node.child(kTag);
        for (size_t i = 0; i < kTagElements.size(); ++i)
            t.tag[i] = tag.child_value(kTagElements[i]);
        track.version = node.attribute("v").as_ullong();
        if (track.version != 0) {
            auto timeline = std::make_shared<CTimeline>();
            for (const pugi::xml_node& s : node.child(kTimeLine).children(kSegment)) {
                const int64_t from = s.child(kTimeFrom).text().as_llong();
                const int64_t to = s.child(kTimeTo).text().as_llong();
                if (!validTime(from) || !validTime(to))
                    return false;
                timeline->Append(MakeSegment(vorlain::kAudioSegment, from, to, s.child_value(kPath)));
            }
            if (!session.versions.emplace(track.version, std::move(timeline)).second)
                return false;
        }
        if (!session.tracks.emplace(position, std::move(track)).second)
            return false;
    }
    return true;
}

std::string readWholeFile(const std::string& path)
{
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return text;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
}

} // namespace

bool LoadRecoveryDocument(const std::string& path, pugi::xml_document& doc, unsigned options)
{
    if (!doc.load_file(path.c_str(), options))
        return false;
    const pugi::xml_node root = doc.document_element();
    const pugi::xml_attribute journal = root.attribute("journal");
    if (!journal || !root.child(kRecoveryProject))
        return true; // a project, or a document without a log
    const std::string log = readWholeFile(folderOf(path) + "/" + kRecoveryLogName);
    LogReader in(log.data(), log.size());
    uint64_t epoch = 0;
    if (!in.Word(kLogMagic) || !in.Number(epoch) || epoch != journal.as_ullong())
        return true; // a log left from before the document was last written
    RecoveredSession session;
    if (!readDocument(root, session))
        return true;
    bool applied = false;
    size_t versionsMade = 0;
    // Whole batches only: one cut short by a crash, or that cannot be
    // applied, ends the log.
    for (;;) {
        std::vector<LogRecord> batch;
        char kind = 0;
        bool whole = false;
        while (in.Letter(kind)) {
            if (kind == '.') {
                whole = true;
                break;
            }
            batch.emplace_back();
            if (!readRecord(in, kind, batch.back()))
                break;
        }
        for (const LogRecord& r : batch)
            versionsMade += r.kind == 'V';
        // Far more versions than any session's log holds before the document
        // is written again: a damaged file, whose shifts could add up past
        // what a time can hold.
        if (!whole || versionsMade > kMostVersions || !applyBatch(session, batch))
            break;
        applied = true;
    }
    if (!applied)
        return true;

    std::string out = "<?xml version='1.0'?>\n<AudioProject>\n";
    element(out, "\t", project::kTmpPath, session.temp.c_str(), session.temp.size());
    for (const std::string& project : session.projects)
        element(out, "\t", kRecoveryProject, project.c_str(), project.size());
    for (const auto& [position, track] : session.tracks) {
        if (!track.track.present)
            continue;
        auto it = session.versions.find(track.version);
        const CTimeline* timeline = it == session.versions.end() ? nullptr : it->second.get();
        writeTrack(out, position, track.track, timeline, 0);
    }
    out += "</AudioProject>\n";
    return doc.load_buffer(out.data(), out.size(), options);
}

std::string FindOrphanedRecovery(const std::string& tempBase)
{
    DIR* dir = ::opendir(tempBase.empty() ? "." : tempBase.c_str());
    if (!dir)
        return {};
    std::string found;
    int64_t newest = INT64_MIN;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, kSessionPrefix, std::strlen(kSessionPrefix)) != 0)
            continue;
        const std::string folder = JoinPath(tempBase, entry->d_name);
        const std::string document = folder + "/" + kRecoveryName;
        struct stat st {};
        if (::stat(document.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        // The log changes after the document: the later of the two tells
        // when the session last worked.
        struct stat log {};
        if (::stat((folder + "/" + kRecoveryLogName).c_str(), &log) == 0 &&
            (log.st_mtim.tv_sec > st.st_mtim.tv_sec ||
             (log.st_mtim.tv_sec == st.st_mtim.tv_sec && log.st_mtim.tv_nsec > st.st_mtim.tv_nsec)))
            st.st_mtim = log.st_mtim;
        const int fd = lockFolder(folder);
        if (fd < 0)
            continue; // a live session's folder
        ::close(fd);
        const int64_t when = int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;
        if (when > newest) {
            newest = when;
            found = NormalizePath(document);
        }
    }
    ::closedir(dir);
    return found;
}

std::string RecoveredProjectPath(const std::string& document)
{
    pugi::xml_document doc;
    if (!LoadRecoveryDocument(document, doc))
        return {};
    const pugi::xml_node root = doc.document_element();
    const std::string dataRoot = dataRootOf(root, document);
    // The last one that still names the data root: a save that was under
    // way when the session died counts once its file is in place.
    std::string found;
    for (const pugi::xml_node& project : root.children(kRecoveryProject))
        if (!FilesNamedByProject(project.child_value(), dataRoot).empty())
            found = project.child_value();
    return found;
}

std::vector<std::string> FilesNamedByProject(const std::string& projectPath, const std::string& folder)
{
    std::vector<std::string> files;
    if (projectPath.empty())
        return files;
    pugi::xml_document doc;
    if (!doc.load_file(projectPath.c_str()))
        return files;
    const pugi::xml_node root = doc.document_element();
    if (dataRootOf(root, projectPath) != withoutTrailingSeparator(folder))
        return files;
    const std::string base = withoutTrailingSeparator(folder);
    for (const pugi::xml_node& track : root.children(project::kTrack)) {
        const std::string trackFolder = base + "/" + track.child_value(project::kFolder);
        for (const pugi::xml_node& segment : track.child(project::kTimeLine).children(project::kSegment))
            files.push_back(NormalizePath(trackFolder + "/" + segment.child_value(project::kPath)));
    }
    return files;
}

bool DiscardRecovery(const std::string& document)
{
    const std::string folder = withoutTrailingSeparator(folderOf(document));
    std::unique_ptr<CRecoveryJournal> journal = CRecoveryJournal::Take(folder);
    if (!journal)
        return false;
    pugi::xml_document doc;
    if (LoadRecoveryDocument(document, doc)) {
        const pugi::xml_node root = doc.document_element();
        const std::string dataRoot = dataRootOf(root, document);
        std::set<std::string> keep;
        for (const pugi::xml_node& project : root.children(kRecoveryProject)) {
            const std::vector<std::string> named = FilesNamedByProject(project.child_value(), dataRoot);
            keep.insert(named.begin(), named.end());
        }
        if (!dataRoot.empty()) {
            for (const pugi::xml_node& track : root.children(project::kTrack)) {
                const char* name = track.child_value(project::kFolder);
                if (!*name || std::strchr(name, '/'))
                    continue;
                sweepTrackFolder(dataRoot + "/" + name, track.attribute("own").as_uint(), keep);
            }
        }
        // A session that made its own data root owns every track folder in it,
        // hidden and deleted tracks' too.
        if (dataRoot == folder) {
            if (DIR* dir = ::opendir(folder.c_str())) {
                std::vector<std::string> tracks;
                while (const dirent* entry = ::readdir(dir))
                    if (std::strncmp(entry->d_name, "Track", 5) == 0)
                        tracks.push_back(folder + "/" + entry->d_name);
                ::closedir(dir);
                for (const std::string& track : tracks)
                    sweepTrackFolder(track, 0, keep);
            }
        }
    }
    journal.reset(); // removes the document
    ::rmdir(folder.c_str());
    return true;
}

} // namespace kernel
