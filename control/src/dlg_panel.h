// The container of the control: the ruler, the track area with its rows and
// the two scroll bars. It owns the view state they share, and does what
// involves every row: layout, vertical scrolling, the rows' part of a zoom
// or a horizontal scroll, and the horizontal range.
#pragma once

#include "scroll_info.h"
#include "vorlain/window.h"

#include <QWidget>

#include <cstdint>
#include <optional>
#include <vector>

class CTrack;
class CDlgBrimsel;
class CDlgScale;
class CDlgTrackArea;
class CViewState;
class QScrollBar;

using brimsel::ScrollInfo;

class CDlgPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int hScrollPos READ HScrollPos)
    Q_PROPERTY(int vScrollPos READ VScrollPos)
    Q_PROPERTY(bool playing READ IsPlaying)
    Q_PROPERTY(bool recording READ IsRecording)
public:
    explicit CDlgPanel(QWidget* parent);
    ~CDlgPanel() override;

    // ---- the automation methods' work ----
    bool AddTrack(CTrack* track);
    bool ForceRedrawTrackEx(int trackId, bool disableSelectArea, int64_t from, int64_t to);
    bool EnableTrack(int trackId, bool show);
    HWND GetBrimselHwnd(int trackId) const;
    bool GetVisableTrack(int* trackId);
    bool MoveSelectArea(int trackId, int64_t from, int64_t to);
    bool MovePlayingLine(int trackId, int64_t time, bool show);
    bool ZoomIn();
    bool ZoomOut();
    bool CloseProject();
    /** The control's ScrollH: brings time t to the first wave column. */
    bool ScrollToTime(int64_t time);
    bool IsScrollable(int trackId) const;
    void SetMainHwnd(HWND hwnd);

    /** What the rows and the ruler share. */
    CViewState* State() const { return m_state; }
    uint32_t ZoomFactor() const;
    /** For tests: zoom factors the halving from 5248 never reaches. */
    void SetZoomFactor(uint32_t zoomFactor);
    int HScrollPos() const;
    int VScrollPos() const { return m_vScrollPos; }
    bool IsPlaying() const;
    bool IsRecording() const;
    CDlgScale* Scale() const { return m_scale; }
    CDlgTrackArea* TrackArea() const { return m_trackArea; }
    QScrollBar* HScrollBar() const { return m_hBar; }
    QScrollBar* VScrollBar() const { return m_vBar; }
    const std::vector<CDlgBrimsel*>& Views() const { return m_views; }
    CDlgBrimsel* FindView(int trackId) const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    /** The plain wheel over the rows: up and down through the rows when they
     *  do not all fit, else along the time as Shift+wheel does. */
    void wheelEvent(QWheelEvent* event) override;

private:
    void Layout();
    void PlaceRows();
    void SetVBar(const ScrollInfo& info);
    void VScroll(int d);
    void RecomputeHRange();
    void AdjustRangeAfterZoom();
    int VisibleRowsBefore(const CDlgBrimsel* view) const;
    int VisibleCount() const;
    void OnHBarAction(int action);
    void OnVBarAction(int action);
    static void SyncBar(QScrollBar* bar, const ScrollInfo& info);

    // The rows' part of the state's changes.
    void OnZoomed(bool zoomIn);
    void OnHScrolled(int d, std::optional<int> exceptTrackId);
    void DeselectOthers(const QWidget* keep);
    /** The plain wheel: through the rows when they do not all fit, else along the time. */
    void OnRowsWheeled(int notches);

    CViewState* m_state;
    CDlgScale* m_scale;
    CDlgTrackArea* m_trackArea;
    QScrollBar* m_hBar;
    QScrollBar* m_vBar;
    ScrollInfo m_vInfo;
    int m_vScrollPos = 0;
    int m_wheelRest = 0; // wheel units short of a whole notch
    std::vector<CDlgBrimsel*> m_views;
};
