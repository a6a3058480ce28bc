// The modal progress dialog of a long operation: a hint text, a bar that
// its operation moves and, when the operation can stop, a Cancel button
// (Escape too) that asks it to; the operation ends the dialog once the job
// has returned. Closing its window only ends the dialog (the job goes on).
#pragma once

#include "longops/long_operation.h"

class QLabel;
class QPushButton;

class CDlgProgress : public app::CProgressView {
    Q_OBJECT
public:
    explicit CDlgProgress(QWidget* parent = nullptr);

    /** The hint shown above the bar; set before the dialog opens. */
    void SetText(const QString& text);
    /** Shows the Cancel button; set before the dialog opens. */
    void SetCancelable(bool cancelable);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void Cancel();

    QLabel* m_text;
    QPushButton* m_cancel;
};
