/* Medrix: the audio converter the kernel links by name. It decodes the first
 * audio stream of any file FFmpeg reads and writes a 16-bit PCM wave file
 * (RF64 once its data passes 4 GiB), an MP3, an AAC in MP4, or whatever the
 * output extension implies, or hands 16-bit PCM to a sink function.
 *
 * One conversion per handle: AV_Open, AV_SetInputpath, (AV_GetInputFileAttr),
 * AV_SetOutputPath (or AV_SetOutputSink), AV_SetAudioAttr, AV_Convert (blocking; AV_GetProgress and
 * AV_Stop may be called from another thread meanwhile), AV_Close. Every call
 * returns non-zero for success and 0 for failure; none crashes on a null
 * handle or null pointer. */
#ifndef VORLAIN_MEDRIX_H
#define VORLAIN_MEDRIX_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#define MEDRIX_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define MEDRIX_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

#define MEDRIX_API __attribute__((visibility("default")))

/* The records keep the byte layout of the 32-bit original: 4-byte packing. */
#pragma pack(push, 4)

/** What AV_GetInputFileAttr reports about the input file. 2604 bytes. */
typedef struct MedrixFileAttr {
    char formatName[128];   /* FFmpeg's short name of the container, e.g. "wav", "mp3" */
    char codecName[128];    /* codec of the audio stream that is decoded, e.g. "mp3" */
    uint32_t channels;      /* channels of the source (not capped) */
    uint32_t sampleRate;    /* Hz of the source */
    uint32_t bitRate;       /* bits per second of the audio stream, else of the file; 0 unknown */
    uint32_t bitsPerSample; /* of the source samples when the codec has a fixed width, else 0 */
    uint32_t streamIndex;   /* index of the decoded stream in the container */
    uint32_t streamCount;   /* streams in the container */
    char reserved[2592 - 280];
    int64_t duration; /* microseconds; 0 when unknown */
    uint32_t reserved2;
} MedrixFileAttr;

/** Audio format of a source (reported) or of the output (requested). 140 bytes. */
typedef struct MedrixAudioAttr {
    char codecName[128]; /* "pcm_s16le", "libmp3lame", "mpeg4aac"; "" = the extension's codec */
    uint32_t channels;   /* 1 or 2; a source with more is reported as 2 (the output is downmixed) */
    uint32_t sampleRate; /* Hz */
    uint32_t bitRate;    /* bits per second; 0 = the encoder's default (128000 for MP3 and AAC) */
} MedrixAudioAttr;

#pragma pack(pop)

MEDRIX_STATIC_ASSERT(sizeof(MedrixFileAttr) == 2604, "MedrixFileAttr is 2604 bytes");
MEDRIX_STATIC_ASSERT(offsetof(MedrixFileAttr, formatName) == 0, "formatName at 0");
MEDRIX_STATIC_ASSERT(offsetof(MedrixFileAttr, codecName) == 128, "codecName at 128");
MEDRIX_STATIC_ASSERT(offsetof(MedrixFileAttr, channels) == 256, "channels at 256");
MEDRIX_STATIC_ASSERT(offsetof(MedrixFileAttr, sampleRate) == 260, "sampleRate at 260");
MEDRIX_STATIC_ASSERT(offsetof(MedrixFileAttr, bitRate) == 264, "bitRate at 264");
MEDRIX_STATIC_ASSERT(offsetof(MedrixFileAttr, bitsPerSample) == 268, "bitsPerSample at 268");
MEDRIX_STATIC_ASSERT(offsetof(MedrixFileAttr, streamIndex) == 272, "streamIndex at 272");
MEDRIX_STATIC_ASSERT(offsetof(MedrixFileAttr, streamCount) == 276, "streamCount at 276");
MEDRIX_STATIC_ASSERT(offsetof(MedrixFileAttr, reserved) == 280, "reserved at 280");
MEDRIX_STATIC_ASSERT(offsetof(MedrixFileAttr, duration) == 2592, "duration at 2592");
MEDRIX_STATIC_ASSERT(offsetof(MedrixFileAttr, reserved2) == 2600, "reserved2 at 2600");
MEDRIX_STATIC_ASSERT(sizeof(MedrixAudioAttr) == 140, "MedrixAudioAttr is 140 bytes");
MEDRIX_STATIC_ASSERT(offsetof(MedrixAudioAttr, codecName) == 0, "codecName at 0");
MEDRIX_STATIC_ASSERT(offsetof(MedrixAudioAttr, channels) == 128, "channels at 128");
MEDRIX_STATIC_ASSERT(offsetof(MedrixAudioAttr, sampleRate) == 132, "sampleRate at 132");
MEDRIX_STATIC_ASSERT(offsetof(MedrixAudioAttr, bitRate) == 136, "bitRate at 136");

/** Opaque converter; a null handle means failure. */
typedef struct MedrixConverter* MedrixHandle;

/** @returns a new converter, or null when out of memory. */
MEDRIX_API MedrixHandle AV_Open(void);

/** Opens and probes the input. @returns non-zero when it is a regular, non-empty
 *  file with an audio stream that can be decoded. */
MEDRIX_API int AV_SetInputpath(MedrixHandle h, const char* path);

/** A byte stream read in place of an input file. read fills buffer with up
 *  to size bytes and returns how many (0 at the end, negative on an error);
 *  seek goes to an absolute offset and returns it (negative on an error).
 *  size is the stream's length in bytes. The calls come from the threads
 *  that run AV_SetInputSource and AV_Convert, one at a time. */
typedef struct MedrixByteSource {
    void* context;
    int (*read)(void* context, uint8_t* buffer, int size);
    int64_t (*seek)(void* context, int64_t offset);
    int64_t size;
} MedrixByteSource;

/** Takes the input from source instead of a file, probed as a file's bytes
 *  would be (a stream holding a wave file, say); the source is copied and
 *  what it reads must outlive the conversion. Clears an earlier stop request
 *  and the progress. @returns non-zero when the stream holds audio that can
 *  be decoded. */
MEDRIX_API int AV_SetInputSource(MedrixHandle h, const MedrixByteSource* source);

/** Fills both records from the probed input (reserved must be 0). The audio
 *  record holds the source's codec name, channels (at most 2), rate and bit rate.
 *  @returns 0 without an accepted input or with a null record. */
MEDRIX_API int AV_GetInputFileAttr(MedrixHandle h, MedrixFileAttr* file, MedrixAudioAttr* audio,
                                   int reserved);

/** @returns non-zero when the path names a file that can be created: its folder
 *  exists and is writable, it is not a folder, and it is not the input file. */
MEDRIX_API int AV_SetOutputPath(MedrixHandle h, const char* path);

/** Receives converted samples in place of an output file: `frames` frames of
 *  interleaved 16-bit PCM in the channels and rate of the output format.
 *  Called on the thread that runs AV_Convert. @returns non-zero to go on, 0 to
 *  end the conversion with failure. */
typedef int (*MedrixSampleSink)(void* context, const int16_t* samples, uint32_t frames);

/** Delivers the converted samples to sink instead of writing a file; the
 *  output codec must then be "pcm_s16le" (or empty). Replaces an output path
 *  set before, as AV_SetOutputPath replaces a sink. AV_Convert reports success
 *  only when the sink took every sample. @returns 0 for a null sink. */
MEDRIX_API int AV_SetOutputSink(MedrixHandle h, MedrixSampleSink sink, void* context);

/** Sets the output format. An empty codec name takes the codec the output
 *  extension implies (.wav .mp3 .m4a .mp4 .aac .flac .ogg .opus); channels and
 *  sample rate 0 keep the source's. @returns 0 for an unknown codec or extension,
 *  more than 2 channels, or a rate out of 1000..768000 Hz. */
MEDRIX_API int AV_SetAudioAttr(MedrixHandle h, MedrixAudioAttr attr);

/** Encoder settings beyond the bit rate, for later conversions to a file:
 *  bits 16 or 24 (FLAC, and WAV through the codec name "pcm_s24le"; 0 means
 *  16); with useQuality the encoder's variable quality instead of the bit
 *  rate (LAME's -V 0..9, Vorbis's -1..10); compressionLevel 0..8 (FLAC), or
 *  -1 for the encoder's own. @returns 0 for a value out of those ranges. */
MEDRIX_API int AV_SetEncoderOptions(MedrixHandle h, int bits, int useQuality, int quality,
                                    int compressionLevel);

/** Converts, streaming packet by packet; blocks until done. The output appears
 *  under its name only when the conversion succeeded; a failed or stopped
 *  conversion leaves no file behind and an existing file unchanged.
 *  @returns non-zero on success, 0 on failure or after AV_Stop. */
MEDRIX_API int AV_Convert(MedrixHandle h);

/** @returns 0..100, the decoded share of the input; 100 once AV_Convert succeeded.
 *  Safe to call from any thread. */
MEDRIX_API int AV_GetProgress(MedrixHandle h);

/** Makes a running AV_Convert return 0 within about 100 ms; a request made
 *  before AV_Convert starts makes it return 0 at once. A new AV_SetInputpath
 *  clears the request. Safe to call from any thread. */
MEDRIX_API int AV_Stop(MedrixHandle h);

/** Frees the converter; null is accepted. Must not be called while AV_Convert runs. */
MEDRIX_API int AV_Close(MedrixHandle h);

#ifdef __cplusplus
}
#endif

#endif
