#include "vorlain/test/message_queue.h"

namespace vorlain::test {

MessageQueueWindow::MessageQueueWindow() { m_hwnd = RegisterWindow(&post, &send, this); }

MessageQueueWindow::~MessageQueueWindow() { DestroyWindow(m_hwnd); }

void MessageQueueWindow::post(void* ctx, HWND, UINT msg, WPARAM w, LPARAM l)
{
    auto* self = static_cast<MessageQueueWindow*>(ctx);
    std::lock_guard guard(self->m_lock);
    self->m_messages.push_back({msg, w, l, false});
}

LRESULT MessageQueueWindow::send(void* ctx, HWND, UINT msg, WPARAM w, LPARAM l)
{
    auto* self = static_cast<MessageQueueWindow*>(ctx);
    Message m{msg, w, l, true};
    std::function<LRESULT(const Message&)> handler;
    {
        std::lock_guard guard(self->m_lock);
        self->m_messages.push_back(m);
        handler = self->m_onSend;
    }
    return handler ? handler(m) : 0;
}

std::vector<Message> MessageQueueWindow::messages() const
{
    std::lock_guard guard(m_lock);
    return m_messages;
}

std::vector<WPARAM> MessageQueueWindow::params(UINT msg) const
{
    std::lock_guard guard(m_lock);
    std::vector<WPARAM> out;
    for (const Message& m : m_messages)
        if (m.msg == msg)
            out.push_back(m.wParam);
    return out;
}

void MessageQueueWindow::clear()
{
    std::lock_guard guard(m_lock);
    m_messages.clear();
}

void MessageQueueWindow::onSend(std::function<LRESULT(const Message&)> handler)
{
    std::lock_guard guard(m_lock);
    m_onSend = std::move(handler);
}

} // namespace vorlain::test
