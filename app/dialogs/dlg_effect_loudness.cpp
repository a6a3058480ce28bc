#include "dialogs/dlg_effect_loudness.h"

#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "dialogs/dialog_values.h"
#include "dialogs/slider_row.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace {
constexpr const char* kSection = "pl12";
// The common targets, in tenths of a LUFS, with the keys of their names.
constexpr std::pair<int, const char*> kPresets[] = {
    {-140, "00000005"}, {-160, "00000006"}, {-230, "00000007"}};

QString LufsText(int tenths)
{
    return app::LanguageText(kSection, "00000004").arg(tenths / 10.0, 0, 'f', 1);
}
} // namespace

CDlgEffectLoudness::CDlgEffectLoudness(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgEffectLoudness"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    m_presets = new QComboBox(this);
    app::SetControlId(m_presets, 1103);
    for (const auto& [tenths, key] : kPresets)
        m_presets->addItem(app::LanguageText(kSection, key), tenths);
    auto* presetLabel = new QLabel(app::LanguageText(kSection, "00000001"), this);
    app::SetControlId(presetLabel, 1104);
    presetLabel->setBuddy(m_presets);
    auto* presetRow = new QHBoxLayout;
    presetRow->addWidget(presetLabel);
    presetRow->addWidget(m_presets, 1);

    const int start = std::clamp(app::Values().lufsTenths, -700, -50);
    // The slider holds the value; the preset shown follows it when it stands
    // on one of them.
    const app::SliderRow target = app::MakeSliderRow(
        app::LanguageText(kSection, "00000008"), {.label = 1106, .slider = 1105, .value = 1107},
        {.minimum = -700, .maximum = -50, .start = start},
        {.sliderChars = 36, .widestValue = LufsText(-700)}, LufsText, [this](int tenths) {
            app::Values().lufsTenths = tenths;
            const int preset = m_presets->findData(tenths);
            if (preset >= 0)
                m_presets->setCurrentIndex(preset);
        });
    m_target = target.slider;
    // Six hundred and fifty positions: a tick every 5 LU, and a page is one.
    m_target->setTickInterval(50);
    m_target->setPageStep(10);
    connect(m_presets, &QComboBox::activated, this, [this](int index) {
        const int tenths = m_presets->itemData(index).toInt();
        m_target->setValue(tenths);
        app::Values().lufsTenths = tenths;
    });

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(presetRow);
    layout->addLayout(target.layout);
    app::AddButtonRow(layout, app::OkCancelButtons(this, kSection, "00000002", "00000003"));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    m_presets->setCurrentIndex(std::max(0, m_presets->findData(start)));
    app::Values().lufsTenths = start;
}
