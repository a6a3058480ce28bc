// The main window as the README shows it: a stereo and a mono track, a
// selection on the first. VORLAIN_SCREENSHOT_DIR=docs writes docs/vorlain.png.
#include "window_fixture.h"

#include "vorlain/messages.h"

#include <QImage>

#include <cstdlib>

namespace app::test {
namespace {

class Screenshot : public WindowTest {};

TEST_F(Screenshot, TheMainWindowWithAStereoAndAMonoTrackAndASelection)
{
    Start();
    Window().resize(1280, 720);
    // A chord in the stereo track, a decaying pluck in the mono one.
    vorlain::test::Samples stereo(44100 * 12 * 2), mono(44100 * 12);
    for (size_t f = 0; f < mono.size(); ++f) {
        const double t = double(f) / 44100;
        const double swell = 0.55 + 0.45 * std::sin(t * 0.9);
        stereo[f * 2] = static_cast<int16_t>(14000 * swell * std::sin(2 * M_PI * 220 * t));
        stereo[f * 2 + 1] =
            static_cast<int16_t>(11000 * swell * std::sin(2 * M_PI * 330 * t + 0.4));
        const double beat = std::fmod(t, 1.5);
        mono[f] = static_cast<int16_t>(20000 * std::exp(-beat * 3) * std::sin(2 * M_PI * 440 * t));
    }
    const int first = AddFile(MakeWave("Chord.wav", stereo, 44100, 2));
    const int second = AddFile(MakeWave("Pluck.wav", mono, 44100, 1));
    ASSERT_EQ(first, 1);
    ASSERT_EQ(second, 2);
    WaitForPeaks();
    DragRow(first, 3 * kSecond, 6 * kSecond);
    WaitForPeaks();
    ASSERT_EQ(Window().CurrentTrack(), first);
    ASSERT_GT(Window().SelectionEnd(), Window().SelectionStart());

    const QImage shot = Window().grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const char* dir = std::getenv("VORLAIN_SCREENSHOT_DIR");
    const std::string out = (dir && *dir ? std::string(dir) : env().root()) + "/vorlain.png";
    EXPECT_TRUE(shot.save(QString::fromStdString(out)));
}

} // namespace
} // namespace app::test
