// The receiver registry behind HWND. Handles are serial numbers that are never
// reused, so a stale handle can never reach a newer receiver.
#include "vorlain/window.h"

#include <mutex>
#include <unordered_map>

namespace {

struct Receiver {
    VorlainPostProc post;
    VorlainSendProc send;
    void* context;
    bool enabled;
};

struct Registry {
    std::mutex lock;
    std::unordered_map<uintptr_t, Receiver> receivers;
    uintptr_t nextHandle = 1;
};

Registry& registry()
{
    static Registry* instance = new Registry; // never destroyed: receivers may post during exit
    return *instance;
}

uintptr_t key(HWND hwnd) { return reinterpret_cast<uintptr_t>(hwnd); }

bool lookup(HWND hwnd, Receiver& out)
{
    if (!hwnd)
        return false;
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto it = r.receivers.find(key(hwnd));
    if (it == r.receivers.end())
        return false;
    out = it->second;
    return true;
}

} // namespace

extern "C" {

HWND RegisterWindow(VorlainPostProc post, VorlainSendProc send, void* context)
{
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    uintptr_t handle = r.nextHandle++;
    r.receivers.emplace(handle, Receiver{post, send, context, true});
    return reinterpret_cast<HWND>(handle);
}

int DestroyWindow(HWND hwnd)
{
    if (!hwnd)
        return 0;
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    return r.receivers.erase(key(hwnd)) ? 1 : 0;
}

int PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Receiver receiver;
    if (!lookup(hwnd, receiver))
        return 0;
    // Called outside the lock: the receiver may post or register in turn.
    if (receiver.post)
        receiver.post(receiver.context, hwnd, msg, wParam, lParam);
    return 1;
}

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    Receiver receiver;
    if (!lookup(hwnd, receiver) || !receiver.send)
        return 0;
    return receiver.send(receiver.context, hwnd, msg, wParam, lParam);
}

int IsWindow(HWND hwnd)
{
    Receiver receiver;
    return lookup(hwnd, receiver) ? 1 : 0;
}

int IsWindowEnabled(HWND hwnd)
{
    Receiver receiver;
    return lookup(hwnd, receiver) && receiver.enabled ? 1 : 0;
}

int EnableWindow(HWND hwnd, int enable)
{
    if (!hwnd)
        return 0;
    Registry& r = registry();
    std::lock_guard guard(r.lock);
    auto it = r.receivers.find(key(hwnd));
    if (it == r.receivers.end())
        return 0;
    bool wasDisabled = !it->second.enabled;
    it->second.enabled = enable != 0;
    return wasDisabled ? 1 : 0;
}

} // extern "C"
