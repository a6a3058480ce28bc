// Puts a GUI object into the platform's window registry, so that other
// deliverables (and other threads) can post and send it messages.
#pragma once

#include "vorlain/window.h"

#include <functional>

namespace vorlain {

/**
 * Posted messages run later on the GUI thread, in the event loop. A sent
 * message runs at once when it is sent from the GUI thread; from any other
 * thread it is queued to the GUI thread and the sender waits for the result.
 * Both look the handle up again on the GUI thread, so a message that arrives
 * after the window was destroyed is dropped instead of reaching freed memory.
 */
class CRegistryWindow {
public:
    using Handler = std::function<LRESULT(UINT msg, WPARAM wParam, LPARAM lParam)>;

    explicit CRegistryWindow(Handler handler);
    ~CRegistryWindow();
    CRegistryWindow(const CRegistryWindow&) = delete;
    CRegistryWindow& operator=(const CRegistryWindow&) = delete;

    HWND hwnd() const { return m_hwnd; }

private:
    static void Post(void* context, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT Send(void* context, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

    Handler m_handler;
    HWND m_hwnd = nullptr;
};

} // namespace vorlain
