#include "dialogs/dlg_effect_volume.h"

#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "dialogs/dialog_values.h"
#include "dialogs/slider_row.h"

#include <QVBoxLayout>

namespace {
constexpr const char* kSection = "pl07";
constexpr int kStart = 10; // 100 %: gain 256

void StoreGain(int position)
{
    app::Values().gain = static_cast<uint32_t>(position * 256 / 10);
}
} // namespace

CDlgEffectVolume::CDlgEffectVolume(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgEffectVolume"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    const app::SliderRow level = app::MakeSliderRow(
        app::LanguageText(kSection, "00000001"), {.label = 1075, .slider = 1031, .value = 1032},
        {.minimum = 1, .maximum = 20, .start = kStart},
        {.sliderChars = 36, .widestValue = QStringLiteral("200%")}, app::PercentText, StoreGain);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(level.layout);
    app::AddButtonRow(layout, app::OkCancelButtons(this, kSection, "00000002", "00000003"));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    StoreGain(kStart);
}
