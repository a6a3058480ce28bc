#include "store/block_io.h"

#include "common/last_error.h"
#include "common/paths.h"
#include "common/stop.h"
#include "vorlain/platform.h"

#include <fcntl.h>
#include <unistd.h>

namespace kernel {

namespace {
constexpr size_t kStreamBuffer = 256 * 1024;
} // namespace

CBlockReader& CBlockReader::Instance()
{
    static CBlockReader reader;
    return reader;
}

void CBlockReader::Close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_path.clear();
}

bool CBlockReader::Read(const std::string& path, uint8_t* buffer, uint32_t& count, int64_t seek,
                        int origin, size_t size)
{
    // Every long call reads its audio through here: a stop ends the call's
    // loop as a failed read would.
    if (StopRequested()) {
        Close();
        return false;
    }
    count = 0;
    if (!buffer)
        return false;
    std::string wanted = NormalizePath(path);
    if (m_file && wanted != m_path) {
        VorlainOutputDebugString("======difference======");
        VorlainOutputDebugString("%s", m_path.c_str());
        VorlainOutputDebugString("%s", wanted.c_str());
        VorlainOutputDebugString("======difference======");
        Close();
    }
    if (!m_file) {
        m_file = std::fopen(wanted.c_str(), "rb");
        if (!m_file) {
            NoteReadFailure(errno);
            return false;
        }
        // The caller takes 1024 bytes at a time; the file is read in larger
        // pieces underneath, a data file in a few reads.
        std::setvbuf(m_file, nullptr, _IOFBF, kStreamBuffer);
        m_path = wanted;
    }
    if (seek >= 0 && fseeko(m_file, static_cast<off_t>(seek), origin) != 0) {
        Close();
        return false;
    }
    size_t got = std::fread(buffer, 1, size, m_file);
    if (got < size) {
        bool failed = std::ferror(m_file);
        Close();
        if (failed)
            return false;
    }
    count = static_cast<uint32_t>(got);
    return true;
}

CBlockWriter& CBlockWriter::Instance()
{
    static CBlockWriter writer;
    return writer;
}

void CBlockWriter::Close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
    m_path.clear();
}

bool CBlockWriter::Write(const std::string& path, const void* buffer, size_t length, bool close,
                         int64_t seek, int origin)
{
    std::string wanted = NormalizePath(path);
    if (m_file && wanted != m_path)
        Close();
    if (!m_file) {
        int fd = ::open(wanted.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            NoteWriteFailure(errno);
            return false;
        }
        m_file = fdopen(fd, "r+b");
        if (!m_file) {
            ::close(fd);
            return false;
        }
        std::setvbuf(m_file, nullptr, _IOFBF, kStreamBuffer);
        m_path = wanted;
    }
    bool ok = true;
    if (seek >= 0 && fseeko(m_file, static_cast<off_t>(seek), origin) != 0)
        ok = false;
    if (ok && buffer && length > 0)
        ok = std::fwrite(buffer, 1, length, m_file) == length;
    if (close) {
        ok = std::fclose(m_file) == 0 && ok;
        m_file = nullptr;
        m_path.clear();
    } else if (!ok) {
        Close();
    }
    if (!ok)
        NoteWriteFailure(errno);
    return ok;
}

} // namespace kernel
