// The display control: the program's typed interface (IBrimselView), the
// same methods by name for callers through the meta-object system, and the
// three events.
#pragma once

#include "brimsel/brimsel_view.h"

#include <QVariant>
#include <QWidget>

#include <cstdint>

class CDlgPanel;

/**
 * Created by the program through the plugin (program id
 * "BRIMSEL.BrimselCtrl.1"). The program calls it through IBrimselView;
 * callers by name find the same methods as Q_INVOKABLE, where times are
 * QVariants holding qint64 microseconds and a track handle is a
 * pointer-sized integer (qint64). A method whose typed and named forms take
 * the same arguments is one method; the others convert their arguments and
 * call the typed form.
 */
class CBrimselCtrl : public QWidget, public IBrimselView {
    Q_OBJECT
    Q_INTERFACES(IBrimselView)
public:
    explicit CBrimselCtrl(QWidget* parent = nullptr);
    ~CBrimselCtrl() override;

    // ---- IBrimselView ----
    bool AddTrack(CTrack* track) override;
    Q_INVOKABLE bool ForceRedrawTrack(int trackId) override;
    bool MovePlayingLine(int trackId, int64_t time, bool show) override;
    bool ForceRedrawTrackEx(int trackId, bool setSelection, int64_t from, int64_t to) override;
    bool EnableTrack(int trackId, bool show) override;
    Q_INVOKABLE int GetZoomfactor() override;
    Q_INVOKABLE qint64 GetBrimselHwnd(int trackId) override;
    Q_INVOKABLE bool GetVisableTrack(int* pTrackId) override;
    Q_INVOKABLE bool SetMainHwnd(qint64 hwnd) override;
    bool MoveSelectArea(int trackId, int64_t from, int64_t to) override;
    Q_INVOKABLE bool ZoomIn() override;
    Q_INVOKABLE bool ZoomOut() override;
    Q_INVOKABLE bool CloseProject() override;
    bool ScrollH(int64_t time) override;
    /** pTrack is a track id here. */
    Q_INVOKABLE bool IsScrollable(int pTrack) override;
    void SetEvents(IBrimselEvents* events) override;
    bool CanZoomOut() override;
    int64_t ViewSpan() override;

    // ---- the same by name ----
    /** pTrack is a CTrack*. False for 0. */
    Q_INVOKABLE bool AddTrack(qint64 pTrack);
    /** False unless vtTime holds a qint64. */
    Q_INVOKABLE bool MovePlayingLine(int tracdId, const QVariant& vtTime, int bShow);
    Q_INVOKABLE bool ForceRedrawTrackEx(int trackId, int bDisableSelectArea, const QVariant& wParam,
                                        const QVariant& lParam);
    Q_INVOKABLE bool EnableTrack(int trackId, int bShow);
    Q_INVOKABLE bool MoveSelectArea(int trackId, const QVariant& vtFrom, const QVariant& vtTo);
    Q_INVOKABLE bool ScrollH(const QVariant& vtTime);
    /** The control's name and version in a message box (modal: it returns when closed). */
    Q_INVOKABLE void AboutBox();
    static QString AboutTitle();
    static QString AboutText();

    CDlgPanel* Panel() const { return m_panel; }

    /** Raised by the rows through the view state. SelectingTime is fired
     *  ordered, from <= to. */
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
    IBrimselEvents* m_events = nullptr;
};
