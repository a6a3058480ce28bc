#include "common/progress.h"

#include "vorlain/messages.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace kernel {

namespace {
std::atomic<HWND> g_notifyWindow{nullptr};
std::atomic<long long> g_finalWaitMs{5000};
// Wakes a final 100 waiting for its window as soon as one registers.
std::mutex g_notifyMutex;
std::condition_variable g_notifyChanged;
} // namespace

void SetNotifyWindow(HWND hwnd)
{
    {
        std::lock_guard lock(g_notifyMutex);
        g_notifyWindow.store(hwnd);
    }
    g_notifyChanged.notify_all();
}

HWND NotifyWindow() { return g_notifyWindow.load(); }

void PostProgress(unsigned percent)
{
    HWND hwnd = NotifyWindow();
    if (hwnd && IsWindow(hwnd) && IsWindowEnabled(hwnd))
        PostMessage(hwnd, vorlain::WM_PROGRESS_NOTIFY, percent, 0);
}

void PostFinalProgress()
{
    {
        std::unique_lock lock(g_notifyMutex);
        g_notifyChanged.wait_for(lock, std::chrono::milliseconds(g_finalWaitMs.load()),
                                 [] { return NotifyWindow() != nullptr; });
    }
    PostProgress(100);
}

void SetFinalProgressWait(std::chrono::milliseconds limit) { g_finalWaitMs.store(limit.count()); }

} // namespace kernel
