// The selection of one track row and the mouse state machine that makes it:
// a click sets the click line, a drag spans a range or moves the edge it
// grabbed, leaving the row with the button held scrolls the rows on a timer,
// and Shift+click stretches the range.
#pragma once

#include <QTimer>

#include <cstdint>

class CLineStatic;
class CViewState;
class QMouseEvent;
class QWidget;

/** What the selection needs of its row. */
class ISelectionHost {
public:
    virtual int TrackId() const = 0;
    /** The track's length in microseconds: reported times stay within it. */
    virtual int64_t Length() const = 0;
    /** The row's drawn width in columns. */
    virtual int Columns() const = 0;
    virtual bool IsScrollable() const = 0;
    virtual bool IsSelected() const = 0;
    /** The row becomes the selected one (if it is not yet); the others drop
     *  their selections. */
    virtual void Select() = 0;
    /** Shows from..to as the row's selection, as the program's
     *  MoveSelectArea does. */
    virtual void SelectRange(int64_t from, int64_t to) = 0;
    /** The other rows scrolled under a drag past this row's edge: its
     *  picture and built columns follow. */
    virtual void FollowScroll() = 0;

protected:
    ~ISelectionHost() = default;
};

/**
 * Positions are the row's view x (kNone = none): the range Left()..Right()
 * (a drag may leave them in either order) and the click line; the times
 * From()..To() are the last ones reported, clamped to the track.
 */
class CRowSelection {
public:
    /** Makes the click line as a child of row; row and host are the same row. */
    CRowSelection(QWidget& row, ISelectionHost& host, CViewState& state);

    bool HasSelection() const;
    int Left() const { return m_left; }
    int Right() const { return m_right; }
    int ClickLine() const { return m_clickLine; }
    int64_t From() const { return m_from; }
    int64_t To() const { return m_to; }

    /** Drops the range; the click line stays. */
    void ClearRange();
    /** Drops the range and the click line. */
    void Clear();
    /** from..to becomes the range (no click line), marked on the ruler. */
    void Show(int64_t from, int64_t to);
    /** After a redraw: a click line at from when from == to, else the range. */
    void Restore(int64_t from, int64_t to);
    /** Shows the click line where it is, or hides it (none, or left of the wave). */
    void PlaceClickLine();
    /** The row scrolled by d columns: range and click line move the other way. */
    void ScrollBy(int d);
    /** The zoom halved (zoomIn) or doubled: range or click line stay on their times. */
    void Rescale(bool zoomIn);

    // ---- the mouse, from the row's events and its posted button messages ----
    void Press(QMouseEvent* event);
    void Move(QMouseEvent* event);
    void Release(QMouseEvent* event);
    void OnLButtonDown(int x, int y);
    void OnLButtonUp(int x, int y);

private:
    void OnMouseMove(int x, int y);
    /** The pointer left the row with the button held. */
    void OnMouseLeave(int x, int y);
    /** Drag auto-scroll: timer 1 to the right, timer 2 to the left. */
    void OnTimer(int timer);
    /** Shift+click: the range grows (or its nearer edge moves) to the time at x. */
    void ExtendTo(int x);
    bool InWaveArea(int x, int y) const;
    /** View x just past the drawn columns. */
    int EndOfData() const;
    int64_t ClampTime(int64_t time) const;
    /** SelectingTime of from..to, clamped to the track. */
    void Fire(int64_t from, int64_t to);
    /** Marks Left()..Right() on the ruler, repaints the row and fires
     *  SelectingTime(from, to), both clamped to the track. */
    void Publish(int64_t from, int64_t to);

    QWidget& m_row;
    ISelectionHost& m_host;
    CViewState& m_state;
    CLineStatic* m_clickLineWidget;

    int m_left;
    int m_right;
    int m_clickLine;
    int64_t m_from = 0;
    int64_t m_to = 0;

    bool m_dragging = false;
    bool m_leftEdgeGrab = false;
    bool m_rightEdgeGrab = false;
    bool m_edgeDrag = false;
    // Qt delivers every move of a drag to the row that was pressed; these
    // stand in for the pointer leaving the window while the button is held.
    bool m_buttonDown = false;
    bool m_outside = false;

    QTimer m_timer1; // drag auto-scroll to the right
    QTimer m_timer2; // drag auto-scroll to the left
};
