#include "common/progress.h"

#include "vorlain/messages.h"

#include <atomic>
#include <thread>

namespace kernel {

namespace {
std::atomic<HWND> g_notifyWindow{nullptr};
std::atomic<long long> g_finalWaitMs{5000};
} // namespace

void SetNotifyWindow(HWND hwnd) { g_notifyWindow.store(hwnd); }

HWND NotifyWindow() { return g_notifyWindow.load(); }

void PostProgress(unsigned percent)
{
    HWND hwnd = NotifyWindow();
    if (hwnd && IsWindow(hwnd) && IsWindowEnabled(hwnd))
        PostMessage(hwnd, vorlain::WM_PROGRESS_NOTIFY, percent, 0);
}

void PostFinalProgress()
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(g_finalWaitMs.load());
    while (!NotifyWindow() && steady_clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(100));
    PostProgress(100);
}

void SetFinalProgressWait(std::chrono::milliseconds limit) { g_finalWaitMs.store(limit.count()); }

} // namespace kernel
