// Reading a recovery: its document with the whole batches of its log
// applied, as one document the project reader opens.
#include "session/recovery_journal.h"

#include "common/paths.h"
#include "project/project_document.h"
#include "session/recovery_document.h"
#include "vorlain/timeline.h"

#include <pugixml.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>

namespace kernel {

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
        for (size_t i = 0; i < kTrackTagElements.size(); ++i)
            t.tag[i] = tag.child_value(kTrackTagElements[i]);
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
    const std::string log = readWholeFile(FolderOf(path) + "/" + kRecoveryLogName);
    LogReader in(log.data(), log.size());
    uint64_t epoch = 0;
    if (!in.Word(kRecoveryLogMagic) || !in.Number(epoch) || epoch != journal.as_ullong())
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
    Element(out, "\t", project::kTmpPath, session.temp.c_str(), session.temp.size());
    for (const std::string& project : session.projects)
        Element(out, "\t", kRecoveryProject, project.c_str(), project.size());
    for (const auto& [position, track] : session.tracks) {
        if (!track.track.present)
            continue;
        auto it = session.versions.find(track.version);
        const CTimeline* timeline = it == session.versions.end() ? nullptr : it->second.get();
        WriteTrack(out, position, track.track, timeline, 0);
    }
    out += "</AudioProject>\n";
    return doc.load_buffer(out.data(), out.size(), options);
}

} // namespace kernel
