// What a row knows of its track's data files: their identities (size, time,
// inode), each looked up once. Data files never change once written, so a
// redraw after an edit looks up only the files the edit made instead of the
// thousands of a long track; a file that goes away is noticed through the
// file system's notices on the folders, and looked up (and missed) again.
#pragma once

#include "summary_store.h"

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class CTimeline;

namespace brimsel {

class CFileCatalog {
public:
    CFileCatalog();
    ~CFileCatalog();
    CFileCatalog(const CFileCatalog&) = delete;
    CFileCatalog& operator=(const CFileCatalog&) = delete;

    /** The identity of each file, in order, up to the first that is not a
     *  regular file (the track ends there). */
    FileList Resolve(const std::vector<std::string>& files, int channels);
    /** The same for the audio data files of a timeline (header segments left
     *  out), read without copying a path that is known already. */
    FileList Resolve(const CTimeline& timeline, int channels);

private:
    /** Forgets the files the notices name as removed or replaced. */
    void DrainNotices();
    void Watch(const std::string& folder);
    /** Looks up many new files at once (a long track's first look), half of
     *  them on a second thread; fewer are left to Find. */
    void Prefetch(const std::vector<std::string>& paths, int channels);
    /** The known identity of path, or a new one looked up; null when the
     *  file is not there. */
    std::shared_ptr<const FileIdentity> Find(const std::string& path, int channels);

    int m_notify = -1;
    std::unordered_map<std::string, std::shared_ptr<const FileIdentity>> m_known;
    std::unordered_map<int, std::string> m_folders; // watch -> folder
    std::unordered_set<std::string> m_watched;
};

} // namespace brimsel
