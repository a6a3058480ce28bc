// What the rows, the ruler and their container share: the time scale, the
// horizontal scroll, the ruler's marked range, the play and record states
// and the window the requests go to. The rows and the ruler read and change
// it; every change that others follow is a signal.
#pragma once

#include "range_marks.h"
#include "scroll_info.h"
#include "vorlain/window.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

class CViewState : public QObject {
    Q_OBJECT
public:
    static constexpr uint32_t kInitialZoom = 5248;

    /** scrollArea: the widget whose width bounds the horizontal scroll (the
     *  container of ruler and rows); it outlives the state. */
    explicit CViewState(const QWidget* scrollArea, QObject* parent = nullptr);

    // ---- the time scale: a column spans ZoomFactor() samples at 44100 Hz ----
    uint32_t ZoomFactor() const { return m_zoomFactor; }
    /** For tests: zoom factors the halving from 5248 never reaches. Signals nothing. */
    void SetZoomFactor(uint32_t zoomFactor) { m_zoomFactor = zoomFactor ? zoomFactor : 1; }
    /** Halves the factor, the markers staying on their times; emits zoomed(true).
     *  @returns false (and changes nothing) below 32. */
    bool ZoomIn();
    /** Doubles the factor; emits zoomed(false). @returns false (and changes
     *  nothing) when CanZoomOut() does not hold. */
    bool ZoomOut();
    /** Whether the longest visible track is wider than the wave area at
     *  this zoom (and a doubling still fits 31 bits): zooming out stops at
     *  the first zoom where the whole of it shows. */
    bool CanZoomOut() const;
    /** The time the wave area spans at this zoom, in microseconds. */
    int64_t ViewSpan() const;
    /** Who knows the length (microseconds) of the longest visible track. */
    void SetLongestSource(std::function<int64_t()> longest) { m_longest = std::move(longest); }
    /** Zooms in (notches > 0) or out by that many steps, as far as it can,
     *  keeping the time under view x under it. */
    void ZoomAt(int notches, int x);
    /** The time under a row's view x, and the view x of a time, at the
     *  present zoom and scroll. */
    int64_t TimeAt(int x) const;
    int XAt(int64_t time) const;

    // ---- the horizontal scroll, in columns ----
    int HScrollPos() const { return m_hScrollPos; }
    const brimsel::ScrollInfo& HBar() const { return m_hBar; }
    /** A new range for the bar; emits hBarChanged(). */
    void SetHBar(const brimsel::ScrollInfo& info);
    /** Scrolls every visible row but exceptId's by d columns, clamped to the
     *  bar; emits hScrolled. @returns the columns scrolled (0: nothing). */
    int HScroll(int d, int exceptId);
    /** Puts the position at pos without consulting the bar; every visible
     *  row follows. */
    void ForceHScrollTo(int pos);
    /** Brings time to the first wave column (x = 140) as far as the bar allows. */
    bool ScrollToTime(int64_t time);
    /** Back to position 0 with no row to follow (the rows are gone). */
    void ResetHScroll() { m_hScrollPos = 0; }
    /** Removes both markers, playing or not; emits marksChanged(). */
    void ClearMarks();

    // ---- the ruler's markers; left as they are while playing ----
    const brimsel::CRangeMarks& Marks() const { return m_marks; }
    /** Markers from view x a and b (kNone, kNone: none); emits marksChanged(). */
    void MarkRange(int a, int b);
    /** The start marker alone at view x a, locked; emits marksChanged(). */
    void MarkStart(int a);

    // ---- playing, recording, and where the requests go ----
    bool IsPlaying() const { return m_playing; }
    void SetPlaying(bool playing) { m_playing = playing; }
    bool IsRecording() const { return m_recording; }
    void SetRecording(bool recording) { m_recording = recording; }
    HWND MainHwnd() const { return m_mainHwnd; }
    void SetMainHwnd(HWND hwnd) { m_mainHwnd = hwnd; }

    // ---- what the rows report ----
    /** row became the selected one; emits rowSelected(row). */
    void SelectRow(const QWidget* row);
    /** A row's drawn width changed after its background build; emits columnsChanged(). */
    void ReportColumnsChanged();
    /** The control's events, as the rows raise them. */
    void FireSelectTrack(int trackId);
    void FireSelectingTime(int64_t from, int64_t to);
    /** The plain wheel turned by notches (> 0: up) over a row; emits rowsWheeled. */
    void WheelRows(int notches);

signals:
    /** The factor halved (zoomIn) or doubled; the markers have followed. */
    void zoomed(bool zoomIn);
    /** The position moved by delta columns; the visible rows but that of
     *  exceptTrackId (every one without it) move with it. */
    void hScrolled(int delta, std::optional<int> exceptTrackId);
    void hBarChanged();
    void marksChanged();
    /** The other rows drop their selections. */
    void rowSelected(const QWidget* row);
    void columnsChanged();
    void rowsWheeled(int notches);
    void selectTrack(int trackId);
    void selectingTime(int64_t from, int64_t to);

private:
    const QWidget* m_scrollArea;
    std::function<int64_t()> m_longest;
    uint32_t m_zoomFactor = kInitialZoom;
    int m_hScrollPos = 0;
    brimsel::ScrollInfo m_hBar;
    brimsel::CRangeMarks m_marks;
    bool m_playing = false;
    bool m_recording = false;
    HWND m_mainHwnd = nullptr;
};
