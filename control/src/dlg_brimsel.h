// One track row: the info panel, the channel letters and, from x = 140, the
// track's peaks, built in the background for what is on screen; the playing
// line, the range buttons' requests and the live recording columns. The
// mouse selection is the row's CRowSelection.
#pragma once

#include "display_list.h"
#include "file_catalog.h"
#include "row_selection.h"
#include "vorlain/records.h"
#include "vorlain/window.h"
#include "wave_peaks.h"

#include <QColor>
#include <QFont>
#include <QImage>
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

class CDlgBrimsel : public QWidget, private ISelectionHost {
    Q_OBJECT
    Q_PROPERTY(int trackId READ TrackId)
    Q_PROPERTY(bool peaksPending READ PeaksPending)
    Q_PROPERTY(int columns READ Columns)
    Q_PROPERTY(bool selected READ IsSelected)
public:
    /** A row that reads and changes state (zoom, scroll, markers) with the others. */
    CDlgBrimsel(CViewState* state, QWidget* parent);
    ~CDlgBrimsel() override;

    /** Reads the track and starts its peaks. Always succeeds. */
    bool InitFromTrack(CTrack* track);
    /** Re-reads the track after an edit and draws it again; with
     *  disableSelectArea the selection (or click line when from = to) is set. */
    void ForceRedraw(bool disableSelectArea, int64_t from, int64_t to);

    int TrackId() const override { return static_cast<int>(m_info.trackId); }
    int64_t Length() const override { return m_info.length; }
    const TrackBaseInfo& Info() const { return m_info; }
    HWND Hwnd() const;
    bool IsVisibleRow() const { return m_visible; }
    void SetVisibleRow(bool visible) { m_visible = visible; }
    bool IsSelected() const override { return m_selected; }
    /** Drawn width in columns: the track's complete columns at the zoom,
     *  known from the file sizes before any peak is built. */
    int Columns() const override { return m_columns; }
    bool IsScrollable() const override;
    bool PeaksPending() const { return m_peaks.Pending(); }
    /** The built columns: those on screen and a margin on either side. */
    const brimsel::CDisplayList& Display() const { return m_display; }
    CDlgTrackInfo* InfoPanel() const { return m_infoPanel; }
    const CRowSelection& Selection() const { return *m_selection; }

    /** The view's part of a horizontal scroll by d columns. */
    void ScrollH(int d);
    /** Drops the selection and the selected state. */
    void DeSelectArea();
    /** Shows from..to as the selection (MoveSelectArea). */
    void SelectRange(int64_t from, int64_t to) override;
    /** Places the playing line at time t, shown or hidden. */
    void SetPlayingLine(int64_t time, bool show);
    /** Rescales the selection and rebuilds the peaks after a zoom. */
    void Rescale(bool zoomIn);

    /** The handler behind the window messages. */
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);

signals:
    /** A background build was taken in and the row repainted. */
    void peaksReady();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    /** With Shift the wheel scrolls the rows in time, with Ctrl it zooms
     *  around the pointer; the plain wheel asks the state to move the rows. */
    void wheelEvent(QWheelEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    /** A row reached by Tab shows a frame around its wave area. */
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // ---- ISelectionHost ----
    void Select() override;
    void FollowScroll() override;

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
    /** Puts the playing line on its time at the present zoom and scroll. */
    void PlacePlayingLine();
    void Repaint();

    CViewState* m_state;
    CDlgTrackInfo* m_infoPanel = nullptr;
    CTrack* m_track = nullptr;
    TrackBaseInfo m_info{};
    // The audio data files of the current timeline, as they are on disk.
    std::shared_ptr<const brimsel::FileList> m_stats;
    brimsel::CFileCatalog m_catalog; // what is known of every file seen
    uint64_t m_frames = 0;           // frames in those files
    bool m_visible = true;
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
    CLineStatic* m_leftLine = nullptr;
    CLineStatic* m_rightLine = nullptr;
    std::unique_ptr<CRowSelection> m_selection; // with the click line

    int64_t m_rangeStart = 0; // the range buttons' start and end
    int64_t m_rangeEnd = 0;
    int64_t m_playTime = 0;
    bool m_playShown = false; // shown by the program; drawn only while in view
    int m_wheelRest = 0;      // wheel units short of a whole notch

    QImage m_picture; // the row without selection: redrawn only when the wave changes
    bool m_pictureDirty = true;
    int64_t m_pictureScroll = -1;
    QFont m_letterFont;

    std::unique_ptr<vorlain::CRegistryWindow> m_window;
};
