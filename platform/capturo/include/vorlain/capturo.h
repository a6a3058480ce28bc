/* Capturo: the capture library. Records 16-bit PCM from an ALSA capture
 * device on a thread of its own and hands each buffer to a callback; keeps the
 * chosen input and device names in a settings file; lists devices for a
 * record-source dialog.
 *
 * Inputs ("options"):
 *   1  microphone: the ALSA PCM named by the environment variable
 *      VORLAIN_CAPTURE_PCM when set and not empty, else the stored microphone
 *      device (default "default");
 *   2  computer sound: the stored computer-sound device, a monitor or loopback
 *      capture PCM (default "pulse:@DEFAULT_MONITOR@", the monitor of the
 *      PulseAudio or PipeWire default output; "pulse:nullsink.monitor" names
 *      one sink's monitor);
 *   3  both: the two devices above, mixed sample by sample, clamped to 16 bits.
 *
 * Settings file (UTF-8 INI, written atomically):
 *   [Capturo]
 *   Option=3                      ; absent when none is chosen
 *   MicrophoneDevice=default
 *   ComputerSoundDevice=pulse:@DEFAULT_MONITOR@
 *
 * All calls are process-wide (one recording at a time), thread-safe, and
 * return nonzero for success and 0 for failure unless said otherwise. The
 * data callback may not call crxEndRecord (it would wait for itself). */
#ifndef VORLAIN_CAPTURO_H
#define VORLAIN_CAPTURO_H

#ifdef __cplusplus
extern "C" {
#endif

#define CRX_API __attribute__((visibility("default")))

#define CRX_OPTION_NONE (-1)
#define CRX_OPTION_MICROPHONE 1
#define CRX_OPTION_COMPUTER_SOUND 2
#define CRX_OPTION_BOTH 3

/* Called on the capture thread with each captured buffer of whole frames:
 * about bufferMs of sound, the last one before crxEndRecord possibly shorter.
 * The buffer is valid only during the call. */
typedef void (*CrxDataCallback)(void* context, const void* buffer, unsigned int byteCount);

/* Loads the settings file at iniPath (UTF-8) and remembers the path for
 * saving. A file that does not exist yet is created with the default device
 * names and no option. Fails for a null or empty path, a path whose folder is
 * missing, a folder, or a file that cannot be read or created; the settings in
 * use then stay as they were. */
CRX_API int crxInitSetting(const char* iniPath);
/* Writes the option and both device names to the file named by the last
 * successful crxInitSetting. Fails when there is none or it cannot be written. */
CRX_API int crxSaveSetting(void);

/* The current option 1..3, or -1 (CRX_OPTION_NONE) when none is chosen. */
CRX_API int crxGetOption(void);
/* Chooses option 1..3 for the next recording after checking that its
 * device(s) open with the current format (the check is skipped while a
 * recording runs). Fails for any other number or a device that does not open;
 * the option then stays as it was. The choice lives in memory until
 * crxSaveSetting. */
CRX_API int crxSetOption(int option);
/* The format of the next recording: 1 or 2 channels, 8000..192000 Hz, 16 bits
 * only. Fails while recording. Default: 2 channels, 44100 Hz, 16 bits. */
CRX_API int crxSetFormat(int channels, int rate, int bits);

/* Opens and starts the device(s) of the current option, so that capture runs
 * when the call returns, and starts the capture thread,
 * which calls cb(context, buffer, bytes) with about bufferMs (10..5000) of
 * sound per call. Fails, with nothing left running, when no option is chosen,
 * cb is null, bufferMs is out of range, a recording already runs, or a device
 * cannot be opened. */
CRX_API int crxBeginRecord(int bufferMs, CrxDataCallback cb, void* context);
/* Stops the capture thread and returns after its last callback has returned;
 * every frame captured up to the call is delivered first, also those the
 * device still held because the callbacks lagged behind it, and none after.
 * Succeeds also when nothing is recording. Fails when called from the data
 * callback, and when a callback has not returned within 2 seconds (say, it
 * waits for the very thread that called crxEndRecord): the thread then ends
 * by itself once that callback returns, with no further call, and until then
 * the recording counts as running (crxEndRecord may be called again). */
CRX_API int crxEndRecord(void);
/* The frames (per channel) captured since crxBeginRecord up to this call,
 * counting those not yet handed to the callback, so that a caller can mark
 * where in the delivered stream a moment falls; from inside the callback, the
 * frames up to the end of the buffer in hand. -1 when nothing records. */
CRX_API long long crxGetCapturedFrames(void);

/* Device listing for a record-source dialog. option is 1 (microphones) or 2
 * (monitors and loopbacks); option 3 has no list of its own and counts 0.
 * crxGetDeviceCount builds the list afresh and returns its length (0 for an
 * unknown option); crxGetDeviceName copies entry index of the list last built
 * for that option into name (size bytes with the terminator) and fails for an
 * index out of range or a name that does not fit (a cut name would name
 * another device). The list starts with the stored device of that option. */
CRX_API int crxGetDeviceCount(int option);
CRX_API int crxGetDeviceName(int option, int index, char* name, int size);
/* Stores name as the device of option 1 or 2 and writes it to the settings
 * file at once. Fails before crxInitSetting, for another option, for an empty
 * name, one longer than 255 bytes or holding a line break, or when the file
 * cannot be written (the device then stays as it was). */
CRX_API int crxSelectDevice(int option, const char* name);
/* Copies the stored device of option 1 or 2 into name; fails when it does not
 * fit. */
CRX_API int crxGetSelectedDevice(int option, char* name, int size);
/* The rate the device of the option in force runs at when its hardware
 * fixes one (for two inputs, the microphone's); 0 when the device takes a
 * range of rates (a sound server, a converting plug) or does not open. */
CRX_API int crxGetDeviceRate(void);

#ifdef __cplusplus
}
#endif

#endif
