// The time ruler above the rows: ticks, time labels and the range markers.
#pragma once

#include <QColor>
#include <QWidget>

#include <cstdint>

class CDlgPanel;

class CDlgScale : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int markStart READ MarkStart)
    Q_PROPERTY(int markEnd READ MarkEnd)
    Q_PROPERTY(bool startLocked READ StartLocked)
public:
    CDlgScale(CDlgPanel* owner, QWidget* parent);

    /** Range markers from view x values a and b (kNone = none). Ignored while playing. */
    void SetRange(int a, int b);
    /** The start marker alone at view x a; locks the start. Ignored while playing. */
    void SetStart(int a);
    /** Repaints the marker band where the markers are and where they were. */
    void InvalidateMarkers();
    /** Keeps the markers on the same times when the zoom halves or doubles. */
    void OnZoomIn();
    void OnZoomOut();

    int MarkStart() const { return m_markStart; }
    int MarkEnd() const { return m_markEnd; }
    int PrevStart() const { return m_prevStart; }
    int PrevEnd() const { return m_prevEnd; }
    bool StartLocked() const { return m_startLocked; }

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

    CDlgPanel* m_owner;
    QColor m_background{192, 192, 192};
    int m_markStart;
    int m_markEnd;
    int m_prevStart;
    int m_prevEnd;
    bool m_startLocked = true;
};
