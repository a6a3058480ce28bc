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

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
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

void writeTrack(std::string& out, size_t index, const CTrack& track, const CTimeline* timeline)
{
    using namespace project;
    out += "\t<";
    out += kTrack;
    out += " id=\"";
    appendNumber(out, static_cast<int64_t>(index));
    // The first data file number this session may have written into the
    // folder: what a discarded recovery may remove.
    out += "\" own=\"";
    appendNumber(out, track.m_firstOwnFileNumber);
    out += "\">\n";
    const std::string folder = track.m_trackFolder.empty() ? std::string() : folderName(track.m_trackFolder);
    element(out, "\t\t", kFolder, folder.c_str(), folder.size());
    out += "\t\t<BaseInfo>\n";
    element(out, "\t\t\t", kName, track.m_name.c_str(), std::min<size_t>(track.m_name.size(), 259));
    element(out, "\t\t\t", kTime, timeline ? timeline->EndTime() : 0);
    element(out, "\t\t\t", kSample, track.m_sampleRate);
    element(out, "\t\t\t", kChannel, track.m_channels);
    element(out, "\t\t\t", kBitPerSample, track.m_bytesPerSample);
    out += "\t\t</BaseInfo>\n\t\t<TAG>\n";
    const TagInfo& tag = track.m_tag;
    element(out, "\t\t\t", kTitle, tag.title, sizeof tag.title);
    element(out, "\t\t\t", kArtist, tag.artist, sizeof tag.artist);
    element(out, "\t\t\t", kAlbum, tag.album, sizeof tag.album);
    element(out, "\t\t\t", kGenre, tag.genre, sizeof tag.genre);
    element(out, "\t\t\t", kYear, tag.year, sizeof tag.year);
    element(out, "\t\t\t", kComment, tag.comment, sizeof tag.comment);
    out += "\t\t</TAG>\n\t\t<TimeLine>\n";
    if (timeline) {
        for (const TrackSegment& s : *timeline) {
            if (s.state & vorlain::kHeaderSegment)
                continue;
            out += "\t\t\t<Segment><TimeFrom>";
            appendNumber(out, s.start);
            out += "</TimeFrom><TimeTo>";
            appendNumber(out, s.end);
            out += "</TimeTo><Path>";
            const char* slash = std::strrchr(s.path, '/');
            const char* name = slash ? slash + 1 : s.path;
            appendEscaped(out, name, std::strlen(name));
            out += "</Path></Segment>\n";
        }
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
    if (!m_keepDocument)
        RemoveFile(DocumentPath());
    RemoveFile(DocumentPath() + project::kPartSuffix);
    ::close(m_fd); // the lock goes with the descriptor
}

std::string CRecoveryJournal::DocumentPath() const { return m_folder + "/" + kRecoveryName; }

bool CRecoveryJournal::Write(const CEditSession& session, const JournalChange& change)
{
    using namespace project;
    std::string& out = m_text;
    out.clear();
    out += "<?xml version='1.0'?>\n<AudioProject>\n";
    element(out, "\t", kTmpPath, session.m_tempFolder.c_str(), session.m_tempFolder.size());
    // Every project that may name files of the data root: the last one
    // saved or opened, and the one a save in progress is writing.
    element(out, "\t", kRecoveryProject, session.m_projectPath.c_str(), session.m_projectPath.size());
    if (!session.m_savingProjectPath.empty() && session.m_savingProjectPath != session.m_projectPath)
        element(out, "\t", kRecoveryProject, session.m_savingProjectPath.c_str(),
                session.m_savingProjectPath.size());
    size_t index = 0;
    auto track = [&](const CTrack& t) {
        if (t.m_present)
            writeTrack(out, index, t, &t == change.track ? change.timeline : t.Timeline());
        ++index;
    };
    for (const auto& t : session.m_tracks)
        track(*t);
    for (const CTrack* t : change.added)
        track(*t);
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
    if (ok && std::rename(part.c_str(), path.c_str()) == 0)
        return true;
    const int why = errno ? errno : saved;
    RemoveFile(part);
    errno = why;
    return false;
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
    if (!doc.load_file(document.c_str()))
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
    if (doc.load_file(document.c_str())) {
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
