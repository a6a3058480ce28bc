// Test helpers for the converter: wave files of any sample format written
// with our own header, a strict reader of the canonical 16-bit wave files the
// converter writes, one-call conversions, and a video file with or without an
// audio track.
#pragma once

#include "vorlain/medrix.h"
#include "vorlain/test/audio.h"

#include <functional>
#include <optional>
#include <string>

namespace medrix_test {

using vorlain::test::Samples;

enum class SampleFormat { Int16, Int24, Int32, Float32 };

/** Writes a plain (non-extensible) PCM or IEEE-float wave file of any channel
 *  count; each 16-bit value v becomes v << 8, v << 16 or v / 32768.0f. */
bool WriteWaveAs(const std::string& path, const Samples& samples, int rate, int channels,
                 SampleFormat format);

/** A canonical 44-byte-header 16-bit PCM wave file, read back strictly. */
struct Wave {
    int rate = 0;
    int channels = 0;
    Samples samples; // interleaved
    int64_t frames() const
    {
        return channels ? static_cast<int64_t>(samples.size()) / channels : 0;
    }
    /** Samples of one channel. */
    Samples channel(int c) const;
};
/** Fails (nothing) unless the file is exactly a 44-byte header plus data
 *  whose RIFF and data sizes match the file size. */
std::optional<Wave> ReadCanonicalWave(const std::string& path);

/** Output format for Convert. */
struct Target {
    std::string codec;
    uint32_t channels = 0;
    uint32_t rate = 0;
    uint32_t bitRate = 0;
};
/** The whole call sequence on one handle. @returns AV_Convert's result, or 0
 *  when an earlier step refused. */
int Convert(const std::string& in, const std::string& out, const Target& target);
/** Decodes any input to a canonical wave file at the source's rate (or `rate`). */
std::optional<Wave> Decode(const std::string& in, const std::string& scratchWav,
                           uint32_t channels = 0, uint32_t rate = 0);
/** Reads the input attributes through a fresh handle. */
bool InputAttributes(const std::string& in, MedrixFileAttr& file, MedrixAudioAttr& audio);

/** A QuickTime movie: a small raw video track first, then (optionally) the
 *  given 16-bit PCM as a second, audio track. */
bool WriteMovie(const std::string& path, const Samples* audio, int rate, int channels);

/** Root-mean-square of one channel over [from, to) frames. */
double Rms(const Wave& wave, int channel, int64_t from, int64_t to);

/** Runs fn in a child process with the rights of "nobody" (when we are root),
 *  so permission checks apply. @returns fn's result. */
bool RunUnprivileged(const std::function<bool()>& fn);

/** Runs fn in a child process whose files cannot grow beyond `bytes` (writes
 *  past it fail as on a full disk). @returns fn's result. */
bool RunWithFileSizeLimit(long bytes, const std::function<bool()>& fn);

} // namespace medrix_test
