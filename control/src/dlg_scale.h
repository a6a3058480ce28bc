// The time ruler above the rows: ticks, time labels and the range markers,
// drawn from the shared view state.
#pragma once

#include "ruler_ticks.h"

#include <QColor>
#include <QVariantList>
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

    /** The ticks and labels as they are drawn at the present zoom, scroll and width. */
    brimsel::RulerLayout Layout() const;
    /** Layout() for callers of another build of the control: one map per
     *  label with "x", "time" (qint64), "text", "left" and "width", and the
     *  steps as "majorStep" and "minorStep" in the first. */
    Q_INVOKABLE QVariantList Labels() const;

    /** Free pixels at least between two labels. */
    static constexpr int kLabelGap = 12;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const CViewState* m_state;
    QColor m_background{192, 192, 192};
};
