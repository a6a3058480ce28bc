// A short notice across the foot of the window after a file was written
// (export, split, join): what was done, an "Open folder" button that hands
// the folder to the desktop, and a close button. It goes by itself after a
// while, and the next notice replaces it.
#pragma once

#include <QFrame>

class QLabel;
class QPushButton;
class QTimer;

class CNoticeBar : public QFrame {
    Q_OBJECT
public:
    explicit CNoticeBar(QWidget* parent = nullptr);

    /** Shows text, with folder behind the "Open folder" button (none for
     *  an empty folder). */
    void Show(const QString& text, const QString& folder);
    QString Text() const;
    QString Folder() const { return m_folder; }

    /** How long a notice stays, in milliseconds. */
    static constexpr int kShownMs = 12000;

private:
    QLabel* m_text;
    QPushButton* m_open;
    QTimer* m_timer;
    QString m_folder;
};
