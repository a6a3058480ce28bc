// One track row: the info panel, the channel letters and, from x = 140, the
// track's peaks; mouse selection, the click line and the playing line.
#pragma once

#include "display_list.h"
#include "file_catalog.h"
#include "vorlain/records.h"
#include "vorlain/window.h"
#include "wave_peaks.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class CTrack;
class CDlgTrackInfo;
class CLineStatic;
class CViewState;
namespace vorlain {
class CRegistryWindow;
}

class CDlgBrimsel : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int trackId READ TrackId)
    Q_PROPERTY(bool peaksPending READ PeaksPending)
    Q_PROPERTY(int columns READ Columns)
    Q_PROPERTY(bool selected READ IsSelected)
public:
    CDlgBrimsel(CViewState* state, QWidget* parent);
    ~CDlgBrimsel() override;

    /** Reads the track and starts its peaks. Always succeeds. */
    bool InitFromTrack(CTrack* track);
    /** Re-reads the track after an edit and draws it again; with
     *  disableSelectArea the selection (or click line when from = to) is set. */
    void ForceRedraw(bool disableSelectArea, int64_t from, int64_t to);

    int TrackId() const { return static_cast<int>(m_info.trackId); }
    int64_t Length() const { return m_info.length; }
    const TrackBaseInfo& Info() const { return m_info; }
    HWND Hwnd() const;
    bool IsVisibleRow() const { return m_visible; }
    void SetVisibleRow(bool visible) { m_visible = visible; }
    bool IsSelected() const { return m_selected; }
    /** Drawn width in columns: the track's complete columns at the zoom,
     *  known from the file sizes before any peak is built. */
    int Columns() const { return m_columns; }
    bool IsScrollable() const;
    bool PeaksPending() const { return m_peaks.Pending(); }
    /** The built columns: those on screen and a margin on either side. */
    const brimsel::CDisplayList& Display() const { return m_display; }
    CDlgTrackInfo* InfoPanel() const { return m_infoPanel; }

    // Selection state in view x (kNone = none).
    bool HasSelection() const;
    int SelectionLeft() const { return m_selLeft; }
    int SelectionRight() const { return m_selRight; }
    int ClickLineX() const { return m_clickLine; }
    int64_t SelFrom() const { return m_selFrom; }
    int64_t SelTo() const { return m_selTo; }
    int64_t RangeStart() const { return m_rangeStart; }
    int64_t RangeEnd() const { return m_rangeEnd; }

    /** The view's part of a horizontal scroll by d columns. */
    void ScrollH(int d);
    /** Drops the selection and the selected state. */
    void DeSelectArea();
    /** Shows from..to as the selection (MoveSelectArea). */
    void SelectRange(int64_t from, int64_t to);
    /** Places the playing line at time t, shown or hidden. */
    void SetPlayingLine(int64_t time, bool show);
    /** Rescales edges and click line and rebuilds the peaks after a zoom. */
    void Rescale(bool zoomIn);

    /** The handlers behind the window messages and the Qt mouse events. */
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    void OnLButtonDown(int x, int y);
    void OnLButtonUp(int x, int y);
    void OnMouseMove(int x, int y);
    void OnMouseLeave(int x, int y);
    void OnTimer(int timer);

signals:
    /** A background build was taken in and the row repainted. */
    void peaksReady();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    /** The wheel scrolls the rows; with Ctrl it zooms around the pointer. */
    void wheelEvent(QWheelEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    /** Shift+click: the selected row's selection grows (or its nearer edge
     *  moves) to the time at x. */
    void ExtendSelectionTo(int x);

    /** Fetches the base info record; withFiles also copies the data-file
     *  list and counts its frames (not needed for live recording updates). */
    void ReadInfo(bool withFiles = true);
    void FillPanel();
    /** Drops the columns and builds those around the view anew (the track
     *  or the zoom changed). */
    void StartPeaks();
    /** Builds the columns around the view when a scroll or a resize showed
     *  columns the list does not hold. */
    void EnsureWindow();
    /** Asks the builder for the columns around the present scroll position. */
    void RequestWindow();
    void OnPeaksReady();
    LRESULT OnRecordPeaks(WPARAM wParam, LPARAM lParam);
    void OnRangeCommand(LPARAM command);
    void OnRButtonDown(QMouseEvent* event);
    void RestoreSelection(int64_t from, int64_t to);
    void Select();
    void ClearSelection();
    void UpdateClickLine();
    void Repaint();
    bool InWaveArea(int x, int y) const;
    int EndOfData() const;
    int64_t TimeAt(int x) const;
    int XAt(int64_t time) const;
    int64_t ClampTime(int64_t time) const;
    void FireSelectingTime(int64_t from, int64_t to);
    /** Shows the selection m_selLeft..m_selRight on the ruler and the row and
     *  fires SelectingTime(from, to), both clamped to the track. */
    void PublishSelection(int64_t from, int64_t to);

    CViewState* m_state;
    CDlgTrackInfo* m_infoPanel = nullptr;
    CTrack* m_track = nullptr;
    TrackBaseInfo m_info{};
    // The audio data files of the current timeline, as they are on disk.
    std::shared_ptr<const brimsel::FileList> m_stats;
    brimsel::CFileCatalog m_catalog; // what is known of every file seen
    uint64_t m_frames = 0;           // frames in those files
    bool m_visible = true;
    bool m_hover = false;
    bool m_selected = false;
    bool m_liveStereo = false; // live recording peaks are always stereo

    QColor m_panelColor{225, 225, 225};
    QColor m_selectedColor{0, 0, 0};
    QColor m_waveColor{0, 255, 0};
    QColor m_markColor{255, 0, 0};

    brimsel::CDisplayList m_display;
    int m_columns = 0;
    uint64_t m_requestFirst = 0; // columns of the build in progress
    uint64_t m_requestEnd = 0;
    brimsel::CWavePeaks m_peaks;

    CLineStatic* m_playingLine = nullptr;
    CLineStatic* m_leftDownLine = nullptr;
    CLineStatic* m_leftLine = nullptr;
    CLineStatic* m_rightLine = nullptr;

    // m_rcLastSelectRect: left and right in view x; top 0, bottom 150.
    int m_selLeft;
    int m_selRight;
    int m_clickLine;
    bool m_dragging = false;
    bool m_leftEdgeGrab = false;
    bool m_rightEdgeGrab = false;
    bool m_edgeDrag = false;
    int64_t m_selFrom = 0;
    int64_t m_selTo = 0;
    int64_t m_rangeStart = 0;
    int64_t m_rangeEnd = 0;
    int64_t m_playTime = 0;

    // Qt delivers every move of a drag to the view that was pressed; these
    // stand in for the pointer leaving the window while the button is held.
    bool m_buttonDown = false;
    int m_wheelRest = 0; // wheel units short of a whole notch
    bool m_outside = false;

    QTimer m_timer1; // drag auto-scroll to the right
    QTimer m_timer2; // drag auto-scroll to the left

    QImage m_picture; // the row without selection: redrawn only when the wave changes
    bool m_pictureDirty = true;
    int64_t m_pictureScroll = -1;
    QFont m_letterFont;

    std::unique_ptr<vorlain::CRegistryWindow> m_window;
};
