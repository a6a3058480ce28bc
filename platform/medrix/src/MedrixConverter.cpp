// One conversion: decode, resample, write or encode, then rename into place.
#include "MedrixConverter.h"

#include "CallbackSink.h"
#include "Diagnostics.h"
#include "EncoderSink.h"
#include "EndTrimmer.h"
#include "OutputPlan.h"
#include "Resampler.h"
#include "TempOutputFile.h"
#include "WaveFileSink.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using medrix::AudioDecoder;
using medrix::OutputPlan;
using medrix::Trace;

namespace {

constexpr int kMinRate = 1000;
constexpr int kMaxRate = 768000;
constexpr int64_t kDefaultBitRate = 128000;
constexpr int64_t kMinBitRate = 8000;
constexpr int64_t kMaxBitRate = 640000;
constexpr size_t kMaxPath = 4096;

// A compressed stream that ends well before the length its container states
// is damaged (cut off during a download or a copy): refuse it rather than
// import part of it silently. Plain PCM is exempt: wave files with stale size
// fields are common and every sample present is intact.
bool looksTruncated(const AudioDecoder::Info& info, int64_t decodedMicros)
{
    const bool pcm =
        info.codecId >= AV_CODEC_ID_PCM_S16LE && info.codecId < AV_CODEC_ID_ADPCM_IMA_QT;
    if (pcm || !info.exactDuration || info.duration <= 0)
        return false;
    const int64_t missing = info.duration - decodedMicros;
    return missing > 500000 && decodedMicros < info.duration / 10 * 9;
}

template <size_t N> void copyText(char (&dst)[N], const std::string& src)
{
    std::memset(dst, 0, N);
    std::memcpy(dst, src.data(), std::min(src.size(), N - 1));
}

uint32_t toU32(int64_t v)
{
    return static_cast<uint32_t>(std::clamp<int64_t>(v, 0, UINT32_MAX));
}

} // namespace

bool MedrixConverter::setInput(const char* path)
{
    m_stop.store(false);
    m_progress.store(0);
    m_input.clear();
    m_source.reset();
    m_inputInfo.reset();
    if (!path || !*path || std::strlen(path) >= kMaxPath)
        return false;
    AudioDecoder probe;
    if (!probe.open(path)) {
        Trace("input refused: %s", path);
        return false;
    }
    m_input = path;
    m_inputInfo = probe.info();
    return true;
}

bool MedrixConverter::setInputSource(const MedrixByteSource& source)
{
    m_stop.store(false);
    m_progress.store(0);
    m_input.clear();
    m_source.reset();
    m_inputInfo.reset();
    AudioDecoder probe;
    if (!probe.open(source)) {
        Trace("input stream refused");
        return false;
    }
    m_source = source;
    m_inputInfo = probe.info();
    return true;
}

bool MedrixConverter::inputAttributes(MedrixFileAttr* file, MedrixAudioAttr* audio) const
{
    if (!m_inputInfo || !file || !audio)
        return false;
    const AudioDecoder::Info& info = *m_inputInfo;
    std::memset(file, 0, sizeof *file);
    copyText(file->formatName, info.formatName);
    copyText(file->codecName, info.codecName);
    file->channels = toU32(info.channels);
    file->sampleRate = toU32(info.sampleRate);
    file->bitRate = toU32(info.bitRate);
    file->bitsPerSample = toU32(info.bitsPerSample);
    file->streamIndex = toU32(info.streamIndex);
    file->streamCount = toU32(info.streamCount);
    file->duration = info.duration;

    std::memset(audio, 0, sizeof *audio);
    copyText(audio->codecName, info.codecName);
    // Outputs are mono or stereo; a surround source is downmixed to stereo.
    audio->channels = toU32(std::min(info.channels, 2));
    audio->sampleRate = toU32(info.sampleRate);
    audio->bitRate = toU32(info.bitRate);
    return true;
}

bool MedrixConverter::isInputFile(const std::string& path) const
{
    struct stat in {
    }, out{};
    return !m_input.empty() && ::stat(m_input.c_str(), &in) == 0 &&
           ::stat(path.c_str(), &out) == 0 && in.st_dev == out.st_dev && in.st_ino == out.st_ino;
}

bool MedrixConverter::setOutputSink(MedrixSampleSink sink, void* context)
{
    m_output.clear();
    m_sink = sink;
    m_sinkContext = context;
    if (m_format) {
        const std::optional<OutputPlan> plan = OutputPlan::Resolve(m_format->codecName, "x.wav");
        if (!plan || plan->kind() != OutputPlan::Kind::Wave)
            m_format.reset();
    }
    return sink != nullptr;
}

bool MedrixConverter::setOutput(const char* path)
{
    m_output.clear();
    m_sink = nullptr;
    m_sinkContext = nullptr;
    if (!path || !*path || std::strlen(path) >= kMaxPath)
        return false;
    const std::string output = path;
    if (output.back() == '/')
        return false;
    struct stat st {};
    if (::stat(path, &st) == 0 && !S_ISREG(st.st_mode))
        return false; // a folder or a device is no output file
    const size_t slash = output.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : output.substr(0, slash));
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) ||
        ::access(folder.c_str(), W_OK | X_OK) != 0)
        return false;
    if (isInputFile(output))
        return false; // converting a file onto itself would destroy it
    m_output = output;
    if (m_format && !OutputPlan::Resolve(m_format->codecName, m_output))
        m_format.reset();
    return true;
}

bool MedrixConverter::setEncoderOptions(const medrix::EncoderOptions& options)
{
    if ((options.bits != 16 && options.bits != 24) || options.compressionLevel < -1 ||
        options.compressionLevel > 8 ||
        (options.useQuality && (options.quality < -1 || options.quality > 10)))
        return false;
    m_encoderOptions = options;
    return true;
}

bool MedrixConverter::setAudioAttributes(const MedrixAudioAttr& attr)
{
    m_format.reset();
    OutputFormat format;
    format.codecName.assign(attr.codecName, strnlen(attr.codecName, sizeof attr.codecName));
    if (attr.channels > 2)
        return false;
    if (attr.sampleRate != 0 && (attr.sampleRate < kMinRate || attr.sampleRate > kMaxRate))
        return false;
    // Without an output path yet, only the codec name can be checked; a sink
    // takes wave samples only.
    const std::string probePath = m_output.empty() ? std::string("x.wav") : m_output;
    const std::optional<OutputPlan> plan = OutputPlan::Resolve(format.codecName, probePath);
    if (!plan || (m_sink && plan->kind() != OutputPlan::Kind::Wave))
        return false;
    format.channels = static_cast<int>(attr.channels);
    format.sampleRate = static_cast<int>(attr.sampleRate);
    format.bitRate = attr.bitRate == 0
                         ? kDefaultBitRate
                         : std::clamp<int64_t>(attr.bitRate, kMinBitRate, kMaxBitRate);
    m_format = format;
    return true;
}

void MedrixConverter::reportProgress(const AudioDecoder& decoder)
{
    const AudioDecoder::Info& info = decoder.info();
    int64_t percent = 0;
    if (info.duration > 0)
        percent = decoder.decodedMicros() * 100 / info.duration;
    else if (info.fileSize > 0)
        percent = decoder.bytesRead() * 100 / info.fileSize;
    // 100 means done: it is set only once the output is complete.
    const int p = static_cast<int>(std::clamp<int64_t>(percent, 0, 99));
    if (p > m_progress.load())
        m_progress.store(p);
}

bool MedrixConverter::convert()
{
    m_progress.store(0);
    bool ok = false;
    try {
        ok = run();
    } catch (...) {
        ok = false; // out of memory inside the standard library: fail cleanly
    }
    if (ok)
        m_progress.store(100);
    return ok;
}

bool MedrixConverter::run()
{
    if (!m_inputInfo || (m_output.empty() && !m_sink) || !m_format || m_stop.load())
        return false;
    const std::optional<OutputPlan> plan =
        OutputPlan::Resolve(m_format->codecName, m_sink ? std::string("x.wav") : m_output);
    if (!plan || (!m_sink && isInputFile(m_output)) ||
        (m_sink && plan->kind() != OutputPlan::Kind::Wave))
        return false;
    const int channels =
        m_format->channels ? m_format->channels : std::min(m_inputInfo->channels, 2);
    const int rate = m_format->sampleRate ? m_format->sampleRate : m_inputInfo->sampleRate;

    AudioDecoder decoder(&m_stop);
    if (m_source ? !decoder.open(*m_source) : !decoder.open(m_input)) {
        Trace("cannot open input %s", m_input.c_str());
        return false;
    }
    std::optional<medrix::TempOutputFile> output;
    if (!m_sink) {
        output.emplace(m_output);
        if (!output->valid()) {
            Trace("cannot create output beside %s", m_output.c_str());
            return false;
        }
    }
    std::unique_ptr<medrix::AudioSink> sink;
    if (m_sink) {
        sink = std::make_unique<medrix::CallbackSink>(rate, channels, m_sink, m_sinkContext);
    } else if (plan->kind() == OutputPlan::Kind::Wave) {
        // The expected size decides the header: a canonical one up to 4 GiB,
        // RF64 beyond (the sink switches by itself when the guess was short).
        const int64_t expected = decoder.info().duration * rate / 1'000'000 * channels * 2;
        auto wave = std::make_unique<medrix::WaveFileSink>(rate, channels);
        if (!wave->open(output->path(), expected))
            return false;
        sink = std::move(wave);
    } else {
        auto encoder = std::make_unique<medrix::EncoderSink>();
        if (!encoder->open(*plan, output->path(), rate, channels, m_format->bitRate,
                           m_encoderOptions)) {
            Trace("cannot open encoder %s", plan->encoder().c_str());
            return false;
        }
        sink = std::move(encoder);
    }

    medrix::Resampler resampler(*sink);
    resampler.SetDither(decoder.info().lossless);
    medrix::EndTrimmer trimmer(decoder.info().editEndSamples,
                               [&resampler](AVFrame& f) { return resampler.push(f); });
    medrix::FramePtr frame(av_frame_alloc());
    if (!frame)
        return false;
    bool decodedAny = false;
    for (;;) {
        const AudioDecoder::Result result = decoder.next(frame.get());
        if (result == AudioDecoder::Result::End)
            break;
        if (result != AudioDecoder::Result::Frame)
            return false; // stopped, or the input is beyond repair
        if (!trimmer.push(*frame)) {
            Trace("cannot convert or write samples");
            return false;
        }
        decodedAny = true;
        reportProgress(decoder);
    }
    if (!decodedAny || decoder.readError() ||
        looksTruncated(decoder.info(), decoder.decodedMicros())) {
        Trace("input damaged: %s", m_input.c_str());
        return false;
    }
    if (!trimmer.finish() || !resampler.flush() || !sink->finish())
        return false;
    sink.reset();
    if (m_stop.load())
        return false;
    return !output || output->commit();
}
