// Tracks at their own rates through the window: a 48 kHz file opened, cut
// and exported as a person would, and tracks of two rates joined into one
// file at the rate picked.
#include "window_fixture.h"

#include "window/command_ids.h"

#include "vorlain/kestrum.h"
#include "vorlain/medrix.h"
#include "vorlain/test/audio.h"

#include <QLabel>

#include <gtest/gtest.h>

#include <cmath>

using namespace cmd;

namespace app::test {
namespace {

using vorlain::test::Samples;

Samples Tone(int64_t frames, int rate, int channels)
{
    Samples out(static_cast<size_t>(frames * channels));
    for (int64_t i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            out[static_cast<size_t>(i * channels + c)] =
                static_cast<int16_t>(std::lround(9000 * std::sin(2 * M_PI * 700 * i / rate)));
    return out;
}

struct Probe {
    uint32_t sampleRate = 0;
    uint32_t bitRate = 0;
};

Probe ProbeFile(const std::string& path)
{
    MedrixHandle h = AV_Open();
    MedrixFileAttr file{};
    MedrixAudioAttr audio{};
    Probe probe;
    if (h && AV_SetInputpath(h, path.c_str()) && AV_GetInputFileAttr(h, &file, &audio, 0))
        probe = {audio.sampleRate, file.bitRate};
    AV_Close(h);
    return probe;
}

class WindowRates : public WindowTest {
protected:
    QString SampleText(int trackId)
    {
        auto* label = Row(trackId)->findChild<QLabel*>(QStringLiteral("id211"));
        return label ? label->text() : QString();
    }
};

TEST_F(WindowRates, A48kFileIsCutAndExportedAtItsOwnRate)
{
    Start();
    const Samples tone = Tone(48000 * 6, 48000, 2);
    const int id = AddFile(MakeWave("voice.wav", tone, 48000, 2));
    ASSERT_EQ(id, 1);
    WaitForPeaks();
    EXPECT_EQ(SampleText(id), QStringLiteral("Samples: 48000Hz"));

    // One second cut from the middle takes 48,000 frames.
    ClickRow(id, 0);
    Select(2 * kSecond, 3 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kCut));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), id), 5 * kSecond);
    const Samples after = TrackSamples(id);
    ASSERT_EQ(after.size(), size_t(48000 * 5 * 2));
    EXPECT_TRUE(Samples(after.begin() + 96000 * 2, after.begin() + 97000 * 2) ==
                Samples(tone.begin() + 144000 * 2, tone.begin() + 145000 * 2));

    // FLAC with the dialog's defaults: the track's rate, every sample kept.
    Window().RunCommand(kSelectNone);
    const std::string flac = env().path("voice.flac");
    Prompts().AnswerFile(QString::fromStdString(flac));
    ASSERT_TRUE(Window().RunCommand(kExportTrack));
    EXPECT_EQ(ProbeFile(flac).sampleRate, 48000u);
    const int back = AddFile(flac);
    ASSERT_GT(back, 0);
    EXPECT_TRUE(TrackSamples(back) == after);

    // MP3 at the bit rate chosen, still at 48 kHz.
    const std::string mp3 = env().path("voice.mp3");
    ClickRow(id, 0);
    Prompts().AnswerFile(QString::fromStdString(mp3));
    Prompts().AnswerExport(QStringLiteral("bitrate=192"));
    ASSERT_TRUE(Window().RunCommand(kExportTrack));
    const Probe probe = ProbeFile(mp3);
    EXPECT_EQ(probe.sampleRate, 48000u);
    EXPECT_NEAR(double(probe.bitRate), 192000.0, 2000.0);
}

TEST_F(WindowRates, TracksOfTwoRatesAreJoinedAtTheRatePicked)
{
    Start();
    const Samples mono = Tone(22050 * 2, 22050, 1);
    ASSERT_EQ(AddFile(MakeWave("high.wav", Tone(48000, 48000, 2), 48000, 2)), 1);
    ASSERT_EQ(AddFile(MakeWave("low.wav", mono, 22050, 1)), 2);

    // Cancelled: no file.
    const std::string cancelled = env().path("cancelled.wav");
    Prompts().AnswerFile(QString::fromStdString(cancelled));
    Prompts().AnswerJoinRate(std::nullopt);
    Window().RunCommand(kJoinAllTrack);
    EXPECT_EQ(vorlain::test::FileSize(cancelled), -1);
    ASSERT_EQ(Prompts().JoinRatesOffered().size(), 1u);
    EXPECT_EQ(Prompts().JoinRatesOffered()[0], (QList<int>{48000, 22050}));

    // At 22,050 Hz the mono track's samples are copied to both sides.
    const std::string joined = env().path("joined.wav");
    Prompts().AnswerFile(QString::fromStdString(joined));
    Prompts().AnswerJoinRate(22050);
    ASSERT_TRUE(Window().RunCommand(kJoinAllTrack));
    const std::vector<uint8_t> wav = vorlain::test::ReadBytes(joined);
    ASSERT_EQ(wav.size(), 44u + (22050 + 44100) * 4);
    EXPECT_EQ(vorlain::test::U32(wav, 24), 22050u);
    for (size_t i = 0; i < mono.size(); ++i) {
        const size_t at = 44 + (22050 + i) * 4;
        ASSERT_EQ(int16_t(wav[at] | wav[at + 1] << 8), mono[i]) << i;
        ASSERT_EQ(int16_t(wav[at + 2] | wav[at + 3] << 8), mono[i]) << i;
    }
}

} // namespace
} // namespace app::test
