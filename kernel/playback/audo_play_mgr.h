// The playback manager: plays one track through the wave output device. A
// thread of its own streams the track's data files into a ring of 20 output
// blocks; the device hands each block back once played, and the position is
// derived from the bytes handed back.
#pragma once

#include "vorlain/records.h"
#include "vorlain/timeline.h"
#include "vorlain/waveout.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class CTrack;

class CAudoPlayMgr {
public:
    enum Status : int { kStopped = 0, kPlaying = 1, kPaused = 2, kStopRequested = 3 };

    static constexpr int kBlockCount = 20;
    static constexpr uint32_t kBlockBytes = 8192;
    static constexpr size_t kReadBytes = 1024;

    explicit CAudoPlayMgr(CTrack* track);
    virtual ~CAudoPlayMgr();
    CAudoPlayMgr(const CAudoPlayMgr&) = delete;
    CAudoPlayMgr& operator=(const CAudoPlayMgr&) = delete;

    /** Whether player is a manager that exists now: a handle from outside is
     *  checked before it is used. */
    static bool IsLive(const CAudoPlayMgr* player);

    /** Opens the device and starts the play thread at m_timeFrom. false when
     *  the track is gone, the device cannot be opened, or it already plays. */
    bool Play();
    /** m_timeFrom = m_timePlaying = time (negative times count as 0), then Play. */
    bool PlaySeekTime(int64_t time);
    /** Holds the device; false when not playing or the device refuses. */
    bool Pause();
    /** Goes on after Pause, or starts again after a stop request. */
    bool Continue();
    /** Asks the play thread to end and returns once it has. */
    void Stop();

    int64_t PlayingTime() const { return m_timePlaying.load(); }
    int Status() const { return m_status.load(); }
    int FreeBlocks();

    int64_t m_timeFrom = 0;                // start position of the next play, microseconds
    std::atomic<int64_t> m_timePlaying{0}; // read by the caller while the thread writes it

private:
    static void onBlockDone(void* context, VorlainWaveHeader* header);
    void threadPlay();
    bool walkSegments(int64_t& bytes);
    void waitWhilePaused();
    bool writeRing(const uint8_t* data, size_t count);
    bool queueCurrentBlock(uint32_t length);
    void drain(int64_t bytes);
    void closeDevice(bool stopping);
    void updatePlayingTime(int64_t bytes);
    int64_t toTime(int64_t bytes) const;
    void joinThread();

    CTrack* m_track;
    VorlainWaveOut* m_device = nullptr;

    // One allocation: the 20 headers, then the 20 buffers.
    std::unique_ptr<uint8_t[]> m_blocks;
    VorlainWaveHeader* m_headers = nullptr;
    int m_freeBlocks = kBlockCount; // guarded by m_lock
    int64_t m_queuedBytes = 0;      // bytes of the blocks at the device; guarded by m_lock
    int m_currentBlock = 0;         // the block being filled (play thread only)
    std::mutex m_lock;
    std::condition_variable m_blockFreed;

    std::atomic<int> m_status{kStopped};
    // Serialises Play, Pause, Continue and Stop with the end of the play
    // thread, which closes the device: no call can reach a closed device.
    std::mutex m_controlLock;
    std::thread m_thread;

    // What the thread plays: the version current when it starts, held by a
    // copy that shares its storage (a version's runs never change once
    // shared), so that an edit of the track during playback cannot pull it
    // away, and a start late in a long track copies nothing per segment.
    CTimeline m_playTimeline;
    uint32_t m_firstSegment = 0; // the first segment the play reaches
    int64_t m_playFrom = 0;
    int64_t m_bytesPerSecond = 0;
    uint32_t m_channels = 0;
    uint32_t m_sampleRate = 0;
    uint32_t m_bytesPerSample = 0;
};
