// Opens an input with libavformat, picks its first decodable audio stream and
// decodes it frame by frame. Start padding, end padding and edit lists are
// applied by FFmpeg (skip-samples side data), so a gapless source decodes to
// its true length.
#pragma once

#include "FfmpegPtr.h"
#include "vorlain/medrix.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace medrix {

class AudioDecoder {
public:
    /** What the input declares, read when it is opened. */
    struct Info {
        std::string formatName;
        std::string codecName;
        AVCodecID codecId = AV_CODEC_ID_NONE;
        /** A lossless codec (PCM, FLAC, ALAC, WavPack): what it decodes is
         *  the source itself, so a reduction to 16 bits is dithered. */
        bool lossless = false;
        int channels = 0;
        int sampleRate = 0;
        int64_t bitRate = 0;
        int bitsPerSample = 0;
        int streamIndex = -1;
        int streamCount = 0;
        int64_t duration = 0;       // microseconds, 0 when unknown
        bool exactDuration = false; // declared by the container, not guessed from the bit rate
        int64_t fileSize = 0;
        // Where an MP4 edit list ends the audio, in samples at sampleRate; -1
        // when the container states no such end. FFmpeg trims an edit list's
        // start but decodes the encoder's padding at its end.
        int64_t editEndSamples = -1;
    };

    enum class Result { Frame, End, Failed, Stopped };

    /** `stop` (may be null) interrupts reading and decoding when it turns true. */
    explicit AudioDecoder(const std::atomic<bool>* stop = nullptr) : m_stop(stop) {}
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    /** Opens a regular, non-empty file and its decoder. */
    bool open(const std::string& path);
    /** Opens a byte stream and its decoder (the source is read from the start). */
    bool open(const MedrixByteSource& source);
    const Info& info() const { return m_info; }

    /** Decodes the next frame into `frame` (unreferenced first). */
    Result next(AVFrame* frame);
    /** Decoded audio so far in microseconds. */
    int64_t decodedMicros() const { return m_decodedMicros; }
    /** Bytes of the input read so far, for progress when the duration is unknown. */
    int64_t bytesRead() const;
    /** Whether reading stopped on an error rather than at the end of the file. */
    bool readError() const { return m_readError; }

private:
    static int interrupted(void* self);
    static int readSource(void* self, uint8_t* buffer, int size);
    static int64_t seekSource(void* self, int64_t offset, int whence);
    /** The demuxer and decoder over m_io, which is set. */
    bool openFormat(const char* name);
    bool stopRequested() const { return m_stop && m_stop->load(std::memory_order_relaxed); }

    const std::atomic<bool>* m_stop;
    AVIOContext* m_io = nullptr;
    bool m_customIo = false; // m_io reads m_source, and its buffer is ours to free
    MedrixByteSource m_source{};
    int64_t m_sourcePos = 0;
    AVFormatContext* m_format = nullptr;
    CodecContextPtr m_decoder;
    PacketPtr m_packet;
    Info m_info;
    bool m_draining = false;
    bool m_readError = false;
    int64_t m_decodedMicros = 0;
};

} // namespace medrix
