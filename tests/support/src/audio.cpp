#include "vorlain/test/audio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

namespace vorlain::test {

Samples Sine(int64_t frames, int rate, int channels, double freq, int amplitude)
{
    Samples s(static_cast<size_t>(frames * channels));
    for (int64_t f = 0; f < frames; ++f) {
        auto v = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * freq * f / rate)));
        for (int c = 0; c < channels; ++c)
            s[static_cast<size_t>(f * channels + c)] = v;
    }
    return s;
}

static int16_t rampValue(int64_t frame, int channel)
{
    return static_cast<int16_t>(static_cast<uint16_t>((frame * 7 + channel * 3) & 0xFFFF));
}

Samples Ramp(int64_t frames, int channels)
{
    Samples s(static_cast<size_t>(frames * channels));
    for (int64_t f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            s[static_cast<size_t>(f * channels + c)] = rampValue(f, c);
    return s;
}

Samples Clicks(int64_t frames, int channels, const std::vector<int64_t>& clickFrames, int16_t value)
{
    Samples s(static_cast<size_t>(frames * channels), 0);
    for (int64_t f : clickFrames)
        if (f >= 0 && f < frames)
            for (int c = 0; c < channels; ++c)
                s[static_cast<size_t>(f * channels + c)] = value;
    return s;
}

static void put32(std::vector<uint8_t>& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
static void put16(std::vector<uint8_t>& b, size_t at, uint16_t v)
{
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

std::vector<uint8_t> WaveHeader(int rate, int channels, uint32_t dataBytes)
{
    std::vector<uint8_t> h(44, 0);
    std::copy_n("RIFF", 4, h.begin());
    put32(h, 4, dataBytes + 36);
    std::copy_n("WAVEfmt ", 8, h.begin() + 8);
    put32(h, 16, 16);
    put16(h, 20, 1);
    put16(h, 22, static_cast<uint16_t>(channels));
    put32(h, 24, static_cast<uint32_t>(rate));
    put32(h, 28, static_cast<uint32_t>(rate * channels * 2));
    put16(h, 32, static_cast<uint16_t>(channels * 2));
    put16(h, 34, 16);
    std::copy_n("data", 4, h.begin() + 36);
    put32(h, 40, dataBytes);
    return h;
}

std::vector<uint8_t> PcmBytes(const Samples& s)
{
    std::vector<uint8_t> b(s.size() * 2);
    for (size_t i = 0; i < s.size(); ++i) {
        auto u = static_cast<uint16_t>(s[i]);
        b[2 * i] = static_cast<uint8_t>(u);
        b[2 * i + 1] = static_cast<uint8_t>(u >> 8);
    }
    return b;
}

bool WriteWave(const std::string& path, const Samples& samples, int rate, int channels)
{
    std::vector<uint8_t> bytes = WaveHeader(rate, channels, static_cast<uint32_t>(samples.size() * 2));
    std::vector<uint8_t> pcm = PcmBytes(samples);
    bytes.insert(bytes.end(), pcm.begin(), pcm.end());
    return WriteBytes(path, bytes);
}

bool WriteRampWave(const std::string& path, int64_t frames, int rate, int channels)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out)
        return false;
    std::vector<uint8_t> h = WaveHeader(rate, channels, static_cast<uint32_t>(frames * channels * 2));
    out.write(reinterpret_cast<const char*>(h.data()), static_cast<std::streamsize>(h.size()));
    const int64_t chunk = 65536;
    for (int64_t f = 0; f < frames; f += chunk) {
        int64_t n = std::min(chunk, frames - f);
        Samples s(static_cast<size_t>(n * channels));
        for (int64_t i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                s[static_cast<size_t>(i * channels + c)] = rampValue(f + i, c);
        std::vector<uint8_t> b = PcmBytes(s);
        out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
    }
    return static_cast<bool>(out);
}

std::vector<uint8_t> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int64_t FileSize(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    return in ? static_cast<int64_t>(in.tellg()) : -1;
}

uint32_t U32(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint32_t>(b.at(at)) | static_cast<uint32_t>(b.at(at + 1)) << 8 |
           static_cast<uint32_t>(b.at(at + 2)) << 16 | static_cast<uint32_t>(b.at(at + 3)) << 24;
}

uint16_t U16(const std::vector<uint8_t>& b, size_t at)
{
    return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8);
}

} // namespace vorlain::test
