#include "dialogs/dlg_tag.h"

#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "dialogs/dialog_values.h"

#include "vorlain/platform.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include <cstring>

namespace {
constexpr const char* kSection = "pl02";

/** A fixed-width text field; it may lack its terminator when the record came
 *  from elsewhere, so the text never runs past the field. */
template <size_t N> QString FieldText(const char (&field)[N])
{
    return QString::fromUtf8(field, static_cast<qsizetype>(strnlen(field, N)));
}

/** Writes text into the field, cut on a character boundary to leave room
 *  for the terminator, the rest zero. */
template <size_t N> void SetField(char (&field)[N], const QString& text)
{
    std::memset(field, 0, N);
    VorlainCopyTextCut(field, N, text.toUtf8().constData());
}

QLabel* FieldLabel(const char* key, int id, QWidget* buddy)
{
    auto* label = new QLabel(app::LanguageText(kSection, key));
    app::SetControlId(label, id);
    label->setBuddy(buddy);
    return label;
}

QLineEdit* FieldEdit(int id)
{
    auto* edit = new QLineEdit;
    app::SetControlId(edit, id);
    return edit;
}

} // namespace

CDlgTAG::CDlgTAG(const TagInfo& tag, const TrackBaseInfo& track, QWidget* parent)
    : QDialog(parent), m_tag(tag), m_track(track), m_result(tag)
{
    setObjectName(QStringLiteral("CDlgTAG"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    m_trackName = new QLabel;
    app::SetControlId(m_trackName, 1063);
    m_trackName->setTextFormat(Qt::PlainText);
    m_trackName->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_title = FieldEdit(1053);
    m_artist = FieldEdit(1054);
    m_album = FieldEdit(1055);
    m_year = FieldEdit(1056);
    m_genre = FieldEdit(1057);
    m_comment = new QPlainTextEdit;
    app::SetControlId(m_comment, 1060);
    m_comment->setTabChangesFocus(true);
    const QFontMetrics metrics(m_comment->font());
    m_comment->setMinimumHeight(metrics.lineSpacing() * 4 + 2 * m_comment->frameWidth() +
                                2 * static_cast<int>(m_comment->document()->documentMargin()));
    m_title->setMinimumWidth(metrics.averageCharWidth() * 44);

    auto* fileLabel = new QLabel(app::LanguageText(kSection, "00000001"));
    app::SetControlId(fileLabel, 1065);

    auto* grid = new QGridLayout;
    grid->addWidget(fileLabel, 0, 0);
    grid->addWidget(m_trackName, 0, 1, 1, 3);
    grid->addWidget(FieldLabel("00000002", 1066, m_title), 1, 0);
    grid->addWidget(m_title, 1, 1, 1, 3);
    grid->addWidget(FieldLabel("00000003", 1067, m_artist), 2, 0);
    grid->addWidget(m_artist, 2, 1, 1, 3);
    grid->addWidget(FieldLabel("00000004", 1068, m_album), 3, 0);
    grid->addWidget(m_album, 3, 1, 1, 3);
    grid->addWidget(FieldLabel("00000005", 1069, m_year), 4, 0);
    grid->addWidget(m_year, 4, 1);
    grid->addWidget(FieldLabel("00000006", 1070, m_genre), 4, 2);
    grid->addWidget(m_genre, 4, 3);
    m_yearProblem = app::MakeProblemLabel(QStringLiteral("yearProblem"));
    grid->addWidget(m_yearProblem, 5, 1, 1, 3);
    grid->addWidget(FieldLabel("00000007", 1071, m_comment), 6, 0, Qt::AlignTop);
    grid->addWidget(m_comment, 6, 1, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 2);
    grid->setRowStretch(6, 1);

    QDialogButtonBox* box = app::OkCancelButtons(this, kSection, "00000009", "0000000A");
    QPushButton* reset = app::AddDialogButton(box, QDialogButtonBox::ResetRole, 1062,
                                              app::LanguageText(kSection, "00000008"));
    reset->setAutoDefault(false);
    connect(reset, &QPushButton::clicked, this, &CDlgTAG::FillFromCopies);
    connect(m_year, &QLineEdit::textChanged, this, &CDlgTAG::CheckYear);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addSpacing(fontMetrics().height() / 2);
    layout->addWidget(box);
    // A fixed size, as every operation dialog has: a resizable one gets the
    // window manager's resize handle along its bottom edge.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    FillFromCopies();
}

void CDlgTAG::FillFromCopies()
{
    m_title->setText(FieldText(m_tag.title));
    m_artist->setText(FieldText(m_tag.artist));
    m_album->setText(FieldText(m_tag.album));
    m_year->setText(FieldText(m_tag.year));
    m_genre->setText(FieldText(m_tag.genre));
    m_comment->setPlainText(FieldText(m_tag.comment));
    m_trackName->setText(FieldText(m_track.name));
}

bool CDlgTAG::CheckYear()
{
    // What the exported tags keep of a year: up to four digits, or none.
    static const QRegularExpression year(QStringLiteral("^[0-9]{0,4}$"));
    if (year.match(m_year->text()).hasMatch()) {
        m_yearProblem->hide();
        return true;
    }
    app::ShowProblem(m_yearProblem, app::LanguageText(kSection, "0000000B"));
    return false;
}

void CDlgTAG::accept()
{
    if (!CheckYear()) {
        m_year->setFocus();
        m_year->selectAll();
        return;
    }
    m_result = m_tag;
    SetField(m_result.title, m_title->text());
    SetField(m_result.artist, m_artist->text());
    SetField(m_result.album, m_album->text());
    SetField(m_result.year, m_year->text());
    SetField(m_result.genre, m_genre->text());
    SetField(m_result.comment, m_comment->toPlainText());
    app::Values().tag = m_result;
    QDialog::accept();
}
