#include "dlg_track_info.h"

#include "button_art.h"
#include "hover_bitmap_button.h"
#include "vorlain/messages.h"
#include "vorlain/platform.h"

#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

namespace {

struct ButtonPlace {
    int id;
    QRect rect;
    CButtonArt::Glyph glyph;
    const char* tooltipKey;
};

const ButtonPlace kButtons[4] = {
    {212, QRect(0, 125, 30, 24), CButtonArt::Glyph::WholeTrack, "00000000"},
    {214, QRect(30, 125, 30, 24), CButtonArt::Glyph::RangeStart, "00000001"},
    {215, QRect(60, 125, 30, 24), CButtonArt::Glyph::RangeEnd, "00000002"},
    {216, QRect(90, 125, 29, 24), CButtonArt::Glyph::DeleteTrack, "00000003"},
};

/** A tooltip text of the "brimsel" section; empty without a language file. */
QString Tooltip(const char* key)
{
    char file[VORLAIN_MAX_PATH * 4];
    if (!VorlainGetLanguageFile(file, sizeof file))
        return {};
    char text[260] = {};
    VorlainGetProfileString("brimsel", key, "", text, sizeof text, file);
    return QString::fromUtf8(text);
}

} // namespace

CDlgTrackInfo::CDlgTrackInfo(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("CDlgTrackInfo"));
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);

    m_name = MakeLabel(206, QStringLiteral("Name"), QRect(2, 6, 116, 16), Qt::AlignHCenter);
    // The name's tooltip needs the pointer; a label takes no click, so
    // clicks still travel on to the view.
    m_name->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    m_time = MakeLabel(209, QStringLiteral("Time"), QRect(4, 34, 114, 16), Qt::AlignLeft);
    m_channel = MakeLabel(210, QStringLiteral("Channel:"), QRect(4, 56, 114, 16), Qt::AlignLeft);
    m_sample = MakeLabel(211, QStringLiteral("Sample:"), QRect(4, 78, 114, 16), Qt::AlignLeft);

    for (int i = 0; i < 4; ++i) {
        const ButtonPlace& place = kButtons[i];
        auto* button = new CHoverBitmapButton(place.id, this);
        QSize size = place.rect.size();
        QPixmap active = CButtonArt::Make(place.glyph, CButtonArt::Look::Active, size);
        button->Attach(CButtonArt::Make(place.glyph, CButtonArt::Look::Normal, size), active,
                       active, CButtonArt::Make(place.glyph, CButtonArt::Look::Disabled, size),
                       place.rect);
        button->setToolTip(Tooltip(place.tooltipKey));
        connect(button, &QAbstractButton::clicked, this, [this, i] { OnButton(i); });
        m_buttons[i] = button;
    }
}

QLabel* CDlgTrackInfo::MakeLabel(int id, const QString& text, const QRect& rect,
                                 Qt::Alignment align)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QStringLiteral("id%1").arg(id));
    label->setGeometry(rect);
    label->setAlignment(align | Qt::AlignVCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
    return label;
}

void CDlgTrackInfo::SetName(const QString& name)
{
    // A long name keeps its start and ends in an ellipsis; the whole of it is the tooltip.
    const int room = m_name->contentsRect().width();
    m_name->setText(m_name->fontMetrics().elidedText(name, Qt::ElideRight, room));
    m_name->setToolTip(name);
}

QString CDlgTrackInfo::Name() const
{
    return m_name->toolTip();
}

void CDlgTrackInfo::SetTime(int64_t length)
{
    m_time->setText(TimeText(length));
}

void CDlgTrackInfo::SetChannels(int channels)
{
    m_channel->setText(ChannelText(channels));
}

void CDlgTrackInfo::SetSampleRate(int sampleRate)
{
    m_sample->setText(SampleText(sampleRate));
}

void CDlgTrackInfo::SetBackgroundColor(const QColor& color)
{
    m_background = color;
    update();
}

void CDlgTrackInfo::EnableButtons(bool enable)
{
    for (int i = 0; i < 3; ++i)
        m_buttons[i]->setEnabled(enable);
}

QString CDlgTrackInfo::TimeText(int64_t length)
{
    int64_t seconds = length / 1000000;
    return QString::asprintf(
        "Time: %.2lld:%.2lld:%.2lld.%.3lld", static_cast<long long>(seconds / 3600),
        static_cast<long long>(seconds % 3600 / 60), static_cast<long long>(seconds % 60),
        static_cast<long long>(length % 1000000 / 1000));
}

QString CDlgTrackInfo::ChannelText(int channels)
{
    switch (channels) {
    case 1:
        return QStringLiteral("Channel: Mono");
    case 2:
        return QStringLiteral("Channel: Stereo");
    case 6:
        return QStringLiteral("Channel: 5.1 Dolby");
    default:
        return QStringLiteral("Channel:") + QString::number(channels);
    }
}

QString CDlgTrackInfo::SampleText(int sampleRate)
{
    return QStringLiteral("Samples: ") + QString::number(sampleRate) + QStringLiteral("Hz");
}

void CDlgTrackInfo::OnButton(int index)
{
    if (index == 3)
        PostMessage(m_view, vorlain::WM_TRACK_DELETE_REQUEST, 0, 0);
    else
        PostMessage(m_view, vorlain::WM_TRACK_RANGE_REQUEST, 0, index + 1);
}

void CDlgTrackInfo::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), m_background);
    p.setPen(Qt::black);
    p.drawLine(width() - 1, 0, width() - 1, height() - 1);
}

void CDlgTrackInfo::mousePressEvent(QMouseEvent* event)
{
    event->ignore();
}

void CDlgTrackInfo::mouseReleaseEvent(QMouseEvent* event)
{
    event->ignore();
}

void CDlgTrackInfo::mouseDoubleClickEvent(QMouseEvent* event)
{
    event->ignore();
}
