#include "window/brimsel.h"

#include "brimsel/brimsel_factory.h"

#include <QMetaObject>
#include <QVariant>

namespace {

template <typename R, typename... Args> R Call(QObject* control, const char* method, Args... args)
{
    R result{};
    if (!control)
        return result;
    // The return type travels by name: the Q_RETURN_ARG macro would name it "R".
    QMetaObject::invokeMethod(control, method, Qt::DirectConnection,
                              QReturnArgument<R>(QMetaType::fromType<R>().name(), result), args...);
    return result;
}

QVariant Time(int64_t t)
{
    return QVariant::fromValue<qint64>(t);
}

} // namespace

CBrimsel::CBrimsel(QWidget* parent, const QString& pluginFolder)
{
    // Beside the program in the build tree; under lib/vorlain once installed.
    QStringList folders{pluginFolder};
    if (pluginFolder.isEmpty())
        folders = {brimsel::DefaultPluginFolder(), QCoreApplication::applicationDirPath() +
                                                       QStringLiteral("/../lib/vorlain/plugins")};
    for (const QString& folder : folders) {
        m_control = brimsel::CreateControlByProgId(QStringLiteral(BRIMSEL_PROG_ID), parent, folder,
                                                   &m_error);
        if (m_control)
            break;
    }
    if (m_control)
        m_control->setObjectName(QStringLiteral("id1012"));
}

bool CBrimsel::AddTrack(CTrack* track)
{
    return Call<bool>(m_control, "AddTrack",
                      Q_ARG(qint64, static_cast<qint64>(reinterpret_cast<intptr_t>(track))));
}

bool CBrimsel::ForceRedrawTrack(int trackId)
{
    return Call<bool>(m_control, "ForceRedrawTrack", Q_ARG(int, trackId));
}

bool CBrimsel::MovePlayingLine(int trackId, int64_t time, bool show)
{
    return Call<bool>(m_control, "MovePlayingLine", Q_ARG(int, trackId),
                      Q_ARG(QVariant, Time(time)), Q_ARG(int, show ? 1 : 0));
}

bool CBrimsel::ForceRedrawTrackEx(int trackId, bool setSelection, int64_t from, int64_t to)
{
    return Call<bool>(m_control, "ForceRedrawTrackEx", Q_ARG(int, trackId),
                      Q_ARG(int, setSelection ? 1 : 0), Q_ARG(QVariant, Time(from)),
                      Q_ARG(QVariant, Time(to)));
}

bool CBrimsel::EnableTrack(int trackId, bool show)
{
    return Call<bool>(m_control, "EnableTrack", Q_ARG(int, trackId), Q_ARG(int, show ? 1 : 0));
}

int CBrimsel::GetZoomfactor()
{
    return Call<int>(m_control, "GetZoomfactor");
}

intptr_t CBrimsel::GetBrimselHwnd(int trackId)
{
    return static_cast<intptr_t>(Call<qint64>(m_control, "GetBrimselHwnd", Q_ARG(int, trackId)));
}

bool CBrimsel::GetVisableTrack(int* trackId)
{
    return Call<bool>(m_control, "GetVisableTrack", Q_ARG(int*, trackId));
}

bool CBrimsel::SetMainHwnd(intptr_t hwnd)
{
    return Call<bool>(m_control, "SetMainHwnd", Q_ARG(qint64, static_cast<qint64>(hwnd)));
}

bool CBrimsel::MoveSelectArea(int trackId, int64_t from, int64_t to)
{
    return Call<bool>(m_control, "MoveSelectArea", Q_ARG(int, trackId), Q_ARG(QVariant, Time(from)),
                      Q_ARG(QVariant, Time(to)));
}

bool CBrimsel::ZoomIn()
{
    return Call<bool>(m_control, "ZoomIn");
}

bool CBrimsel::ZoomOut()
{
    return Call<bool>(m_control, "ZoomOut");
}

bool CBrimsel::CloseProject()
{
    return Call<bool>(m_control, "CloseProject");
}

bool CBrimsel::ScrollH(int64_t time)
{
    return Call<bool>(m_control, "ScrollH", Q_ARG(QVariant, Time(time)));
}

bool CBrimsel::IsScrollable(int trackId)
{
    return Call<bool>(m_control, "IsScrollable", Q_ARG(int, trackId));
}

QList<int> CBrimsel::VisibleTracks()
{
    QList<int> ids;
    int id = 0;
    // The walk is bounded: a control never shows more rows than ids exist.
    while (GetVisableTrack(&id) && ids.size() < 100000)
        ids << id;
    return ids;
}
