#include "dialogs/dlg_effect_normalize.h"

#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "dialogs/dialog_values.h"
#include "dialogs/slider_row.h"

#include <QSlider>
#include <QVBoxLayout>

namespace {
constexpr const char* kSection = "pl11";

QString DecibelText(int tenths)
{
    return app::LanguageText(kSection, "00000004").arg(tenths / 10.0, 0, 'f', 1);
}

void StorePeak(int tenths)
{
    app::Values().peakMilliDb = tenths * 100;
}
} // namespace

CDlgEffectNormalize::CDlgEffectNormalize(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgEffectNormalize"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    const int start = std::clamp(app::Values().peakMilliDb / 100, -200, 0);
    const app::SliderRow peak = app::MakeSliderRow(
        app::LanguageText(kSection, "00000001"), {.label = 1100, .slider = 1101, .value = 1102},
        {.minimum = -200, .maximum = 0, .start = start},
        {.sliderChars = 36, .widestValue = DecibelText(-200)}, DecibelText, StorePeak);

    // Two hundred positions: a tick at each whole dB, and a page is one dB.
    peak.slider->setTickInterval(10);
    peak.slider->setPageStep(10);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(peak.layout);
    app::AddButtonRow(layout, app::OkCancelButtons(this, kSection, "00000002", "00000003"));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    StorePeak(start);
}
