// Sessions whose process died: finding the newest one's recovery, the
// project it belonged to, and removing what it left when the user declines.
#include "session/recovery_journal.h"

#include "common/paths.h"
#include "project/project_document.h"
#include "session/recovery_document.h"
#include "store/peak_summary_writer.h"
#include "store/segment_files.h"

#include <pugixml.hpp>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <climits>
#include <cstring>
#include <set>

namespace kernel {

namespace {

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

// A track folder is a child of the data root: a damaged document's "." or
// ".." would sweep the data root itself or the folder above it.
bool isTrackFolderName(const char* name)
{
    return *name && !std::strchr(name, '/') && std::strcmp(name, ".") != 0 &&
           std::strcmp(name, "..") != 0;
}

} // namespace

std::string FindOrphanedRecovery(const std::string& tempBase)
{
    DIR* dir = ::opendir(tempBase.empty() ? "." : tempBase.c_str());
    if (!dir)
        return {};
    std::string found;
    int64_t newest = INT64_MIN;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strncmp(entry->d_name, kSessionFolderPrefix, std::strlen(kSessionFolderPrefix)) != 0)
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
        const int fd = LockSessionFolder(folder);
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
    const std::string dataRoot = DataRootOf(root, document);
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
    if (DataRootOf(root, projectPath) != WithoutTrailingSeparator(folder))
        return files;
    const std::string base = WithoutTrailingSeparator(folder);
    for (const pugi::xml_node& track : root.children(project::kTrack)) {
        const std::string trackFolder = base + "/" + track.child_value(project::kFolder);
        for (const pugi::xml_node& segment : track.child(project::kTimeLine).children(project::kSegment))
            files.push_back(NormalizePath(trackFolder + "/" + segment.child_value(project::kPath)));
    }
    return files;
}

bool DiscardRecovery(const std::string& document)
{
    const std::string folder = WithoutTrailingSeparator(FolderOf(document));
    std::unique_ptr<CRecoveryJournal> journal = CRecoveryJournal::Take(folder);
    if (!journal)
        return false;
    pugi::xml_document doc;
    if (LoadRecoveryDocument(document, doc)) {
        const pugi::xml_node root = doc.document_element();
        const std::string dataRoot = DataRootOf(root, document);
        std::set<std::string> keep;
        for (const pugi::xml_node& project : root.children(kRecoveryProject)) {
            const std::vector<std::string> named = FilesNamedByProject(project.child_value(), dataRoot);
            keep.insert(named.begin(), named.end());
        }
        if (!dataRoot.empty()) {
            for (const pugi::xml_node& track : root.children(project::kTrack)) {
                const char* name = track.child_value(project::kFolder);
                if (!isTrackFolderName(name))
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
