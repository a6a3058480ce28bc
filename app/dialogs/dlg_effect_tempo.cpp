#include "dialogs/dlg_effect_tempo.h"

#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "dialogs/dialog_values.h"
#include "dialogs/slider_row.h"

#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr const char* kSection = "pl13";
constexpr int kLowest = -90;
constexpr int kHighest = 900;

QString PercentText(int percent)
{
    const QString number =
        percent > 0 ? QStringLiteral("+%1").arg(percent) : QString::number(percent);
    return app::LanguageText(kSection, "00000004").arg(number);
}

void StorePercent(int percent)
{
    app::Values().tempoPercent = percent;
}
} // namespace

CDlgEffectTempo::CDlgEffectTempo(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgEffectTempo"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    const int start = std::clamp(app::Values().tempoPercent, kLowest, kHighest);
    const app::SliderRow tempo = app::MakeSliderRow(
        app::LanguageText(kSection, "00000001"), {.label = 1110, .slider = 1111, .value = 1112},
        {.minimum = kLowest, .maximum = kHighest, .start = start},
        {.sliderChars = 48, .widestValue = PercentText(kHighest)}, PercentText, StorePercent);

    // Nearly a thousand positions: a tick every 50 %, and a page is 10 %.
    tempo.slider->setTickInterval(50);
    tempo.slider->setPageStep(10);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tempo.layout);
    app::AddButtonRow(layout, app::OkCancelButtons(this, kSection, "00000002", "00000003"));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    StorePercent(start);
}
