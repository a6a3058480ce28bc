// What the kernel and its plugin helper (vorlain-fx-host) say to each other.
// The helper gets a shared memory block on fd 3 and one end of a sequenced
// packet socket on fd 4. Each request is one packet and gets one reply; the
// audio and the control values travel in the shared block, so a packet is
// small and a block of audio is never copied through the socket.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kernel::fx {

inline constexpr int kSharedFd = 3;
inline constexpr int kSocketFd = 4;

/** Most frames of one run. Every run of an opened plugin has the same
 *  length, a power of two named at Open (the last block is padded with
 *  silence), so plugins that need fixed, bounded or power of two block
 *  lengths all get what they ask for. */
inline constexpr uint32_t kBlockFrames = 32768;
inline constexpr uint32_t kMaxChannels = 2;
/** Ports a plugin may have; control values are kept by port index. */
inline constexpr uint32_t kMaxPorts = 1024;
inline constexpr uint32_t kUriChars = 1024;

/** Blocks in flight at once: the kernel fills one while the helper runs the
 *  other. */
inline constexpr uint32_t kSlots = 2;

/** One block's place in shared memory. The kernel writes the controls and
 *  the block's 16-bit interleaved samples (pcmIn) before a run, and reads
 *  pcmOut after it. The helper converts to and from the plugin's float rows
 *  (input, output) itself, on its own processor, and checks the output for
 *  NaN there; the kernel only ever reads 16-bit samples back. */
struct SharedSlot {
    float controls[kMaxPorts];
    int16_t pcmIn[kBlockFrames * kMaxChannels];
    int16_t pcmOut[kBlockFrames * kMaxChannels];
    float input[kMaxChannels][kBlockFrames];
    float output[kMaxChannels][kBlockFrames];
};

struct SharedBlock {
    SharedSlot slots[kSlots];
};

enum class Request : uint32_t {
    Open = 1, // load the plugin named by uri for the track's channels
    Run = 2,  // one block: controls and input are in the shared block
};

struct RequestPacket {
    Request type;
    uint32_t sampleRate;
    uint32_t channels;    // the track's: 1 or 2
    uint32_t blockFrames; // frames of every run, at most kBlockFrames
    uint32_t slot;        // Run: the slot of the block
    char uri[kUriChars];
};

enum class Status : uint32_t {
    Ok = 0,
    NoPlugin = 1,    // the URI names no installed plugin
    Unsupported = 2, // ports or required features the host cannot give
    NoInstance = 3,  // the plugin refused to instantiate
    NotOpen = 4,     // a run before a plugin was opened
    NotFinite = 5,   // the plugin gave NaN or infinite samples
};

struct ReplyPacket {
    Status status;
    /** Frames the plugin's output lags its input (its latency port), read
     *  after each run; 0 when it has none. */
    uint32_t latency;
};

} // namespace kernel::fx
