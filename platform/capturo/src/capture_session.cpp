#include "capture_session.h"

#include <algorithm>

namespace vorlain::capturo {

namespace {
thread_local bool t_onCaptureThread = false;
// How long a stop waits for frames the device counted as captured but has
// not handed over yet (a sound server sends them a fragment at a time).
constexpr auto kDrainWait = std::chrono::milliseconds(1000);
constexpr auto kBearingWindow = std::chrono::seconds(1);
} // namespace

CaptureSession::CaptureSession(std::vector<std::unique_ptr<CaptureDevice>> devices,
                               unsigned channels, unsigned rate, size_t framesPerBuffer,
                               CrxDataCallback callback, void* context)
    : m_devices(std::move(devices)), m_channels(channels), m_rate(rate),
      m_framesPerBuffer(framesPerBuffer), m_callback(callback), m_context(context),
      m_buffer(framesPerBuffer * channels),
      m_second(m_devices.size() > 1 ? framesPerBuffer * channels : 0)
{
    // The devices are started and have sound: frame 0 was captured by now.
    m_origin = Clock::now();
}

std::unique_ptr<CaptureSession>
CaptureSession::Start(std::vector<std::unique_ptr<CaptureDevice>> devices, unsigned channels,
                      unsigned rate, size_t framesPerBuffer, CrxDataCallback callback,
                      void* context)
{
    if (devices.empty() || devices.size() > 2 || !callback || framesPerBuffer == 0 || rate == 0)
        return nullptr;
    std::unique_ptr<CaptureSession> session;
    try {
        session.reset(new CaptureSession(std::move(devices), channels, rate, framesPerBuffer,
                                         callback, context));
        session->m_thread = std::thread([s = session.get()] { s->run(); });
    } catch (...) {
        return nullptr;
    }
    return session;
}

CaptureSession::~CaptureSession()
{
    m_abandon.store(true);
    m_wake.store(true);
    if (m_thread.joinable())
        m_thread.join();
}

bool CaptureSession::stop(std::chrono::milliseconds limit)
{
    // Callers are serialised (crxEndRecord holds its own lock), so only the
    // first stop sets the position and the deadline.
    if (!m_stop.load()) {
        const Clock::time_point now = Clock::now();
        m_stopAt.store(positionAt(now));
        m_drainDeadline = now + kDrainWait;
        m_stop.store(true);
        m_wake.store(true);
    }
    {
        // The limit is for one callback: a long backlog delivered by quick
        // callbacks is waited for.
        std::unique_lock lock(m_endLock);
        for (;;) {
            const uint64_t returned = m_callbacksReturned;
            if (m_endChanged.wait_for(lock, limit, [&] { return m_ended; }))
                break;
            if (m_callbacksReturned == returned) {
                m_abandon.store(true);
                return false;
            }
        }
    }
    if (m_thread.joinable())
        m_thread.join();
    return true;
}

bool CaptureSession::ended()
{
    {
        std::lock_guard lock(m_endLock);
        if (!m_ended)
            return false;
    }
    if (m_thread.joinable())
        m_thread.join();
    return true;
}

bool CaptureSession::OnCaptureThread()
{
    return t_onCaptureThread;
}

int64_t CaptureSession::position()
{
    return positionAt(Clock::now());
}

int64_t CaptureSession::positionAt(Clock::time_point when)
{
    const int64_t delivered = m_delivered.load();
    if (t_onCaptureThread)
        return delivered;
    std::lock_guard lock(m_bearingLock);
    const auto since = std::chrono::duration_cast<std::chrono::microseconds>(when - m_origin);
    const int64_t position = std::max<int64_t>(since.count(), 0) * m_rate / 1'000'000;
    return std::max({position, m_bearingRead, delivered});
}

void CaptureSession::takeBearing()
{
    const Clock::time_point now = Clock::now();
    const Clock::time_point bound = now - std::chrono::microseconds(m_read * 1'000'000 / m_rate);
    const bool caughtUp = m_devices[0]->caughtUp();
    std::lock_guard lock(m_bearingLock);
    if (!m_bearings) {
        m_bearings = true;
        m_windowStart = now;
        m_windowBound = m_earlierBound = bound;
        m_windowCaughtUp = caughtUp;
    } else if (caughtUp && m_windowCaughtUp && now - m_windowStart >= kBearingWindow) {
        m_earlierBound = m_windowBound;
        m_windowBound = bound;
        m_windowStart = now;
    } else {
        m_windowBound = std::min(m_windowBound, bound);
        m_windowCaughtUp = m_windowCaughtUp || caughtUp;
    }
    m_origin = std::min(m_windowBound, m_earlierBound);
    m_bearingRead = m_read;
}

size_t CaptureSession::readInputs(size_t at, size_t count, const std::atomic<bool>& interrupt,
                                  Clock::time_point deadline)
{
    int16_t* first = m_buffer.data() + at * m_channels;
    size_t frames = m_devices[0]->read(first, count, interrupt, deadline);
    m_read += static_cast<int64_t>(frames);
    takeBearing();
    if (m_devices.size() < 2 || frames == 0)
        return frames;
    // Both inputs: as many frames of the second as the first gave, added
    // sample by sample and clamped to 16 bits. The second runs on the same
    // clock, so its frames are due now; only abandoning cuts the wait short.
    int16_t* second = m_second.data() + at * m_channels;
    deadline = std::min(deadline, Clock::now() + kDrainWait);
    frames = std::min(frames, m_devices[1]->read(second, frames, m_abandon, deadline));
    for (size_t i = 0; i < frames * m_channels; ++i) {
        int sum = int{first[i]} + int{second[i]};
        first[i] = static_cast<int16_t>(std::clamp(sum, -32768, 32767));
    }
    return frames;
}

void CaptureSession::run()
{
    t_onCaptureThread = true;
    auto failed = [this] {
        return std::any_of(m_devices.begin(), m_devices.end(),
                           [](const auto& d) { return d->failed(); });
    };
    bool done = false;
    while (!done && !m_abandon.load()) {
        size_t got = 0;
        size_t want = m_framesPerBuffer;
        for (;;) {
            const bool stopping = m_stop.load();
            if (stopping) {
                // Up to the stop position and no further, however late.
                const int64_t left = m_stopAt.load() - m_delivered.load();
                want =
                    static_cast<size_t>(std::clamp<int64_t>(left, 0, int64_t(m_framesPerBuffer)));
            }
            if (got >= want || m_abandon.load())
                break;
            // Before a stop, a stop interrupts the read so that the buffer is
            // measured again; after it, only abandoning does.
            const size_t n = readInputs(got, want - got, stopping ? m_abandon : m_wake,
                                        stopping ? m_drainDeadline : Clock::time_point::max());
            got += n;
            if (failed() || (stopping && got < want)) {
                done = true; // the input is gone or the drain ran out of time
                break;
            }
        }
        got = std::min(got, want);
        if (got > 0 && !m_abandon.load()) {
            m_delivered.fetch_add(static_cast<int64_t>(got));
            m_callback(m_context, m_buffer.data(),
                       static_cast<unsigned>(got * m_channels * sizeof(int16_t)));
            std::lock_guard lock(m_endLock);
            ++m_callbacksReturned;
            m_endChanged.notify_all();
        }
        if (m_stop.load() && m_delivered.load() >= m_stopAt.load())
            done = true;
    }
    std::lock_guard lock(m_endLock);
    m_ended = true;
    m_endChanged.notify_all();
}

} // namespace vorlain::capturo
