// The modal progress dialog of a long operation: a hint text and a bar that
// its operation moves. It has no buttons; the operation ends it, and
// closing its window only ends the dialog (the job goes on).
#pragma once

#include "longops/long_operation.h"

class QLabel;

class CDlgProgress : public app::CProgressView {
    Q_OBJECT
public:
    explicit CDlgProgress(QWidget* parent = nullptr);

    /** The hint shown above the bar; set before the dialog opens. */
    void SetText(const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    QLabel* m_text;
};
