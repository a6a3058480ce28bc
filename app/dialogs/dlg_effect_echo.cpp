#include "dialogs/dlg_effect_echo.h"

#include "config/language.h"
#include "dialogs/dialog_support.h"
#include "dialogs/dialog_values.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace {
constexpr const char* kSection = "pl06";
constexpr int kStart = 5;
} // namespace

CDlgEffectEcho::CDlgEffectEcho(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("CDlgEffectEcho"));
    setWindowTitle(app::LanguageText(kSection, app::kCaptionKey));

    m_prompt = new QLabel(app::LanguageText(kSection, "00000003"));
    app::SetControlId(m_prompt, 1064);
    m_prompt->setWordWrap(true);

    auto* level = new QLabel(app::LanguageText(kSection, "00000004"));
    app::SetControlId(level, 1074);
    m_slider = new QSlider(Qt::Horizontal);
    app::SetControlId(m_slider, 1033);
    m_slider->setRange(1, 9);
    m_slider->setPageStep(1);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setTickInterval(1);
    m_slider->setValue(kStart);
    m_slider->setMinimumWidth(m_slider->fontMetrics().averageCharWidth() * 28);
    level->setBuddy(m_slider);
    m_percent = new QLabel;
    app::SetControlId(m_percent, 1034);
    m_percent->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // Wide enough for the widest value, so the slider does not jump.
    m_percent->setMinimumWidth(m_percent->fontMetrics().horizontalAdvance(QStringLiteral("100%")));

    auto* row = new QHBoxLayout;
    row->addWidget(level);
    row->addWidget(m_slider, 1);
    row->addWidget(m_percent);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_prompt);
    layout->addLayout(row);
    app::AddButtonRow(layout, app::OkCancelButtons(this, kSection, "00000005", "00000006"));
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_slider, &QSlider::valueChanged, this, &CDlgEffectEcho::OnValueChanged);
    connect(m_slider, &QSlider::sliderReleased, this, &CDlgEffectEcho::StoreFactor);
    m_percent->setText(app::PercentText(m_slider->value()));
    StoreFactor();
}

void CDlgEffectEcho::SetCaption(const QString& caption)
{
    setWindowTitle(caption);
}

void CDlgEffectEcho::SetLabelText(const QString& text)
{
    m_prompt->setText(text.isEmpty() ? app::LanguageText(kSection, "00000003") : text);
}

void CDlgEffectEcho::OnValueChanged(int position)
{
    m_percent->setText(app::PercentText(position));
    // While the handle is dragged the value is not settled yet: the release
    // stores it. Keys, the wheel and groove clicks move it in one step.
    if (!m_slider->isSliderDown())
        StoreFactor();
}

void CDlgEffectEcho::StoreFactor()
{
    app::Values().factor = static_cast<float>(m_slider->value()) / 10.0f;
}
