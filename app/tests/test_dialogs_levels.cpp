// The dialogs that ask for one number: the silence length, the echo and mix
// level, and the volume gain, each worked through its real controls.
#include "dialog_fixture.h"

#include "config/language.h"

#include "dialogs/dialog_values.h"
#include "dialogs/dlg_add_silence.h"
#include "dialogs/dlg_effect_echo.h"
#include "dialogs/dlg_effect_volume.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <gtest/gtest.h>

namespace app::test {
namespace {

using AddSilenceDialog = DialogTest;
using EchoDialog = DialogTest;
using VolumeDialog = DialogTest;

TEST_F(AddSilenceDialog, OkSetsTheLengthInMicrosecondsFromTheDigitsTyped)
{
    QString shown;
    Work<CDlgAddSilence>([&](CDlgAddSilence* dialog) {
        auto* edit = Control<QLineEdit>(dialog, 1041);
        ASSERT_TRUE(edit);
        shown = edit->text();
        Type(edit, QStringLiteral("1a2-5 0.x"));
        EXPECT_EQ(edit->text(), QStringLiteral("1250")); // digits only
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgAddSilence dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(shown, QStringLiteral("2000"));
    ASSERT_TRUE(Values().silenceLength);
    EXPECT_EQ(*Values().silenceLength, 1'250'000);

    // The largest number the edit takes still fits in microseconds.
    Work<CDlgAddSilence>([&](CDlgAddSilence* dialog) {
        auto* edit = Control<QLineEdit>(dialog, 1041);
        Type(edit, QStringLiteral("999999999999"));
        QTest::keyClick(edit, Qt::Key_Return);
    });
    CDlgAddSilence big;
    EXPECT_EQ(big.exec(), QDialog::Accepted);
    EXPECT_EQ(*Values().silenceLength, 9'999'999'999LL * 1000);

    // An empty edit reads as no time at all.
    Work<CDlgAddSilence>([&](CDlgAddSilence* dialog) {
        Type(Control<QLineEdit>(dialog, 1041), QString());
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgAddSilence empty;
    EXPECT_EQ(empty.exec(), QDialog::Accepted);
    EXPECT_EQ(*Values().silenceLength, 0);
}

TEST_F(AddSilenceDialog, CancelChangesNothing)
{
    Work<CDlgAddSilence>([&](CDlgAddSilence* dialog) {
        Type(Control<QLineEdit>(dialog, 1041), QStringLiteral("500"));
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgAddSilence dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_FALSE(Values().silenceLength);

    Values().silenceLength = 7000;
    Work<CDlgAddSilence>([&](CDlgAddSilence* dialog) {
        Type(Control<QLineEdit>(dialog, 1041), QStringLiteral("500"));
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    CDlgAddSilence again;
    EXPECT_EQ(again.exec(), QDialog::Rejected);
    EXPECT_EQ(Values().silenceLength, 7000);
}

TEST_F(EchoDialog, CancelledAtOpeningStillSetsTheFactorToHalf)
{
    Values().factor = 0.9f;
    QString percent;
    int position = 0;
    Work<CDlgEffectEcho>([&](CDlgEffectEcho* dialog) {
        position = Control<QSlider>(dialog, 1033)->value();
        percent = Control<QLabel>(dialog, 1034)->text();
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgEffectEcho dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(position, 5);
    EXPECT_EQ(percent, QStringLiteral("50%"));
    EXPECT_EQ(Values().factor, 0.5f);
}

TEST_F(EchoDialog, SettledMovesSetTheFactorAndADragInProgressDoesNot)
{
    Work<CDlgEffectEcho>([&](CDlgEffectEcho* dialog) {
        auto* slider = Control<QSlider>(dialog, 1033);
        auto* percent = Control<QLabel>(dialog, 1034);
        ASSERT_TRUE(slider && percent);
        EXPECT_EQ(slider->minimum(), 1);
        EXPECT_EQ(slider->maximum(), 9);

        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Right);
        EXPECT_EQ(percent->text(), QStringLiteral("60%"));
        EXPECT_FLOAT_EQ(Values().factor, 0.6f);
        QTest::keyClick(slider, Qt::Key_End);
        EXPECT_EQ(percent->text(), QStringLiteral("90%"));
        EXPECT_FLOAT_EQ(Values().factor, 0.9f);
        QTest::keyClick(slider, Qt::Key_Home);
        EXPECT_EQ(percent->text(), QStringLiteral("10%"));
        EXPECT_FLOAT_EQ(Values().factor, 0.1f);

        // Dragging the handle: the label follows, the factor waits for the release.
        slider->setSliderDown(true);
        slider->setSliderPosition(3);
        slider->setSliderPosition(7);
        EXPECT_EQ(percent->text(), QStringLiteral("70%"));
        EXPECT_FLOAT_EQ(Values().factor, 0.1f);
        slider->setSliderDown(false);
        EXPECT_FLOAT_EQ(Values().factor, 0.7f);

        // The last move counts also when the dialog is cancelled.
        QTest::keyClick(slider, Qt::Key_Left);
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgEffectEcho dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_FLOAT_EQ(Values().factor, 0.6f);
}

TEST_F(EchoDialog, TheCallerSetsCaptionAndLabel)
{
    UseLanguageFile("[pl06]\n00000000=Echo caption\n00000003=Echo label\n");
    CDlgEffectEcho mix;
    mix.SetCaption(QStringLiteral("Mix with Copy"));
    mix.SetLabelText(QStringLiteral("Level of the copy:"));
    EXPECT_EQ(mix.windowTitle(), QStringLiteral("Mix with Copy"));
    EXPECT_EQ(Control<QLabel>(&mix, 1064)->text(), QStringLiteral("Level of the copy:"));

    // No label text, or an empty one, shows the dialog's own.
    CDlgEffectEcho echo;
    EXPECT_EQ(echo.windowTitle(), QStringLiteral("Echo caption"));
    EXPECT_EQ(Control<QLabel>(&echo, 1064)->text(), QStringLiteral("Echo label"));
    echo.SetLabelText(QString());
    EXPECT_EQ(Control<QLabel>(&echo, 1064)->text(), QStringLiteral("Echo label"));

    Work<CDlgEffectEcho>([](CDlgEffectEcho* dialog) { Click(Control<QPushButton>(dialog, 1)); });
    EXPECT_EQ(mix.exec(), QDialog::Accepted);
    EXPECT_FLOAT_EQ(Values().factor, 0.5f);
}

TEST_F(EchoDialog, AMenuCaptionIsShownWithoutItsEllipsisAndMnemonic)
{
    CDlgEffectEcho mix;
    mix.SetCaption(LanguageText("menu", "01000114"));
    EXPECT_EQ(mix.windowTitle(), QStringLiteral("Mix with File"));
    mix.SetCaption(QStringLiteral("Mix with &Copy..."));
    EXPECT_EQ(mix.windowTitle(), QStringLiteral("Mix with Copy"));
    mix.SetCaption(QStringLiteral("Fade && Echo…"));
    EXPECT_EQ(mix.windowTitle(), QStringLiteral("Fade & Echo"));
}

TEST_F(VolumeDialog, StartPositionGivesTheUnchangedGain)
{
    QString percent;
    Work<CDlgEffectVolume>([&](CDlgEffectVolume* dialog) {
        percent = Control<QLabel>(dialog, 1032)->text();
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgEffectVolume dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(percent, QStringLiteral("100%"));
    ASSERT_TRUE(Values().gain);
    EXPECT_EQ(*Values().gain, 256u);
}

TEST_F(VolumeDialog, GainFollowsTheSliderTruncated)
{
    Work<CDlgEffectVolume>([&](CDlgEffectVolume* dialog) {
        auto* slider = Control<QSlider>(dialog, 1031);
        auto* percent = Control<QLabel>(dialog, 1032);
        ASSERT_TRUE(slider && percent);
        EXPECT_EQ(slider->minimum(), 1);
        EXPECT_EQ(slider->maximum(), 20);
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_Home);
        EXPECT_EQ(percent->text(), QStringLiteral("10%"));
        EXPECT_EQ(Values().gain, 25u); // 25.6
        QTest::keyClick(slider, Qt::Key_Right);
        QTest::keyClick(slider, Qt::Key_Right);
        EXPECT_EQ(percent->text(), QStringLiteral("30%"));
        EXPECT_EQ(Values().gain, 76u); // 76.8
        QTest::keyClick(slider, Qt::Key_End);
        EXPECT_EQ(percent->text(), QStringLiteral("200%"));
        EXPECT_EQ(Values().gain, 512u);

        slider->setSliderDown(true);
        slider->setSliderPosition(13);
        EXPECT_EQ(percent->text(), QStringLiteral("130%"));
        EXPECT_EQ(Values().gain, 512u);
        slider->setSliderDown(false);
        EXPECT_EQ(Values().gain, 332u); // 332.8
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgEffectVolume dialog;
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(Values().gain, 332u);
}

} // namespace
} // namespace app::test
