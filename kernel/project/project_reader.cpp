#include "project/project_reader.h"

#include "common/last_error.h"
#include "common/paths.h"
#include "common/stop.h"
#include "project/project_document.h"
#include "project/project_files.h"
#include "session/edit_session.h"
#include "session/edit_transaction.h"
#include "session/recovery_journal.h"
#include "track/track.h"
#include "vorlain/platform.h"

#include <pugixml.hpp>

#include <strings.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <set>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace kernel {

namespace {

namespace fs = std::filesystem;

constexpr uint32_t kNoPath = 0x02AAB002;
constexpr uint32_t kLoad = 0x02CAB002;
constexpr uint32_t kNoRoot = 0x02D6B002;
constexpr uint32_t kWrongRoot = 0x02DEB002;
constexpr uint32_t kNoTmpPath = 0x02E5B002;
constexpr uint32_t kNoTracks = 0x02F4B001;
constexpr uint32_t kMalformed = 0x0300B002;     // an element missing, a bad number, times with gaps
constexpr uint32_t kUnsafeName = 0x0308B002;    // a Folder or Path that is not a plain name
constexpr uint32_t kDuplicate = 0x030CB002;     // a folder or a data file claimed twice
constexpr uint32_t kForeignFolder = 0x0310B002; // a track folder that holds more than data files
constexpr uint32_t kMissingDataFile = 0x031AB004;
constexpr uint32_t kRecoveryTaken =
    0x0320B002; // a live session holds the recovery document's folder

// The longest time a project may give: byte offsets of it stay far inside
// 64 bits at every sample rate the kernel accepts.
constexpr int64_t kMaxTime = int64_t(1) << 40;
constexpr int64_t kMaxRate = 1'000'000;
// Data file numbers leave room below the 32-bit counter the track keeps.
constexpr uint32_t kMaxFileNumber = 0x7FFFFFFF;

struct TrackPlan {
    std::string name;
    int64_t length = 0;
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    uint32_t bytesPerSample = 0;
    TagInfo tag{};
    std::string folder; // empty for a track without segments
    std::vector<TrackSegment> segments;
    uint32_t nextFileNumber = 0;
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// A decimal number of 0 up to max, with white space around it allowed. Signs
// are not: no value of a project is negative.
bool parseNumber(const char* text, int64_t max, int64_t& value)
{
    const char* begin = text;
    const char* end = text + std::strlen(text);
    while (begin < end && isSpace(*begin))
        ++begin;
    while (end > begin && isSpace(end[-1]))
        --end;
    if (begin == end || !std::all_of(begin, end, [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    auto [stop, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && stop == end && value <= max;
}

// "<digits>.dat": the names the kernel gives data files.
bool dataFileNumber(const std::string& name, uint32_t& number)
{
    const size_t dot = name.size() >= 5 ? name.size() - 4 : 0;
    if (dot == 0 || dot > 10 || name.compare(dot, std::string::npos, ".dat") != 0)
        return false;
    int64_t value = 0;
    if (!parseNumber(name.substr(0, dot).c_str(), kMaxFileNumber, value) ||
        !std::all_of(name.begin(), name.begin() + dot, [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    number = static_cast<uint32_t>(value);
    return true;
}

// A data file a save was copying when it was interrupted.
bool isPartLeftover(const std::string& name)
{
    const std::string suffix = project::kPartSuffix;
    uint32_t number = 0;
    return name.size() > suffix.size() &&
           name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0 &&
           dataFileNumber(name.substr(0, name.size() - suffix.size()), number);
}

// One folder name: nothing that climbs out of or names another folder.
bool isPlainName(const std::string& name)
{
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
}

std::string withoutTrailingSeparator(std::string path)
{
    path = NormalizePath(std::move(path));
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The key under which a folder is claimed: one folder, one key, however the
// path to it is spelled.
std::string folderKey(const std::string& folder)
{
    std::error_code ec;
    fs::path canonical = fs::canonical(folder, ec);
    return ec ? withoutTrailingSeparator(folder) : canonical.string();
}

// Checks a track folder: a real folder (not a link) that holds nothing but
// data files and sub-folders, since the track deletes the data files its
// project does not name. Collects the data file names and the highest number.
uint32_t inspectFolder(const std::string& folder, std::unordered_set<std::string>& files,
                       uint32_t& highest)
{
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(folder, ec);
    if (!fs::exists(status))
        return kMissingDataFile;
    if (!fs::is_directory(status))
        return kForeignFolder;
    fs::directory_iterator it(folder, ec);
    if (ec)
        return kMissingDataFile;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        const std::string name = it->path().filename().string();
        // The entry's type as the folder listing gave it: no call per file
        // (a 10-hour track has 7,200). A link is foreign whatever it names.
        const bool link = it->is_symlink(ec);
        if (ec)
            return kMissingDataFile;
        if (link)
            return kForeignFolder;
        const bool folderEntry = it->is_directory(ec);
        const bool regular = !folderEntry && !ec && it->is_regular_file(ec);
        if (ec)
            return kMissingDataFile;
        if (folderEntry)
            continue;
        uint32_t number = 0;
        if (!regular)
            return kForeignFolder;
        if (dataFileNumber(name, number)) {
            files.insert(name);
            highest = std::max(highest, number);
        } else if (!isPartLeftover(name)) {
            return kForeignFolder;
        }
    }
    return ec ? kMissingDataFile : 0;
}

// The element's text, or null when the element is missing.
const char* textOf(const pugi::xml_node& parent, const char* name)
{
    const pugi::xml_node node = parent.child(name);
    return node ? node.child_value() : nullptr;
}

uint32_t readTrack(const pugi::xml_node& node, const std::string& tempFolder,
                   std::set<std::string>& claimed, TrackPlan& plan)
{
    using namespace project;
    const pugi::xml_node info = node.child(kBaseInfo);
    const pugi::xml_node tags = node.child(kTag);
    const pugi::xml_node timeline = node.child(kTimeLine);
    const char* folderText = textOf(node, kFolder);
    if (!info || !tags || !timeline || !folderText)
        return kMalformed;

    const char* name = textOf(info, kName);
    const char* time = textOf(info, kTime);
    const char* rate = textOf(info, kSample);
    const char* channels = textOf(info, kChannel);
    const char* bytes = textOf(info, kBitPerSample);
    if (!name || !time || !rate || !channels || !bytes)
        return kMalformed;
    int64_t length = 0, sampleRate = 0, channelCount = 0, bytesPerSample = 0;
    // Only what the kernel can hold: 16-bit mono or stereo at a real rate.
    if (!parseNumber(time, kMaxTime, length) || !parseNumber(rate, kMaxRate, sampleRate) ||
        sampleRate == 0 || !parseNumber(channels, 2, channelCount) || channelCount == 0 ||
        !parseNumber(bytes, 2, bytesPerSample) || bytesPerSample != 2)
        return kMalformed;
    char cutName[vorlain::kPathChars];
    VorlainCopyTextCut(cutName, sizeof cutName, name);
    plan.name = cutName;
    plan.length = length;
    plan.sampleRate = static_cast<uint32_t>(sampleRate);
    plan.channels = static_cast<uint32_t>(channelCount);
    plan.bytesPerSample = static_cast<uint32_t>(bytesPerSample);

    struct Field {
        const char* element;
        char* field;
        size_t size;
    };
    TagInfo& tag = plan.tag;
    const Field fields[] = {
        {kTitle, tag.title, sizeof tag.title}, {kArtist, tag.artist, sizeof tag.artist},
        {kAlbum, tag.album, sizeof tag.album}, {kGenre, tag.genre, sizeof tag.genre},
        {kYear, tag.year, sizeof tag.year},    {kComment, tag.comment, sizeof tag.comment}};
    for (const Field& f : fields) {
        const char* text = textOf(tags, f.element);
        if (!text)
            return kMalformed;
        VorlainCopyTextCut(f.field, f.size, text);
    }

    // A 10-hour track names 7,200 files: looked up by hash, the names
    // themselves left in the parsed document.
    const auto children = timeline.children(kSegment);
    const auto segmentCount = static_cast<size_t>(std::distance(children.begin(), children.end()));
    std::vector<std::string_view> names;
    std::unordered_set<std::string_view> named;
    names.reserve(segmentCount);
    named.reserve(segmentCount);
    plan.segments.reserve(segmentCount);
    uint32_t highest = 0;
    int64_t position = 0;
    for (const pugi::xml_node& segment : timeline.children(kSegment)) {
        const char* fromText = textOf(segment, kTimeFrom);
        const char* toText = textOf(segment, kTimeTo);
        const char* pathText = textOf(segment, kPath);
        if (!fromText || !toText || !pathText)
            return kMalformed;
        int64_t from = 0, to = 0;
        if (!parseNumber(fromText, kMaxTime, from) || !parseNumber(toText, kMaxTime, to))
            return kMalformed;
        TrackSegment s{};
        // The two shapes a header segment leaves in a document.
        const bool header = (from == 0 && to == 1) || (to == 0 && from != 0);
        s.state = header ? vorlain::kHeaderSegment : vorlain::kAudioSegment;
        s.start = from;
        s.end = to;
        if (!header) {
            if (from != position || to < from)
                return kMalformed; // audio segments follow each other without gaps
            position = to;
        }
        uint32_t number = 0;
        if (!dataFileNumber(pathText, number))
            return kUnsafeName;
        if (!named.insert(std::string_view(pathText)).second)
            return kDuplicate;
        highest = std::max(highest, number);
        names.push_back(pathText);
        plan.segments.push_back(s);
    }
    if (position != length)
        return kMalformed; // the length must be where the audio ends

    const std::string folderName = folderText;
    if (!folderName.empty() && !isPlainName(folderName))
        return kUnsafeName;
    if (plan.segments.empty())
        return 0; // a blank track claims no folder: its first edit makes one
    if (folderName.empty())
        return kUnsafeName;
    const std::string folder = JoinPath(tempFolder, folderName);
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string path = JoinPath(folder, std::string(names[i]));
        if (!FitsPathField(path))
            return kMalformed;
        std::snprintf(plan.segments[i].path, sizeof plan.segments[i].path, "%s", path.c_str());
    }
    std::unordered_set<std::string> present;
    uint32_t highestPresent = 0;
    if (const uint32_t code = inspectFolder(folder, present, highestPresent))
        return code;
    for (const std::string_view file : names)
        if (!present.count(std::string(file)))
            return kMissingDataFile;
    if (!claimed.insert(folderKey(folder)).second)
        return kDuplicate;
    plan.folder = folder;
    // New data files never reuse a number of a file in the folder.
    plan.nextFileNumber = std::max(highest, highestPresent) + 1;
    return 0;
}

std::unique_ptr<CTrack> makeTrack(TrackPlan& plan, uint32_t trackId, const std::string& tempFolder)
{
    auto track = std::make_unique<CTrack>(plan.name, trackId, tempFolder);
    track->m_sampleRate = plan.sampleRate;
    track->m_channels = plan.channels;
    track->m_bytesPerSample = plan.bytesPerSample;
    track->m_tag = plan.tag;
    track->m_loaded = 1;
    if (plan.segments.empty())
        return track; // blank, like a new track: an empty timeline would refuse every edit
    auto timeline = std::make_unique<CTimeline>();
    timeline->Reserve(plan.segments.size());
    for (const TrackSegment& s : plan.segments)
        timeline->Append(s);
    // The track keeps the files the document names: a copy of what it read.
    SetProjectFiles(*track, std::make_unique<CTimeline>(*timeline));
    track->m_trackFolder = plan.folder;
    track->m_nextFileNumber = plan.nextFileNumber;
    track->m_length = plan.length;
    track->m_timeline = timeline.release();
    return track;
}

} // namespace

CProjectReader::CProjectReader(CEditSession& session) : m_session(session) {}

bool CProjectReader::Open(const std::string& path)
{
    auto fail = [](uint32_t code) {
        SetLastError(code);
        return false;
    };
    if (path.empty())
        return fail(kNoPath);
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    if (ec)
        return fail(kLoad);

    pugi::xml_document doc;
    // Line ends stay as written: a name or a tag keeps its carriage returns.
    if (!LoadRecoveryDocument(absolute.string(), doc, pugi::parse_default & ~pugi::parse_eol))
        return fail(kLoad);
    const pugi::xml_node root = doc.document_element();
    if (!root)
        return fail(kNoRoot);
    if (::strcasecmp(root.name(), project::kRoot) != 0)
        return fail(kWrongRoot);
    const char* tmpPath = textOf(root, project::kTmpPath);
    if (!tmpPath)
        return fail(kNoTmpPath);
    // An absolute folder, or one named relative to the project file's folder.
    const std::string tempFolder = withoutTrailingSeparator(
        tmpPath[0] == '/' ? std::string(tmpPath) : absolute.parent_path().string() + "/" + tmpPath);
    if (!root.child(project::kTrack))
        return fail(kNoTracks);

    std::set<std::string> claimed;
    for (const auto& track : m_session.m_tracks)
        if (!track->m_trackFolder.empty())
            claimed.insert(folderKey(track->m_trackFolder));
    std::vector<TrackPlan> plans;
    std::vector<uint32_t> own; // a recovery document's first numbers of the dead session
    for (const pugi::xml_node& node : root.children(project::kTrack)) {
        if (StopRequested())
            return false; // nothing of the project has joined the session yet
        plans.emplace_back();
        if (const uint32_t code = readTrack(node, tempFolder, claimed, plans.back()))
            return fail(code);
        own.push_back(node.attribute("own").as_uint());
    }

    // A recovery document: the session takes over the dead session's locked
    // folder, and with it the duty to remove what no project names.
    const bool recovery = root.child(kRecoveryProject) != nullptr;
    std::unique_ptr<CRecoveryJournal> adopted;
    std::string projectPath = path;
    if (recovery) {
        const std::string folder = absolute.parent_path().string();
        adopted = CRecoveryJournal::Take(folder);
        if (!adopted)
            return fail(kRecoveryTaken);
        projectPath = RecoveredProjectPath(absolute.string());
    }

    if (StopRequested())
        return false;
    const size_t first = m_session.m_tracks.size();
    const std::string oldFolder = m_session.m_tempFolder, oldProject = m_session.m_projectPath;
    for (TrackPlan& plan : plans)
        m_session.AppendTrack(makeTrack(plan, m_session.TrackCount() + 1, tempFolder));
    m_session.m_tempFolder = tempFolder;
    m_session.m_projectPath = projectPath;
    m_session.m_recoveredProjectPath = recovery ? root.child_value(kRecoveryProject) : "";
    if (recovery) {
        const std::string folder = adopted->Folder();
        m_session.AdoptJournal(std::move(adopted),
                               NormalizePath(tempFolder) == NormalizePath(folder));
    }
    // The tracks keep every file they read until the document is written:
    // a failed open must not delete what it was opening.
    CEditTransaction* txn = CEditTransaction::Current();
    if (txn && !txn->Journal()) {
        if (recovery)
            m_session.ReleaseJournal();
        while (m_session.m_tracks.size() > first)
            m_session.PopTrack();
        m_session.m_tempFolder = oldFolder;
        m_session.m_projectPath = oldProject;
        m_session.m_recoveredProjectPath.clear();
        return false;
    }
    if (recovery) {
        // Of what it read, a recovered track keeps at close only what a saved
        // project still names; the rest was the dead session's own work.
        const std::vector<std::string> named = FilesNamedByProject(projectPath, tempFolder);
        const std::set<std::string> keep(named.begin(), named.end());
        for (size_t i = first; i < m_session.m_tracks.size(); ++i) {
            CTrack& track = *m_session.m_tracks[i];
            track.m_firstOwnFileNumber = own[i - first];
            auto files = std::make_unique<CTimeline>();
            if (track.Timeline())
                for (const TrackSegment& s : *track.Timeline())
                    if (keep.count(NormalizePath(s.path)))
                        files->Append(s);
            SetProjectFiles(track, files->GetCount() ? std::move(files) : nullptr);
        }
    } else {
        for (size_t i = first; i < m_session.m_tracks.size(); ++i)
            m_session.m_tracks[i]->m_firstOwnFileNumber = m_session.m_tracks[i]->m_nextFileNumber;
    }
    return true;
}

} // namespace kernel
