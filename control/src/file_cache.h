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

/** Reads size bytes at offset, retrying short reads and interruptions.
 *  @returns the bytes read: fewer at the end of the file or on an error. */
ssize_t PreadFull(int fd, uint8_t* buffer, size_t size, off_t offset);

} // namespace brimsel
