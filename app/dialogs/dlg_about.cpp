#include "dialogs/dlg_about.h"

#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "main/prompts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#ifndef VORLAIN_VERSION
#error "VORLAIN_VERSION is set by the build from the project's version"
#endif

namespace {
constexpr const char* kSection = "about";

QLabel* LinkLabel(const char* textKey, const char* urlKey, const char* name)
{
    const QString text = app::LanguageText(kSection, textKey);
    const QString url = app::LanguageText(kSection, urlKey);
    auto* label = new QLabel(
        QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toHtmlEscaped(), text.toHtmlEscaped()));
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::RichText);
    label->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    label->setOpenExternalLinks(false);
    label->setToolTip(url);
    // The desktop goes through the seam; the link's own href is only shown.
    QObject::connect(label, &QLabel::linkActivated, label,
                     [url] { app::Prompts().OpenExternal(QUrl(url)); });
    return label;
}

} // namespace

QString CDlgAbout::Version()
{
    return QStringLiteral(VORLAIN_VERSION);
}

CDlgAbout::CDlgAbout(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgAbout"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    auto* name = new QLabel(app::LanguageText(kSection, "00000001"));
    name->setObjectName(QStringLiteral("productName"));
    QFont bigger = name->font();
    bigger.setPointSizeF(bigger.pointSizeF() * 1.6);
    bigger.setBold(true);
    name->setFont(bigger);

    const QString format = app::LanguageText(kSection, "00000002");
    auto* version =
        new QLabel(format.contains(QLatin1String("%1")) ? format.arg(Version()) : format);
    version->setObjectName(QStringLiteral("version"));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* description = new QLabel(app::LanguageText(kSection, "00000003"));
    description->setObjectName(QStringLiteral("description"));
    description->setWordWrap(true);
    description->setMinimumWidth(description->fontMetrics().averageCharWidth() * 40);

    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(version);
    text->addSpacing(version->fontMetrics().height() / 2);
    text->addWidget(description);
    text->addSpacing(version->fontMetrics().height() / 2);
    text->addWidget(LinkLabel("00000004", "00000005", "firstLink"));
    text->addWidget(LinkLabel("00000006", "00000007", "secondLink"));

    auto* body = new QHBoxLayout;
    // The program's icon, once the program has set one.
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull()) {
        const int side = name->fontMetrics().height() * 2;
        auto* picture = new QLabel;
        picture->setObjectName(QStringLiteral("icon"));
        picture->setPixmap(icon.pixmap(QSize(side, side)));
        body->addWidget(picture, 0, Qt::AlignTop);
        body->addSpacing(side / 3);
    }
    body->addLayout(text, 1);

    auto* box = new QDialogButtonBox;
    QPushButton* ok = app::AddDialogButton(box, QDialogButtonBox::AcceptRole, 1018,
                                           app::LanguageText(kSection, "00000008"));
    ok->setDefault(true);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body);
    app::AddButtonRow(layout, box);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}
