#include "vorlain/qt_registry_window.h"

#include <QCoreApplication>
#include <QThread>

#include <mutex>
#include <unordered_map>
#include <atomic>

namespace vorlain {
namespace {

struct Table {
    std::mutex lock;
    std::unordered_map<HWND, CRegistryWindow::Handler*> handlers;
};

Table& table()
{
    static Table* instance = new Table; // never destroyed: senders may still run during exit
    return *instance;
}

bool OnGuiThread()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace

CRegistryWindow::CRegistryWindow(Handler handler) : m_handler(std::move(handler))
{
    m_hwnd = RegisterWindow(&CRegistryWindow::Post, &CRegistryWindow::Send, nullptr);
    std::lock_guard guard(table().lock);
    table().handlers[m_hwnd] = &m_handler;
}

CRegistryWindow::~CRegistryWindow()
{
    DestroyWindow(m_hwnd);
    std::lock_guard guard(table().lock);
    table().handlers.erase(m_hwnd);
}

LRESULT CRegistryWindow::Dispatch(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    // GUI thread only: windows are created and destroyed here, so the handler
    // found stays alive for the call.
    Handler* handler = nullptr;
    {
        std::lock_guard guard(table().lock);
        auto it = table().handlers.find(hwnd);
        if (it != table().handlers.end())
            handler = it->second;
    }
    return handler && *handler ? (*handler)(msg, wParam, lParam) : 0;
}

void CRegistryWindow::Post(void*, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(
        app, [hwnd, msg, wParam, lParam] { Dispatch(hwnd, msg, wParam, lParam); },
        Qt::QueuedConnection);
}

LRESULT CRegistryWindow::Send(void*, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (OnGuiThread())
        return Dispatch(hwnd, msg, wParam, lParam);
    QCoreApplication* app = QCoreApplication::instance();
    if (!app)
        return 0;
    // The blocking call waits on Qt's own semaphore, which ThreadSanitizer
    // cannot see: the result's release and acquire are the hand-off it can,
    // and they order everything the handler did before this thread reads on.
    std::atomic<LRESULT> result{0};
    QMetaObject::invokeMethod(
        app,
        [&result, hwnd, msg, wParam, lParam] {
            result.store(Dispatch(hwnd, msg, wParam, lParam), std::memory_order_release);
        },
        Qt::BlockingQueuedConnection);
    return result.load(std::memory_order_acquire);
}

} // namespace vorlain
