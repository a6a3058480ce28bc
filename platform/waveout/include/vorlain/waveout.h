/* The wave output device: a small layer over ALSA playback with the semantics
 * of a block-queue output device. The caller owns a set of blocks (a header
 * plus a buffer each), prepares them once, writes them one after another and
 * gets each back through the done callback once the device has played it.
 *
 * Typical use (a ring of blocks fed by one thread):
 *   VorlainWaveOutOpen(&dev, NULL, &format, onDone, ring);   // onDone frees a ring slot
 *   for each full block: VorlainWaveOutPrepareHeader(dev, h); VorlainWaveOutWrite(dev, h);
 *   on stop:             VorlainWaveOutReset(dev);   // every queued block comes back
 *                        VorlainWaveOutUnprepareHeader(dev, h) for each block;
 *                        VorlainWaveOutClose(dev);
 *
 * Threads: every function may be called from any thread. The device runs one
 * thread of its own that feeds ALSA and calls the done callback. The callback
 * runs without any lock of the layer held; it may call Prepare, Unprepare,
 * Write, GetPosition and the header accessors, but not Pause, Restart, Reset or
 * Close (they return VORLAIN_WAVE_BADCALL there, because they wait for that very
 * thread). The caller must not hold a lock that its callback takes while it
 * calls Reset or Close: both wait until the callbacks they cause have run.
 *
 * Only 16-bit little-endian PCM is played; one or two channels. */
#ifndef VORLAIN_WAVEOUT_H
#define VORLAIN_WAVEOUT_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VORLAIN_WAVEOUT_API __attribute__((visibility("default")))

/* Results: 0 is success, anything else names the failure. */
typedef enum VorlainWaveResult {
    VORLAIN_WAVE_OK = 0,
    VORLAIN_WAVE_ERROR = 1,        /* the device failed while running */
    VORLAIN_WAVE_BADDEVICE = 2,    /* the named device does not exist or cannot be opened */
    VORLAIN_WAVE_BADFORMAT = 3,    /* the format is not 16-bit PCM, 1-2 channels, consistent */
    VORLAIN_WAVE_INVALHANDLE = 4,  /* a null device */
    VORLAIN_WAVE_INVALPARAM = 5,   /* a null or malformed header or argument */
    VORLAIN_WAVE_STILLPLAYING = 6, /* the header is queued at the device */
    VORLAIN_WAVE_UNPREPARED = 7,   /* the header was written without being prepared */
    VORLAIN_WAVE_BADCALL = 8,      /* called from the done callback where that would deadlock */
    VORLAIN_WAVE_NOMEM = 9
} VorlainWaveResult;

/* The playback format, laid out like the PCM wave format record. */
typedef struct VorlainWaveFormat {
    uint16_t formatTag;      /* 1 = PCM */
    uint16_t channels;       /* 1 or 2 */
    uint32_t samplesPerSec;  /* frames per second */
    uint32_t avgBytesPerSec; /* blockAlign * samplesPerSec */
    uint16_t blockAlign;     /* channels * bitsPerSample / 8 */
    uint16_t bitsPerSample;  /* 16 */
} VorlainWaveFormat;

/* Header flag bits. */
#define VORLAIN_WHDR_DONE 0x01u     /* set when the device hands the block back */
#define VORLAIN_WHDR_PREPARED 0x02u /* set by Prepare, cleared by Unprepare */
#define VORLAIN_WHDR_INQUEUE 0x10u  /* set by Write, cleared when the block is handed back */

/* One block. The caller owns header and buffer; while the block is queued
 * (from Write until its done callback) neither may be changed or freed. */
typedef struct VorlainWaveHeader {
    char* data;             /* the PCM bytes */
    uint32_t bufferLength;  /* bytes to play; a whole number of frames */
    uint32_t bytesUsed;     /* the caller's own fill count; the layer never reads it */
    void* user;             /* the caller's own value, handed back with the block */
    uint32_t flags;         /* VORLAIN_WHDR_*; read it with VorlainWaveHeaderFlags */
    uint32_t reserved;
} VorlainWaveHeader;

typedef struct VorlainWaveOut VorlainWaveOut;

/* Called on the device's thread once per written block, in the order the
 * blocks were written: after the block has been played, after Reset dropped
 * it, or after Close dropped it. VORLAIN_WHDR_DONE is set and
 * VORLAIN_WHDR_INQUEUE cleared before the call. */
typedef void (*VorlainWaveDoneProc)(void* context, VorlainWaveHeader* header);

/* Opens an output device and starts its thread.
 * pcmName: an ALSA PCM name; NULL or "" means the environment variable
 * VORLAIN_PCM when set and not empty, else "default".
 * On success *device is the new device and the result is VORLAIN_WAVE_OK; on
 * failure *device is NULL and nothing is left open (VORLAIN_WAVE_BADDEVICE when
 * the PCM does not exist or is busy, VORLAIN_WAVE_BADFORMAT when the format is
 * malformed or the PCM refuses it). done may be NULL. */
VORLAIN_WAVEOUT_API int VorlainWaveOutOpen(VorlainWaveOut** device, const char* pcmName,
                                           const VorlainWaveFormat* format,
                                           VorlainWaveDoneProc done, void* context);

/* Marks a header ready for Write. Refuses a header without data (unless its
 * length is 0), whose length is not a whole number of frames
 * (VORLAIN_WAVE_INVALPARAM) or that is queued (VORLAIN_WAVE_STILLPLAYING).
 * Preparing a prepared header is harmless. */
VORLAIN_WAVEOUT_API int VorlainWaveOutPrepareHeader(VorlainWaveOut* device,
                                                    VorlainWaveHeader* header);
/* Clears VORLAIN_WHDR_PREPARED. A queued header is refused with
 * VORLAIN_WAVE_STILLPLAYING; an unprepared one is accepted. */
VORLAIN_WAVEOUT_API int VorlainWaveOutUnprepareHeader(VorlainWaveOut* device,
                                                      VorlainWaveHeader* header);
/* Queues a prepared block behind the ones already queued and returns at once.
 * Blocks are played in the order written. A header that is already queued is
 * refused with VORLAIN_WAVE_STILLPLAYING. While the device is paused the block
 * waits in the queue. */
VORLAIN_WAVEOUT_API int VorlainWaveOutWrite(VorlainWaveOut* device, VorlainWaveHeader* header);

/* Holds playback where it is; queued blocks stay queued and nothing is lost or
 * repeated. Pausing a paused device is harmless. Blocks written while paused
 * wait. A PCM that cannot pause (dmix, some USB devices) first plays out what
 * ALSA already holds, at most a quarter of a second. */
VORLAIN_WAVEOUT_API int VorlainWaveOutPause(VorlainWaveOut* device);
/* Goes on after Pause from exactly where playback was held. Harmless when not
 * paused. */
VORLAIN_WAVEOUT_API int VorlainWaveOutRestart(VorlainWaveOut* device);
/* Drops everything queued and what the device still holds: every queued block
 * gets its done callback (in order) before Reset returns, so the caller can
 * reclaim all of them. The position goes back to 0. A paused device stays
 * paused. */
VORLAIN_WAVEOUT_API int VorlainWaveOutReset(VorlainWaveOut* device);
/* Resets (every queued block still gets its done callback), closes the PCM,
 * ends the device's thread and frees the device. Returns only after the thread
 * has ended: no callback runs after Close returns. The handle is invalid
 * afterwards. */
VORLAIN_WAVEOUT_API int VorlainWaveOutClose(VorlainWaveOut* device);

/* Frames the device has played since Open or the last Reset. The value never
 * decreases between resets; it is refreshed every few milliseconds. */
VORLAIN_WAVEOUT_API int VorlainWaveOutGetPosition(VorlainWaveOut* device, int64_t* frames);

/* The header's flags, read safely while the device's thread may change them. */
VORLAIN_WAVEOUT_API uint32_t VorlainWaveHeaderFlags(const VorlainWaveHeader* header);

#ifdef __cplusplus
}
#endif

#endif
