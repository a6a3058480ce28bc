// One running recording: the capture thread that reads the input device(s),
// mixes two inputs when there are two, and hands each buffer to the caller.
// Positions count frames of the first input from the start of the capture.
#pragma once

#include "capture_device.h"
#include "vorlain/capturo.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace vorlain::capturo {

class CaptureSession {
public:
    /** Starts the thread over one device, or two that are mixed. Null when
     *  the thread cannot be started. */
    static std::unique_ptr<CaptureSession>
    Start(std::vector<std::unique_ptr<CaptureDevice>> devices, unsigned channels, unsigned rate,
          size_t framesPerBuffer, CrxDataCallback callback, void* context);
    ~CaptureSession();
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    /** Asks the thread to end and waits up to limit for it, after its last
     *  callback. Everything captured up to the first call is delivered first,
     *  however far the callbacks lag behind the device. False when the thread
     *  is still inside a callback then: it ends on its own when the callback
     *  returns, with no further call, and stop can be called again. */
    bool stop(std::chrono::milliseconds limit);
    /** The frames captured up to now, delivered or not; on the capture
     *  thread, the frames up to the end of the buffer in hand. */
    int64_t position();
    /** Whether the thread has ended (and was joined). */
    bool ended();
    /** Whether the calling thread is a capture thread (inside the callback). */
    static bool OnCaptureThread();

private:
    using Clock = std::chrono::steady_clock;

    CaptureSession(std::vector<std::unique_ptr<CaptureDevice>> devices, unsigned channels,
                   unsigned rate, size_t framesPerBuffer, CrxDataCallback callback, void* context);
    void run();
    /** Fills m_buffer from frame `at` with up to `count` frames of every input. */
    size_t readInputs(size_t at, size_t count, const std::atomic<bool>& interrupt,
                      Clock::time_point deadline);
    /** Notes where the first input stands after a read (capture thread). */
    void takeBearing();
    int64_t positionAt(Clock::time_point when);

    std::vector<std::unique_ptr<CaptureDevice>> m_devices;
    const unsigned m_channels;
    const unsigned m_rate;
    const size_t m_framesPerBuffer;
    const CrxDataCallback m_callback;
    void* const m_context;
    std::vector<int16_t> m_buffer;
    std::vector<int16_t> m_second;
    std::atomic<bool> m_stop{false};    // stop asked: deliver up to m_stopAt, then end
    std::atomic<bool> m_wake{false};    // a read in progress should look at the flags again
    std::atomic<bool> m_abandon{false}; // end without another callback
    std::atomic<int64_t> m_stopAt{0};
    Clock::time_point m_drainDeadline;   // set before m_stop
    int64_t m_read = 0;                  // frames read from the first input (capture thread)
    std::atomic<int64_t> m_delivered{0}; // frames handed over, the buffer in hand included
    // When the first input's frame 0 was captured. Each read bounds it from
    // above (the frames read were captured by then), tightly when the read
    // caught up with the device. The tightest bound of the last one or two
    // windows follows the device's clock as it drifts; a window ends only
    // once it holds a caught-up read, so a backlog never loosens the bound.
    std::mutex m_bearingLock;
    int64_t m_bearingRead = 0;  // m_read at the last bearing
    Clock::time_point m_origin; // the start call until the first read
    Clock::time_point m_windowStart;
    Clock::time_point m_windowBound;  // tightest bound since m_windowStart
    Clock::time_point m_earlierBound; // tightest bound of the window before
    bool m_windowCaughtUp = false;
    bool m_bearings = false;
    std::mutex m_endLock;
    std::condition_variable m_endChanged;
    uint64_t m_callbacksReturned = 0;
    bool m_ended = false;
    std::thread m_thread;
};

} // namespace vorlain::capturo
