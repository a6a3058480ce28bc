#include "store/peak_summary_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace kernel {

namespace {

using vorlain::kPeakCoarseFrames;
using vorlain::kPeakFineFrames;
using vorlain::PeakEntry;

constexpr uint32_t kFinePerCoarse = kPeakCoarseFrames / kPeakFineFrames;

// A sample's offset value in signed order: offset - 0x8000, i.e. sample - 1
// with 16-bit wrap. -32768 becomes 32767, the largest, as its offset value is.
inline int16_t orderKey(int16_t sample)
{
    return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint16_t>(sample) - 1u));
}

inline uint16_t offsetOfKey(int16_t key)
{
    return static_cast<uint16_t>(static_cast<uint16_t>(key) + 0x8000u);
}

bool writeAll(int fd, const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

} // namespace

CPeakSummaryWriter::CPeakSummaryWriter(uint32_t channels) : m_channels(channels)
{
    Reset();
}

void CPeakSummaryWriter::Reset()
{
    m_frames = 0;
    m_partialBytes = 0;
    m_fineCount = 0;
    m_coarseCount = 0;
    m_fine.clear();
    m_coarse.clear();
}

void CPeakSummaryWriter::addFrame(const int16_t* frame)
{
    for (uint32_t ch = 0; ch < m_channels; ++ch) {
        const int16_t k = orderKey(frame[ch]);
        if (m_fineCount == 0) {
            m_fineMax[ch] = m_fineMin[ch] = k;
        } else {
            m_fineMax[ch] = std::max(m_fineMax[ch], k);
            m_fineMin[ch] = std::min(m_fineMin[ch], k);
        }
    }
    ++m_frames;
    if (++m_fineCount == kPeakFineFrames)
        closeFine();
}

void CPeakSummaryWriter::closeFine()
{
    if (m_fineCount == 0)
        return;
    for (uint32_t ch = 0; ch < m_channels; ++ch) {
        m_fine.push_back(PeakEntry{offsetOfKey(m_fineMax[ch]), offsetOfKey(m_fineMin[ch])});
        if (m_coarseCount == 0) {
            m_coarseMax[ch] = m_fineMax[ch];
            m_coarseMin[ch] = m_fineMin[ch];
        } else {
            m_coarseMax[ch] = std::max(m_coarseMax[ch], m_fineMax[ch]);
            m_coarseMin[ch] = std::min(m_coarseMin[ch], m_fineMin[ch]);
        }
    }
    m_fineCount = 0;
    if (++m_coarseCount == kFinePerCoarse)
        closeCoarse();
}

void CPeakSummaryWriter::closeCoarse()
{
    if (m_coarseCount == 0)
        return;
    for (uint32_t ch = 0; ch < m_channels; ++ch)
        m_coarse.push_back(PeakEntry{offsetOfKey(m_coarseMax[ch]), offsetOfKey(m_coarseMin[ch])});
    m_coarseCount = 0;
}

void CPeakSummaryWriter::Feed(const uint8_t* bytes, size_t count)
{
    if ((m_channels != 1 && m_channels != 2) || !bytes)
        return;
    const size_t frameBytes = 2 * m_channels;
    int16_t frame[2];
    if (m_partialBytes > 0) {
        const size_t take = std::min(count, frameBytes - m_partialBytes);
        std::memcpy(m_partial + m_partialBytes, bytes, take);
        m_partialBytes += take;
        bytes += take;
        count -= take;
        if (m_partialBytes < frameBytes)
            return;
        std::memcpy(frame, m_partial, frameBytes);
        addFrame(frame);
        m_partialBytes = 0;
    }
    size_t frames = count / frameBytes;
    // Whole fine blocks in one tight loop; addFrame for the ragged edges.
    while (frames > 0) {
        if (m_fineCount == 0 && frames >= kPeakFineFrames) {
            int16_t samples[kPeakFineFrames * 2];
            std::memcpy(samples, bytes, kPeakFineFrames * frameBytes);
            for (uint32_t ch = 0; ch < m_channels; ++ch) {
                int16_t hi = orderKey(samples[ch]);
                int16_t lo = hi;
                for (uint32_t i = 1; i < kPeakFineFrames; ++i) {
                    const int16_t k = orderKey(samples[i * m_channels + ch]);
                    hi = std::max(hi, k);
                    lo = std::min(lo, k);
                }
                m_fineMax[ch] = hi;
                m_fineMin[ch] = lo;
            }
            m_frames += kPeakFineFrames;
            m_fineCount = kPeakFineFrames;
            closeFine();
            bytes += kPeakFineFrames * frameBytes;
            frames -= kPeakFineFrames;
            continue;
        }
        std::memcpy(frame, bytes, frameBytes);
        addFrame(frame);
        bytes += frameBytes;
        --frames;
    }
    const size_t rest = count % frameBytes;
    if (rest > 0) {
        std::memcpy(m_partial, bytes, rest);
        m_partialBytes = rest;
    }
}

void CPeakSummaryWriter::FeedSilence(uint64_t count)
{
    if (m_channels != 1 && m_channels != 2)
        return;
    static const uint8_t zeros[4096] = {};
    const size_t frameBytes = 2 * m_channels;
    // Up to the next whole fine block byte by byte, then whole blocks at once.
    while (count > 0 && (m_partialBytes > 0 || m_fineCount > 0)) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(count, frameBytes));
        Feed(zeros, take);
        count -= take;
    }
    const int16_t k = orderKey(0);
    const uint64_t blockBytes = uint64_t(kPeakFineFrames) * frameBytes;
    for (; count >= blockBytes; count -= blockBytes) {
        for (uint32_t ch = 0; ch < m_channels; ++ch)
            m_fineMax[ch] = m_fineMin[ch] = k;
        m_frames += kPeakFineFrames;
        m_fineCount = kPeakFineFrames;
        closeFine();
    }
    while (count > 0) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(count, sizeof zeros));
        Feed(zeros, take);
        count -= take;
    }
}

bool CPeakSummaryWriter::Finish(const std::string& dataPath)
{
    if (m_channels != 1 && m_channels != 2) {
        Reset();
        return false;
    }
    closeFine();
    closeCoarse();
    const uint64_t bytes = m_frames * 2 * m_channels + m_partialBytes;
    struct stat st {};
    bool ok = ::stat(dataPath.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<uint64_t>(st.st_size) == bytes;
    if (ok) {
        vorlain::PeakSummaryHeader header{};
        std::memcpy(header.magic, "VPKS", 4);
        header.version = vorlain::kPeakFormatVersion;
        header.channels = static_cast<uint16_t>(m_channels);
        header.fineFrames = kPeakFineFrames;
        header.coarseFrames = kPeakCoarseFrames;
        header.frames = m_frames;
        header.dataBytes = bytes;
        header.dataModifiedNs = int64_t(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec;

        const std::string path = vorlain::PeakSummaryPath(dataPath);
        ::mkdir(folderOf(path).c_str(), 0755); // an existing folder is fine
        // Written beside and renamed: a reader never sees half a summary.
        const std::string part = path + ".part";
        const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ok = fd >= 0;
        if (ok) {
            ok = writeAll(fd, &header, sizeof header) &&
                 writeAll(fd, m_coarse.data(), m_coarse.size() * sizeof(PeakEntry)) &&
                 writeAll(fd, m_fine.data(), m_fine.size() * sizeof(PeakEntry));
            ok = ::close(fd) == 0 && ok;
            ok = ok && std::rename(part.c_str(), path.c_str()) == 0;
            if (!ok)
                std::remove(part.c_str());
        }
    }
    Reset();
    return ok;
}

bool WritePeakSummary(const std::string& dataPath, uint32_t channels)
{
    if (channels != 1 && channels != 2)
        return false;
    const int fd = ::open(dataPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    CPeakSummaryWriter writer(channels);
    std::vector<uint8_t> buffer(256 * 1024);
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        writer.Feed(buffer.data(), static_cast<size_t>(n));
    }
    ::close(fd);
    return ok && writer.Finish(dataPath);
}

void RemovePeakSummary(const std::string& dataPath)
{
    std::remove(vorlain::PeakSummaryPath(dataPath).c_str());
}

void PrunePeakSummaries(const std::string& trackFolder)
{
    namespace fs = std::filesystem;
    const std::string folder = trackFolder + "/" + vorlain::kPeakFolder;
    std::error_code ec;
    const std::string suffix = vorlain::kPeakSuffix;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        const std::string name = entry.path().filename().string();
        bool keep = false;
        if (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
            const std::string data =
                trackFolder + "/" + name.substr(0, name.size() - suffix.size()) + ".dat";
            struct stat st {};
            keep = ::stat(data.c_str(), &st) == 0;
        }
        if (!keep)
            std::remove(entry.path().c_str());
    }
    ::rmdir(folder.c_str()); // only when empty
}

} // namespace kernel
