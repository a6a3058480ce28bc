// The program's wrapper of the display control: one method per control
// method, each calling the control's typed interface (IBrimselView). Times
// are microseconds.
#pragma once

#include "brimsel/brimsel_view.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>

class CTrack;

class CBrimsel : private IBrimselEvents {
public:
    /** Creates the control from its plugin by program id as a child of
     *  parent; IsValid() tells whether that worked, Error() why not. */
    CBrimsel(QWidget* parent, const QString& pluginFolder = QString());
    /** The control, which its parent owns, tells this no more. */
    ~CBrimsel() override;
    CBrimsel(const CBrimsel&) = delete;
    CBrimsel& operator=(const CBrimsel&) = delete;

    bool IsValid() const { return m_control != nullptr; }
    QString Error() const { return m_error; }
    QWidget* Widget() const { return m_control; }

    bool AddTrack(CTrack* track);
    bool ForceRedrawTrack(int trackId);
    bool MovePlayingLine(int trackId, int64_t time, bool show);
    bool ForceRedrawTrackEx(int trackId, bool setSelection, int64_t from, int64_t to);
    bool EnableTrack(int trackId, bool show);
    int GetZoomfactor();
    intptr_t GetBrimselHwnd(int trackId);
    /** The next visible row's id; false at the end (the walk then restarts). */
    bool GetVisableTrack(int* trackId);
    bool SetMainHwnd(intptr_t hwnd);
    bool MoveSelectArea(int trackId, int64_t from, int64_t to);
    bool ZoomIn();
    bool ZoomOut();
    /** Whether ZoomOut would zoom out (false once the longest track fits). */
    bool CanZoomOut();
    /** The time (microseconds) the view's width spans at the present zoom. */
    int64_t ViewSpan();
    bool CloseProject();
    bool ScrollH(int64_t time);
    bool IsScrollable(int trackId);

    /** The ids of the visible rows in row order (one full GetVisableTrack walk). */
    QList<int> VisibleTracks();

    /** The control's two events, typed: a row was chosen, a selection
     *  changed (from <= to). */
    void OnEvents(std::function<void(int)> selectTrack,
                  std::function<void(int64_t, int64_t)> selectingTime);

private:
    void OnSelectTrack(int trackId) override;
    void OnSelectingTime(int64_t from, int64_t to) override;

    std::function<void(int)> m_selectTrack;
    std::function<void(int64_t, int64_t)> m_selectingTime;
    QPointer<QWidget> m_control;
    IBrimselView* m_view = nullptr; // the same object, typed; null when m_control is
    QString m_error;
};
