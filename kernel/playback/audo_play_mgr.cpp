#include "playback/audo_play_mgr.h"

#include "common/last_error.h"

#include "store/byte_offset.h"
#include "store/segment_files.h"
#include "track/track.h"
#include "track/track_registry.h"
#include "vorlain/platform.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <unordered_set>

using namespace std::chrono_literals;

namespace {

std::mutex& liveLock()
{
    static std::mutex m;
    return m;
}
std::unordered_set<const CAudoPlayMgr*>& livePlayers()
{
    static std::unordered_set<const CAudoPlayMgr*> players;
    return players;
}

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

// The drain after the last block gives up when the device hands nothing back
// for this long while not paused: a device that stalls must not keep the
// thread (and Stop) waiting for ever. A paced device with two seconds of
// latency still drains well within it.
constexpr int kDrainIdleTurns = 50; // of 100 ms

} // namespace

CAudoPlayMgr::CAudoPlayMgr(CTrack* track)
    : m_track(track), m_blocks(new uint8_t[kBlockCount * (sizeof(VorlainWaveHeader) + kBlockBytes)])
{
    m_headers = reinterpret_cast<VorlainWaveHeader*>(m_blocks.get());
    uint8_t* buffers = m_blocks.get() + kBlockCount * sizeof(VorlainWaveHeader);
    for (int k = 0; k < kBlockCount; ++k) {
        VorlainWaveHeader* h = new (&m_headers[k]) VorlainWaveHeader{};
        h->data = reinterpret_cast<char*>(buffers + size_t(k) * kBlockBytes);
        h->bufferLength = kBlockBytes;
        h->user = this;
    }
    std::lock_guard g(liveLock());
    livePlayers().insert(this);
}

CAudoPlayMgr::~CAudoPlayMgr()
{
    {
        std::lock_guard g(liveLock());
        livePlayers().erase(this);
    }
    // The caller should have stopped; if not, the thread must not outlive us.
    Stop();
}

bool CAudoPlayMgr::IsLive(const CAudoPlayMgr* player)
{
    if (!player)
        return false;
    std::lock_guard g(liveLock());
    return livePlayers().count(player) != 0;
}

int CAudoPlayMgr::FreeBlocks()
{
    std::lock_guard g(m_lock);
    return m_freeBlocks;
}

int64_t CAudoPlayMgr::toTime(int64_t bytes) const
{
    return m_bytesPerSecond > 0 ? bytes * 1'000'000 / m_bytesPerSecond : 0;
}

void CAudoPlayMgr::joinThread()
{
    if (m_thread.joinable())
        m_thread.join();
}

bool CAudoPlayMgr::PlaySeekTime(int64_t time)
{
    {
        std::lock_guard control(m_controlLock);
        if (m_status.load() != kStopped)
            return false;
        m_timeFrom = std::max<int64_t>(time, 0);
        m_timePlaying = m_timeFrom;
    }
    return Play();
}

bool CAudoPlayMgr::Play()
{
    std::lock_guard control(m_controlLock);
    if (m_status.load() != kStopped)
        return false; // a second start while playing is refused
    joinThread();     // a thread that ended on its own
    if (!kernel::IsLiveTrack(m_track))
        return false;

    m_channels = m_track->m_channels;
    m_sampleRate = m_track->m_sampleRate;
    m_bytesPerSample = m_track->m_bytesPerSample;
    m_bytesPerSecond = int64_t(m_channels) * m_sampleRate * m_bytesPerSample;
    if (m_bytesPerSecond <= 0)
        return false;
    VorlainWaveFormat format{};
    format.formatTag = 1;
    format.channels = static_cast<uint16_t>(m_channels);
    format.samplesPerSec = m_sampleRate;
    format.bitsPerSample = static_cast<uint16_t>(8 * m_bytesPerSample);
    format.blockAlign = static_cast<uint16_t>(m_channels * format.bitsPerSample / 8);
    format.avgBytesPerSec = format.blockAlign * m_sampleRate;
    VorlainWaveOut* device = nullptr;
    int result = VorlainWaveOutOpen(&device, nullptr, &format, &CAudoPlayMgr::onBlockDone, this);
    if (result != VORLAIN_WAVE_OK) {
        VorlainOutputDebugString("CAudoPlayMgr::Play waveOutOpen failed %d", result);
        kernel::SetLastError(0x0E40B001); // no output device would take the track's format
        return false;
    }

    // The segment the play reaches first, found by halving rather than by
    // walking every earlier one, so a start late in a long track costs what a
    // start in a short one does. A start past the end keeps the last
    // segment, whose end the play then ends at.
    m_playTimeline = m_track->Timeline() ? *m_track->Timeline() : CTimeline();
    const uint32_t count = m_playTimeline.GetCount();
    m_firstSegment = m_timeFrom > 0 ? m_playTimeline.FirstEndingAfter(m_timeFrom) : 0;
    if (m_firstSegment >= count && count > 0)
        m_firstSegment = count - 1;
    m_device = device;
    {
        std::lock_guard g(m_lock);
        m_freeBlocks = kBlockCount;
        m_queuedBytes = 0;
    }
    m_currentBlock = 0;
    for (int k = 0; k < kBlockCount; ++k)
        m_headers[k].bytesUsed = 0;
    m_playFrom = m_timeFrom;
    // A play after an earlier one starts its position afresh; otherwise the
    // position would sit at the old end until the new play passed it.
    m_timePlaying = m_timeFrom;
    m_status = kPlaying;
    try {
        m_thread = std::thread(&CAudoPlayMgr::threadPlay, this);
    } catch (...) {
        m_status = kStopped;
        m_device = nullptr;
        VorlainWaveOutClose(device);
        return false;
    }
    return true;
}

bool CAudoPlayMgr::Pause()
{
    std::lock_guard control(m_controlLock);
    int status = m_status.load();
    if (status != kPlaying && status != kPaused)
        return false;
    m_status = kPaused;
    if (VorlainWaveOutPause(m_device) != VORLAIN_WAVE_OK) {
        VorlainOutputDebugString("Pause Faided!");
        return false;
    }
    return true;
}

bool CAudoPlayMgr::Continue()
{
    {
        std::lock_guard control(m_controlLock);
        int status = m_status.load();
        if (status == kPaused) {
            if (VorlainWaveOutRestart(m_device) != VORLAIN_WAVE_OK)
                return false;
            m_status = kPlaying;
            return true;
        }
        if (status != kStopRequested)
            return false;
    }
    // A stop is under way (requested from another thread): let it end, then
    // start again.
    while (m_status.load() != kStopped)
        std::this_thread::sleep_for(10ms);
    return Play();
}

void CAudoPlayMgr::Stop()
{
    {
        std::lock_guard control(m_controlLock);
        int status = m_status.load();
        if (status == kStopped) {
            joinThread();
            return;
        }
        m_status = kStopRequested;
    }
    {
        // A thread waiting for a free block hears the stop at once.
        std::lock_guard g(m_lock);
        m_blockFreed.notify_all();
    }
    while (m_status.load() != kStopped) {
        VorlainOutputDebugString("CAudoPlayMgr::Stop sleep...");
        std::this_thread::sleep_for(50ms);
    }
    std::lock_guard control(m_controlLock);
    joinThread();
}

void CAudoPlayMgr::onBlockDone(void* context, VorlainWaveHeader* header)
{
    auto* self = static_cast<CAudoPlayMgr*>(context);
    std::lock_guard g(self->m_lock);
    ++self->m_freeBlocks;
    self->m_queuedBytes -= header->bufferLength;
    self->m_blockFreed.notify_all();
}

void CAudoPlayMgr::threadPlay()
{
    int64_t bytes = 0; // track bytes before the read position
    if (walkSegments(bytes) && m_status.load() != kStopRequested) {
        // The last block is rarely full; it is played too, or every track
        // would lose up to 8191 bytes of its end.
        VorlainWaveHeader& h = m_headers[m_currentBlock];
        uint32_t frameBytes = m_channels * m_bytesPerSample;
        uint32_t length = h.bytesUsed - h.bytesUsed % frameBytes;
        if (length > 0 && queueCurrentBlock(length)) {
            m_currentBlock = (m_currentBlock + 1) % kBlockCount;
            m_headers[m_currentBlock].bytesUsed = 0;
        }
        drain(bytes);
    }
    std::lock_guard control(m_controlLock);
    closeDevice(m_status.load() == kStopRequested);
    m_timePlaying = toTime(bytes);
    m_status = kStopped;
    VorlainOutputDebugString("ThreadPlay.......out");
}

void CAudoPlayMgr::waitWhilePaused()
{
    while (m_status.load() == kPaused)
        std::this_thread::sleep_for(100ms);
}

bool CAudoPlayMgr::walkSegments(int64_t& bytes)
{
    uint8_t buffer[kReadBytes];
    int64_t skippedTo = 0; // the end of the last segment passed over
    for (uint32_t index = m_firstSegment; index < m_playTimeline.GetCount(); ++index) {
        const std::optional<TrackSegment> record = m_playTimeline.Lookup(index);
        if (!record)
            break;
        const TrackSegment& segment = *record;
        waitWhilePaused();
        if (m_status.load() == kStopRequested)
            return false;
        if (segment.state & vorlain::kHeaderSegment)
            continue;
        int64_t offset = 0;
        if (m_playFrom > 0) {
            // The segments before the start are passed over by their times
            // alone: no file of them is opened or measured, so a start near
            // the end of a long track costs what one near its start does.
            if (segment.end <= m_playFrom) {
                skippedTo = segment.end;
                continue;
            }
            if (bytes == 0)
                bytes =
                    kernel::ByteLength(segment.start, m_bytesPerSample, m_sampleRate, m_channels);
            if (segment.start < m_playFrom)
                offset = kernel::ByteOffset(m_playFrom - segment.start, m_bytesPerSample,
                                            m_sampleRate, m_channels);
        }
        File file(std::fopen(segment.path, "rb"));
        if (!file)
            return true; // a missing data file ends playback there, normally
        if (offset > 0 && fseeko(file.get(), offset, SEEK_SET) != 0)
            return true;
        bytes += offset;
        for (;;) {
            waitWhilePaused();
            if (m_status.load() == kStopRequested)
                return false;
            size_t got = std::fread(buffer, 1, sizeof buffer, file.get());
            if (got == 0 && std::ferror(file.get()))
                return true;
            bytes += static_cast<int64_t>(got);
            if (got == 0)
                break;
            if (!writeRing(buffer, got))
                return m_status.load() != kStopRequested;
            updatePlayingTime(bytes);
            if (got < sizeof buffer)
                break;
        }
    }
    // A start at or past the end plays nothing and ends at the track's end.
    if (bytes == 0 && skippedTo > 0)
        bytes = kernel::ByteLength(skippedTo, m_bytesPerSample, m_sampleRate, m_channels);
    return true;
}

bool CAudoPlayMgr::queueCurrentBlock(uint32_t length)
{
    VorlainWaveHeader& h = m_headers[m_currentBlock];
    h.bufferLength = length;
    if (VorlainWaveOutPrepareHeader(m_device, &h) != VORLAIN_WAVE_OK)
        return false;
    {
        // Counted before the write: the device may hand the block back
        // before VorlainWaveOutWrite returns.
        std::lock_guard g(m_lock);
        --m_freeBlocks;
        m_queuedBytes += length;
    }
    if (VorlainWaveOutWrite(m_device, &h) != VORLAIN_WAVE_OK) {
        std::lock_guard g(m_lock);
        ++m_freeBlocks;
        m_queuedBytes -= length;
        return false;
    }
    return true;
}

bool CAudoPlayMgr::writeRing(const uint8_t* data, size_t count)
{
    while (count > 0) {
        VorlainWaveHeader& h = m_headers[m_currentBlock];
        if (VorlainWaveHeaderFlags(&h) & VORLAIN_WHDR_PREPARED)
            VorlainWaveOutUnprepareHeader(m_device, &h);
        size_t space = kBlockBytes - h.bytesUsed;
        if (count < space) {
            std::memcpy(h.data + h.bytesUsed, data, count);
            h.bytesUsed += static_cast<uint32_t>(count);
            return true;
        }
        std::memcpy(h.data + h.bytesUsed, data, space);
        h.bytesUsed = kBlockBytes;
        data += space;
        count -= space;
        if (!queueCurrentBlock(kBlockBytes))
            return false;
        {
            // Blocks come back in the order written, so once one is free the
            // next block of the ring is that one. A returned block and a stop
            // both wake the wait; the timeout is only a backstop.
            std::unique_lock g(m_lock);
            while (m_freeBlocks == 0) {
                if (m_status.load() == kStopRequested)
                    return false;
                m_blockFreed.wait_for(g, 100ms);
            }
        }
        m_currentBlock = (m_currentBlock + 1) % kBlockCount;
        m_headers[m_currentBlock].bytesUsed = 0;
    }
    return true;
}

void CAudoPlayMgr::updatePlayingTime(int64_t bytes)
{
    int64_t queued;
    {
        std::lock_guard g(m_lock);
        queued = m_queuedBytes;
    }
    // Bytes read but not yet handed back by the device: those at the device
    // and those in the block being filled. What remains has been played.
    int64_t played = bytes - queued - m_headers[m_currentBlock].bytesUsed;
    int64_t t = toTime(std::max<int64_t>(played, 0));
    if (t > m_timePlaying.load())
        m_timePlaying = t;
    VorlainOutputDebugString("pAudioMgr->m_timeFrom:%" PRId64 " pAudioMgr->m_timePlaying:%" PRId64,
                             m_timeFrom, m_timePlaying.load());
}

void CAudoPlayMgr::drain(int64_t bytes)
{
    int idleTurns = 0;
    int64_t lastQueued = -1;
    while (m_status.load() != kStopRequested) {
        int64_t queued;
        {
            std::unique_lock g(m_lock);
            if (m_freeBlocks == kBlockCount)
                break;
            m_blockFreed.wait_for(g, 100ms, [this] { return m_freeBlocks == kBlockCount; });
            queued = m_queuedBytes;
        }
        VorlainOutputDebugString("Sleep");
        updatePlayingTime(bytes);
        if (m_status.load() == kPaused || queued != lastQueued) {
            idleTurns = 0;
            lastQueued = queued;
        } else if (++idleTurns >= kDrainIdleTurns) {
            VorlainOutputDebugString("CAudoPlayMgr drain gave up with %" PRId64 " bytes queued",
                                     queued);
            break;
        }
    }
}

void CAudoPlayMgr::closeDevice(bool stopping)
{
    // Every queued block must come back before it is unprepared and the
    // device closed: Reset hands them all back before it returns.
    if (stopping || FreeBlocks() != kBlockCount)
        VorlainWaveOutReset(m_device);
    for (int k = 0; k < kBlockCount; ++k)
        if (VorlainWaveHeaderFlags(&m_headers[k]) & VORLAIN_WHDR_PREPARED)
            VorlainWaveOutUnprepareHeader(m_device, &m_headers[k]);
    VorlainWaveOutClose(m_device);
    m_device = nullptr;
    {
        std::lock_guard g(m_lock);
        m_freeBlocks = kBlockCount;
        m_queuedBytes = 0;
    }
    m_currentBlock = 0;
}
