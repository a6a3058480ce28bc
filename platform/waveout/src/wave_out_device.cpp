// The output device's queue and its feeding thread. ALSA is only ever called
// from that thread (besides open and the final close), so the PCM needs no
// locking of its own; the queue is guarded by m_lock.
#include "wave_out_device.h"

#include "alsa_pcm.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <new>

namespace vorlain::waveout {

namespace {

// How long the thread sleeps between looks at the device while blocks are in
// flight: until the oldest block should have played, but no less than the
// shortest look (short against one 8192-byte block, 46 ms of 44.1 kHz
// stereo) and no more than the longest, well inside ALSA's buffer, so that
// what waits to be written gets the room that frees meanwhile.
constexpr auto kPollInterval = std::chrono::milliseconds(5);
constexpr auto kLongestLook = std::chrono::milliseconds(25);
// ALSA's own buffer. Blocks count as played only once the device has passed
// them, so this mostly bounds how far ahead of the ear the layer writes.
constexpr unsigned kBufferMicros = 250000;
constexpr unsigned kPeriodMicros = 50000;
// Consecutive write errors that recovery could not cure before the device is
// treated as gone.
constexpr int kMaxWriteErrors = 8;

uint32_t loadFlags(VorlainWaveHeader* h)
{
    return std::atomic_ref<uint32_t>(h->flags).load();
}

void setFlags(VorlainWaveHeader* h, uint32_t set, uint32_t clear)
{
    std::atomic_ref<uint32_t> flags(h->flags);
    uint32_t old = flags.load();
    while (!flags.compare_exchange_weak(old, (old | set) & ~clear)) {
    }
}

bool validFormat(const VorlainWaveFormat& f)
{
    return f.formatTag == 1 && f.bitsPerSample == 16 && (f.channels == 1 || f.channels == 2) &&
           f.samplesPerSec >= 1000 && f.samplesPerSec <= 384000 && f.blockAlign == f.channels * 2 &&
           f.avgBytesPerSec == f.blockAlign * f.samplesPerSec;
}

// Interleaved S16_LE at exactly the asked rate and a short buffer. Playback
// starts once the buffer is full (or, see feed(), when nothing more is
// queued): a sound server started on a nearly empty buffer runs dry at once.
bool configure(snd_pcm_t* pcm, const VorlainWaveFormat& f)
{
    snd_pcm_uframes_t period = 0;
    snd_pcm_uframes_t buffer = 0;
    if (!alsa::ConfigureS16Interleaved(pcm, f.channels, f.samplesPerSec, kBufferMicros,
                                       kPeriodMicros, &buffer, &period))
        return false;
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    if (snd_pcm_sw_params_current(pcm, sw) < 0 ||
        snd_pcm_sw_params_set_start_threshold(pcm, sw, buffer ? buffer : 1) < 0 ||
        snd_pcm_sw_params_set_avail_min(pcm, sw, period ? period : 1) < 0 ||
        snd_pcm_sw_params(pcm, sw) < 0)
        return false;
    return snd_pcm_prepare(pcm) >= 0;
}

} // namespace

WaveOutDevice::WaveOutDevice(snd_pcm_t* pcm, unsigned frameBytes, unsigned rate,
                             VorlainWaveDoneProc done, void* context)
    : m_pcm(pcm), m_frameBytes(frameBytes), m_rate(rate), m_done(done), m_context(context)
{
}

int WaveOutDevice::Open(std::unique_ptr<WaveOutDevice>& out, const char* pcmName,
                        const VorlainWaveFormat& format, VorlainWaveDoneProc done, void* context)
{
    out.reset();
    if (!validFormat(format))
        return VORLAIN_WAVE_BADFORMAT;
    const char* name = pcmName;
    if (!name || !*name) {
        const char* env = std::getenv("VORLAIN_PCM");
        name = env && *env ? env : "default";
    }
    snd_pcm_t* pcm = nullptr;
    // Non-blocking: open must not wait for a busy device, and the thread must
    // never sit inside a write while a command waits for it.
    if (snd_pcm_open(&pcm, name, SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0)
        return VORLAIN_WAVE_BADDEVICE;
    if (!configure(pcm, format)) {
        snd_pcm_close(pcm);
        return VORLAIN_WAVE_BADFORMAT;
    }
    std::unique_ptr<WaveOutDevice> device(new (std::nothrow) WaveOutDevice(
        pcm, format.blockAlign, format.samplesPerSec, done, context));
    if (!device) {
        snd_pcm_close(pcm);
        return VORLAIN_WAVE_NOMEM;
    }
    try {
        device->m_thread = std::thread([d = device.get()] { d->run(); });
    } catch (...) {
        return VORLAIN_WAVE_NOMEM; // the destructor closes the PCM
    }
    out = std::move(device);
    return VORLAIN_WAVE_OK;
}

WaveOutDevice::~WaveOutDevice()
{
    if (m_thread.joinable())
        close();
    if (m_pcm)
        snd_pcm_close(m_pcm);
}

int WaveOutDevice::prepare(VorlainWaveHeader* header)
{
    if (!header || header->bufferLength % m_frameBytes != 0 ||
        (!header->data && header->bufferLength != 0))
        return VORLAIN_WAVE_INVALPARAM;
    std::lock_guard lock(m_lock);
    if (loadFlags(header) & VORLAIN_WHDR_INQUEUE)
        return VORLAIN_WAVE_STILLPLAYING;
    setFlags(header, VORLAIN_WHDR_PREPARED, 0);
    return VORLAIN_WAVE_OK;
}

int WaveOutDevice::unprepare(VorlainWaveHeader* header)
{
    if (!header)
        return VORLAIN_WAVE_INVALPARAM;
    std::lock_guard lock(m_lock);
    if (loadFlags(header) & VORLAIN_WHDR_INQUEUE)
        return VORLAIN_WAVE_STILLPLAYING;
    setFlags(header, 0, VORLAIN_WHDR_PREPARED);
    return VORLAIN_WAVE_OK;
}

int WaveOutDevice::write(VorlainWaveHeader* header)
{
    if (!header)
        return VORLAIN_WAVE_INVALPARAM;
    std::lock_guard lock(m_lock);
    uint32_t flags = loadFlags(header);
    if (!(flags & VORLAIN_WHDR_PREPARED))
        return VORLAIN_WAVE_UNPREPARED;
    if (flags & VORLAIN_WHDR_INQUEUE)
        return VORLAIN_WAVE_STILLPLAYING;
    // The length may have changed since Prepare; a partial frame would shift
    // every later sample into the wrong channel.
    if (header->bufferLength % m_frameBytes != 0 || (!header->data && header->bufferLength != 0))
        return VORLAIN_WAVE_INVALPARAM;
    setFlags(header, VORLAIN_WHDR_INQUEUE, VORLAIN_WHDR_DONE);
    try {
        m_pending.push_back(header);
    } catch (...) {
        setFlags(header, 0, VORLAIN_WHDR_INQUEUE);
        return VORLAIN_WAVE_NOMEM;
    }
    m_wake.notify_one();
    return VORLAIN_WAVE_OK;
}

int WaveOutDevice::pause()
{
    return command(Command::Pause);
}
int WaveOutDevice::restart()
{
    return command(Command::Restart);
}
int WaveOutDevice::reset()
{
    return command(Command::Reset);
}

int WaveOutDevice::close()
{
    if (onOwnThread())
        return VORLAIN_WAVE_BADCALL;
    int result = command(Command::Close);
    if (m_thread.joinable())
        m_thread.join();
    return result;
}

int64_t WaveOutDevice::position()
{
    std::lock_guard lock(m_lock);
    return static_cast<int64_t>(m_framesPlayed);
}

int WaveOutDevice::command(Command c)
{
    if (onOwnThread())
        return VORLAIN_WAVE_BADCALL;
    std::lock_guard one(m_commandLock);
    std::unique_lock lock(m_lock);
    if (!m_thread.joinable())
        return VORLAIN_WAVE_OK; // already closed
    uint64_t ticket = m_commandsDone + 1;
    m_command = c;
    m_wake.notify_one();
    m_ack.wait(lock, [&] { return m_commandsDone >= ticket; });
    return m_commandResult;
}

void WaveOutDevice::run()
{
    std::vector<VorlainWaveHeader*> finished;
    std::unique_lock lock(m_lock);
    for (;;) {
        finished.clear();
        if (m_command != Command::None) {
            Command c = m_command;
            int result = handle(c, finished);
            lock.unlock();
            handBack(finished); // before the ack: Reset and Close promise this
            lock.lock();
            m_command = Command::None;
            m_commandResult = result;
            ++m_commandsDone;
            m_ack.notify_all();
            if (c == Command::Close)
                return;
            continue;
        }
        if (!m_paused)
            feed();
        updatePlayed(finished);
        if (!finished.empty()) {
            lock.unlock();
            handBack(finished);
            lock.lock();
            continue;
        }
        // While paused only a device that could not pause still moves: it
        // plays out what it holds, and those blocks must come back.
        bool moving = m_paused ? !m_hardwarePaused && !m_written.empty() : active();
        if (moving)
            m_wake.wait_for(lock, nextLook());
        else
            m_wake.wait(lock); // nothing moves until a write or a command
    }
}

int WaveOutDevice::handle(Command c, std::vector<VorlainWaveHeader*>& finished)
{
    switch (c) {
    case Command::Pause:
        if (m_paused)
            return VORLAIN_WAVE_OK;
        m_paused = true;
        return pauseDevice() ? VORLAIN_WAVE_OK : VORLAIN_WAVE_ERROR;
    case Command::Restart:
        if (!m_paused)
            return VORLAIN_WAVE_OK;
        m_paused = false;
        if (m_hardwarePaused) {
            m_hardwarePaused = false;
            if (snd_pcm_state(m_pcm) == SND_PCM_STATE_PAUSED && snd_pcm_pause(m_pcm, 0) < 0) {
                // The device cannot resume: what it held is lost. Count it as
                // played so that its blocks come back, and go on from the queue.
                snd_pcm_drop(m_pcm);
                m_framesPlayed = m_framesWritten;
                ensurePrepared();
            }
        }
        return VORLAIN_WAVE_OK;
    case Command::Reset:
        dropAll(finished);
        return VORLAIN_WAVE_OK;
    case Command::Close:
        dropAll(finished);
        snd_pcm_close(m_pcm);
        m_pcm = nullptr;
        return VORLAIN_WAVE_OK;
    case Command::None:
        break;
    }
    return VORLAIN_WAVE_OK;
}

bool WaveOutDevice::pauseDevice()
{
    if (m_failed)
        return true;
    if (snd_pcm_state(m_pcm) != SND_PCM_STATE_RUNNING)
        return true; // nothing is sounding; the queue simply stops being fed
    if (snd_pcm_pause(m_pcm, 1) == 0) {
        m_hardwarePaused = true;
        return true;
    }
    // A device without pause (dmix, some USB devices): the queue stops being
    // fed and what ALSA already holds plays out, at most one ALSA buffer. Late
    // by that much, but nothing is lost or repeated.
    return true;
}

void WaveOutDevice::ensurePrepared()
{
    switch (snd_pcm_state(m_pcm)) {
    case SND_PCM_STATE_XRUN:
        // An underrun means the device ran dry: everything given was played.
        m_framesPlayed = m_framesWritten;
        [[fallthrough]];
    case SND_PCM_STATE_SETUP:
        if (snd_pcm_prepare(m_pcm) < 0)
            fail();
        break;
    case SND_PCM_STATE_SUSPENDED:
        if (snd_pcm_recover(m_pcm, -ESTRPIPE, 1) < 0)
            fail();
        break;
    case SND_PCM_STATE_DISCONNECTED:
        fail();
        break;
    default:
        break;
    }
}

void WaveOutDevice::feed()
{
    int errors = 0;
    while (!m_pending.empty() && !m_failed) {
        ensurePrepared();
        if (m_failed)
            break;
        VorlainWaveHeader* h = m_pending.front();
        uint32_t left = h->bufferLength - m_pendingOffset;
        if (left == 0) {
            m_written.push_back({h, m_framesWritten});
            m_pending.pop_front();
            m_pendingOffset = 0;
            continue;
        }
        snd_pcm_sframes_t n = snd_pcm_writei(m_pcm, h->data + m_pendingOffset, left / m_frameBytes);
        if (n == -EAGAIN || n == 0)
            break; // ALSA is full; look again after the next poll interval
        if (n < 0) {
            if (n == -EPIPE)
                m_framesPlayed = m_framesWritten;
            if (snd_pcm_recover(m_pcm, static_cast<int>(n), 1) < 0 || ++errors > kMaxWriteErrors)
                fail();
            continue;
        }
        errors = 0;
        m_framesWritten += static_cast<uint64_t>(n);
        m_pendingOffset += static_cast<uint32_t>(n) * m_frameBytes;
    }
    // Everything queued is given but the buffer is not full, so the start
    // threshold was not reached: start by hand or the last blocks never play.
    if (m_pending.empty() && !m_failed && snd_pcm_state(m_pcm) == SND_PCM_STATE_PREPARED &&
        m_framesWritten > m_framesPlayed)
        snd_pcm_start(m_pcm);
}

void WaveOutDevice::updatePlayed(std::vector<VorlainWaveHeader*>& finished)
{
    if (m_failed) {
        // The device is gone: hand every block back so no caller waits forever.
        for (const Written& w : m_written)
            finished.push_back(w.header);
        m_written.clear();
        finished.insert(finished.end(), m_pending.begin(), m_pending.end());
        m_pending.clear();
        m_pendingOffset = 0;
        return;
    }
    uint64_t played = m_framesPlayed;
    switch (snd_pcm_state(m_pcm)) {
    case SND_PCM_STATE_XRUN:
        played = m_framesWritten;
        break;
    case SND_PCM_STATE_RUNNING:
    case SND_PCM_STATE_DRAINING:
    case SND_PCM_STATE_PAUSED:
    case SND_PCM_STATE_PREPARED: {
        snd_pcm_sframes_t avail = 0;
        snd_pcm_sframes_t delay = 0;
        int err = snd_pcm_avail_delay(m_pcm, &avail, &delay);
        if (err == -EPIPE) {
            played = m_framesWritten;
        } else if (err == 0) {
            delay = std::clamp<snd_pcm_sframes_t>(delay, 0,
                                                  static_cast<snd_pcm_sframes_t>(m_framesWritten));
            played = std::max(played, m_framesWritten - static_cast<uint64_t>(delay));
        }
        break;
    }
    default:
        break;
    }
    m_framesPlayed = std::min(played, m_framesWritten);
    while (!m_written.empty() && m_written.front().endFrame <= m_framesPlayed) {
        finished.push_back(m_written.front().header);
        m_written.pop_front();
    }
}

void WaveOutDevice::dropAll(std::vector<VorlainWaveHeader*>& finished)
{
    if (!m_failed)
        snd_pcm_drop(m_pcm);
    for (const Written& w : m_written)
        finished.push_back(w.header);
    m_written.clear();
    finished.insert(finished.end(), m_pending.begin(), m_pending.end());
    m_pending.clear();
    m_pendingOffset = 0;
    m_framesWritten = 0;
    m_framesPlayed = 0;
    m_hardwarePaused = false;
    m_failed = snd_pcm_prepare(m_pcm) < 0;
}

std::chrono::microseconds WaveOutDevice::nextLook() const
{
    if (m_paused || m_written.empty() || m_rate == 0)
        return kPollInterval;
    const uint64_t frames = m_written.front().endFrame > m_framesPlayed
                                ? m_written.front().endFrame - m_framesPlayed
                                : 0;
    const auto until = std::chrono::microseconds(frames * 1'000'000 / m_rate);
    return std::clamp<std::chrono::microseconds>(until, kPollInterval, kLongestLook);
}

bool WaveOutDevice::active() const
{
    return !m_pending.empty() || !m_written.empty();
}

void WaveOutDevice::fail()
{
    m_failed = true;
}

void WaveOutDevice::handBack(const std::vector<VorlainWaveHeader*>& finished)
{
    for (VorlainWaveHeader* h : finished) {
        setFlags(h, VORLAIN_WHDR_DONE, VORLAIN_WHDR_INQUEUE);
        if (m_done)
            m_done(m_context, h);
    }
}

} // namespace vorlain::waveout
