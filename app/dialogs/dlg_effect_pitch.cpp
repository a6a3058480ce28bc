#include "dialogs/dlg_effect_pitch.h"

#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "dialogs/dialog_values.h"
#include "dialogs/slider_row.h"

#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr const char* kSection = "pl14";
constexpr int kOctaves = 2;
constexpr int kLimit = kOctaves * 1200; // cents

QString Signed(int value)
{
    return value > 0 ? QStringLiteral("+%1").arg(value) : QString::number(value);
}

QString SemitonesText(int semitones)
{
    return app::LanguageText(kSection, "00000005").arg(Signed(semitones));
}

QString CentsText(int cents)
{
    return app::LanguageText(kSection, "00000006").arg(Signed(cents));
}
} // namespace

CDlgEffectPitch::CDlgEffectPitch(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgEffectPitch"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    // The total splits back with the sign on both parts: -250 is -2
    // semitones and -50 cents.
    const int total = std::clamp(app::Values().cents, -kLimit, kLimit);
    auto settled = [this](int) { storeTotal(); };
    const app::SliderRow semitones = app::MakeSliderRow(
        app::LanguageText(kSection, "00000001"), {.label = 1113, .slider = 1114, .value = 1115},
        {.minimum = -kLimit / 100, .maximum = kLimit / 100, .start = total / 100},
        {.sliderChars = 36, .widestValue = SemitonesText(-kLimit / 100)}, SemitonesText, settled);
    const app::SliderRow cents = app::MakeSliderRow(
        app::LanguageText(kSection, "00000004"), {.label = 1116, .slider = 1117, .value = 1118},
        {.minimum = -99, .maximum = 99, .start = total % 100},
        {.sliderChars = 36, .widestValue = CentsText(-99)}, CentsText, settled);
    m_semitones = semitones.slider;
    m_cents = cents.slider;
    // A tick every 12 semitones (an octave) and every 25 cents.
    m_semitones->setTickInterval(12);
    m_cents->setTickInterval(25);
    m_cents->setPageStep(10);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(semitones.layout);
    layout->addLayout(cents.layout);
    app::AddButtonRow(layout, app::OkCancelButtons(this, kSection, "00000002", "00000003"));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    storeTotal();
}

void CDlgEffectPitch::storeTotal()
{
    const int semitones = m_semitones->value() * 100;
    const int total = std::clamp(semitones + m_cents->value(), -kLimit, kLimit);
    app::Values().cents = total;
    // Settles again through the slider's signal, with the same total.
    if (m_cents->value() != total - semitones)
        m_cents->setValue(total - semitones);
}
