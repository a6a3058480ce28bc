// The kernel's side of the plugin helper: starts a fresh vorlain-fx-host
// with its shared block and socket, opens one plugin in it, and runs blocks
// with a time limit. A helper that dies, hangs or gives samples that are not
// finite fails the call with a code; the helper is then killed and reaped,
// and the next client starts a new one.
#pragma once

#include "plugins/fx_protocol.h"

#include <sys/types.h>

#include <cstdint>
#include <mutex>
#include <string>

namespace kernel {

/** Plugin failures, as the exports report them. */
inline constexpr uint32_t kPluginHelperMissing = 0x0E74B001; // the helper could not be started
inline constexpr uint32_t kPluginCrashed = 0x0E75B001;       // the helper died in the plugin
inline constexpr uint32_t kPluginHung = 0x0E76B001;          // no answer within the time limit
inline constexpr uint32_t kPluginNotFinite = 0x0E77B001;     // NaN or infinite samples
inline constexpr uint32_t kPluginNoInstance = 0x0E78B001;    // the plugin refused to start
inline constexpr uint32_t kPluginUnknown = 0x0E72B002;       // not installed, or not usable

class CFxHostClient {
public:
    CFxHostClient() = default;
    ~CFxHostClient();
    CFxHostClient(const CFxHostClient&) = delete;
    CFxHostClient& operator=(const CFxHostClient&) = delete;

    /** Starts the helper and opens the plugin in it for the track's format,
     *  every run blockFrames long. false with the last error set. */
    bool Open(const std::string& uri, uint32_t sampleRate, uint32_t channels, uint32_t blockFrames);
    /** One block run in slot 0: the caller has filled its pcmIn (and
     *  controls); on success its pcmOut holds the result. false with the
     *  last error set, the helper gone. */
    bool Run() { return Submit(0) && Collect(); }
    /** Asks for a run of the block in slot without waiting for it. */
    bool Submit(uint32_t slot);
    /** Waits for the oldest run asked for; on success its slot's pcmOut
     *  holds the result. false with the last error set (NaN or infinite
     *  samples among them), the helper gone. */
    bool Collect();
    /** Lets the helper end (it does when its socket closes). */
    void Close() { stop(false); }
    /** Ends the helper at once, whatever it runs. */
    void Kill() { stop(true); }
    /** Makes a Collect that waits on another thread return at once, failed;
     *  the helper is ended by Close or Kill afterwards. */
    void Interrupt();
    /** The latency the plugin reported after the last run, in frames. */
    uint32_t Latency() const { return m_latency; }
    uint32_t BlockFrames() const { return m_blockFrames; }
    uint32_t Channels() const { return m_channels; }
    fx::SharedSlot& Slot(uint32_t slot) { return m_block->slots[slot]; }

    /** Where the helper is: $VORLAIN_FX_HOST, or next to the kernel. */
    static std::string HelperPath();
    /** The time limit of one request in milliseconds:
     *  $VORLAIN_PLUGIN_TIMEOUT_MS, or 10 s. */
    static int TimeoutMs();

private:
    bool start();
    bool send(const fx::RequestPacket& packet);
    bool receive(fx::ReplyPacket& reply, int timeoutMs);
    void stop(bool kill);

    fx::SharedBlock* m_block = nullptr;
    // The socket's number is written (opened, closed) under m_socketLock, and
    // read without it only by the thread that runs the requests; Interrupt,
    // from another thread, takes the lock.
    std::mutex m_socketLock;
    int m_socket = -1;
    pid_t m_pid = -1;
    uint32_t m_latency = 0;
    uint32_t m_pending[fx::kSlots] = {}; // slots asked for, oldest first
    uint32_t m_pendingCount = 0;
    uint32_t m_blockFrames = 0;
    uint32_t m_channels = 0;
};

} // namespace kernel
