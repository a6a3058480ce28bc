#include "vorlain/test/audio.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>

#include <fcntl.h>
#include <unistd.h>

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

static void put64(std::vector<uint8_t>& b, size_t at, uint64_t v)
{
    put32(b, at, static_cast<uint32_t>(v));
    put32(b, at + 4, static_cast<uint32_t>(v >> 32));
}

std::vector<uint8_t> Rf64Header(int rate, int channels, uint64_t dataBytes)
{
    std::vector<uint8_t> canonical = WaveHeader(rate, channels, 0);
    std::vector<uint8_t> h(80, 0);
    std::copy_n("RF64", 4, h.begin());
    put32(h, 4, 0xFFFFFFFFu);
    std::copy_n("WAVEds64", 8, h.begin() + 8);
    put32(h, 16, 28);
    put64(h, 20, dataBytes + 72);
    put64(h, 28, dataBytes);
    put64(h, 36, dataBytes / (2 * static_cast<uint64_t>(channels)));
    put32(h, 44, 0);
    std::copy(canonical.begin() + 12, canonical.begin() + 36, h.begin() + 48);
    std::copy_n("data", 4, h.begin() + 72);
    put32(h, 76, 0xFFFFFFFFu);
    return h;
}

std::vector<uint8_t> W64Header(int rate, int channels, uint64_t dataBytes)
{
    // The four GUIDs of Wave64: each chunk id is 16 bytes, each size 8
    // bytes counting the 24-byte chunk header.
    static const uint8_t riff[16] = {'r',  'i',  'f',  'f',  0x2E, 0x91, 0xCF, 0x11,
                                     0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00};
    static const uint8_t tail[12] = {0xF3, 0xAC, 0xD3, 0x11, 0x8C, 0xD1,
                                     0x00, 0xC0, 0x4F, 0x8E, 0xDB, 0x8A};
    std::vector<uint8_t> canonical = WaveHeader(rate, channels, 0);
    std::vector<uint8_t> h(104, 0);
    std::copy_n(riff, 16, h.begin());
    put64(h, 16, 104 + dataBytes);
    std::copy_n("wave", 4, h.begin() + 24);
    std::copy_n(tail, 12, h.begin() + 28);
    std::copy_n("fmt ", 4, h.begin() + 40);
    std::copy_n(tail, 12, h.begin() + 44);
    put64(h, 56, 24 + 16);
    std::copy(canonical.begin() + 20, canonical.begin() + 36, h.begin() + 64);
    std::copy_n("data", 4, h.begin() + 80);
    std::copy_n(tail, 12, h.begin() + 84);
    put64(h, 96, 24 + dataBytes);
    return h;
}

static bool writeWithHeader(const std::string& path, std::vector<uint8_t> bytes,
                            const Samples& samples)
{
    std::vector<uint8_t> pcm = PcmBytes(samples);
    bytes.insert(bytes.end(), pcm.begin(), pcm.end());
    return WriteBytes(path, bytes);
}

bool WriteRf64Wave(const std::string& path, const Samples& samples, int rate, int channels)
{
    return writeWithHeader(path, Rf64Header(rate, channels, samples.size() * 2), samples);
}

bool WriteW64Wave(const std::string& path, const Samples& samples, int rate, int channels)
{
    return writeWithHeader(path, W64Header(rate, channels, samples.size() * 2), samples);
}

bool WriteSilentRf64(const std::string& path, int64_t frames, int rate, int channels)
{
    const uint64_t bytes = static_cast<uint64_t>(frames) * channels * 2;
    if (!WriteBytes(path, Rf64Header(rate, channels, bytes)))
        return false;
    return ::truncate(path.c_str(), static_cast<off_t>(80 + bytes)) == 0;
}

bool WriteFrameAt(const std::string& path, int64_t frame, int channels, const Samples& samples)
{
    const int fd = ::open(path.c_str(), O_WRONLY);
    if (fd < 0)
        return false;
    const std::vector<uint8_t> bytes = PcmBytes(samples);
    const off_t at = 80 + static_cast<off_t>(frame) * channels * 2;
    const bool ok =
        ::pwrite(fd, bytes.data(), bytes.size(), at) == static_cast<ssize_t>(bytes.size());
    return ::close(fd) == 0 && ok;
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
    // In blocks, not a byte at a time through stream iterators: the fault
    // sweep reads every file of a session several times per case.
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in)
        return {};
    const std::streamoff size = in.tellg();
    in.seekg(0);
    std::vector<uint8_t> bytes(size > 0 ? static_cast<size_t>(size) : 0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<size_t>(in.gcount()));
    return bytes;
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
