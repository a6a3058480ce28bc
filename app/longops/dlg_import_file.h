// The import dialog of Add File: the file's path and a progress bar while
// its own worker makes the kernel import the file. Closing it stops the
// import; then no track is added.
#pragma once

#include <QDialog>

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "vorlain/window.h"

class CEditSession;
class QLabel;
class QProgressBar;
namespace vorlain {
class CRegistryWindow;
}

class CDlgImportFile : public QDialog {
    Q_OBJECT
public:
    CDlgImportFile(CEditSession* editor, const QString& path, QWidget* parent = nullptr);
    ~CDlgImportFile() override;

    /** Runs the dialog: the new track handle (> 0), 0 when the kernel
     *  failed, or -1 when the user closed the dialog. */
    intptr_t Run();
    int Position() const;
    HWND Hwnd() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    LRESULT OnMessage(UINT msg, WPARAM wParam);
    void OnTimer();
    void RequestClose();

    CEditSession* m_editor;
    QString m_path;
    QLabel* m_label;
    QLabel* m_pathText;
    QProgressBar* m_bar;
    std::unique_ptr<vorlain::CRegistryWindow> m_window;
    std::thread m_worker;
    std::atomic<bool> m_done{false};
    intptr_t m_result = 0;
    bool m_closing = false;
    bool m_started = false;
};
