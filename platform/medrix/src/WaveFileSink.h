// Writes interleaved 16-bit samples as a PCM wave file: the canonical 44-byte
// header while the data fits its 32-bit sizes, RF64 (the EBU's 64-bit wave
// format) beyond 4 GiB. The size fields are filled in when the file is finished.
#pragma once

#include "AudioSink.h"

#include <cstdio>
#include <string>

namespace medrix {

class WaveFileSink : public AudioSink {
public:
    /** The most data bytes a canonical header can describe (RIFF size = 36 + data). */
    static constexpr uint64_t kMaxCanonicalData = 0xFFFFFFFFull - 36;
    static constexpr long kRf64HeaderBytes = 80;

    /** canonicalLimit: the most data bytes kept under a canonical header
     *  (tests lower it to reach the switch to RF64 with little data). */
    WaveFileSink(int sampleRate, int channels, uint64_t canonicalLimit = kMaxCanonicalData);
    ~WaveFileSink() override;
    WaveFileSink(const WaveFileSink&) = delete;
    WaveFileSink& operator=(const WaveFileSink&) = delete;

    /** Opens (truncating) the file and writes a provisional header: RF64 when
     *  expectedBytes of data would not fit a canonical one. */
    bool open(const std::string& path, int64_t expectedBytes = 0);

    AVSampleFormat sampleFormat() const override { return AV_SAMPLE_FMT_S16; }
    int sampleRate() const override { return m_rate; }
    const AVChannelLayout& channelLayout() const override { return m_layout; }
    bool write(const uint8_t* const* planes, int samples) override;
    bool finish() override;

    bool isRf64() const { return m_rf64; }

private:
    bool writeHeader();
    /** Turns the canonical file written so far into RF64: the data moves up
     *  by the 36 bytes of the ds64 chunk, from the end down, in place. */
    bool promote();

    int m_rate;
    int m_channels;
    AVChannelLayout m_layout{};
    std::FILE* m_file = nullptr;
    uint64_t m_dataBytes = 0;
    uint64_t m_limit;
    bool m_rf64 = false;
};

} // namespace medrix
