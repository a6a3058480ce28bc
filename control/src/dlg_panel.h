// The container of the control: the ruler, the track area with its rows, the
// two scroll bars, and the zoom and scroll state every row shares.
#pragma once

#include "scroll_info.h"
#include "vorlain/window.h"

#include <QWidget>

#include <cstdint>
#include <vector>

class CTrack;
class CBrimselCtrl;
class CDlgBrimsel;
class CDlgScale;
class CDlgTrackArea;
class QScrollBar;

using brimsel::ScrollInfo;

class CDlgPanel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int hScrollPos READ HScrollPos)
    Q_PROPERTY(int vScrollPos READ VScrollPos)
    Q_PROPERTY(bool playing READ IsPlaying)
    Q_PROPERTY(bool recording READ IsRecording)
public:
    static constexpr uint32_t kInitialZoom = 5248;

    CDlgPanel(CBrimselCtrl* control, QWidget* parent);
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
    void SetMainHwnd(HWND hwnd) { m_mainHwnd = hwnd; }

    // ---- state the rows and the ruler read ----
    uint32_t ZoomFactor() const { return m_zoomFactor; }
    /** For tests: zoom factors the halving from 5248 never reaches. */
    void SetZoomFactor(uint32_t zoomFactor) { m_zoomFactor = zoomFactor ? zoomFactor : 1; }
    int HScrollPos() const { return m_nHScrollPos; }
    int VScrollPos() const { return m_vScrollPos; }
    bool IsPlaying() const { return m_playing; }
    bool IsRecording() const { return m_recording; }
    void SetRecording(bool recording) { m_recording = recording; }
    HWND MainHwnd() const { return m_mainHwnd; }
    CDlgScale* Scale() const { return m_scale; }
    CDlgTrackArea* TrackArea() const { return m_trackArea; }
    QScrollBar* HScrollBar() const { return m_hBar; }
    QScrollBar* VScrollBar() const { return m_vBar; }
    const ScrollInfo& HBar() const { return m_hInfo; }
    const ScrollInfo& VBar() const { return m_vInfo; }
    void SetHBar(const ScrollInfo& info);
    void SetVBar(const ScrollInfo& info);
    const std::vector<CDlgBrimsel*>& Views() const { return m_views; }
    CDlgBrimsel* FindView(int trackId) const;

    /** Scrolls every visible row but exceptId by d columns, clamped to the
     *  bar. Returns the columns actually scrolled (0: nothing). */
    int HScroll(int d, int exceptId);
    /** Puts the scroll position at pos without consulting the bar. */
    void ForceHScrollTo(int pos);
    /** Every view but keep drops its selection. */
    void DeselectOthers(CDlgBrimsel* keep);
    /** A row's drawn width changed after its background build. */
    void OnViewColumnsChanged();

    void FireSelectTrack(int trackId);
    void FireSelectingTime(int64_t from, int64_t to);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();
    void PlaceRows();
    void VScroll(int d);
    void RecomputeHRange();
    void AdjustRangeAfterZoom();
    int VisibleRowsBefore(const CDlgBrimsel* view) const;
    int VisibleCount() const;
    void OnHBarAction(int action);
    void OnVBarAction(int action);
    static void SyncBar(QScrollBar* bar, const ScrollInfo& info);

    CBrimselCtrl* m_control;
    CDlgScale* m_scale;
    CDlgTrackArea* m_trackArea;
    QScrollBar* m_hBar;
    QScrollBar* m_vBar;
    ScrollInfo m_hInfo;
    ScrollInfo m_vInfo;
    HWND m_mainHwnd = nullptr;
    bool m_playing = false;
    bool m_recording = false;
    uint32_t m_zoomFactor = kInitialZoom;
    int m_nHScrollPos = 0;
    int m_vScrollPos = 0;
    std::vector<CDlgBrimsel*> m_views;
};
