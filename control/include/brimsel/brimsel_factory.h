// How the program creates the display control: the plugin's factory
// interface and a helper that finds the plugin by its program id.
//
// The program then drives the control through its typed interface
// (brimsel_view.h):
//   auto* view = qobject_cast<IBrimselView*>(control);
//   view->AddTrack(track);
// The same methods are Q_INVOKABLE on the control object for callers by
// name, where times are QVariants holding qint64 microseconds
// (QMetaType::LongLong) and a track handle is a qint64:
//   bool AddTrack(qint64 pTrack)               bool ForceRedrawTrack(int trackId)
//   bool MovePlayingLine(int trackId, QVariant vtTime, int bShow)
//   bool ForceRedrawTrackEx(int trackId, int bDisableSelectArea, QVariant from, QVariant to)
//   bool EnableTrack(int trackId, int bShow)   int GetZoomfactor()
//   qint64 GetBrimselHwnd(int trackId)         bool GetVisableTrack(int* pTrackId)
//   bool SetMainHwnd(qint64 hwnd)
//   bool MoveSelectArea(int trackId, QVariant from, QVariant to)
//   bool ZoomIn()   bool ZoomOut()   bool CloseProject()   bool ScrollH(QVariant vtTime)
//   bool IsScrollable(int trackId)             void AboutBox()
// Signals: SelectTrack(short id), SelectTimeSegment(int, int) (never fired),
//          SelectingTime(QVariant vtFrom, QVariant vtTo).
#pragma once

#include <QCoreApplication>
#include <QDir>
#include <QJsonObject>
#include <QPluginLoader>
#include <QString>
#include <QWidget>
#include <QtPlugin>

/** The program id the control is registered under. */
#define BRIMSEL_PROG_ID "BRIMSEL.BrimselCtrl.1"
#define BRIMSEL_FACTORY_IID "org.vorlain.Brimsel.IBrimselFactory/1.0"

/** What the plugin's root object implements. */
class IBrimselFactory {
public:
    virtual ~IBrimselFactory() = default;
    /** A new control as a child of parent (may be null; then the caller owns it). */
    virtual QWidget* CreateControl(QWidget* parent) = 0;
};
Q_DECLARE_INTERFACE(IBrimselFactory, BRIMSEL_FACTORY_IID)

namespace brimsel {

/** The program's plugin folder: "plugins" beside the running program. */
inline QString DefaultPluginFolder()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/plugins");
}

/**
 * Loads the plugin in folder whose metadata names progId ("ProgId") and
 * returns its factory, or null with a reason in *error. The plugin stays
 * loaded for the rest of the process (controls it made must outlive no
 * unloading).
 */
inline IBrimselFactory* FindFactory(const QString& progId, const QString& folder,
                                    QString* error = nullptr)
{
    QDir dir(folder);
    const QStringList files = dir.entryList(QDir::Files);
    for (const QString& name : files) {
        QPluginLoader loader(dir.absoluteFilePath(name));
        const QJsonObject meta = loader.metaData().value(QStringLiteral("MetaData")).toObject();
        if (meta.value(QStringLiteral("ProgId")).toString() != progId)
            continue;
        if (auto* factory = qobject_cast<IBrimselFactory*>(loader.instance()))
            return factory;
        if (error)
            *error = loader.errorString();
        return nullptr;
    }
    if (error)
        *error = QStringLiteral("no plugin with program id %1 in %2").arg(progId, folder);
    return nullptr;
}

/** Creates a control by program id from folder (default: the program's plugin folder). */
inline QWidget* CreateControlByProgId(const QString& progId, QWidget* parent,
                                      const QString& folder = QString(), QString* error = nullptr)
{
    IBrimselFactory* factory =
        FindFactory(progId, folder.isEmpty() ? DefaultPluginFolder() : folder, error);
    return factory ? factory->CreateControl(parent) : nullptr;
}

} // namespace brimsel
