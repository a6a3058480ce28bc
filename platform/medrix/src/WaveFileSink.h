// Writes interleaved 16-bit samples as a canonical 44-byte-header PCM wave
// file; the size fields are filled in when the file is finished.
#pragma once

#include "AudioSink.h"

#include <cstdio>
#include <string>

namespace medrix {

class WaveFileSink : public AudioSink {
  public:
    WaveFileSink(int sampleRate, int channels);
    ~WaveFileSink() override;
    WaveFileSink(const WaveFileSink&) = delete;
    WaveFileSink& operator=(const WaveFileSink&) = delete;

    /** Opens (truncating) the file and writes a provisional header. */
    bool open(const std::string& path);

    AVSampleFormat sampleFormat() const override { return AV_SAMPLE_FMT_S16; }
    int sampleRate() const override { return m_rate; }
    const AVChannelLayout& channelLayout() const override { return m_layout; }
    bool write(const uint8_t* const* planes, int samples) override;
    bool finish() override;

  private:
    bool writeHeader(uint32_t dataBytes);

    int m_rate;
    int m_channels;
    AVChannelLayout m_layout{};
    std::FILE* m_file = nullptr;
    uint64_t m_dataBytes = 0;
};

} // namespace medrix
