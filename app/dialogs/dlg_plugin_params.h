// A plugin's settings: one control per control port of the plugin (a slider
// with its exact value, linear or logarithmic as the port says; a check box
// for a toggle; a list for an enumeration), its presets and the user's own,
// and Preview / Stop, which plays the selection through the plugin while the
// controls move.
#pragma once

#include "dialogs/plugin_description.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QPushButton;
class QTimer;

/** What the dialog asks of the preview; none of it blocks. */
struct PluginPreviewHooks {
    /** Starts playing with these controls; false when it could not (the
     *  hook has told the user why). */
    std::function<bool(const QString& controls)> start;
    /** New control values while it plays. */
    std::function<void(const QString& controls)> change;
    std::function<void()> stop;
    /** Whether it still plays; false after a plugin failure (the hook tells
     *  the user) or when the loop ended. */
    std::function<bool()> playing;
};

/**
 * Combo 1601 lists "(Defaults)", the plugin's presets and the user's saved
 * settings; choosing one sets the controls. Button 1602 saves the current
 * values under a name asked for. Button 1603 is Preview, and Stop while the
 * preview plays. OK (1) applies; Cancel (2) and closing stop the preview.
 * Each control is named "control_<symbol>".
 */
class CDlgPluginParams : public QDialog {
    Q_OBJECT
public:
    CDlgPluginParams(const QString& uri, const QString& name,
                     const QList<app::PluginControl>& controls,
                     const QList<QPair<QString, QString>>& presets, PluginPreviewHooks hooks,
                     QWidget* parent = nullptr);
    ~CDlgPluginParams() override;

    /** The values as the kernel takes them: "symbol=value;..." (C locale). */
    QString Controls() const;
    /** Sets the controls named in "symbol=value;..."; the others keep theirs. */
    void SetControls(const QString& controls);
    bool Previewing() const { return m_previewing; }

    void done(int result) override;

private:
    struct Row;
    void controlChanged();
    void togglePreview();
    void stopPreview();
    void choosePreset(int index);
    void savePreset();
    void fillPresets();

    QString m_uri;
    QList<Row*> m_rows;
    QList<QPair<QString, QString>> m_presets;
    PluginPreviewHooks m_hooks;
    QComboBox* m_presetBox = nullptr;
    QPushButton* m_preview = nullptr;
    QTimer* m_watch = nullptr;
    bool m_previewing = false;
    bool m_setting = false; // controls are being set together: one change after
};
