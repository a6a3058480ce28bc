// The modal progress dialog of a long operation: a hint text and a bar that
// follows the progress messages of the kernel and the edit worker. It has
// no buttons; it ends at 100.
#pragma once

#include <QDialog>

#include <atomic>
#include <memory>

#include "vorlain/window.h"

class QLabel;
class QProgressBar;
class QTimer;
namespace vorlain {
class CRegistryWindow;
}
namespace app {
class CEditWorker;
}

class CDlgProgress : public QDialog {
    Q_OBJECT
public:
    explicit CDlgProgress(QWidget* parent = nullptr);
    ~CDlgProgress() override;

    /** The hint shown above the bar; set before the dialog opens. */
    void SetText(const QString& text);
    /** Also ends the dialog once this worker's kernel call has returned,
     *  whatever progress arrived: a second phase whose final message came
     *  before the dialog opened must not leave it open. */
    void SetWorker(const app::CEditWorker* worker);
    /** For an operation that makes `count` kernel calls in a row (a split):
     *  the bar shows the whole, and only the worker's end ends the dialog. */
    void SetParts(const std::atomic<int>* part, int count);

    int Position() const;
    HWND Hwnd() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void OnNotifyProgress(int percent);
    void CheckWorker();

    QLabel* m_text;
    QProgressBar* m_bar;
    QTimer* m_workerTimer;
    std::unique_ptr<vorlain::CRegistryWindow> m_window;
    const app::CEditWorker* m_worker = nullptr;
    const std::atomic<int>* m_part = nullptr;
    int m_parts = 0;
    bool m_registered = false;
};
