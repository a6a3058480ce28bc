// A control created through the plugin by its program id, a kernel session
// with real tracks loaded from generated wave files, a registered main
// window, and helpers to call the control by name and to work the mouse.
#pragma once

#include "vorlain/kestrum.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/message_queue.h"
#include "vorlain/test/temp_env.h"

#include <QImage>
#include <QPoint>
#include <QVariant>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <string>

namespace brimsel::test {

inline constexpr int64_t kSecond = 1'000'000;

class ControlTest : public vorlain::test::IsolatedTest {
protected:
    void SetUp() override;
    void TearDown() override;

    /** A kernel track loaded from a wave file of these samples. */
    CTrack* LoadTrack(const vorlain::test::Samples& samples, int rate, int channels,
                      const std::string& name = "track.wav");
    /** A sine of amplitude `amplitude` lasting `seconds`. */
    CTrack* LoadSine(double seconds, int rate, int channels, int amplitude = 16000,
                     const std::string& name = "sine.wav");
    uint32_t IdOf(CTrack* track) const { return Kestrum_GetTrackId(m_session, track); }

    // The control's methods, called by name as the program calls them.
    bool AddTrack(CTrack* track);
    bool AddTrackHandle(qint64 handle);
    bool ForceRedrawTrack(int id);
    bool ForceRedrawTrackEx(int id, int disableSelectArea, const QVariant& from,
                            const QVariant& to);
    bool MovePlayingLine(int id, const QVariant& time, int show);
    bool EnableTrack(int id, int show);
    int GetZoomfactor();
    qint64 GetBrimselHwnd(int id);
    bool GetVisableTrack(int* id);
    bool SetMainHwnd(qint64 hwnd);
    bool MoveSelectArea(int id, const QVariant& from, const QVariant& to);
    bool ZoomIn();
    bool ZoomOut();
    bool CloseProject();
    bool ScrollH(const QVariant& time);
    bool IsScrollable(int id);

    /** The row of a track, found among the control's children. */
    QWidget* View(int id) const;
    QWidget* Scale() const;
    QWidget* Child(QWidget* parent, const char* objectName) const;
    /** Runs the event loop until every row's background build is in. */
    void WaitForPeaks();
    /** Runs the event loop briefly (posted messages, repaints). */
    void Pump();
    QImage Grab(QWidget* widget) const;

    /** Mouse events as the window system would deliver them to a row. */
    void Press(QWidget* view, QPoint at, Qt::MouseButton button = Qt::LeftButton);
    void Move(QWidget* view, QPoint at, Qt::MouseButtons buttons = Qt::LeftButton);
    void Release(QWidget* view, QPoint at, Qt::MouseButton button = Qt::LeftButton);
    void Drag(QWidget* view, QPoint from, QPoint to);

    /** time(x) and x(t) of the control at its present zoom and scroll. */
    int64_t TimeAtX(int x) const;
    int XAtTime(int64_t time) const;
    int HScrollPos() const;

    CEditSession* m_session = nullptr;
    std::unique_ptr<vorlain::test::MessageQueueWindow> m_progress;
    std::unique_ptr<vorlain::test::MessageQueueWindow> m_main;
    QWidget* m_control = nullptr;
};

/** Signal arguments of SelectingTime as two 64-bit times. */
std::pair<int64_t, int64_t> Times(const QList<QVariant>& arguments);

} // namespace brimsel::test
