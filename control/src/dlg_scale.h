// The time ruler above the rows: ticks, time labels and the range markers,
// drawn from the shared view state.
#pragma once

#include <QColor>
#include <QWidget>

#include <cstdint>

class CViewState;

class CDlgScale : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int markStart READ MarkStart)
    Q_PROPERTY(int markEnd READ MarkEnd)
    Q_PROPERTY(bool startLocked READ StartLocked)
public:
    /** Draws what state holds (zoom, scroll, markers) and follows its changes. */
    CDlgScale(const CViewState* state, QWidget* parent);

    /** Repaints the marker band where the markers are and where they were. */
    void InvalidateMarkers();

    int MarkStart() const;
    int MarkEnd() const;
    bool StartLocked() const;

    /** "mm:ss:mmm" in millisecond mode, else "mm:ss" of the time plus 0.2 s. */
    static QString LabelText(int64_t time, bool msMode);
    /** Millisecond labels when a major step spans less than two seconds at 44100 Hz. */
    static bool MillisecondMode(uint32_t zoomFactor, int majorStep);

    static constexpr int kMinorStep = 10;
    static constexpr int kMajorStep = 120;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawTick(class QPainter& p, int x, int64_t column, bool msMode, bool skipMinor);

    const CViewState* m_state;
    QColor m_background{192, 192, 192};
};
