// The exported crx* calls: one process-wide library state (settings, format,
// the running recording) behind one lock.
#include "vorlain/capturo.h"

#include "capture_device.h"
#include "capture_session.h"
#include "capture_settings.h"
#include "device_catalog.h"

#include <alsa/asoundlib.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

using namespace vorlain::capturo;

namespace {

constexpr int kMinBufferMs = 10;
constexpr int kMaxBufferMs = 5000;
// How long crxEndRecord waits for a callback that is still running. A caller
// that stops the recording from the thread its callback sends to (a window's
// UI thread) would otherwise wait for ever.
constexpr std::chrono::milliseconds kEndWait{2000};
// How long crxBeginRecord waits for a device's first frames.
constexpr std::chrono::milliseconds kWakeWait{2000};

struct Library {
    std::mutex lock;
    CaptureSettings settings;
    unsigned channels = 2;
    unsigned rate = 44100;
    std::unique_ptr<CaptureSession> session;
    std::vector<std::string> lists[2]; // the last listing of options 1 and 2
    std::mutex endLock;                // one crxEndRecord at a time
};

Library& lib()
{
    static Library library;
    return library;
}

// The microphone: the environment wins over the settings, so that tests and
// scripts can point capture at any PCM without touching the user's file.
std::string microphone(const Library& l)
{
    const char* env = std::getenv("VORLAIN_CAPTURE_PCM");
    return env && *env ? std::string(env) : l.settings.device(CRX_OPTION_MICROPHONE);
}

std::vector<std::unique_ptr<CaptureDevice>> openInputs(const Library& l, int option)
{
    std::vector<std::unique_ptr<CaptureDevice>> devices;
    std::vector<std::string> names;
    if (option == CRX_OPTION_MICROPHONE || option == CRX_OPTION_BOTH)
        names.push_back(microphone(l));
    if (option == CRX_OPTION_COMPUTER_SOUND || option == CRX_OPTION_BOTH)
        names.push_back(l.settings.device(CRX_OPTION_COMPUTER_SOUND));
    for (const std::string& name : names) {
        auto device = CaptureDevice::Open(name, l.channels, l.rate);
        if (!device)
            return {};
        devices.push_back(std::move(device));
    }
    return devices;
}

// Whether a recording holds the devices. A recording whose end timed out is
// reaped here once its thread has ended, unless a crxEndRecord is at it.
bool recording(Library& l)
{
    if (!l.session)
        return false;
    std::unique_lock end(l.endLock, std::try_to_lock);
    if (end.owns_lock() && l.session->ended())
        l.session.reset();
    return l.session != nullptr;
}

bool copyName(const std::string& text, char* name, int size)
{
    if (!name || size <= 0 || text.size() >= static_cast<size_t>(size))
        return false;
    std::memcpy(name, text.c_str(), text.size() + 1);
    return true;
}

} // namespace

extern "C" {

int crxInitSetting(const char* iniPath)
{
    if (!iniPath || !*iniPath)
        return 0;
    Library& l = lib();
    std::lock_guard lock(l.lock);
    CaptureSettings loaded;
    if (!loaded.load(iniPath))
        return 0;
    l.settings = loaded;
    return 1;
}

int crxSaveSetting(void)
{
    Library& l = lib();
    std::lock_guard lock(l.lock);
    return l.settings.save() ? 1 : 0;
}

int crxGetOption(void)
{
    Library& l = lib();
    std::lock_guard lock(l.lock);
    return l.settings.option();
}

int crxSetOption(int option)
{
    if (option < CRX_OPTION_MICROPHONE || option > CRX_OPTION_BOTH)
        return 0;
    Library& l = lib();
    std::lock_guard lock(l.lock);
    // A running recording holds the devices; the choice is for the next one.
    if (!recording(l) && openInputs(l, option).empty())
        return 0;
    l.settings.setOption(option);
    return 1;
}

int crxSetFormat(int channels, int rate, int bits)
{
    if (bits != 16 || channels < 1 || channels > 2 || rate < 8000 || rate > 192000)
        return 0;
    Library& l = lib();
    std::lock_guard lock(l.lock);
    if (recording(l))
        return 0;
    l.channels = static_cast<unsigned>(channels);
    l.rate = static_cast<unsigned>(rate);
    return 1;
}

int crxBeginRecord(int bufferMs, CrxDataCallback cb, void* context)
{
    if (!cb || bufferMs < kMinBufferMs || bufferMs > kMaxBufferMs)
        return 0;
    Library& l = lib();
    std::lock_guard lock(l.lock);
    if (recording(l) || l.settings.option() == CaptureSettings::kNoOption)
        return 0;
    auto devices = openInputs(l, l.settings.option());
    if (devices.empty())
        return 0;
    // A sound server that suspended an idle source is still waking it when
    // start returns; capture runs only once the first frames have come.
    for (const auto& device : devices)
        device->waitForSound(kWakeWait);
    size_t frames = static_cast<size_t>(l.rate) * static_cast<size_t>(bufferMs) / 1000;
    l.session = CaptureSession::Start(std::move(devices), l.channels, l.rate, frames ? frames : 1,
                                      cb, context);
    return l.session ? 1 : 0;
}

int crxEndRecord(void)
{
    // From the callback the thread would wait for itself.
    if (CaptureSession::OnCaptureThread())
        return 0;
    Library& l = lib();
    std::lock_guard one(l.endLock);
    CaptureSession* session = nullptr;
    {
        std::lock_guard lock(l.lock);
        session = l.session.get();
    }
    if (!session)
        return 1;
    // Without the lock: the last callbacks may still call into the library.
    if (!session->stop(kEndWait))
        return 0;
    std::lock_guard lock(l.lock);
    l.session.reset();
    return 1;
}

long long crxGetCapturedFrames(void)
{
    Library& l = lib();
    std::lock_guard lock(l.lock);
    return l.session ? l.session->position() : -1;
}

int crxGetDeviceCount(int option)
{
    if (option != CRX_OPTION_MICROPHONE && option != CRX_OPTION_COMPUTER_SOUND)
        return 0;
    Library& l = lib();
    std::lock_guard lock(l.lock);
    l.lists[option - 1] = DeviceCatalog::List(option, l.settings.device(option));
    return static_cast<int>(l.lists[option - 1].size());
}

int crxGetDeviceName(int option, int index, char* name, int size)
{
    if ((option != CRX_OPTION_MICROPHONE && option != CRX_OPTION_COMPUTER_SOUND) || index < 0)
        return 0;
    Library& l = lib();
    std::lock_guard lock(l.lock);
    std::vector<std::string>& list = l.lists[option - 1];
    if (list.empty())
        list = DeviceCatalog::List(option, l.settings.device(option));
    if (static_cast<size_t>(index) >= list.size())
        return 0;
    return copyName(list[static_cast<size_t>(index)], name, size) ? 1 : 0;
}

int crxSelectDevice(int option, const char* name)
{
    if (!name)
        return 0;
    Library& l = lib();
    std::lock_guard lock(l.lock);
    return l.settings.storeDevice(option, name) ? 1 : 0;
}

int crxGetSelectedDevice(int option, char* name, int size)
{
    if (option != CRX_OPTION_MICROPHONE && option != CRX_OPTION_COMPUTER_SOUND)
        return 0;
    Library& l = lib();
    std::lock_guard lock(l.lock);
    return copyName(l.settings.device(option), name, size) ? 1 : 0;
}

int crxGetDeviceRate(void)
{
    Library& l = lib();
    std::string name;
    {
        std::lock_guard lock(l.lock);
        const int option = l.settings.option();
        name = option == CRX_OPTION_COMPUTER_SOUND ? l.settings.device(option) : microphone(l);
    }
    snd_pcm_t* pcm = nullptr;
    if (name.empty() ||
        snd_pcm_open(&pcm, name.c_str(), SND_PCM_STREAM_CAPTURE, SND_PCM_NONBLOCK) < 0)
        return 0;
    snd_pcm_hw_params_t* params = nullptr;
    unsigned low = 0, high = 0;
    int dir = 0;
    const bool known = snd_pcm_hw_params_malloc(&params) >= 0 &&
                       snd_pcm_hw_params_any(pcm, params) >= 0 &&
                       snd_pcm_hw_params_get_rate_min(params, &low, &dir) >= 0 &&
                       snd_pcm_hw_params_get_rate_max(params, &high, &dir) >= 0;
    snd_pcm_hw_params_free(params);
    snd_pcm_close(pcm);
    return known && low == high && low <= 0x7FFFFFFF ? static_cast<int>(low) : 0;
}

} // extern "C"
