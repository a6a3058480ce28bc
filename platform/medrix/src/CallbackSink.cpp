#include "CallbackSink.h"

namespace medrix {

CallbackSink::CallbackSink(int sampleRate, int channels, MedrixSampleSink sink, void* context)
    : m_rate(sampleRate), m_sink(sink), m_context(context)
{
    av_channel_layout_default(&m_layout, channels);
}

CallbackSink::~CallbackSink()
{
    av_channel_layout_uninit(&m_layout);
}

bool CallbackSink::write(const uint8_t* const* planes, int samples)
{
    if (samples < 0)
        return false;
    if (samples == 0)
        return true;
    return m_sink(m_context, reinterpret_cast<const int16_t*>(planes[0]),
                  static_cast<uint32_t>(samples)) != 0;
}

} // namespace medrix
