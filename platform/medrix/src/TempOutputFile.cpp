// Unique temporary output beside the target, renamed into place on success.
#include "TempOutputFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace medrix {

namespace {
std::atomic<unsigned> g_counter{0};
}

TempOutputFile::TempOutputFile(const std::string& target) : m_target(target)
{
    // O_EXCL with a pid-and-counter name: parallel conversions (even in
    // several processes) never share a temporary file. 0666 lets the umask
    // decide the final permissions, as for any newly created file.
    // A short hidden name in the target's folder: the rename stays on one file
    // system, and a target name near the length limit still leaves room.
    size_t slash = target.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = folder + ".medrix-" + std::to_string(getpid()) + "-" +
                                std::to_string(g_counter.fetch_add(1)) + ".part";
        int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            m_path = candidate;
            return;
        }
        if (errno != EEXIST)
            return;
    }
}

TempOutputFile::~TempOutputFile()
{
    if (!m_path.empty() && !m_committed)
        ::unlink(m_path.c_str());
}

bool TempOutputFile::commit()
{
    if (m_path.empty() || m_committed)
        return m_committed;
    m_committed = ::rename(m_path.c_str(), m_target.c_str()) == 0;
    return m_committed;
}

} // namespace medrix
