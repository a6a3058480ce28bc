// Test helpers for the converter.
#include "MedrixTestFiles.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
}

#include <cmath>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace medrix_test {

using vorlain::test::ReadBytes;
using vorlain::test::U16;
using vorlain::test::U32;
using vorlain::test::WriteBytes;

namespace {

void put(std::vector<uint8_t>& b, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void putText(std::vector<uint8_t>& b, const char* t)
{
    b.insert(b.end(), t, t + 4);
}

} // namespace

bool WriteWaveAs(const std::string& path, const Samples& samples, int rate, int channels,
                 SampleFormat format)
{
    const int bytes = format == SampleFormat::Int16 ? 2 : format == SampleFormat::Int24 ? 3 : 4;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * static_cast<size_t>(bytes));
    std::vector<uint8_t> b;
    putText(b, "RIFF");
    put(b, 36 + dataBytes, 4);
    putText(b, "WAVE");
    putText(b, "fmt ");
    put(b, 16, 4);
    put(b, format == SampleFormat::Float32 ? 3 : 1, 2);
    put(b, static_cast<uint32_t>(channels), 2);
    put(b, static_cast<uint32_t>(rate), 4);
    put(b, static_cast<uint32_t>(rate * channels * bytes), 4);
    put(b, static_cast<uint32_t>(channels * bytes), 2);
    put(b, static_cast<uint32_t>(bytes * 8), 2);
    putText(b, "data");
    put(b, dataBytes, 4);
    for (int16_t v : samples) {
        switch (format) {
        case SampleFormat::Int16:
            put(b, static_cast<uint16_t>(v), 2);
            break;
        case SampleFormat::Int24:
            put(b, static_cast<uint32_t>(v * 256), 3);
            break;
        case SampleFormat::Int32:
            put(b, static_cast<uint32_t>(v * 65536), 4);
            break;
        case SampleFormat::Float32: {
            float f = static_cast<float>(v) / 32768.0f;
            uint32_t u;
            std::memcpy(&u, &f, 4);
            put(b, u, 4);
            break;
        }
        }
    }
    return WriteBytes(path, b);
}

Samples Wave::channel(int c) const
{
    Samples out;
    for (size_t i = static_cast<size_t>(c); i < samples.size(); i += static_cast<size_t>(channels))
        out.push_back(samples[i]);
    return out;
}

std::optional<Wave> ReadCanonicalWave(const std::string& path)
{
    std::vector<uint8_t> b = ReadBytes(path);
    if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) != 0 ||
        std::memcmp(b.data() + 8, "WAVEfmt ", 8) != 0 || std::memcmp(b.data() + 36, "data", 4) != 0)
        return std::nullopt;
    if (U32(b, 4) != b.size() - 8 || U32(b, 40) != b.size() - 44 || U32(b, 16) != 16 ||
        U16(b, 20) != 1 || U16(b, 34) != 16)
        return std::nullopt;
    Wave w;
    w.channels = U16(b, 22);
    w.rate = static_cast<int>(U32(b, 24));
    if (w.channels == 0 || U16(b, 32) != w.channels * 2 ||
        U32(b, 28) != U32(b, 24) * w.channels * 2)
        return std::nullopt;
    w.samples.resize((b.size() - 44) / 2);
    std::memcpy(w.samples.data(), b.data() + 44, w.samples.size() * 2);
    return w;
}

int Convert(const std::string& in, const std::string& out, const Target& target)
{
    MedrixHandle h = AV_Open();
    if (!h)
        return 0;
    MedrixAudioAttr attr{};
    std::strncpy(attr.codecName, target.codec.c_str(), sizeof attr.codecName - 1);
    attr.channels = target.channels;
    attr.sampleRate = target.rate;
    attr.bitRate = target.bitRate;
    int ok = AV_SetInputpath(h, in.c_str()) && AV_SetOutputPath(h, out.c_str()) &&
             AV_SetAudioAttr(h, attr) && AV_Convert(h);
    AV_Close(h);
    return ok;
}

std::optional<Wave> Decode(const std::string& in, const std::string& scratchWav, uint32_t channels,
                           uint32_t rate)
{
    if (!Convert(in, scratchWav, Target{"pcm_s16le", channels, rate, 0}))
        return std::nullopt;
    return ReadCanonicalWave(scratchWav);
}

bool InputAttributes(const std::string& in, MedrixFileAttr& file, MedrixAudioAttr& audio)
{
    MedrixHandle h = AV_Open();
    bool ok = AV_SetInputpath(h, in.c_str()) && AV_GetInputFileAttr(h, &file, &audio, 0);
    AV_Close(h);
    return ok;
}

bool WriteMovie(const std::string& path, const Samples* audio, int rate, int channels)
{
    AVFormatContext* oc = nullptr;
    if (avformat_alloc_output_context2(&oc, nullptr, "mov", path.c_str()) < 0)
        return false;
    const int width = 16, height = 16, fps = 10;
    AVStream* video = avformat_new_stream(oc, nullptr);
    video->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    video->codecpar->codec_id = AV_CODEC_ID_RAWVIDEO;
    video->codecpar->codec_tag = MKTAG('r', 'a', 'w', ' ');
    video->codecpar->format = AV_PIX_FMT_RGB24;
    video->codecpar->width = width;
    video->codecpar->height = height;
    video->time_base = AVRational{1, fps};
    AVStream* sound = nullptr;
    if (audio) {
        sound = avformat_new_stream(oc, nullptr);
        sound->codecpar->codec_type = AVMEDIA_TYPE_AUDIO;
        sound->codecpar->codec_id = AV_CODEC_ID_PCM_S16LE;
        av_channel_layout_default(&sound->codecpar->ch_layout, channels);
        sound->codecpar->sample_rate = rate;
        sound->codecpar->bits_per_coded_sample = 16;
        sound->codecpar->block_align = 2 * channels;
        sound->time_base = AVRational{1, rate};
    }
    bool ok = avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 &&
              avformat_write_header(oc, nullptr) >= 0;
    const int64_t frames = audio ? static_cast<int64_t>(audio->size()) / channels : rate;
    const int64_t perVideoFrame = rate / fps;
    AVPacket* pkt = av_packet_alloc();
    for (int64_t f = 0, i = 0; ok && f < frames; f += perVideoFrame, ++i) {
        av_new_packet(pkt, width * height * 3);
        std::memset(pkt->data, static_cast<int>(i * 20), static_cast<size_t>(pkt->size));
        pkt->stream_index = video->index;
        pkt->pts = pkt->dts = i;
        pkt->duration = 1;
        pkt->flags |= AV_PKT_FLAG_KEY;
        av_packet_rescale_ts(pkt, AVRational{1, fps}, video->time_base);
        ok = av_interleaved_write_frame(oc, pkt) >= 0;
        if (ok && audio) {
            const int64_t n = std::min(perVideoFrame, frames - f);
            av_new_packet(pkt, static_cast<int>(n * channels * 2));
            std::memcpy(pkt->data, audio->data() + f * channels, static_cast<size_t>(pkt->size));
            pkt->stream_index = sound->index;
            pkt->pts = pkt->dts = f;
            pkt->duration = n;
            av_packet_rescale_ts(pkt, AVRational{1, rate}, sound->time_base);
            ok = av_interleaved_write_frame(oc, pkt) >= 0;
        }
    }
    av_packet_free(&pkt);
    ok = ok && av_write_trailer(oc) >= 0;
    avio_closep(&oc->pb);
    avformat_free_context(oc);
    return ok;
}

double Rms(const Wave& wave, int channel, int64_t from, int64_t to)
{
    double sum = 0;
    int64_t n = 0;
    for (int64_t f = std::max<int64_t>(from, 0); f < std::min(to, wave.frames()); ++f, ++n) {
        double v = wave.samples[static_cast<size_t>(f * wave.channels + channel)];
        sum += v * v;
    }
    return n ? std::sqrt(sum / static_cast<double>(n)) : 0.0;
}

bool RunUnprivileged(const std::function<bool()>& fn)
{
    if (geteuid() != 0)
        return fn();
    pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        const uid_t nobody = 65534;
        if (setgid(nobody) != 0 || setuid(nobody) != 0)
            _exit(2);
        _exit(fn() ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool RunWithFileSizeLimit(long bytes, const std::function<bool()>& fn)
{
    pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        // Without this the kernel would end the process at the limit; ignored,
        // the write fails with EFBIG instead, which is what we test.
        std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit {
            static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)
        };
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            _exit(2);
        _exit(fn() ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace medrix_test
