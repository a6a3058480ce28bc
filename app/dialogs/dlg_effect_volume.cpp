#include "dialogs/dlg_effect_volume.h"

#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "dialogs/dialog_values.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace {
constexpr const char* kSection = "pl07";
constexpr int kStart = 10; // 100 %: gain 256
} // namespace

CDlgEffectVolume::CDlgEffectVolume(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgEffectVolume"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    auto* label = new QLabel(app::LanguageText(kSection, "00000001"));
    app::SetControlId(label, 1075);
    m_slider = new QSlider(Qt::Horizontal);
    app::SetControlId(m_slider, 1031);
    m_slider->setRange(1, 20);
    m_slider->setPageStep(1);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setTickInterval(1);
    m_slider->setValue(kStart);
    m_slider->setMinimumWidth(m_slider->fontMetrics().averageCharWidth() * 36);
    label->setBuddy(m_slider);
    m_percent = new QLabel;
    app::SetControlId(m_percent, 1032);
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_percent->setMinimumWidth(m_percent->fontMetrics().horizontalAdvance(QStringLiteral("200%")));

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(m_slider, 1);
    row->addWidget(m_percent);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    app::AddButtonRow(layout, app::OkCancelButtons(this, kSection, "00000002", "00000003"));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_slider, &QSlider::valueChanged, this, &CDlgEffectVolume::OnValueChanged);
    connect(m_slider, &QSlider::sliderReleased, this, &CDlgEffectVolume::StoreGain);
    m_percent->setText(app::PercentText(m_slider->value()));
    StoreGain();
}

void CDlgEffectVolume::OnValueChanged(int position)
{
    m_percent->setText(app::PercentText(position));
    // A dragged handle is stored when it is released.
    if (!m_slider->isSliderDown())
        StoreGain();
}

void CDlgEffectVolume::StoreGain()
{
    app::Values().gain = static_cast<uint32_t>(m_slider->value() * 256 / 10);
}
