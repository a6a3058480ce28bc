// Plugins: the installed LV2 effects grouped by class, with a search field;
// the plugins the editor cannot run are listed apart with the reason.
#pragma once

#include "dialogs/plugin_description.h"

#include <QDialog>

class QLineEdit;
class QTreeWidget;

/**
 * Edit 1501 filters the tree 1502 by name, class or URI as it is typed. A
 * double click or OK chooses the plugin under the cursor; groups and the
 * plugins that cannot run cannot be chosen. The caller takes ChosenUri().
 */
class CDlgPluginList : public QDialog {
    Q_OBJECT
public:
    /** unsupported: URI, name and the reason of each plugin that cannot run. */
    CDlgPluginList(const QList<app::PluginEntry>& plugins, const QList<QStringList>& unsupported,
                   QWidget* parent = nullptr);

    QString ChosenUri() const;
    /** Puts the cursor on the plugin of uri (the last one used). */
    void SelectUri(const QString& uri);

private:
    void filter(const QString& text);
    void updateOk();

    QLineEdit* m_search;
    QTreeWidget* m_tree;
    class QPushButton* m_ok = nullptr;
};
