#include "widgets/notice_bar.h"

#include "config/language.h"
#include "main/prompts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

CNoticeBar::CNoticeBar(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("CNoticeBar"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette tint = palette();
    tint.setColor(QPalette::Window, tint.color(QPalette::ToolTipBase));
    tint.setColor(QPalette::WindowText, tint.color(QPalette::ToolTipText));
    setPalette(tint);

    m_text = new QLabel(this);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_open = new QPushButton(app::LanguageText("main", "00000043"), this);
    m_open->setObjectName(QStringLiteral("openFolder"));
    auto* close = new QToolButton(this);
    close->setObjectName(QStringLiteral("closeNotice"));
    close->setText(QStringLiteral("×"));
    close->setAutoRaise(true);
    close->setToolTip(app::LanguageText("main", "00000044"));
    close->setAccessibleName(app::LanguageText("main", "00000044"));

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 3, 3, 3);
    row->addWidget(m_text, 1);
    row->addWidget(m_open);
    row->addWidget(close);

    m_timer = new QTimer(this);
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &QWidget::hide);
    connect(close, &QToolButton::clicked, this, &QWidget::hide);
    connect(m_open, &QPushButton::clicked, this, [this] {
        app::Prompts().OpenExternal(QUrl::fromLocalFile(m_folder));
        hide();
    });
    hide();
}

void CNoticeBar::Show(const QString& text, const QString& folder)
{
    m_text->setText(text);
    m_text->setToolTip(text);
    m_folder = folder;
    m_open->setVisible(!folder.isEmpty());
    show();
    m_timer->start(kShownMs);
}

QString CNoticeBar::Text() const
{
    return m_text->text();
}
