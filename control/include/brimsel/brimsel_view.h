// The display control's methods as the program calls them: a typed
// interface that the created control implements, got with
//   IBrimselView* view = qobject_cast<IBrimselView*>(control);
// A call with a wrong type or a misspelt name does not compile.
#pragma once

#include <QtGlobal>
#include <QtPlugin>

#include <cstdint>

class CTrack;

#define BRIMSEL_VIEW_IID "org.vorlain.Brimsel.IBrimselView/1.0"

/** What the control tells the program, on the GUI thread: the typed form
 *  of its SelectTrack and SelectingTime events (from <= to). */
class IBrimselEvents {
public:
    virtual ~IBrimselEvents() = default;
    virtual void OnSelectTrack(int trackId) = 0;
    virtual void OnSelectingTime(int64_t from, int64_t to) = 0;
};

/**
 * Times are microseconds. A window handle is the platform registry's handle
 * as a 64-bit integer (it travels in messages as one). Track ids are the
 * kernel's.
 */
class IBrimselView {
public:
    virtual ~IBrimselView() = default;

    /** Adds a row for the kernel track. @returns false for a null track. */
    virtual bool AddTrack(CTrack* track) = 0;
    /** ForceRedrawTrackEx(trackId, false, 0, 0). */
    virtual bool ForceRedrawTrack(int trackId) = 0;
    /** Places that row's playing line at time, shown or hidden. */
    virtual bool MovePlayingLine(int trackId, int64_t time, bool show) = 0;
    /** Re-reads the track and draws it again; with setSelection the
     *  selection becomes from..to (a click line when the two are equal). */
    virtual bool ForceRedrawTrackEx(int trackId, bool setSelection, int64_t from, int64_t to) = 0;
    /** Shows or hides the row (a deleted track is hidden). */
    virtual bool EnableTrack(int trackId, bool show) = 0;
    /** Samples at 44100 Hz per pixel column. */
    virtual int GetZoomfactor() = 0;
    /** The registry handle of that row (for WM_RECORD_PEAKS); 0 if there is none. */
    virtual qint64 GetBrimselHwnd(int trackId) = 0;
    /** Walks the visible rows: true with the next id, false at the end
     *  (the next call starts again). */
    virtual bool GetVisableTrack(int* trackId) = 0;
    /** The window that receives the control's requests. */
    virtual bool SetMainHwnd(qint64 hwnd) = 0;
    /** Shows from..to as that row's selection. @returns false for an unknown row. */
    virtual bool MoveSelectArea(int trackId, int64_t from, int64_t to) = 0;
    /** Halves the zoom factor. @returns false at the finest zoom. */
    virtual bool ZoomIn() = 0;
    /** Doubles the zoom factor. @returns false (and changes nothing) once
     *  the longest visible track fits the wave area, or with no track. */
    virtual bool ZoomOut() = 0;
    /** Removes every row. */
    virtual bool CloseProject() = 0;
    /** Brings time to the first wave column, as far as the scroll range allows. */
    virtual bool ScrollH(int64_t time) = 0;
    /** Whether that row is wider than the wave area. */
    virtual bool IsScrollable(int trackId) = 0;
    /** Tells events (not owned; null for none) of every selection, after
     *  the control's signals. */
    virtual void SetEvents(IBrimselEvents* events) = 0;
    /** Whether ZoomOut would zoom out: the rule for enabling Zoom Out. */
    virtual bool CanZoomOut() = 0;
    /** The time (microseconds) the wave area spans at the present zoom. */
    virtual int64_t ViewSpan() = 0;
};
Q_DECLARE_INTERFACE(IBrimselView, BRIMSEL_VIEW_IID)
