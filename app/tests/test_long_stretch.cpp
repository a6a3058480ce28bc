// Change Tempo and Change Pitch run as a person runs them: the Effect menu's
// command, its dialog worked through the real sliders, the edit worker and
// its progress dialog, then the kernel's track checked after Apply and Undo.
#include "window_fixture.h"

#include "dialogs/dialog_values.h"
#include "dialogs/dlg_effect_pitch.h"
#include "dialogs/dlg_effect_tempo.h"
#include "longops/dlg_progress.h"
#include "modal_driver.h"
#include "window/command_ids.h"

#include <QLabel>
#include <QSlider>

#include <gtest/gtest.h>

using namespace cmd;
using vorlain::test::Samples;

namespace app::test {
namespace {

constexpr int kRate = 44100;

// Rising crossings of the left channel over [first, end) frames, with
// hysteresis against the stretcher's low noise around zero.
int Periods(const Samples& s, int64_t first, int64_t end)
{
    int count = 0;
    bool low = false;
    for (int64_t f = first; f < end; ++f) {
        const int16_t v = s.at(static_cast<size_t>(2 * f));
        if (v < -2000)
            low = true;
        else if (v > 2000 && low) {
            low = false;
            ++count;
        }
    }
    return count;
}

class LongStretch : public WindowTest {
protected:
    /** A stereo track of these samples, current. */
    void Track(const Samples& samples)
    {
        Start();
        const int id = AddFile(MakeWave("in.wav", samples, kRate, 2));
        ASSERT_EQ(id, 1);
        ClickRow(id, 0);
    }
    std::string UndoName()
    {
        char name[256] = {};
        return Kestrum_IsBackAble(Window().Editor(), name) == 1 ? name : "";
    }
};

TEST_F(LongStretch, TempoOfTheSelectionShortensItMovesTheRestAndUndoGivesItBack)
{
    const Samples sine = vorlain::test::Sine(kRate * 6, kRate, 2, 330.0, 12000);
    Track(sine);
    Select(kSecond, 3 * kSecond);
    WhenModal<CDlgEffectTempo>([](CDlgEffectTempo* dialog) {
        auto* slider = dialog->findChild<QSlider*>(QStringLiteral("id1111"));
        ASSERT_NE(slider, nullptr);
        slider->setValue(100); // twice as fast
        EXPECT_EQ(dialog->findChild<QLabel*>(QStringLiteral("id1112"))->text(),
                  QStringLiteral("+100%"));
        dialog->accept();
    });
    ProgressWatch watch;
    ASSERT_TRUE(Window().RunCommand(kChangeTempo));
    EXPECT_EQ(watch.Opened(), 1);
    EXPECT_EQ(watch.FinalPositions(), QList<int>{100});
    EXPECT_EQ(Values().tempoPercent, 100);

    // Two seconds became one; the second after them moved up by one.
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 5 * kSecond);
    const Samples out = TrackSamples(1);
    ASSERT_EQ(out.size(), sine.size() - 2 * kRate);
    EXPECT_TRUE(std::equal(sine.begin(), sine.begin() + 2 * kRate, out.begin()));
    EXPECT_TRUE(std::equal(sine.begin() + 6 * kRate, sine.end(), out.begin() + 4 * kRate));
    EXPECT_NEAR(Periods(out, kRate + kRate / 10, 2 * kRate - kRate / 10), 330 * 0.8, 3);
    // The selection follows the range to its new end.
    EXPECT_EQ(Window().SelectionStart(), kSecond);
    EXPECT_EQ(Window().SelectionEnd(), 2 * kSecond);
    EXPECT_EQ(UndoName(), "Undo (Change Tempo)");

    ASSERT_TRUE(Window().RunCommand(kUndo));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 6 * kSecond);
    EXPECT_EQ(TrackSamples(1), sine);
}

TEST_F(LongStretch, PitchOfTheWholeTrackKeepsItsLengthAndUndoGivesItBack)
{
    const Samples sine = vorlain::test::Sine(kRate * 4, kRate, 2, 440.0, 12000);
    Track(sine);
    WhenModal<CDlgEffectPitch>([](CDlgEffectPitch* dialog) {
        auto* semitones = dialog->findChild<QSlider*>(QStringLiteral("id1114"));
        auto* cents = dialog->findChild<QSlider*>(QStringLiteral("id1117"));
        ASSERT_TRUE(semitones && cents);
        semitones->setValue(12); // an octave up
        cents->setValue(0);
        dialog->accept();
    });
    // Nothing selected: the whole track.
    ASSERT_TRUE(Window().RunCommand(kChangePitch));
    EXPECT_EQ(Values().cents, 1200);
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 4 * kSecond);
    const Samples out = TrackSamples(1);
    ASSERT_EQ(out.size(), sine.size());
    EXPECT_NEAR(Periods(out, kRate, 3 * kRate), 880 * 2, 880 * 2 / 100);
    EXPECT_EQ(Window().SelectionStart(), 0);
    EXPECT_EQ(Window().SelectionEnd(), 4 * kSecond);
    EXPECT_EQ(UndoName(), "Undo (Change Pitch)");

    ASSERT_TRUE(Window().RunCommand(kUndo));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 4 * kSecond);
    EXPECT_EQ(TrackSamples(1), sine);
}

TEST_F(LongStretch, CancelledDialogsChangeNothing)
{
    const Samples sine = vorlain::test::Sine(kRate * 2, kRate, 2, 440.0, 12000);
    Track(sine);
    Select(0, kSecond);
    const std::string before = UndoName();
    WhenModal<CDlgEffectTempo>([](CDlgEffectTempo* dialog) { dialog->reject(); });
    EXPECT_TRUE(Window().RunCommand(kChangeTempo));
    WhenModal<CDlgEffectPitch>([](CDlgEffectPitch* dialog) { dialog->reject(); });
    EXPECT_TRUE(Window().RunCommand(kChangePitch));
    EXPECT_EQ(TrackSamples(1), sine);
    EXPECT_EQ(UndoName(), before);
}

} // namespace
} // namespace app::test
