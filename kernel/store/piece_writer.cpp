#include "store/piece_writer.h"

#include "common/last_error.h"
#include "track/track.h"
#include "vorlain/timeline.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>

namespace kernel {

namespace {

bool allZero(const uint8_t* p, size_t n)
{
    // Word by word: silence is common and long, music rarely starts with zeros.
    size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (w != 0)
            return false;
    }
    for (; i < n; ++i)
        if (p[i] != 0)
            return false;
    return true;
}

} // namespace

bool WriteDataFile(const std::string& path, const uint8_t* buffer, size_t length)
{
    if (path.empty() || (!buffer && length > 0)) {
        errno = EINVAL;
        return false;
    }
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    bool ok = true;
    if (allZero(buffer, length)) {
        ok = ::ftruncate(fd, static_cast<off_t>(length)) == 0;
    } else {
        const uint8_t* p = buffer;
        size_t left = length;
        while (ok && left > 0) {
            ssize_t n = ::write(fd, p, left);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                if (n == 0)
                    errno = EIO;
                ok = false;
                break;
            }
            p += n;
            left -= static_cast<size_t>(n);
        }
    }
    const int saved = errno;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        if (errno == 0)
            errno = saved;
        const int why = errno;
        NoteWriteFailure(why);
        ::unlink(path.c_str());
        errno = why;
    }
    return ok;
}

CPieceWriter::CPieceWriter(CTrack& track, CTimeline& timeline, int64_t start, bool background)
    : m_track(track), m_timeline(timeline),
      m_pieceBytes((track.m_pieceLength / 1'000'000) * int64_t(track.m_bytesPerSample) *
                   track.m_channels * track.m_sampleRate),
      m_end(start), m_summary(track.m_channels)
{
    m_piece.resize(static_cast<size_t>(std::max<int64_t>(m_pieceBytes, 4)));
    if (!background)
        return;
    try {
        m_spare.resize(m_piece.size());
        m_writer = std::thread([this] { runWriter(); });
    } catch (const std::exception&) {
        m_spare.clear(); // no thread: every piece is written in place
    }
}

CPieceWriter::~CPieceWriter()
{
    if (!m_writer.joinable())
        return;
    {
        std::lock_guard guard(m_lock);
        m_quit = true;
    }
    m_wake.notify_one();
    m_writer.join();
}

void CPieceWriter::runWriter()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_busy || m_quit; });
        if (!m_busy)
            return;
        lock.unlock();
        const bool ok = writePiece(m_spare.data(), m_spareSize, m_sparePath);
        lock.lock();
        m_writeOk = ok;
        m_writeError = m_error;
        m_busy = false;
        m_done.notify_one();
    }
}

bool CPieceWriter::waitForWriter()
{
    if (!m_writer.joinable())
        return !m_failed;
    std::unique_lock lock(m_lock);
    m_done.wait(lock, [this] { return !m_busy; });
    if (!m_writeOk && !m_failed) {
        m_failed = true;
        m_error = m_writeError;
    }
    return !m_failed;
}

bool CPieceWriter::Feed(const uint8_t* bytes, size_t count)
{
    while (!m_failed && count > 0) {
        const size_t take = std::min(count, m_piece.size() - m_fill);
        std::memcpy(m_piece.data() + m_fill, bytes, take);
        m_fill += take;
        m_bytes += static_cast<int64_t>(take);
        bytes += take;
        count -= take;
        if (m_fill == m_piece.size() && !flush())
            return false;
    }
    return !m_failed;
}

bool CPieceWriter::Finish()
{
    if (!m_failed && m_fill > 0)
        flush();
    return waitForWriter();
}

bool CPieceWriter::flush()
{
    const std::string path = m_track.NextDataFilePath();
    if (path.empty()) {
        waitForWriter();
        m_failed = true;
        m_error = 0;
        return false;
    }
    if (!m_writer.joinable()) {
        if (!writePiece(m_piece.data(), m_fill, path)) {
            m_failed = true;
            return false;
        }
        m_track.TakeDataFileNumber();
        m_fill = 0;
        return true;
    }
    // The number is taken now, in order; a piece that fails removes its file.
    m_track.TakeDataFileNumber();
    if (!waitForWriter())
        return false;
    {
        std::lock_guard guard(m_lock);
        m_piece.swap(m_spare);
        m_spareSize = m_fill;
        m_sparePath = path;
        m_busy = true;
    }
    m_wake.notify_one();
    m_fill = 0;
    return true;
}

bool CPieceWriter::writePiece(const uint8_t* data, size_t size, const std::string& path)
{
    if (!WriteDataFile(path, data, size)) {
        m_error = errno;
        return false;
    }
    if (allZero(data, size))
        m_summary.FeedSilence(size);
    else
        m_summary.Feed(data, size);
    m_summary.Finish(path);
    const int64_t start = m_end;
    // A whole piece spans the piece length exactly; a short last piece the
    // time its bytes make, truncated (it may hold a frame more than that).
    const int64_t end =
        static_cast<int64_t>(size) == m_pieceBytes
            ? start + m_track.m_pieceLength
            : start + static_cast<int64_t>(size) * m_track.m_pieceLength / m_pieceBytes;
    m_timeline.Append(MakeSegment(vorlain::kAudioSegment, start, end, path.c_str()));
    m_end = end;
    return true;
}

} // namespace kernel
