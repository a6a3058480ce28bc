// The open data files of one peak build, and whole reads from them.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <utility>

namespace brimsel {

/** The open files of one build, the most recent few kept open: the edges of
 *  neighbouring columns often fall into the same file. */
class CFileCache {
public:
    ~CFileCache();

    /** A descriptor of path, -1 when it cannot be opened. */
    int Open(const std::string& path);

private:
    static constexpr size_t kKeep = 16;
    std::list<std::pair<std::string, int>> m_open;
};

/** The folder of the last path asked for, held open: looking up the next
 *  file of the same folder through it walks one name instead of the whole
 *  path, when a long track's thousands of files, all in one folder, are
 *  looked up in a row. One per thread. */
class CFolderHandle {
public:
    CFolderHandle() = default;
    ~CFolderHandle();
    CFolderHandle(const CFolderHandle&) = delete;
    CFolderHandle& operator=(const CFolderHandle&) = delete;

    /** The descriptor to look path up at (for the *at calls) and, in name,
     *  what to look up there: path's folder and its last part, or AT_FDCWD
     *  and the whole path when the folder cannot be opened. name points
     *  into path. */
    int At(const std::string& path, const char** name);

private:
    std::string m_folder;
    int m_fd = -1;
};

/** Reads size bytes at offset, retrying short reads and interruptions.
 *  @returns the bytes read: fewer at the end of the file or on an error. */
ssize_t PreadFull(int fd, uint8_t* buffer, size_t size, off_t offset);

} // namespace brimsel
