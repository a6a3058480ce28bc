// The exported calls: argument checks around WaveOutDevice.
#include "vorlain/waveout.h"

#include "wave_out_device.h"

#include <atomic>

using vorlain::waveout::WaveOutDevice;

struct VorlainWaveOut {
    std::unique_ptr<WaveOutDevice> device;
};

extern "C" {

int VorlainWaveOutOpen(VorlainWaveOut** device, const char* pcmName,
                       const VorlainWaveFormat* format, VorlainWaveDoneProc done, void* context)
{
    if (!device)
        return VORLAIN_WAVE_INVALPARAM;
    *device = nullptr;
    if (!format)
        return VORLAIN_WAVE_BADFORMAT;
    auto* handle = new (std::nothrow) VorlainWaveOut;
    if (!handle)
        return VORLAIN_WAVE_NOMEM;
    int result = WaveOutDevice::Open(handle->device, pcmName, *format, done, context);
    if (result != VORLAIN_WAVE_OK) {
        delete handle;
        return result;
    }
    *device = handle;
    return VORLAIN_WAVE_OK;
}

int VorlainWaveOutPrepareHeader(VorlainWaveOut* device, VorlainWaveHeader* header)
{
    return device ? device->device->prepare(header) : VORLAIN_WAVE_INVALHANDLE;
}

int VorlainWaveOutUnprepareHeader(VorlainWaveOut* device, VorlainWaveHeader* header)
{
    return device ? device->device->unprepare(header) : VORLAIN_WAVE_INVALHANDLE;
}

int VorlainWaveOutWrite(VorlainWaveOut* device, VorlainWaveHeader* header)
{
    return device ? device->device->write(header) : VORLAIN_WAVE_INVALHANDLE;
}

int VorlainWaveOutPause(VorlainWaveOut* device)
{
    return device ? device->device->pause() : VORLAIN_WAVE_INVALHANDLE;
}

int VorlainWaveOutRestart(VorlainWaveOut* device)
{
    return device ? device->device->restart() : VORLAIN_WAVE_INVALHANDLE;
}

int VorlainWaveOutReset(VorlainWaveOut* device)
{
    return device ? device->device->reset() : VORLAIN_WAVE_INVALHANDLE;
}

int VorlainWaveOutClose(VorlainWaveOut* device)
{
    if (!device)
        return VORLAIN_WAVE_INVALHANDLE;
    int result = device->device->close();
    if (result == VORLAIN_WAVE_BADCALL)
        return result; // from the callback: the device stays open
    delete device;
    return result;
}

int VorlainWaveOutGetPosition(VorlainWaveOut* device, int64_t* frames)
{
    if (!device)
        return VORLAIN_WAVE_INVALHANDLE;
    if (!frames)
        return VORLAIN_WAVE_INVALPARAM;
    *frames = device->device->position();
    return VORLAIN_WAVE_OK;
}

uint32_t VorlainWaveHeaderFlags(const VorlainWaveHeader* header)
{
    if (!header)
        return 0;
    return std::atomic_ref<uint32_t>(const_cast<uint32_t&>(header->flags)).load();
}

} // extern "C"
