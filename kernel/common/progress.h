// Progress of long operations, posted to the window registered with
// Kestrum_SetProressNotifyHwnd.
#pragma once

#include "vorlain/window.h"

#include <chrono>

namespace kernel {

void SetNotifyWindow(HWND hwnd);
HWND NotifyWindow();

/** Posts percent when a notify window is registered, alive and enabled. */
void PostProgress(unsigned percent);

/** Posts a running percentage only when it changes: a stream of 1024-byte
 *  blocks would otherwise post millions of equal messages over a long track. */
class CProgressPoster {
public:
    void Post(unsigned percent)
    {
        if (percent == m_last)
            return;
        m_last = percent;
        PostProgress(percent);
    }
    /** Posts every percent from the last one posted up to percent: a loop
     *  that takes large steps still shows each percent on the way. */
    void Rise(unsigned percent)
    {
        const unsigned from = m_last == ~0u ? 0 : m_last + 1;
        for (unsigned p = from; p < percent; ++p)
            PostProgress(p);
        Post(percent);
    }

private:
    unsigned m_last = ~0u;
};

/** Posts 100, first waiting (woken as it happens) until a notify window is
 *  registered: the progress dialog may register itself only after the worker
 *  thread started. The wait is bounded so that an operation run without any
 *  progress dialog cannot hang for ever. */
void PostFinalProgress();

/** How long PostFinalProgress waits for a window; tests shorten it. */
void SetFinalProgressWait(std::chrono::milliseconds limit);

} // namespace kernel
