#include "project/project_writer.h"

#include "common/last_error.h"
#include "common/paths.h"
#include "common/progress.h"
#include "common/stop.h"
#include "project/project_document.h"
#include "project/project_files.h"
#include "session/edit_session.h"
#include "session/edit_transaction.h"
#include "store/segment_files.h"
#include "track/track.h"
#include "vorlain/peak_summary.h"
#include "vorlain/platform.h"

#include <pugixml.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>

namespace kernel {

namespace {

constexpr uint32_t kNoPath = 0x0120B002;
constexpr uint32_t kDocument = 0x0125B001;        // the document could not be built
constexpr uint32_t kDataFolder = 0x0190B001;      // the ".data" folder could not be created
constexpr uint32_t kTrackFolderName = 0x01C0B001; // the document cannot name a track's folder
constexpr uint32_t kTrackDataFolder = 0x01CCB001; // a track folder in ".data" could not be created
constexpr uint32_t kSegmentName = 0x0259B001;     // two segments of one track share a file name
constexpr uint32_t kCopyPath = 0x0268B001;        // a copy's destination does not fit a segment
constexpr uint32_t kCopy = 0x0271B001;            // a data file could not be copied
constexpr uint32_t kWrite = 0x02A2B001;           // the document could not be written
constexpr uint32_t kRename = 0x02B9B001;          // the document could not be put in place

std::string withoutTrailingSeparator(std::string path)
{
    path = NormalizePath(std::move(path));
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string()
                                      : withoutTrailingSeparator(path.substr(0, slash + 1));
}

// One file or folder, however the two paths spell it (a link on the way,
// a doubled separator).
bool samePlace(const std::string& a, const std::string& b)
{
    std::error_code ec;
    return NormalizePath(a) == NormalizePath(b) || std::filesystem::equivalent(a, b, ec);
}

std::string fieldText(const char* field, size_t size)
{
    return std::string(field, strnlen(field, size));
}

bool isAudio(const TrackSegment& s)
{
    return !(s.state & vorlain::kHeaderSegment);
}

class StringWriter : public pugi::xml_writer {
public:
    void write(const void* data, size_t size) override
    {
        text.append(static_cast<const char*>(data), size);
    }
    std::string text;
};

} // namespace

CProjectWriter::CProjectWriter(CEditSession& session, std::string path, bool copyData)
    : m_session(session), m_path(std::move(path)), m_copy(copyData)
{
}

bool CProjectWriter::Save()
{
    const bool copyRequested = m_copy; // a plain save may turn into a copying one
    const bool ok = save();
    m_session.m_savingProjectPath.clear();
    if (ok)
        keepNamedFiles();
    else
        removeCreated();
    // The progress dialog of a copying save waits for 100, whatever happened.
    if (copyRequested)
        PostFinalProgress();
    return ok;
}

bool CProjectWriter::placeTracks()
{
    std::set<std::string> folderNames;
    for (const auto& owned : m_session.m_tracks) {
        CTrack* track = owned.get();
        Place place{track, {}, m_dataFolder, false};
        const std::string own = track->m_trackFolder.empty()
                                    ? std::string()
                                    : withoutTrailingSeparator(track->m_trackFolder);
        place.folderName = FileNamePart(own);
        if (!place.folderName.empty())
            place.folder = JoinPath(m_dataFolder, place.folderName);
        place.inPlace = !own.empty() && samePlace(own, place.folder);
        m_places.push_back(place);

        const CTimeline* timeline = track->Timeline();
        if (timeline)
            m_total += timeline->GetCount();
        if (!track->m_present || !timeline)
            continue;
        // The document names a folder by its last part and each file by its
        // name: check that these names are enough to find every file again.
        std::set<std::string> fileNames;
        bool any = false;
        for (const TrackSegment& s : *timeline) {
            if (!isAudio(s))
                continue;
            any = true;
            const std::string path = NormalizePath(s.path);
            if (!fileNames.insert(FileNamePart(path)).second) {
                SetLastError(kSegmentName);
                return false;
            }
            if (!m_copy && folderOf(path) != own) {
                SetLastError(kTrackFolderName);
                return false;
            }
        }
        if (!any)
            continue;
        if (place.folderName.empty() || (!m_copy && !place.inPlace) ||
            !folderNames.insert(place.folderName).second) {
            SetLastError(kTrackFolderName);
            return false;
        }
    }
    return true;
}

bool CProjectWriter::makeFolder(const std::string& path)
{
    if (::mkdir(path.c_str(), 0755) == 0) {
        m_createdFolders.push_back(path);
        return true;
    }
    struct stat st {};
    return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Makes destination hold source's bytes. A new name is simply linked (a link
// appears whole or not at all); an existing file is replaced by a file put
// beside and renamed over it, so that a failure never leaves half a file
// under a name an older project may use.
bool CProjectWriter::placeFile(const std::string& source, const std::string& destination)
{
    if (::link(source.c_str(), destination.c_str()) == 0) {
        m_createdFiles.push_back(destination);
        return true;
    }
    const bool existed = errno == EEXIST;
    const std::string part = destination + project::kPartSuffix;
    RemoveFile(part);
    if (ShareFile(source, part) != ShareMethod::Failed &&
        std::rename(part.c_str(), destination.c_str()) == 0) {
        if (!existed)
            m_createdFiles.push_back(destination);
        return true;
    }
    RemoveFile(part);
    return false;
}

void CProjectWriter::removeCreated()
{
    for (auto it = m_createdFiles.rbegin(); it != m_createdFiles.rend(); ++it)
        RemoveFile(*it);
    for (auto it = m_createdFolders.rbegin(); it != m_createdFolders.rend(); ++it)
        ::rmdir(it->c_str()); // only when empty: never what was there before
    m_createdFiles.clear();
    m_createdFolders.clear();
}

bool CProjectWriter::copySegment(const std::string& source, const std::string& destination)
{
    // Data files never change, so on one file system the copy is a hard
    // link: the save costs neither room nor time and outlives the session.
    if (!placeFile(source, destination)) {
        SetLastError(kCopy);
        return false;
    }
    copySummary(source, destination);
    return true;
}

void CProjectWriter::copySummary(const std::string& source, const std::string& destination)
{
    // The peak summary goes along when there is one; the project does not
    // need it, so nothing fails without it.
    const std::string from = vorlain::PeakSummaryPath(source);
    const std::string to = vorlain::PeakSummaryPath(destination);
    const std::string folder = folderOf(to);
    if (folder != m_summaryFolder && makeFolder(folder))
        m_summaryFolder = folder;
    if (!placeFile(from, to))
        RemoveFile(to); // a stale one would not match its file anyway
}

bool CProjectWriter::writeDocument(const std::string& text)
{
    const std::string part = m_path + project::kPartSuffix;
    std::FILE* file = std::fopen(part.c_str(), "wb");
    if (!file) {
        SetLastError(kWrite);
        return false;
    }
    bool ok = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    ok = std::fflush(file) == 0 && ok;
    ok = ::fsync(fileno(file)) == 0 && ok;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        RemoveFile(part);
        SetLastError(kWrite);
        return false;
    }
    if (std::rename(part.c_str(), m_path.c_str()) != 0) {
        RemoveFile(part);
        SetLastError(kRename);
        return false;
    }
    return true;
}

bool CProjectWriter::save()
{
    if (m_path.empty()) {
        SetLastError(kNoPath);
        return false;
    }
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(m_path, ec);
    const std::string given = m_path;
    if (!ec)
        m_path = NormalizePath(absolute.string());
    // A plain save names the files where they are. When another project
    // already names them, each project's close would keep only its own
    // files and delete the other's: such a save gathers its files instead.
    if (!m_copy && !m_session.m_projectPath.empty()) {
        const std::filesystem::path owner = std::filesystem::absolute(m_session.m_projectPath, ec);
        if (ec || !samePlace(NormalizePath(owner.string()), m_path))
            m_copy = true;
    }
    m_dataFolder =
        m_copy ? m_path + project::kDataSuffix : withoutTrailingSeparator(m_session.m_tempFolder);
    if (!placeTracks())
        return false;

    using namespace project;
    pugi::xml_document doc;
    bool built = true;
    auto add = [&built](pugi::xml_node parent, const char* name) {
        pugi::xml_node node = parent.append_child(name);
        built = built && node;
        return node;
    };
    auto addText = [&](pugi::xml_node parent, const char* name, const std::string& text) {
        pugi::xml_node node = add(parent, name);
        built = built && node.text().set(text.c_str());
    };

    pugi::xml_node pi = doc.append_child(pugi::node_pi);
    built = pi && pi.set_name("xml") && pi.set_value("version='1.0'");
    pugi::xml_node root = add(doc, kRoot);
    addText(root, kTmpPath, m_copy ? FileNamePart(m_path) + kDataSuffix : m_session.m_tempFolder);
    if (m_copy && !makeFolder(m_dataFolder)) {
        SetLastError(kDataFolder);
        return false;
    }
    for (size_t i = 0; i < m_places.size(); ++i) {
        const Place& place = m_places[i];
        const CTrack& track = *place.track;
        if (!track.m_present)
            continue;
        pugi::xml_node node = add(root, kTrack);
        built =
            built && node.append_attribute(kTrackId).set_value(static_cast<unsigned long long>(i));
        addText(node, kFolder, place.folderName);
        if (m_copy && !place.folderName.empty() && !makeFolder(place.folder)) {
            SetLastError(kTrackDataFolder);
            return false;
        }

        pugi::xml_node info = add(node, kBaseInfo);
        char name[vorlain::kPathChars];
        VorlainCopyTextCut(name, sizeof name, track.m_name.c_str());
        addText(info, kName, name);
        // Where the written audio ends: the length a reader checks the
        // segments against (a recorded track counts its length apart).
        addText(info, kTime, std::to_string(track.Timeline() ? track.Timeline()->EndTime() : 0));
        addText(info, kSample, std::to_string(track.m_sampleRate));
        addText(info, kChannel, std::to_string(track.m_channels));
        addText(info, kBitPerSample, std::to_string(track.m_bytesPerSample));

        const TagInfo& tag = track.m_tag;
        pugi::xml_node tags = add(node, kTag);
        addText(tags, kTitle, fieldText(tag.title, sizeof tag.title));
        addText(tags, kArtist, fieldText(tag.artist, sizeof tag.artist));
        addText(tags, kAlbum, fieldText(tag.album, sizeof tag.album));
        addText(tags, kGenre, fieldText(tag.genre, sizeof tag.genre));
        addText(tags, kYear, fieldText(tag.year, sizeof tag.year));
        addText(tags, kComment, fieldText(tag.comment, sizeof tag.comment));

        pugi::xml_node timeline = add(node, kTimeLine);
        if (!track.Timeline())
            continue;
        for (const TrackSegment& s : *track.Timeline()) {
            if (!isAudio(s))
                continue;
            const std::string file = FileNamePart(NormalizePath(s.path));
            pugi::xml_node segment = add(timeline, kSegment);
            addText(segment, kTimeFrom, std::to_string(s.start));
            addText(segment, kTimeTo, std::to_string(s.end));
            addText(segment, kPath, file);
            if (!m_copy)
                continue;
            const std::string destination = JoinPath(place.folder, file);
            if (!FitsPathField(destination)) {
                SetLastError(kCopyPath);
                return false;
            }
            if (StopRequested())
                return false;
            if (!samePlace(destination, s.path) && !copySegment(s.path, destination))
                return false;
            ++m_written;
            PostProgress(static_cast<unsigned>(std::min<int64_t>(m_written * 100 / m_total, 99)));
        }
    }
    if (!built) {
        SetLastError(kDocument);
        return false;
    }
    StringWriter out;
    doc.save(out, "\t", pugi::format_indent | pugi::format_no_declaration, pugi::encoding_utf8);
    // The recovery document names the project before it is in place: a
    // session that dies from here on keeps the files either project names.
    m_session.m_savingProjectPath = m_path;
    if (CEditTransaction* txn = CEditTransaction::Current(); txn && !txn->Journal())
        return false;
    if (!writeDocument(out.text))
        return false;
    m_path = given;
    return true;
}

void CProjectWriter::keepNamedFiles()
{
    m_session.m_projectPath = m_path;
    // A track whose folder is the one the document names keeps exactly the
    // files of its current timeline; a deleted one keeps none. Tracks whose
    // files were copied elsewhere keep what they kept before.
    for (const Place& place : m_places)
        if (place.inPlace)
            SetProjectFiles(*place.track, place.track->m_present
                                              ? NamedSegments(place.track->Timeline())
                                              : nullptr);
}

} // namespace kernel
