// Hands interleaved 16-bit samples to a caller's function instead of writing
// a file: the kernel cuts them straight into its data files.
#pragma once

#include "AudioSink.h"
#include "vorlain/medrix.h"

namespace medrix {

class CallbackSink : public AudioSink {
public:
    CallbackSink(int sampleRate, int channels, MedrixSampleSink sink, void* context);
    ~CallbackSink() override;
    CallbackSink(const CallbackSink&) = delete;
    CallbackSink& operator=(const CallbackSink&) = delete;

    AVSampleFormat sampleFormat() const override { return AV_SAMPLE_FMT_S16; }
    int sampleRate() const override { return m_rate; }
    const AVChannelLayout& channelLayout() const override { return m_layout; }
    bool write(const uint8_t* const* planes, int samples) override;
    bool finish() override { return true; }

private:
    int m_rate;
    AVChannelLayout m_layout{};
    MedrixSampleSink m_sink;
    void* m_context;
};

} // namespace medrix
