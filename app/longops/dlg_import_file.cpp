#include "longops/dlg_import_file.h"

#include "config/language.h"

#include "vorlain/kestrum.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

CDlgImportFile::CDlgImportFile(const QString& path, QWidget* parent)
    : CProgressView(parent, QStringLiteral("id1013")), m_path(path)
{
    setObjectName(QStringLiteral("CDlgImportFile"));
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("id1072"));
    m_pathText = new QLabel(this);
    m_pathText->setObjectName(QStringLiteral("id1014"));
    m_pathText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    const int width = fontMetrics().averageCharWidth() * 60;
    Bar()->setMinimumWidth(width);
    m_pathText->setMaximumWidth(width);
    // Cancel, as the close box and Escape: the import stops.
    auto* cancel = new QPushButton(app::LanguageText("pl03", "00000001"), this);
    cancel->setObjectName(QStringLiteral("cancel"));
    cancel->setAutoDefault(false);
    connect(cancel, &QPushButton::clicked, this, [this, cancel] {
        cancel->setEnabled(false);
        cancel->setText(app::LanguageText("pl03", "00000002"));
        emit StopRequested();
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addWidget(m_pathText);
    layout->addWidget(Bar());
    layout->addWidget(cancel, 0, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CDlgImportFile::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    setWindowTitle(app::LanguageText("pl01", "00000000"));
    m_label->setText(app::LanguageText("pl01", "00000001"));
    // Long paths are shortened in the middle; the whole path is the tooltip.
    m_pathText->setText(
        m_pathText->fontMetrics().elidedText(m_path, Qt::ElideMiddle, m_pathText->maximumWidth()));
    m_pathText->setToolTip(m_path);
}

void CDlgImportFile::closeEvent(QCloseEvent* event)
{
    // The import stops within a fraction of a second; the operation ends
    // the dialog once it has.
    event->ignore();
    emit StopRequested();
}

void CDlgImportFile::reject()
{
    emit StopRequested();
}

namespace app {

intptr_t ImportWithDialog(CEditSession* editor, const QString& path, QWidget* parent)
{
    CDlgImportFile view(path, parent);
    CLongOperation operation(parent);
    operation.SetView(&view);
    operation.SetStop([editor] { Kestrum_Stop(editor); });
    CTrack* track = nullptr;
    const QByteArray file = path.toUtf8();
    const int ok = operation.Run([editor, file, &track](const CJobProgress&) {
        track = Kestrum_AddTrack(editor, file.constData());
        return track ? 1 : 0;
    });
    // A stop that came too late to stop anything keeps the track: the
    // kernel made it, so the view shows it.
    if (ok)
        return reinterpret_cast<intptr_t>(track);
    return operation.StopRequested() ? -1 : 0;
}

} // namespace app
