// A window of the platform registry that records every message it receives.
#pragma once

#include "vorlain/window.h"

#include <functional>
#include <mutex>
#include <vector>

namespace vorlain::test {

struct Message {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    bool sent; // true for SendMessage, false for PostMessage
};

class MessageQueueWindow {
public:
    MessageQueueWindow();
    ~MessageQueueWindow();
    MessageQueueWindow(const MessageQueueWindow&) = delete;
    MessageQueueWindow& operator=(const MessageQueueWindow&) = delete;

    HWND hwnd() const { return m_hwnd; }
    std::vector<Message> messages() const;
    /** The wParams of every message with number msg, in order. */
    std::vector<WPARAM> params(UINT msg) const;
    void clear();
    /** Runs inside SendMessage, on the sender's thread; its result is returned. */
    void onSend(std::function<LRESULT(const Message&)> handler);

private:
    static void post(void* ctx, HWND, UINT msg, WPARAM w, LPARAM l);
    static LRESULT send(void* ctx, HWND, UINT msg, WPARAM w, LPARAM l);

    HWND m_hwnd = nullptr;
    mutable std::mutex m_lock;
    std::vector<Message> m_messages;
    std::function<LRESULT(const Message&)> m_onSend;
};

} // namespace vorlain::test
