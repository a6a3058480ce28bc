// The labelled level slider of the effect dialogs: a label, a slider with a
// tick at every position, and the value shown to its right.
#pragma once

#include <QString>

#include <functional>

class QHBoxLayout;
class QLabel;
class QSlider;

namespace app {

/** The numbers of a slider row's three controls. */
struct SliderRowIds {
    int label = 0;
    int slider = 0;
    int value = 0;
};

/** The slider's positions and where it starts. */
struct SliderRange {
    int minimum = 0;
    int maximum = 0;
    int start = 0;
};

/** How wide the row's slider and value label are at the least. */
struct SliderRowWidths {
    /** The slider's width, in average characters. */
    int sliderChars = 0;
    /** The value label is as wide as this text, so the slider does not jump
     *  when the value text grows. */
    QString widestValue;
};

/** The controls of a row made by MakeSliderRow. */
struct SliderRow {
    QHBoxLayout* layout = nullptr;
    QSlider* slider = nullptr;
    QLabel* value = nullptr;
};

/**
 * Makes the row: the label (ids.label, buddy of the slider), the horizontal
 * slider (ids.slider; page step 1, a tick below every position) taking the
 * spare width, and the right-aligned value label (ids.value).
 * @param valueText the text the value label shows for a position; it follows
 *        the slider also while the handle is dragged.
 * @param onSettled called with the position each time the slider settles: a
 *        drag released, a key, a wheel step or a click on the groove. Not
 *        called for the start position; the dialog stores that itself.
 * @returns the row's layout, to be added to the dialog's, and its controls.
 */
SliderRow MakeSliderRow(const QString& labelText, SliderRowIds ids, SliderRange range,
                        const SliderRowWidths& widths, std::function<QString(int)> valueText,
                        std::function<void(int)> onSettled);

} // namespace app
