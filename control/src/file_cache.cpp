#include "file_cache.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace brimsel {

CFileCache::~CFileCache()
{
    for (auto& [path, fd] : m_open)
        ::close(fd);
}

int CFileCache::Open(const std::string& path)
{
    for (auto it = m_open.begin(); it != m_open.end(); ++it) {
        if (it->first == path) {
            m_open.splice(m_open.begin(), m_open, it);
            return it->second;
        }
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    m_open.emplace_front(path, fd);
    if (m_open.size() > kKeep) {
        ::close(m_open.back().second);
        m_open.pop_back();
    }
    return fd;
}

CFolderHandle::~CFolderHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int CFolderHandle::At(const std::string& path, const char** name)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) {
        *name = path.c_str();
        return AT_FDCWD;
    }
    if (m_fd < 0 || m_folder.size() != slash || path.compare(0, slash, m_folder) != 0) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_folder.assign(path, 0, slash);
        m_fd = ::open(m_folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
    if (m_fd < 0) {
        *name = path.c_str();
        return AT_FDCWD;
    }
    *name = path.c_str() + slash + 1;
    return m_fd;
}

ssize_t PreadFull(int fd, uint8_t* buffer, size_t size, off_t offset)
{
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd, buffer + done, size - done, offset + static_cast<off_t>(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(done);
}

} // namespace brimsel
