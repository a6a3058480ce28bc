#include "dialogs/dlg_effect_echo.h"

#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "dialogs/dialog_values.h"
#include "dialogs/slider_row.h"

#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr const char* kSection = "pl06";
constexpr int kStart = 5;

void StoreFactor(int position)
{
    app::Values().factor = static_cast<float>(position) / 10.0f;
}
} // namespace

CDlgEffectEcho::CDlgEffectEcho(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgEffectEcho"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    m_prompt = new QLabel(app::LanguageText(kSection, "00000003"));
    app::SetControlId(m_prompt, 1064);
    m_prompt->setWordWrap(true);

    const app::SliderRow level = app::MakeSliderRow(
        app::LanguageText(kSection, "00000004"), {.label = 1074, .slider = 1033, .value = 1034},
        {.minimum = 1, .maximum = 9, .start = kStart},
        {.sliderChars = 28, .widestValue = QStringLiteral("100%")}, app::PercentText, StoreFactor);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addLayout(level.layout);
    app::AddButtonRow(layout, app::OkCancelButtons(this, kSection, "00000005", "00000006"));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    StoreFactor(kStart);
}

void CDlgEffectEcho::SetCaption(const QString& caption)
{
    setWindowTitle(app::DialogTitle(caption));
}

void CDlgEffectEcho::SetLabelText(const QString& text)
{
    m_prompt->setText(text.isEmpty() ? app::LanguageText(kSection, "00000003") : text);
}
