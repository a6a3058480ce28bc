// One running recording: the capture thread that reads the input device(s),
// mixes two inputs when there are two, and hands each buffer to the caller.
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
    static std::unique_ptr<CaptureSession> Start(std::vector<std::unique_ptr<CaptureDevice>> devices,
                                                 unsigned channels, size_t framesPerBuffer,
                                                 CrxDataCallback callback, void* context);
    ~CaptureSession();
    CaptureSession(const CaptureSession&) = delete;
    CaptureSession& operator=(const CaptureSession&) = delete;

    /** Asks the thread to end and waits up to limit for it, after its last
     *  callback. False when the thread is still inside a callback then: it
     *  ends on its own when the callback returns, and stop can be called again. */
    bool stop(std::chrono::milliseconds limit);
    /** Whether the thread has ended (and was joined). */
    bool ended();
    /** Whether the calling thread is a capture thread (inside the callback). */
    static bool OnCaptureThread();

private:
    CaptureSession(std::vector<std::unique_ptr<CaptureDevice>> devices, unsigned channels,
                   size_t framesPerBuffer, CrxDataCallback callback, void* context);
    void run();

    std::vector<std::unique_ptr<CaptureDevice>> m_devices;
    const unsigned m_channels;
    const size_t m_framesPerBuffer;
    const CrxDataCallback m_callback;
    void* const m_context;
    std::vector<int16_t> m_buffer;
    std::vector<int16_t> m_second;
    std::atomic<bool> m_stop{false};
    std::mutex m_endLock;
    std::condition_variable m_endChanged;
    bool m_ended = false;
    std::thread m_thread;
};

} // namespace vorlain::capturo
