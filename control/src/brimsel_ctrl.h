// The display control: its sixteen automation methods and three events.
#pragma once

#include <QVariant>
#include <QWidget>

#include <cstdint>

class CDlgPanel;

/**
 * Created by the program through the plugin (program id
 * "BRIMSEL.BrimselCtrl.1") and driven by name through Qt's meta-object
 * system. Times are QVariants holding qint64 microseconds; a track handle
 * and a window handle are pointer-sized integers (qint64); track ids are int.
 */
class CBrimselCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CBrimselCtrl(QWidget* parent = nullptr);
    ~CBrimselCtrl() override;

    /** Adds a row for the kernel track pTrack (a CTrack*). False for 0. */
    Q_INVOKABLE bool AddTrack(qint64 pTrack);
    /** ForceRedrawTrackEx(trackId, 0, 0, 0). */
    Q_INVOKABLE bool ForceRedrawTrack(int trackId);
    /** False unless vtTime holds a qint64; else places that row's playing line. */
    Q_INVOKABLE bool MovePlayingLine(int tracdId, const QVariant& vtTime, int bShow);
    /** Re-reads the track and draws it; with bDisableSelectArea the selection
     *  becomes wParam..lParam (a click line when equal). */
    Q_INVOKABLE bool ForceRedrawTrackEx(int trackId, int bDisableSelectArea, const QVariant& wParam,
                                        const QVariant& lParam);
    Q_INVOKABLE bool EnableTrack(int trackId, int bShow);
    Q_INVOKABLE int GetZoomfactor();
    /** The registry handle of that row's view (for WM_RECORD_PEAKS); 0 if none. */
    Q_INVOKABLE qint64 GetBrimselHwnd(int trackId);
    /** Iterates the visible rows: TRUE with the next id, FALSE at the end (and restarts). */
    Q_INVOKABLE bool GetVisableTrack(int* pTrackId);
    /** The window that receives the posted requests. */
    Q_INVOKABLE bool SetMainHwnd(qint64 hwnd);
    Q_INVOKABLE bool MoveSelectArea(int trackId, const QVariant& vtFrom, const QVariant& vtTo);
    Q_INVOKABLE bool ZoomIn();
    Q_INVOKABLE bool ZoomOut();
    Q_INVOKABLE bool CloseProject();
    Q_INVOKABLE bool ScrollH(const QVariant& vtTime);
    /** pTrack is a track id here. */
    Q_INVOKABLE bool IsScrollable(int pTrack);
    Q_INVOKABLE void AboutBox();

    CDlgPanel* Panel() const { return m_panel; }

    /** Raised by the rows. SelectingTime is fired ordered, from <= to. */
    void FireSelectTrack(int trackId);
    void FireSelectingTime(int64_t from, int64_t to);

signals:
    void SelectTrack(short id);
    /** Declared for the host; the control never fires it. */
    void SelectTimeSegment(int begin, int end);
    void SelectingTime(const QVariant& vtFrom, const QVariant& vtTo);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    CDlgPanel* m_panel;
};
