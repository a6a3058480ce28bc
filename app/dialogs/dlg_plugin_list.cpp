#include "dialogs/dlg_plugin_list.h"

#include "config/language.h"
#include "dialogs/dialog_support.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
constexpr const char* kSection = "pl15";
constexpr int kUriRole = Qt::UserRole;
} // namespace

CDlgPluginList::CDlgPluginList(const QList<app::PluginEntry>& plugins,
                               const QList<QStringList>& unsupported, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgPluginList"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    auto* searchLabel = new QLabel(app::LanguageText(kSection, "00000001"));
    app::SetControlId(searchLabel, 1500);
    m_search = new QLineEdit;
    app::SetControlId(m_search, 1501);
    m_search->setClearButtonEnabled(true);
    searchLabel->setBuddy(m_search);

    m_tree = new QTreeWidget;
    app::SetControlId(m_tree, 1502);
    m_tree->setColumnCount(2);
    m_tree->setHeaderLabels(
        {app::LanguageText(kSection, "00000005"), app::LanguageText(kSection, "00000006")});
    m_tree->setRootIsDecorated(true);
    m_tree->setUniformRowHeights(true);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_tree->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_tree->setFixedSize(fontMetrics().averageCharWidth() * 70, fontMetrics().height() * 24);

    QMap<QString, QTreeWidgetItem*> groups;
    for (const app::PluginEntry& p : plugins) {
        const QString group =
            p.className.isEmpty() ? app::LanguageText(kSection, "00000007") : p.className;
        QTreeWidgetItem*& parentItem = groups[group];
        if (!parentItem) {
            parentItem = new QTreeWidgetItem(QStringList{group});
            parentItem->setFlags(Qt::ItemIsEnabled);
        }
        const QString channels = app::LanguageText(
            kSection, p.audioIns == 2 || p.audioOuts == 2 ? "00000009" : "00000008");
        auto* item = new QTreeWidgetItem(parentItem, QStringList{p.name, channels});
        item->setData(0, kUriRole, p.uri);
        item->setToolTip(0, p.uri);
    }
    for (QTreeWidgetItem* group : groups)
        m_tree->addTopLevelItem(group);
    m_tree->sortItems(0, Qt::AscendingOrder);
    if (!unsupported.isEmpty()) {
        // Apart and last: what cannot run, each with its reason.
        auto* group = new QTreeWidgetItem(QStringList{app::LanguageText(kSection, "0000000A")});
        group->setFlags(Qt::ItemIsEnabled);
        for (const QStringList& u : unsupported) {
            auto* item = new QTreeWidgetItem(group, QStringList{u.value(1), u.value(2)});
            item->setFlags(Qt::NoItemFlags);
            item->setToolTip(0, u.value(0));
            item->setToolTip(1, u.value(2));
        }
        m_tree->addTopLevelItem(group);
    }
    m_tree->expandAll();
    if (QTreeWidgetItem* last = m_tree->topLevelItem(m_tree->topLevelItemCount() - 1);
        last && !unsupported.isEmpty())
        last->setExpanded(false);

    auto* buttons = app::OkCancelButtons(this, kSection, "00000002", "00000003");
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(m_search, &QLineEdit::textChanged, this, &CDlgPluginList::filter);
    connect(m_tree, &QTreeWidget::currentItemChanged, this, &CDlgPluginList::updateOk);
    connect(m_tree, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem* item) {
        if (item && !item->data(0, kUriRole).toString().isEmpty())
            accept();
    });

    auto* layout = new QVBoxLayout(this);
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(searchLabel);
    searchRow->addWidget(m_search, 1);
    layout->addLayout(searchRow);
    layout->addWidget(m_tree, 1);
    app::AddButtonRow(layout, buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_search->setFocus();
    updateOk();
}

QString CDlgPluginList::ChosenUri() const
{
    const QTreeWidgetItem* item = m_tree->currentItem();
    return item && !item->isHidden() ? item->data(0, kUriRole).toString() : QString();
}

void CDlgPluginList::SelectUri(const QString& uri)
{
    for (int g = 0; g < m_tree->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = m_tree->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i)
            if (group->child(i)->data(0, kUriRole).toString() == uri) {
                m_tree->setCurrentItem(group->child(i));
                m_tree->scrollToItem(group->child(i));
                return;
            }
    }
}

void CDlgPluginList::filter(const QString& text)
{
    const QString needle = text.trimmed();
    QTreeWidgetItem* firstShown = nullptr;
    for (int g = 0; g < m_tree->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = m_tree->topLevelItem(g);
        const bool groupMatches = group->text(0).contains(needle, Qt::CaseInsensitive);
        int shown = 0;
        for (int i = 0; i < group->childCount(); ++i) {
            QTreeWidgetItem* item = group->child(i);
            const bool match = needle.isEmpty() || groupMatches ||
                               item->text(0).contains(needle, Qt::CaseInsensitive) ||
                               item->toolTip(0).contains(needle, Qt::CaseInsensitive);
            item->setHidden(!match);
            if (match) {
                ++shown;
                if (!firstShown && item->flags() & Qt::ItemIsSelectable)
                    firstShown = item;
            }
        }
        group->setHidden(shown == 0);
    }
    // The first match is the one Enter takes.
    if (!needle.isEmpty() && firstShown)
        m_tree->setCurrentItem(firstShown);
    updateOk();
}

void CDlgPluginList::updateOk()
{
    if (m_ok)
        m_ok->setEnabled(!ChosenUri().isEmpty());
}
