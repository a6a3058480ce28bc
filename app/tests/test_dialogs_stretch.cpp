// The tempo and pitch dialogs, worked through their real sliders: the value
// each hands back, its text, and the pitch kept within two octaves.
#include "dialog_fixture.h"

#include "dialogs/dialog_values.h"
#include "dialogs/dlg_effect_pitch.h"
#include "dialogs/dlg_effect_tempo.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <gtest/gtest.h>

namespace app::test {
namespace {

using TempoDialog = DialogTest;
using PitchDialog = DialogTest;

TEST_F(TempoDialog, TheSliderRunsFromMinusNinetyToNineHundredPercentAndSetsTheValue)
{
    Work<CDlgEffectTempo>([&](CDlgEffectTempo* dialog) {
        auto* slider = Control<QSlider>(dialog, 1111);
        auto* shown = Control<QLabel>(dialog, 1112);
        ASSERT_TRUE(slider && shown);
        EXPECT_EQ(slider->minimum(), -90);
        EXPECT_EQ(slider->maximum(), 900);
        EXPECT_EQ(slider->value(), 10); // the first use
        EXPECT_EQ(shown->text(), QStringLiteral("+10%"));
        EXPECT_EQ(Values().tempoPercent, 10);
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Home);
        EXPECT_EQ(shown->text(), QStringLiteral("-90%"));
        EXPECT_EQ(Values().tempoPercent, -90);
        QTest::keyClick(slider, Qt::Key_PageUp);
        EXPECT_EQ(Values().tempoPercent, -80);
        slider->setValue(0);
        EXPECT_EQ(shown->text(), QStringLiteral("0%"));
        QTest::keyClick(slider, Qt::Key_End);
        EXPECT_EQ(shown->text(), QStringLiteral("+900%"));
        slider->setValue(-50);
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgEffectTempo dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(Values().tempoPercent, -50);

    // The next use starts there.
    CDlgEffectTempo again;
    EXPECT_EQ(Control<QSlider>(&again, 1111)->value(), -50);
}

TEST_F(PitchDialog, SemitonesAndCentsAddUpAndStayWithinTwoOctaves)
{
    Work<CDlgEffectPitch>([&](CDlgEffectPitch* dialog) {
        auto* semitones = Control<QSlider>(dialog, 1114);
        auto* cents = Control<QSlider>(dialog, 1117);
        ASSERT_TRUE(semitones && cents);
        EXPECT_EQ(semitones->minimum(), -24);
        EXPECT_EQ(semitones->maximum(), 24);
        EXPECT_EQ(cents->minimum(), -99);
        EXPECT_EQ(cents->maximum(), 99);
        EXPECT_EQ(semitones->value(), 2); // the first use
        EXPECT_EQ(cents->value(), 0);
        EXPECT_EQ(Control<QLabel>(dialog, 1115)->text(), QStringLiteral("+2 semitones"));
        EXPECT_EQ(Values().cents, 200);

        cents->setValue(-35);
        EXPECT_EQ(Control<QLabel>(dialog, 1118)->text(), QStringLiteral("-35 cents"));
        EXPECT_EQ(Values().cents, 165);
        semitones->setValue(-3);
        EXPECT_EQ(Values().cents, -335);

        // Past two octaves the cents give way.
        cents->setValue(60);
        semitones->setValue(24);
        EXPECT_EQ(cents->value(), 0);
        EXPECT_EQ(Values().cents, 2400);
        cents->setValue(50);
        EXPECT_EQ(cents->value(), 0);
        semitones->setValue(-24);
        cents->setValue(-99);
        EXPECT_EQ(cents->value(), 0);
        EXPECT_EQ(Values().cents, -2400);
        cents->setValue(40);
        semitones->setValue(-2);
        cents->setValue(-50);
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgEffectPitch dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(Values().cents, -250);

    // The next use splits the total the same way: -2 semitones, -50 cents.
    CDlgEffectPitch again;
    EXPECT_EQ(Control<QSlider>(&again, 1114)->value(), -2);
    EXPECT_EQ(Control<QSlider>(&again, 1117)->value(), -50);
}

TEST_F(PitchDialog, CancelKeepsTheLastSettledValue)
{
    Work<CDlgEffectPitch>([&](CDlgEffectPitch* dialog) {
        Control<QSlider>(dialog, 1114)->setValue(7);
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgEffectPitch dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(Values().cents, 700); // the caller runs nothing on Cancel
}

} // namespace
} // namespace app::test
