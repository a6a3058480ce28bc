// A picture of the control with a stereo and a mono track, a selection and
// the playing line, written as a PNG (docs/brimsel.png in the repository).
#include "control_fixture.h"
#include "track/track.h"

#include <QDir>
#include <QImageReader>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

using namespace brimsel::test;

namespace {

class Screenshot : public ControlTest {};

vorlain::test::Samples Music(int64_t frames, int channels)
{
    vorlain::test::Samples s(frames * channels);
    for (int64_t f = 0; f < frames; ++f) {
        const double t = double(f) / 44100.0;
        const double envelope =
            0.35 + 0.65 * std::fabs(std::sin(t * 1.7)) * (0.6 + 0.4 * std::sin(t * 0.31));
        for (int ch = 0; ch < channels; ++ch) {
            const double v = envelope * (0.6 * std::sin(2 * M_PI * (220 + 3 * ch) * t) +
                                         0.4 * std::sin(2 * M_PI * 331 * t + ch));
            s[f * channels + ch] = static_cast<int16_t>(std::lround(v * (ch ? 21000 : 26000)));
        }
    }
    return s;
}

TEST_F(Screenshot, TheControlWithTwoTracksASelectionAndThePlayingLine)
{
    m_control->resize(760, 400);
    CTrack* stereo = LoadTrack(Music(44100 * 60, 2), 44100, 2, "Stereo music.wav");
    CTrack* mono = LoadTrack(Music(44100 * 45, 1), 44100, 1, "Mono voice.wav");
    stereo->m_name = "Stereo music"; // loaded tracks keep the blank track's name
    mono->m_name = "Mono voice";
    ASSERT_TRUE(AddTrack(stereo));
    ASSERT_TRUE(AddTrack(mono));
    WaitForPeaks();
    Press(View(IdOf(stereo)), {230, 60});
    Move(View(IdOf(stereo)), {330, 60});
    Release(View(IdOf(stereo)), {330, 60});
    ASSERT_TRUE(MovePlayingLine(IdOf(stereo), QVariant::fromValue<qint64>(31 * kSecond), 1));
    Pump();

    const QImage shot = Grab(m_control);
    ASSERT_EQ(shot.size(), QSize(760, 400));
    QWidget* view = View(IdOf(stereo));
    const QPoint playing = view->mapTo(m_control, QPoint(XAtTime(31 * kSecond), 40));
    EXPECT_EQ(shot.pixel(playing) | 0xFF000000u, qRgb(255, 0, 0));

    const char* target = std::getenv("VORLAIN_SCREENSHOT_DIR");
    const QString folder =
        target && *target ? QString::fromUtf8(target) : QStringLiteral(BRIMSEL_DOCS_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString path = folder + QStringLiteral("/brimsel.png");
    // A few dozen colours: a palette image keeps the file small.
    const QImage small = shot.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
    ASSERT_TRUE(small.save(path, "PNG", 9));
    QImageReader reader(path);
    EXPECT_EQ(reader.size(), QSize(760, 400));
    EXPECT_LT(QFileInfo(path).size(), 100 * 1024);
}

} // namespace
