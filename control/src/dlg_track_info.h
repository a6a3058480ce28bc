// The small panel at the left of every track row: name, length, channel
// layout and sample rate, and four buttons whose commands go to the view.
#pragma once

#include "vorlain/window.h"

#include <QColor>
#include <QWidget>

#include <cstdint>

class QLabel;
class CHoverBitmapButton;

class CDlgTrackInfo : public QWidget {
    Q_OBJECT
public:
    explicit CDlgTrackInfo(QWidget* parent);

    /** The receiver of the button commands: the owning view's window. */
    void SetViewHwnd(HWND view) { m_view = view; }

    /** Shows name, cut at the end with an ellipsis when it is too wide. */
    void SetName(const QString& name);
    /** The whole name, as the name's tooltip shows it. */
    QString Name() const;
    void SetTime(int64_t length);
    void SetChannels(int channels);
    void SetSampleRate(int sampleRate);
    void SetBackgroundColor(const QColor& color);
    /** Enables or disables buttons 212, 214 and 215 together; 216 stays enabled. */
    void EnableButtons(bool enable);

    QColor BackgroundColor() const { return m_background; }

    /** "Time: hh:mm:ss.mmm" (hours not limited to two digits). */
    static QString TimeText(int64_t length);
    /** "Channel: Mono", "Channel: Stereo", "Channel: 5.1 Dolby", else "Channel:<n>". */
    static QString ChannelText(int channels);
    /** "Samples: <rate>Hz". */
    static QString SampleText(int sampleRate);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Clicks on the panel belong to the view: they travel on to it.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void OnButton(int index);
    QLabel* MakeLabel(int id, const QString& text, const QRect& rect, Qt::Alignment align);

    QLabel* m_name;
    QLabel* m_time;
    QLabel* m_channel;
    QLabel* m_sample;
    CHoverBitmapButton* m_buttons[4];
    QColor m_background{225, 225, 225};
    HWND m_view = nullptr;
};
