// Works a modal dialog the way a person would while the code under test
// sits in its exec(): the action runs on the GUI thread as soon as a modal
// dialog of the wanted type is up.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QTimer>

#include <functional>
#include <memory>

namespace app::test {

/**
 * Arms a watcher that polls the event loop every few milliseconds and, the
 * first time the active modal widget is a T, calls action(dialog). Gives up
 * silently after timeoutMs. Call it before the code that opens the dialog.
 */
template <class T> void WhenModal(std::function<void(T*)> action, int timeoutMs = 10000)
{
    auto timer = new QTimer;
    auto elapsed = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, elapsed, action, timeoutMs] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(dialog);
            return;
        }
        *elapsed += 5;
        if (*elapsed > timeoutMs) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(5);
}

} // namespace app::test
