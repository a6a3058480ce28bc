#include "window/info_strip.h"

#include "config/language.h"
#include "state/editor_state.h"
#include "widgets/exit_button_art.h"
#include "widgets/hot_btn.h"
#include "widgets/mini_timer.h"
#include "window/command_ids.h"

#include "vorlain/kestrum.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

using namespace cmd;

namespace app {

QString TimeText(int64_t t)
{
    const int64_t s = t / 1000000;
    return QString::asprintf("%.2d:%.2d:%.2d.%.3d", static_cast<int>(s / 3600),
                             static_cast<int>(s % 3600 / 60), static_cast<int>(s % 60),
                             static_cast<int>(t % 1000000 / 1000));
}

} // namespace app

namespace {

QLabel* MakeLabel(QWidget* parent, int id, bool value = false)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("id%1").arg(id));
    if (value) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setText(QStringLiteral("00:00:00.000"));
    }
    return label;
}

} // namespace

CInfoStrip::CInfoStrip(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("infoStrip"));
    m_trackCaption = MakeLabel(this, kTrackCaption);
    m_trackName = MakeLabel(this, kTrackName);
    // A long name is shortened in the middle; the whole name is its tooltip.
    m_trackName->setFixedWidth(fontMetrics().averageCharWidth() * 28);
    m_durationCaption = MakeLabel(this, kDurationCaption);
    m_durationValue = MakeLabel(this, kDurationValue, true);
    m_startCaption = MakeLabel(this, kStartCaption);
    m_endCaption = MakeLabel(this, kEndCaption);
    m_lengthCaption = MakeLabel(this, kLengthCaption);
    m_lengthValue = MakeLabel(this, kLengthValue, true);
    m_startEditor = new app::CMiniTimer(this);
    m_startEditor->setObjectName(QStringLiteral("id%1").arg(kStartEditor));
    m_endEditor = new app::CMiniTimer(this);
    m_endEditor->setObjectName(QStringLiteral("id%1").arg(kEndEditor));
    m_exit = new app::CHotBtn(this);
    m_exit->setObjectName(QStringLiteral("id%1").arg(kExitButton));
    m_exit->installEventFilter(this);

    m_endEditor->SetClampToMaximum(true);
    m_timeProblem = new QLabel(this);
    m_timeProblem->setObjectName(QStringLiteral("timeProblem"));
    m_timeProblem->setStyleSheet(QStringLiteral("color: #b00020;"));
    m_timeProblem->hide();

    connect(m_startEditor, &app::CMiniTimer::Notify, this, [this](int, qint64 t) {
        // Without a selection End is only the cursor: it goes along.
        const bool cursorOnly = m_shownEnd <= m_shownStart;
        emit TimeEdited(kStartEditor, t);
        if (cursorOnly && t > m_shownEnd)
            emit TimeEdited(kEndEditor, t);
    });
    connect(m_startEditor, &app::CMiniTimer::Refused, this, [this] {
        m_timeProblem->setText(app::LanguageText("main", "00000024"));
        m_timeProblem->show();
    });
    connect(m_endEditor, &app::CMiniTimer::Notify, this,
            [this](int, qint64 t) { emit TimeEdited(kEndEditor, t); });
    connect(m_exit, &QAbstractButton::clicked, this, &CInfoStrip::ExitClicked);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    auto pair = [layout](QWidget* caption, QWidget* value, int gap) {
        layout->addWidget(caption);
        layout->addSpacing(4);
        layout->addWidget(value);
        layout->addSpacing(gap);
    };
    pair(m_trackCaption, m_trackName, 16);
    pair(m_durationCaption, m_durationValue, 24);
    pair(m_startCaption, m_startEditor, 16);
    pair(m_endCaption, m_endEditor, 16);
    pair(m_lengthCaption, m_lengthValue, 16);
    layout->addWidget(m_timeProblem);
    layout->addStretch(1);
    layout->addWidget(m_exit);
}

bool CInfoStrip::eventFilter(QObject* watched, QEvent* event)
{
    // The artwork is drawn for the button's size: again whenever it changes.
    if (watched == m_exit && event->type() == QEvent::Resize)
        MakeExitBitmaps();
    return QWidget::eventFilter(watched, event);
}

void CInfoStrip::FitExitButton()
{
    // 90 x 25 at the usual font, larger when the text needs it.
    const QFontMetrics metrics(m_exit->font());
    m_exit->setFixedSize(std::max(90, metrics.horizontalAdvance(m_exit->text()) + 24),
                         std::max(25, metrics.height() + 10));
}

void CInfoStrip::MakeExitBitmaps()
{
    const app::HotBtnBitmaps art =
        app::MakeExitButtonBitmaps(m_exit->size(), m_exit->devicePixelRatioF());
    m_exit->SetBitmaps(art.normal, art.pressed, art.hover, art.disabled);
}

void CInfoStrip::showEvent(QShowEvent* event)
{
    // Drawn again for the screen the window is shown on.
    FitExitButton();
    MakeExitBitmaps();
    QWidget::showEvent(event);
}

void CInfoStrip::LoadTexts()
{
    m_startCaption->setText(app::LanguageText("main", "00000001"));
    m_endCaption->setText(app::LanguageText("main", "00000002"));
    m_lengthCaption->setText(app::LanguageText("main", "00000003"));
    m_trackCaption->setText(app::LanguageText("main", "0000001C"));
    m_durationCaption->setText(app::LanguageText("main", "0000001D"));
    m_exit->setText(app::LanguageText("main", "00000004"));
    FitExitButton();
}

void CInfoStrip::ShowSelection(int64_t start, int64_t end, int64_t trackLength)
{
    if (start != m_shownStart)
        m_timeProblem->hide();
    m_shownStart = start;
    m_shownEnd = end;
    // Bounds first, so that a value is never refused by a stale bound.
    m_startEditor->SetMin(0);
    m_startEditor->SetMax(end > start ? end : std::max(trackLength, end));
    m_startEditor->SetValue(start);
    m_endEditor->SetMax(std::max(trackLength, end));
    m_endEditor->SetMin(start);
    m_endEditor->SetValue(end);
    m_lengthValue->setText(app::TimeText(end - start));
}

void CInfoStrip::ShowTrack(const QString& name, int64_t length)
{
    m_trackFullName = name;
    ElideTrackName();
    m_trackName->setToolTip(name);
    m_durationValue->setText(app::TimeText(length));
}

void CInfoStrip::ElideTrackName()
{
    m_trackName->setText(m_trackName->fontMetrics().elidedText(m_trackFullName, Qt::ElideMiddle,
                                                               m_trackName->width()));
}

void CInfoStrip::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ElideTrackName();
}

void CInfoStrip::ShowNoTrack()
{
    m_trackFullName = app::LanguageText("main", "0000001B");
    ElideTrackName();
    m_trackName->setToolTip(QString());
    m_durationValue->setText(QStringLiteral("00:00:00.000"));
}

void CInfoStrip::ShowState(const app::CEditorState& state)
{
    const int track = state.CurrentTrack();
    if (track == 0 || !state.Editor()) {
        ShowSelection(0, 0, 0);
        ShowNoTrack();
    } else if (track == state.RecordTrackId() &&
               (state.IsRecording() || state.IsRecordStopping())) {
        // The track being recorded grows under the capture thread: its name
        // and length are shown once the recording has ended.
        ShowSelection(state.SelectionStart(), state.SelectionEnd(), state.SelectionEnd());
    } else {
        TrackBaseInfo info{};
        Kestrum_GetTrackBaseInfo(state.Editor(), static_cast<uint32_t>(track), &info);
        ShowSelection(state.SelectionStart(), state.SelectionEnd(), info.length);
        ShowTrack(QString::fromUtf8(info.name), info.length);
    }
}
