// One open output device: an ALSA playback PCM fed by a thread of its own from
// a queue of caller-owned blocks, handing each block back once it was played.
#pragma once

#include "vorlain/waveout.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vorlain::waveout {

class WaveOutDevice {
public:
    /** Opens the PCM and starts the thread; VORLAIN_WAVE_OK or the failure. */
    static int Open(std::unique_ptr<WaveOutDevice>& out, const char* pcmName,
                    const VorlainWaveFormat& format, VorlainWaveDoneProc done, void* context);
    ~WaveOutDevice();
    WaveOutDevice(const WaveOutDevice&) = delete;
    WaveOutDevice& operator=(const WaveOutDevice&) = delete;

    int prepare(VorlainWaveHeader* header);
    int unprepare(VorlainWaveHeader* header);
    int write(VorlainWaveHeader* header);
    int pause();
    int restart();
    int reset();
    /** Resets, closes the PCM and joins the thread. */
    int close();
    int64_t position();

private:
    enum class Command { None, Pause, Restart, Reset, Close };

    // A block written completely to ALSA, waiting for the device to play past
    // its last frame.
    struct Written {
        VorlainWaveHeader* header;
        uint64_t endFrame;
    };

    WaveOutDevice(snd_pcm_t* pcm, unsigned frameBytes, unsigned rate, VorlainWaveDoneProc done,
                  void* context);

    int command(Command c);
    void run();
    // The following run on the device's thread with m_lock held.
    int handle(Command c, std::vector<VorlainWaveHeader*>& finished);
    void feed();
    void updatePlayed(std::vector<VorlainWaveHeader*>& finished);
    void dropAll(std::vector<VorlainWaveHeader*>& finished);
    bool pauseDevice();
    void ensurePrepared();
    bool active() const;
    void fail();
    // Without m_lock: marks each block done and calls back.
    void handBack(const std::vector<VorlainWaveHeader*>& finished);
    // How long the thread may sleep before it looks at the device again.
    std::chrono::microseconds nextLook() const;
    bool onOwnThread() const { return std::this_thread::get_id() == m_thread.get_id(); }

    snd_pcm_t* m_pcm;
    const unsigned m_frameBytes;
    const unsigned m_rate;
    const VorlainWaveDoneProc m_done;
    void* const m_context;

    std::mutex m_lock;
    std::condition_variable m_wake;           // wakes the device thread
    std::condition_variable m_ack;            // wakes a caller waiting for its command
    std::deque<VorlainWaveHeader*> m_pending; // queued, not yet wholly given to ALSA
    uint32_t m_pendingOffset = 0;             // bytes of m_pending.front() already given
    std::deque<Written> m_written;
    uint64_t m_framesWritten = 0;
    uint64_t m_framesPlayed = 0;
    bool m_paused = false;
    bool m_hardwarePaused = false; // ALSA itself is in its paused state
    bool m_failed = false;         // ALSA failed for good: blocks are handed back unplayed
    Command m_command = Command::None;
    int m_commandResult = VORLAIN_WAVE_OK;
    uint64_t m_commandsDone = 0;
    std::mutex m_commandLock; // one command at a time
    std::thread m_thread;
};

} // namespace vorlain::waveout
