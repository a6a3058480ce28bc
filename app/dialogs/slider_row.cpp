#include "dialogs/slider_row.h"

#include "dialogs/dialog_support.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>

namespace app {

SliderRow MakeSliderRow(const QString& labelText, SliderRowIds ids, SliderRange range,
                        const SliderRowWidths& widths, std::function<QString(int)> valueText,
                        std::function<void(int)> onSettled)
{
    auto* label = new QLabel(labelText);
    SetControlId(label, ids.label);
    auto* slider = new QSlider(Qt::Horizontal);
    SetControlId(slider, ids.slider);
    slider->setRange(range.minimum, range.maximum);
    slider->setPageStep(1);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(1);
    slider->setValue(range.start);
    slider->setMinimumWidth(slider->fontMetrics().averageCharWidth() * widths.sliderChars);
    label->setBuddy(slider);
    auto* value = new QLabel;
    SetControlId(value, ids.value);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setMinimumWidth(value->fontMetrics().horizontalAdvance(widths.widestValue));
    value->setText(valueText(slider->value()));

    auto* layout = new QHBoxLayout;
    layout->addWidget(label);
    layout->addWidget(slider, 1);
    layout->addWidget(value);

    // Connected after the start value is set: that one is the dialog's to store.
    QObject::connect(slider, &QSlider::valueChanged, slider,
                     [slider, value, valueText, onSettled](int position) {
                         value->setText(valueText(position));
                         // While the handle is dragged the position is not
                         // settled yet: the release reports it. Keys, the
                         // wheel and groove clicks move it in one step.
                         if (!slider->isSliderDown())
                             onSettled(position);
                     });
    QObject::connect(slider, &QSlider::sliderReleased, slider,
                     [slider, onSettled] { onSettled(slider->value()); });
    return {layout, slider, value};
}

} // namespace app
