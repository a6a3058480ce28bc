// The import dialog of Add File: the file's path and a progress bar while
// a long operation has the kernel import the file. Cancel (or closing it,
// or Escape) stops the import; then no track is added.
#pragma once

#include "longops/long_operation.h"

class CEditSession;
class CTrack;
class QLabel;

class CDlgImportFile : public app::CProgressView {
    Q_OBJECT
public:
    explicit CDlgImportFile(const QString& path, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QString m_path;
    QLabel* m_label;
    QLabel* m_pathText;
};

namespace app {

/** Imports path as a new track of editor with the import dialog over
 *  parent: the new track (> 0), 0 when the kernel failed (the message not
 *  yet shown), or -1 when the user closed the dialog. */
intptr_t ImportWithDialog(CEditSession* editor, const QString& path, QWidget* parent);

} // namespace app
