#include "store/segment_files.h"

#include "common/last_error.h"
#include "common/stop.h"
#include "vorlain/platform.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <cstdio>
#include <memory>
#include <vector>

namespace kernel {

namespace {
struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

File open(const std::string& path, const char* mode)
{
    return File(std::fopen(path.c_str(), mode));
}

// Applies the layout to one block; returns the bytes to write into out.
size_t layoutBlock(CopyLayout layout, const uint8_t* in, size_t n, uint8_t* out)
{
    switch (layout) {
    case CopyLayout::AsIs:
        std::copy(in, in + n, out);
        return n;
    case CopyLayout::LeftChannel: {
        size_t w = 0;
        for (size_t i = 0; i + 1 < n; i += 4) {
            out[w++] = in[i];
            out[w++] = in[i + 1];
        }
        return w;
    }
    case CopyLayout::MonoToStereo: {
        size_t w = 0;
        for (size_t i = 0; i + 1 < n; i += 2) {
            for (int twice = 0; twice < 2; ++twice) {
                out[w++] = in[i];
                out[w++] = in[i + 1];
            }
        }
        return w;
    }
    }
    return 0;
}
} // namespace

int64_t FileSize(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return -1;
    return static_cast<int64_t>(st.st_size);
}

int64_t FreeSpaceKiB(const std::string& path)
{
    return VorlainFreeSpaceKiB(path.c_str());
}

bool WriteWholeFile(const std::string& path, const void* buffer, size_t length)
{
    if (path.empty() || !buffer || length == 0)
        return false;
    File f = open(path, "wb");
    if (!f) {
        NoteWriteFailure(errno);
        return false;
    }
    bool ok = std::fwrite(buffer, 1, length, f.get()) == length;
    ok = std::fclose(f.release()) == 0 && ok;
    if (!ok)
        NoteWriteFailure(errno);
    return ok;
}

bool CopyRange(const std::string& source, const std::string& destination, int64_t begin,
               int64_t end, CopyLayout layout)
{
    int64_t size = FileSize(source);
    if (size < 0) {
        NoteReadFailure(errno);
        return false;
    }
    if (begin < 0 || begin > size)
        return false;
    File in = open(source, "rb");
    if (!in) {
        NoteReadFailure(errno);
        return false;
    }
    File out = open(destination, "wb");
    if (!out) {
        NoteWriteFailure(errno);
        return false;
    }
    if (fseeko(in.get(), static_cast<off_t>(begin), SEEK_SET) != 0)
        return false;
    int64_t remaining = (end < 0 || end > size ? size : end) - begin;
    uint8_t block[1024];
    uint8_t widened[2048];
    while (remaining > 0) {
        if (StopRequested())
            return false; // the caller removes what was written
        size_t want = remaining < 1024 ? static_cast<size_t>(remaining) : sizeof block;
        size_t got = std::fread(block, 1, want, in.get());
        if (got == 0)
            break;
        size_t n = layoutBlock(layout, block, got, widened);
        if (std::fwrite(widened, 1, n, out.get()) != n) {
            NoteWriteFailure(errno);
            return false;
        }
        remaining -= static_cast<int64_t>(got);
        if (got < want)
            break;
    }
    if (std::fclose(out.release()) != 0) {
        NoteWriteFailure(errno);
        return false;
    }
    return true;
}

ShareMethod ShareFile(const std::string& source, const std::string& destination)
{
    if (::link(source.c_str(), destination.c_str()) == 0)
        return ShareMethod::Linked;
    if (errno == EEXIST)
        return ShareMethod::Failed;
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        NoteReadFailure(errno);
        return ShareMethod::Failed;
    }
    struct stat st {};
    const int out = ::fstat(in, &st) == 0 && S_ISREG(st.st_mode)
                        ? ::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)
                        : -1;
    if (out < 0) {
        ::close(in);
        return ShareMethod::Failed;
    }
    ShareMethod method = ShareMethod::Failed;
    if (::ioctl(out, FICLONE, in) == 0) {
        method = ShareMethod::Cloned;
    } else {
        // copy_file_range lets the kernel move the bytes (or share them).
        off_t left = st.st_size;
        bool ok = true;
        while (ok && left > 0) {
            const ssize_t n =
                ::copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(left), 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                ok = false;
                break;
            }
            left -= n;
        }
        if (!ok && left == st.st_size) {
            // Not supported between these files: plain reads and writes.
            ok = true;
            uint8_t buffer[1 << 16];
            for (;;) {
                const ssize_t n = ::read(in, buffer, sizeof buffer);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0)
                    ok = false;
                if (n <= 0)
                    break;
                if (::write(out, buffer, static_cast<size_t>(n)) != n) {
                    ok = false;
                    break;
                }
            }
        }
        // The copy keeps the source's time, so that the peak summary that
        // names the source's time still describes it.
        const struct timespec times[2] = {st.st_atim, st.st_mtim};
        if (ok && ::futimens(out, times) == 0)
            method = ShareMethod::Copied;
    }
    if (::close(out) != 0)
        method = ShareMethod::Failed;
    ::close(in);
    if (method == ShareMethod::Failed) {
        NoteWriteFailure(errno);
        ::unlink(destination.c_str());
    }
    return method;
}

namespace {

// Whether out lies on a local file system, where the kernel's own copy
// between two files goes through the page cache a page at a time: plain
// reads and writes through a buffer that stays in the processor's cache are
// as fast or faster (and a mapping of each source costs more than both on a
// virtual machine whose page tables the host keeps). A network file system
// may copy on the server instead: there copy_file_range stays.
bool localFileSystem(int out)
{
    struct statfs fs {};
    if (::fstatfs(out, &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
    case 0xEF53:     // ext2, ext3, ext4
    case 0x58465342: // XFS
    case 0x9123683E: // btrfs
    case 0x01021994: // tmpfs
    case 0x794C7630: // overlay
        return true;
    default:
        return false;
    }
}

} // namespace

RangeCopy AppendRange(const std::string& source, int64_t begin, int64_t count, int out,
                      int64_t outOffset, int64_t& copied,
                      const std::function<void(int64_t)>& onProgress)
{
    const int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) {
        NoteReadFailure(errno);
        return RangeCopy::ReadFailed;
    }
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        NoteReadFailure(errno ? errno : EIO);
        ::close(in);
        return RangeCopy::ReadFailed;
    }
    const int64_t available = std::max<int64_t>(int64_t(st.st_size) - begin, 0);
    int64_t left = count < 0 ? available : std::min(count, available);
    off_t from = static_cast<off_t>(begin);
    off_t to = static_cast<off_t>(outOffset);
    // Steps of a few megabytes: progress and a stop are seen between them.
    constexpr int64_t kStep = 8 << 20;
    bool kernelCopy = left > 0 && !localFileSystem(out);
    if (!kernelCopy && left > 0)
        ::posix_fadvise(in, from, static_cast<off_t>(left), POSIX_FADV_WILLNEED);
    std::vector<uint8_t> buffer;
    RangeCopy result = RangeCopy::Done;
    while (left > 0) {
        if (StopRequested()) {
            result = RangeCopy::Stopped;
            break;
        }
        const auto want = static_cast<size_t>(std::min(left, kStep));
        ssize_t n = -1;
        if (kernelCopy) {
            n = ::copy_file_range(in, &from, out, &to, want, 0);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == ENOSYS ||
                          errno == EOPNOTSUPP || errno == EBADF)) {
                kernelCopy = false; // not between these files: plain reads and writes
                continue;
            }
            if (n < 0) {
                NoteWriteFailure(errno);
                result = RangeCopy::WriteFailed;
                break;
            }
        } else {
            if (buffer.empty())
                buffer.resize(1 << 20);
            const ssize_t got = ::pread(in, buffer.data(), std::min(want, buffer.size()), from);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0) {
                NoteReadFailure(errno);
                result = RangeCopy::ReadFailed;
                break;
            }
            n = got;
            for (ssize_t done = 0; done < got;) {
                const ssize_t w =
                    ::pwrite(out, buffer.data() + done, static_cast<size_t>(got - done), to + done);
                if (w < 0 && errno == EINTR)
                    continue;
                if (w <= 0) {
                    NoteWriteFailure(w < 0 ? errno : ENOSPC);
                    result = RangeCopy::WriteFailed;
                    break;
                }
                done += w;
            }
            if (result != RangeCopy::Done)
                break;
            from += got;
            to += got;
        }
        if (n == 0)
            break; // the file is shorter than it was: what is there is copied
        left -= n;
        copied += n;
        if (onProgress)
            onProgress(copied);
    }
    ::close(in);
    return result;
}

void ReadAhead(const std::string& path, int64_t begin, int64_t count)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::posix_fadvise(fd, static_cast<off_t>(begin), static_cast<off_t>(std::max<int64_t>(count, 0)),
                    POSIX_FADV_WILLNEED);
    ::close(fd);
}

bool CreateEmptyFile(const std::string& path)
{
    File f = open(path, "wb");
    if (!f || std::fclose(f.release()) != 0) {
        NoteWriteFailure(errno);
        return false;
    }
    return true;
}

void RemoveFile(const std::string& path)
{
    std::remove(path.c_str());
}

} // namespace kernel
