#include "control_fixture.h"

#include "brimsel/brimsel_factory.h"
#include "time_mapping.h"
#include "track/track.h"

#include <QApplication>
#include <QMetaObject>
#include <QMouseEvent>
#include <QScrollBar>
#include <QThread>

#include <chrono>

namespace brimsel::test {

namespace {

template <typename R, typename... Args> R Call(QWidget* control, const char* method, Args... args)
{
    R result{};
    // The return type travels by name: the macro would name it "R" here.
    const bool invoked = QMetaObject::invokeMethod(
        control, method, Qt::DirectConnection,
        QReturnArgument<R>(QMetaType::fromType<R>().name(), result), args...);
    EXPECT_TRUE(invoked) << method;
    return result;
}

} // namespace

void ControlTest::SetUp()
{
    IsolatedTest::SetUp();
    m_session = Kestrum_Open(nullptr);
    ASSERT_NE(m_session, nullptr);
    m_progress = std::make_unique<vorlain::test::MessageQueueWindow>();
    Kestrum_SetProressNotifyHwnd(m_progress->hwnd());
    m_main = std::make_unique<vorlain::test::MessageQueueWindow>();

    QString error;
    m_control = brimsel::CreateControlByProgId(QStringLiteral(BRIMSEL_PROG_ID), nullptr,
                                               QStringLiteral(BRIMSEL_PLUGIN_DIR), &error);
    ASSERT_NE(m_control, nullptr) << error.toStdString();
    m_control->resize(800, 520);
    m_control->show();
    ASSERT_TRUE(SetMainHwnd(static_cast<qint64>(reinterpret_cast<intptr_t>(m_main->hwnd()))));
    Pump();
}

void ControlTest::TearDown()
{
    delete m_control;
    m_control = nullptr;
    Pump();
    Kestrum_SetProressNotifyHwnd(nullptr);
    if (m_session)
        Kestrum_Close(m_session);
    m_session = nullptr;
    m_main.reset();
    m_progress.reset();
    IsolatedTest::TearDown();
}

CTrack* ControlTest::LoadTrack(const vorlain::test::Samples& samples, int rate, int channels,
                               const std::string& name)
{
    const std::string wav = env().path(name);
    EXPECT_TRUE(vorlain::test::WriteWave(wav, samples, rate, channels));
    CTrack* track = Kestrum_AddTrack(m_session, nullptr);
    EXPECT_NE(track, nullptr);
    if (!track)
        return nullptr;
    EXPECT_EQ(track->Load(wav.c_str()), 1);
    return track;
}

CTrack* ControlTest::LoadSine(double seconds, int rate, int channels, int amplitude,
                              const std::string& name)
{
    return LoadTrack(
        vorlain::test::Sine(static_cast<int64_t>(seconds * rate), rate, channels, 441.0, amplitude),
        rate, channels, name);
}

bool ControlTest::AddTrack(CTrack* track)
{
    return AddTrackHandle(static_cast<qint64>(reinterpret_cast<intptr_t>(track)));
}

bool ControlTest::AddTrackHandle(qint64 handle)
{
    return Call<bool>(m_control, "AddTrack", Q_ARG(qint64, handle));
}

bool ControlTest::ForceRedrawTrack(int id)
{
    return Call<bool>(m_control, "ForceRedrawTrack", Q_ARG(int, id));
}

bool ControlTest::ForceRedrawTrackEx(int id, int disable, const QVariant& from, const QVariant& to)
{
    return Call<bool>(m_control, "ForceRedrawTrackEx", Q_ARG(int, id), Q_ARG(int, disable),
                      Q_ARG(QVariant, from), Q_ARG(QVariant, to));
}

bool ControlTest::MovePlayingLine(int id, const QVariant& time, int show)
{
    return Call<bool>(m_control, "MovePlayingLine", Q_ARG(int, id), Q_ARG(QVariant, time),
                      Q_ARG(int, show));
}

bool ControlTest::EnableTrack(int id, int show)
{
    return Call<bool>(m_control, "EnableTrack", Q_ARG(int, id), Q_ARG(int, show));
}

int ControlTest::GetZoomfactor()
{
    return Call<int>(m_control, "GetZoomfactor");
}

qint64 ControlTest::GetBrimselHwnd(int id)
{
    return Call<qint64>(m_control, "GetBrimselHwnd", Q_ARG(int, id));
}

bool ControlTest::GetVisableTrack(int* id)
{
    return Call<bool>(m_control, "GetVisableTrack", Q_ARG(int*, id));
}

bool ControlTest::SetMainHwnd(qint64 hwnd)
{
    return Call<bool>(m_control, "SetMainHwnd", Q_ARG(qint64, hwnd));
}

bool ControlTest::MoveSelectArea(int id, const QVariant& from, const QVariant& to)
{
    return Call<bool>(m_control, "MoveSelectArea", Q_ARG(int, id), Q_ARG(QVariant, from),
                      Q_ARG(QVariant, to));
}

bool ControlTest::ZoomIn()
{
    return Call<bool>(m_control, "ZoomIn");
}

bool ControlTest::ZoomOut()
{
    return Call<bool>(m_control, "ZoomOut");
}

bool ControlTest::CloseProject()
{
    return Call<bool>(m_control, "CloseProject");
}

bool ControlTest::ScrollH(const QVariant& time)
{
    return Call<bool>(m_control, "ScrollH", Q_ARG(QVariant, time));
}

bool ControlTest::IsScrollable(int id)
{
    return Call<bool>(m_control, "IsScrollable", Q_ARG(int, id));
}

QWidget* ControlTest::View(int id) const
{
    const auto children = m_control->findChildren<QWidget*>(QStringLiteral("CDlgBrimsel"));
    for (QWidget* view : children)
        if (view->property("trackId").toInt() == id)
            return view;
    return nullptr;
}

QWidget* ControlTest::Scale() const
{
    return m_control->findChild<QWidget*>(QStringLiteral("CDlgScale"));
}

QWidget* ControlTest::Child(QWidget* parent, const char* objectName) const
{
    return parent->findChild<QWidget*>(QString::fromLatin1(objectName));
}

void ControlTest::WaitForPeaks()
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        QCoreApplication::processEvents();
        bool pending = false;
        for (QWidget* view : m_control->findChildren<QWidget*>(QStringLiteral("CDlgBrimsel")))
            pending = pending || view->property("peaksPending").toBool();
        if (!pending)
            break;
        ASSERT_LT(std::chrono::steady_clock::now(), deadline) << "peaks never arrived";
        QThread::msleep(2);
    }
    Pump();
}

void ControlTest::Pump()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

QImage ControlTest::Grab(QWidget* widget) const
{
    return widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

namespace {

void SendMouse(QWidget* view, QEvent::Type type, QPoint at, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(at), QPointF(view->mapToGlobal(at)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(view, &event);
}

} // namespace

void ControlTest::Press(QWidget* view, QPoint at, Qt::MouseButton button)
{
    SendMouse(view, QEvent::MouseButtonPress, at, button, button);
}

void ControlTest::Move(QWidget* view, QPoint at, Qt::MouseButtons buttons)
{
    SendMouse(view, QEvent::MouseMove, at, Qt::NoButton, buttons);
}

void ControlTest::Release(QWidget* view, QPoint at, Qt::MouseButton button)
{
    SendMouse(view, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
}

void ControlTest::Drag(QWidget* view, QPoint from, QPoint to)
{
    Press(view, from);
    Move(view, to);
    Release(view, to);
}

int ControlTest::HScrollPos() const
{
    return Child(m_control, "CDlgPanel")->property("hScrollPos").toInt();
}

int64_t ControlTest::TimeAtX(int x) const
{
    return brimsel::TimeOfX(
        x, static_cast<uint32_t>(const_cast<ControlTest*>(this)->GetZoomfactor()), HScrollPos());
}

int ControlTest::XAtTime(int64_t time) const
{
    return static_cast<int>(brimsel::XOfTime(
        time, static_cast<uint32_t>(const_cast<ControlTest*>(this)->GetZoomfactor()),
        HScrollPos()));
}

std::pair<int64_t, int64_t> Times(const QList<QVariant>& arguments)
{
    EXPECT_EQ(arguments.size(), 2);
    EXPECT_EQ(arguments.value(0).metaType().id(), QMetaType::LongLong);
    EXPECT_EQ(arguments.value(1).metaType().id(), QMetaType::LongLong);
    return {arguments.value(0).toLongLong(), arguments.value(1).toLongLong()};
}

} // namespace brimsel::test
