#include "window/tool_row_parts.h"

#include "config/language.h"
#include "main/prompts.h"
#include "widgets/label_ex.h"
#include "window/command_ids.h"
#include "window/info_strip.h"

#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

CPlayingTime::CPlayingTime(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(0);
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("id%1").arg(cmd::kPlayingCaption));
    m_value = new QLabel(app::TimeText(0), this);
    m_value->setObjectName(QStringLiteral("id%1").arg(cmd::kPlayingValue));
    QFont mono = m_value->font();
    mono.setStyleHint(QFont::Monospace);
    mono.setFamily(QStringLiteral("monospace"));
    mono.setBold(true);
    m_value->setFont(mono);
    // The time changes twenty times a second while playing: a label of a
    // fixed size takes new text with a repaint of itself alone, where one
    // that may grow would lay the whole window out again each time.
    m_value->setText(QStringLiteral("88:88:88.888"));
    m_value->setFixedSize(m_value->sizeHint());
    m_value->setText(app::TimeText(0));
    layout->addWidget(m_caption);
    layout->addWidget(m_value);
}

void CPlayingTime::LoadTexts()
{
    m_caption->setText(app::LanguageText("toolbar", "02000012"));
}

void CPlayingTime::Show(int64_t time)
{
    m_value->setText(app::TimeText(time));
}

CLinkBar::CLinkBar(QWidget* parent) : QToolBar(parent)
{
    setObjectName(QStringLiteral("linkBar"));
    setMovable(false);
    setFloatable(false);
    auto* spacer = new QWidget(this);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    addWidget(spacer);
    for (auto [captionKey, urlKey] :
         {std::pair{"00000030", "00000031"}, std::pair{"00000032", "00000033"}}) {
        auto* link = new app::CLabelEx(this);
        link->setObjectName(QStringLiteral("link%1").arg(QLatin1String(urlKey)));
        link->setProperty("captionKey", QByteArray(captionKey));
        link->setContentsMargins(8, 0, 8, 0);
        connect(link, &app::CLabelEx::clicked, this, [key = urlKey] {
            app::Prompts().OpenExternal(QUrl(app::LanguageText("main", key)));
        });
        addWidget(link);
        m_links << link;
    }
}

void CLinkBar::LoadTexts()
{
    for (QLabel* link : m_links)
        link->setText(app::LanguageText("main", link->property("captionKey").toByteArray()));
}
