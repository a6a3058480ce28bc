// The converter behind a Medrix handle: the input, the output and its format,
// and one blocking conversion whose progress and stop request are shared with
// other threads.
#pragma once

#include "AudioDecoder.h"
#include "EncoderSink.h"
#include "vorlain/medrix.h"

#include <atomic>
#include <optional>
#include <string>

struct MedrixConverter {
public:
    /** Probes the input; clears an earlier stop request and the progress. */
    bool setInput(const char* path);
    /** The same for a byte stream in place of a file. */
    bool setInputSource(const MedrixByteSource& source);
    bool inputAttributes(MedrixFileAttr* file, MedrixAudioAttr* audio) const;
    bool setOutput(const char* path);
    bool setOutputSink(MedrixSampleSink sink, void* context);
    bool setAudioAttributes(const MedrixAudioAttr& attr);
    bool setEncoderOptions(const medrix::EncoderOptions& options);
    bool convert();
    int progress() const { return m_progress.load(); }
    void stop() { m_stop.store(true); }

private:
    struct OutputFormat {
        std::string codecName;
        int channels = 0;   // 0: the source's, at most 2
        int sampleRate = 0; // 0: the source's
        int64_t bitRate = 0;
    };

    bool run();
    void reportProgress(const medrix::AudioDecoder& decoder);
    bool isInputFile(const std::string& path) const;

    std::string m_input;
    std::optional<MedrixByteSource> m_source; // instead of m_input
    std::optional<medrix::AudioDecoder::Info> m_inputInfo;
    std::string m_output;
    MedrixSampleSink m_sink = nullptr; // instead of m_output
    void* m_sinkContext = nullptr;
    std::optional<OutputFormat> m_format;
    medrix::EncoderOptions m_encoderOptions;
    std::atomic<int> m_progress{0};
    std::atomic<bool> m_stop{false};
};
