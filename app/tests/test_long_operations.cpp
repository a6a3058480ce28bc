// Every long command of the window run as a person runs it: inputs through
// the real dialogs and the scripted file dialogs, the edit worker and its
// progress dialogs, then the files on disk and the kernel's tracks checked.
#include "window_fixture.h"

#include "config/language.h"
#include "dialogs/dialog_values.h"
#include "dialogs/dlg_effect_echo.h"
#include "dialogs/dlg_effect_loudness.h"
#include "dialogs/dlg_effect_normalize.h"
#include "dialogs/dlg_effect_volume.h"
#include "dialogs/dlg_track_split.h"
#include "longops/dlg_progress.h"
#include "modal_driver.h"
#include "widgets/notice_bar.h"
#include "window/command_ids.h"
#include "window/command_set.h"

#include "vorlain/medrix.h"
#include "vorlain/messages.h"
#include "vorlain/tagorix.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QUrl>

#include <cmath>
#include <cstring>
#include <filesystem>

using namespace cmd;
using vorlain::test::Samples;

namespace app::test {
namespace {

constexpr int kRate = 44100;

class LongOperations : public WindowTest {
protected:
    /** A track of these stereo samples, current. */
    int Track(const Samples& samples, int channels = 2, const std::string& name = "in.wav")
    {
        if (!m_window)
            Start();
        const int id = AddFile(MakeWave(name, samples, kRate, channels));
        EXPECT_GT(id, 0);
        ClickRow(id, 0);
        return id;
    }
    int16_t At(const Samples& s, int64_t frame, int channel, int channels = 2)
    {
        return s.at(static_cast<size_t>(frame * channels + channel));
    }
    /** Converts a wave file with the project's converter. */
    bool Convert(const std::string& in, const std::string& out, const char* codec)
    {
        MedrixHandle h = AV_Open();
        MedrixFileAttr file{};
        MedrixAudioAttr audio{};
        bool ok = h && AV_SetInputpath(h, in.c_str()) && AV_GetInputFileAttr(h, &file, &audio, 0) &&
                  AV_SetOutputPath(h, out.c_str());
        MedrixAudioAttr attr{};
        std::strncpy(attr.codecName, codec, sizeof attr.codecName - 1);
        attr.channels = audio.channels;
        attr.sampleRate = audio.sampleRate;
        ok = ok && AV_SetAudioAttr(h, attr) && AV_Convert(h);
        AV_Close(h);
        return ok;
    }
    /** The notice shows text; its Open folder button hands folder to the
     *  desktop, once, and the notice goes. */
    void ExpectNotice(const QString& text, const std::string& folder)
    {
        CNoticeBar* notice = Window().Notice();
        ASSERT_TRUE(notice->isVisible());
        EXPECT_EQ(notice->Text(), text);
        Prompts().Clear();
        auto* open = notice->findChild<QAbstractButton*>(QStringLiteral("openFolder"));
        ASSERT_NE(open, nullptr);
        open->click();
        ASSERT_EQ(Prompts().Externals().size(), 1);
        EXPECT_EQ(QDir::cleanPath(QUrl(Prompts().Externals().first()).toLocalFile()),
                  QDir::cleanPath(QString::fromStdString(folder)));
        EXPECT_FALSE(notice->isVisible());
    }
};

TEST_F(LongOperations, ExportingAWaveShowsOneProgressDialogAndWritesTheTrack)
{
    const Samples ramp = vorlain::test::Ramp(kRate * 3, 2);
    Track(ramp);
    const std::string out = env().path("out/Export.WAV");
    std::filesystem::create_directories(env().path("out"));
    Prompts().AnswerFile(QString::fromStdString(out));
    ProgressWatch watch;
    ASSERT_TRUE(Window().RunCommand(kExportTrack));
    EXPECT_EQ(watch.Opened(), 1);
    EXPECT_EQ(watch.Texts(), QStringList{LanguageText("main", "0000000D")});
    EXPECT_EQ(watch.FinalPositions(), QList<int>{100});
    EXPECT_EQ(ReadWaveSamples(out), ramp);
    const auto header = vorlain::test::ReadBytes(out);
    ASSERT_GE(header.size(), 44u);
    EXPECT_EQ(std::vector<uint8_t>(header.begin(), header.begin() + 44),
              vorlain::test::WaveHeader(kRate, 2, static_cast<uint32_t>(ramp.size() * 2)));
    // A notice says what was written; no file manager opens unless its
    // button is pressed, and then on the file's folder.
    EXPECT_TRUE(Prompts().Externals().isEmpty());
    ExpectNotice(QStringLiteral("Exported “Export.WAV” to the folder “%1”.")
                     .arg(QDir::cleanPath(QString::fromStdString(env().path("out")))),
                 env().path("out"));
}

TEST_F(LongOperations, ExportingM4aShowsTwoDialogsAndCarriesTheTags)
{
    Track(vorlain::test::Sine(kRate * 2, kRate, 2, 440.0, 12000));
    TagInfo tag{};
    std::strcpy(tag.title, "Dawn Chorus");
    std::strcpy(tag.artist, "Vorlain Tests");
    std::strcpy(tag.album, "Field Notes");
    std::strcpy(tag.year, "2026");
    ASSERT_EQ(Kestrum_SetTrackTagInfo(Window().Editor(), 1, tag), 1);
    const std::string out = env().path("song.m4a");
    Prompts().AnswerFile(QString::fromStdString(out));
    ProgressWatch watch;
    ASSERT_TRUE(Window().RunCommand(kExportTrack));
    EXPECT_EQ(watch.Opened(), 2);
    EXPECT_EQ(watch.Texts(),
              (QStringList{LanguageText("main", "0000000D"), LanguageText("main", "0000000E")}));

    TagInfo read{};
    ASSERT_EQ(GetTagInfo(out.c_str(), &read), 1);
    EXPECT_STREQ(read.title, "Dawn Chorus");
    EXPECT_STREQ(read.artist, "Vorlain Tests");
    EXPECT_STREQ(read.album, "Field Notes");
    EXPECT_STREQ(read.year, "2026");
    MedrixHandle h = AV_Open();
    MedrixFileAttr file{};
    MedrixAudioAttr audio{};
    ASSERT_TRUE(AV_SetInputpath(h, out.c_str()));
    ASSERT_TRUE(AV_GetInputFileAttr(h, &file, &audio, 0));
    AV_Close(h);
    EXPECT_EQ(audio.channels, 2u);
    EXPECT_EQ(audio.sampleRate, 44100u);
    EXPECT_NEAR(static_cast<double>(file.duration), 2e6, 60'000); // AAC priming and padding
}

TEST_F(LongOperations, TheExportOptionsReachTheFileAndCancelExportsNothing)
{
    Track(vorlain::test::Sine(kRate * 3, kRate, 2, 440.0, 12000));
    // 192 kb/s, as the options dialog answers.
    const std::string mp3 = env().path("chosen.mp3");
    Prompts().AnswerFile(QString::fromStdString(mp3));
    Prompts().AnswerExport(QStringLiteral("bitrate=192;rate=0"));
    ASSERT_TRUE(Window().RunCommand(kExportTrack));
    ASSERT_EQ(Prompts().Calls().back().kind, PromptCall::Export);
    EXPECT_EQ(Prompts().Calls().back().text, "mp3");
    MedrixHandle h = AV_Open();
    MedrixFileAttr file{};
    MedrixAudioAttr audio{};
    ASSERT_TRUE(AV_SetInputpath(h, mp3.c_str()) && AV_GetInputFileAttr(h, &file, &audio, 0));
    AV_Close(h);
    EXPECT_EQ(file.bitRate, 192000u);
    // A FLAC at 24 bits: "fLaC", then STREAMINFO's bits per sample.
    const std::string flac = env().path("deep.flac");
    Prompts().AnswerFile(QString::fromStdString(flac));
    Prompts().AnswerExport(QStringLiteral("bits=24;level=8;rate=0"));
    ASSERT_TRUE(Window().RunCommand(kExportTrack));
    const auto bytes = vorlain::test::ReadBytes(flac);
    ASSERT_GT(bytes.size(), 42u);
    EXPECT_EQ((((bytes[20] & 1) << 4) | (bytes[21] >> 4)) + 1, 24);
    // Cancel in the options: no file, no notice, nothing said.
    Window().Notice()->hide();
    const std::string none = env().path("none.ogg");
    Prompts().AnswerFile(QString::fromStdString(none));
    Prompts().AnswerExport(std::nullopt);
    Prompts().Clear();
    ASSERT_TRUE(Window().RunCommand(kExportTrack));
    EXPECT_FALSE(std::filesystem::exists(none));
    EXPECT_FALSE(Window().Notice()->isVisible());
    EXPECT_TRUE(Prompts().Messages().isEmpty());
}

TEST_F(LongOperations, ExportingTheSelectionWritesOnlyIt)
{
    const Samples ramp = vorlain::test::Ramp(kRate * 4, 2);
    Track(ramp);
    Select(kSecond, 3 * kSecond);
    const std::string out = env().path("part.wav");
    Prompts().AnswerFile(QString::fromStdString(out));
    ASSERT_TRUE(Window().RunCommand(kExportSelection));
    EXPECT_EQ(ReadWaveSamples(out), Samples(ramp.begin() + kRate * 2, ramp.begin() + kRate * 6));
}

TEST_F(LongOperations, SplittingTenSecondsIntoThreeFilesCutsWhereTheDialogSays)
{
    const Samples ramp = vorlain::test::Ramp(kRate * 10, 2);
    Track(ramp, 2, "take.one.wav");
    const std::string folder = env().makeDir("parts");
    Prompts().AnswerFolder(QString::fromStdString(folder));
    WhenModal<CDlgTrackSplit>([](CDlgTrackSplit* dialog) {
        auto* count = dialog->findChild<QLineEdit*>(QStringLiteral("id1022"));
        ASSERT_NE(count, nullptr);
        count->setText(QStringLiteral("3"));
        dialog->findChild<QAbstractButton*>(QStringLiteral("id1025"))->click();
        dialog->findChild<QAbstractButton*>(QStringLiteral("id1026"))->click();
    });
    ASSERT_TRUE(Window().RunCommand(kSplit));
    EXPECT_EQ(vorlain::test::ListDir(folder),
              (std::vector<std::string>{"take.one01.wav", "take.one02.wav", "take.one03.wav"}));
    // 0..3.333333 s, 3.333333..6.666666 s, 6.666666..10 s, each boundary at
    // the frame the byte offset rule gives.
    auto frame = [](int64_t us) { return (us * 176400 / 1000000) / 4; };
    const int64_t bounds[] = {0, 3'333'333, 6'666'666, 10'000'000};
    for (int i = 0; i < 3; ++i) {
        const Samples part =
            ReadWaveSamples(folder + "/take.one0" + std::to_string(i + 1) + ".wav");
        const int64_t a = frame(bounds[i]), b = frame(bounds[i + 1]);
        EXPECT_EQ(part, Samples(ramp.begin() + a * 2, ramp.begin() + b * 2)) << i;
    }
    EXPECT_TRUE(Prompts().Externals().isEmpty());
    ExpectNotice(QStringLiteral("Split into 3 files in “%1”.").arg(QString::fromStdString(folder)),
                 folder);
}

TEST_F(LongOperations, ASplitThatFailsPartWayLeavesTheFolderAsItWas)
{
    Track(vorlain::test::Ramp(kRate * 6, 2), 2, "take.wav");
    const std::string folder = env().makeDir("parts");
    // The user's own first part stays; the second cannot be written (a
    // folder holds its name).
    ASSERT_TRUE(vorlain::test::WriteBytes(folder + "/take01.wav", {'m', 'i', 'n', 'e'}));
    std::filesystem::create_directory(folder + "/take02.wav");
    Prompts().AnswerFolder(QString::fromStdString(folder));
    WhenModal<CDlgTrackSplit>([](CDlgTrackSplit* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("id1022"))->setText(QStringLiteral("3"));
        dialog->findChild<QAbstractButton*>(QStringLiteral("id1025"))->click();
        dialog->findChild<QAbstractButton*>(QStringLiteral("id1026"))->click();
    });
    ASSERT_TRUE(Window().RunCommand(kSplit));
    EXPECT_EQ(vorlain::test::ListDir(folder),
              (std::vector<std::string>{"take01.wav", "take02.wav"}));
    EXPECT_EQ(vorlain::test::ReadBytes(folder + "/take01.wav"),
              (std::vector<uint8_t>{'m', 'i', 'n', 'e'}));
    ASSERT_EQ(Prompts().Messages().size(), 1);
    EXPECT_TRUE(Prompts().Messages().first().contains("Failed! ErrorCode=0x"));
    EXPECT_FALSE(Window().Notice()->isVisible());
}

TEST_F(LongOperations, SplittingIntoNoFilesSucceedsAndWritesNothing)
{
    Track(vorlain::test::Ramp(kRate * 2, 2));
    const std::string folder = env().makeDir("none");
    Prompts().AnswerFolder(QString::fromStdString(folder));
    WhenModal<CDlgTrackSplit>([](CDlgTrackSplit* dialog) {
        dialog->findChild<QLineEdit*>(QStringLiteral("id1022"))->setText(QStringLiteral("0"));
        dialog->findChild<QAbstractButton*>(QStringLiteral("id1025"))->click();
        dialog->findChild<QAbstractButton*>(QStringLiteral("id1026"))->click();
    });
    ASSERT_TRUE(Window().RunCommand(kSplit));
    EXPECT_TRUE(vorlain::test::ListDir(folder).empty());
    EXPECT_TRUE(Prompts().Messages().isEmpty());
    EXPECT_FALSE(Window().Notice()->isVisible()) << "nothing was written to tell of";
}

TEST_F(LongOperations, JoiningAMonoAndAStereoTrackWritesOneFile)
{
    Track(vorlain::test::Ramp(kRate * 2, 1), 1, "mono.wav");
    Track(vorlain::test::Ramp(kRate * 3, 2), 2, "stereo.wav");
    const std::string out = env().path("joined.wav");
    Prompts().AnswerFile(QString::fromStdString(out));
    ASSERT_TRUE(Window().RunCommand(kJoinAllTrack));
    const auto bytes = vorlain::test::ReadBytes(out);
    ASSERT_GE(bytes.size(), 44u);
    EXPECT_EQ(vorlain::test::U16(bytes, 22), 2u); // stereo
    EXPECT_EQ(vorlain::test::U32(bytes, 24), 44100u);
    EXPECT_EQ(bytes.size() - 44, static_cast<size_t>(5 * 176400));
    ExpectNotice(QStringLiteral("Joined the tracks into “joined.wav” in the folder “%1”.")
                     .arg(QDir::cleanPath(QString::fromStdString(env().path("")))),
                 env().path(""));
}

TEST_F(LongOperations, JoiningMoreThanAHundredTracksKeepsThemAll)
{
    // The tracks come in a project made outside the window: a hundred
    // imports through the window would test the import a hundred times.
    std::vector<std::string> waves;
    QList<int> ids;
    for (int i = 0; i < 101; ++i) {
        waves.push_back(
            MakeWave("j" + std::to_string(i) + ".wav", vorlain::test::Ramp(441, 2), kRate, 2));
        ids.push_back(i + 1);
    }
    const std::string zvp = env().path("many.zvp");
    SaveProjectOfWaves(waves, zvp);
    ASSERT_FALSE(HasFailure());
    Start(ParseCommandLine({"vorlain", QString::fromStdString(zvp)}));
    ASSERT_EQ(Window().Control().VisibleTracks(), ids);
    ClickRow(1, 0);
    const std::string out = env().path("all.wav");
    Prompts().AnswerFile(QString::fromStdString(out));
    ASSERT_TRUE(Window().RunCommand(kJoinAllTrack));
    EXPECT_EQ(vorlain::test::FileSize(out) - 44, 101 * 441 * 4);
}

TEST_F(LongOperations, AFailingEffectClosesItsDialogAtOnceAndKeepsTheSelection)
{
    const int id = Track(vorlain::test::Ramp(kRate * 10, 2));
    Select(2 * kSecond + 5, 4 * kSecond + 9);
    for (const auto& entry : std::filesystem::recursive_directory_iterator(env().path("tmp")))
        if (entry.path().extension() == ".dat")
            std::filesystem::remove(entry.path());
    ProgressWatch watch;
    ASSERT_TRUE(Window().RunCommand(kFadeIn));
    EXPECT_EQ(watch.Opened(), 1);
    ASSERT_EQ(Prompts().Messages().size(), 1);
    EXPECT_EQ(Kestrum_GetLastError(), 0x0D86B004u) << "a data file gone";
    EXPECT_EQ(Prompts().Messages().first(), LanguageText("errors", "00000002") +
                                                QStringLiteral("\n\nFailed! ErrorCode=0x0d86b004"));
    EXPECT_EQ(Window().CurrentTrack(), id);
    EXPECT_EQ(Window().SelectionStart(), 2 * kSecond + 5);
    EXPECT_EQ(Window().SelectionEnd(), 4 * kSecond + 9);
}

TEST_F(LongOperations, FadeInRampsTheSelectionFromSilence)
{
    const Samples sine = vorlain::test::Sine(kRate * 4, kRate, 2, 441.0, 16000);
    Track(sine);
    Select(kSecond, 3 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kFadeIn));
    const Samples out = TrackSamples(1);
    const int64_t n = 2 * 176400; // bytes in the range
    for (int64_t f = kRate; f < 3 * kRate; f += 97)
        for (int c = 0; c < 2; ++c) {
            const int64_t q = ((f - kRate) * 2 + c) * 2;
            EXPECT_EQ(At(out, f, c), static_cast<int16_t>(q * At(sine, f, c) / n)) << f;
        }
    EXPECT_EQ(At(out, kRate - 1, 0), At(sine, kRate - 1, 0));
    EXPECT_EQ(At(out, 3 * kRate, 1), At(sine, 3 * kRate, 1));
    EXPECT_EQ(Window().SelectionStart(), kSecond); // the selection stays
    EXPECT_EQ(Window().SelectionEnd(), 3 * kSecond);
    EXPECT_TRUE(Window().IsModified());
}

TEST_F(LongOperations, FadeOutEndsTheSelectionInSilence)
{
    Track(vorlain::test::Sine(kRate * 2, kRate, 2, 441.0, 16000));
    Select(0, 2 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kFadeOut));
    const Samples out = TrackSamples(1);
    for (int64_t f = 2 * kRate - 20; f < 2 * kRate; ++f)
        EXPECT_LE(std::abs(At(out, f, 0)), 10);
}

TEST_F(LongOperations, EchoUsesTheFactorLeftByACancelledDialog)
{
    Track(vorlain::test::Clicks(kRate * 4, 2, {8820}));
    Select(0, 3 * kSecond);
    // A cancelled echo dialog sets the factor all the same, and ends the command.
    Values().factor = 0.9f;
    WhenModal<CDlgEffectEcho>([](CDlgEffectEcho* dialog) { dialog->reject(); });
    EXPECT_TRUE(Window().RunCommand(kEcho));
    EXPECT_FLOAT_EQ(Values().factor, 0.5f);
    EXPECT_EQ(At(TrackSamples(1), 8820 + kRate, 0), 0); // nothing applied
    WhenModal<CDlgEffectEcho>([](CDlgEffectEcho* dialog) { dialog->accept(); });
    ASSERT_TRUE(Window().RunCommand(kEcho));
    const Samples out = TrackSamples(1);
    EXPECT_EQ(At(out, 8820, 0), 20000);
    EXPECT_EQ(At(out, 8820 + kRate, 0), 10000);
    EXPECT_EQ(At(out, 8820 + 2 * kRate, 1), 5000);
}

TEST_F(LongOperations, VolumeAtTheDialogsStartLeavesTheSamplesAsTheyWere)
{
    const Samples sine = vorlain::test::Sine(kRate * 2, kRate, 2, 441.0, 16000);
    Track(sine);
    Select(0, 2 * kSecond);
    WhenModal<CDlgEffectVolume>([](CDlgEffectVolume* dialog) { dialog->accept(); });
    ASSERT_TRUE(Window().RunCommand(kAdjustVolume));
    EXPECT_EQ(Values().gain.value_or(0), 256u);
    EXPECT_EQ(TrackSamples(1), sine);

    // Half way down the slider: gain 128 halves every sample.
    WhenModal<CDlgEffectVolume>([](CDlgEffectVolume* dialog) {
        auto* slider = dialog->findChild<QSlider*>(QStringLiteral("id1031"));
        ASSERT_NE(slider, nullptr);
        slider->setValue(5);
        dialog->accept();
    });
    ASSERT_TRUE(Window().RunCommand(kAdjustVolume));
    EXPECT_EQ(Values().gain.value_or(0), 128u);
    const Samples out = TrackSamples(1);
    for (int64_t f = 0; f < 2 * kRate; f += 101)
        EXPECT_NEAR(At(out, f, 0), At(sine, f, 0) / 2, 1) << f;
}

TEST_F(LongOperations, NormalizeBringsTheSelectionToTheSlidersPeakAndUndoRestoresIt)
{
    const Samples sine = vorlain::test::Sine(kRate * 3, kRate, 2, 441.0, 8000);
    Track(sine);
    Select(kSecond, 2 * kSecond);
    // The slider down to -6.0 dB, then OK.
    WhenModal<CDlgEffectNormalize>([](CDlgEffectNormalize* dialog) {
        auto* slider = dialog->findChild<QSlider*>(QStringLiteral("id1101"));
        ASSERT_NE(slider, nullptr);
        slider->setValue(-60);
        auto* value = dialog->findChild<QLabel*>(QStringLiteral("id1102"));
        ASSERT_NE(value, nullptr);
        EXPECT_EQ(value->text(), QStringLiteral("-6.0 dB"));
        dialog->accept();
    });
    ASSERT_TRUE(Window().RunCommand(kNormalize));
    EXPECT_EQ(Values().peakMilliDb, -6000);
    const Samples out = TrackSamples(1);
    int peak = 0;
    for (int64_t i = 2 * kRate; i < 4 * kRate; ++i)
        peak = std::max(peak, std::abs(int{out[static_cast<size_t>(i)]}));
    EXPECT_NEAR(20 * std::log10(peak / 32768.0), -6.0, 0.1);
    EXPECT_EQ(At(out, kRate - 1, 0), At(sine, kRate - 1, 0));
    EXPECT_EQ(At(out, 2 * kRate, 1), At(sine, 2 * kRate, 1));
    char name[256] = {};
    ASSERT_EQ(Kestrum_IsBackAble(Window().Editor(), name), 1);
    EXPECT_STREQ(name, "Undo (Normalize)");
    ASSERT_TRUE(Window().RunCommand(kUndo));
    EXPECT_EQ(TrackSamples(1), sine);

    // Cancelled: nothing changes, the slider's last place is kept.
    WhenModal<CDlgEffectNormalize>([](CDlgEffectNormalize* dialog) { dialog->reject(); });
    EXPECT_TRUE(Window().RunCommand(kNormalize));
    EXPECT_EQ(TrackSamples(1), sine);
    EXPECT_EQ(Values().peakMilliDb, -6000);
}

TEST_F(LongOperations, LoudnessTakesTheTypedTargetAndItsPresetFollows)
{
    const Samples sine = vorlain::test::Sine(kRate * 6, kRate, 2, 441.0, 3000);
    Track(sine);
    WhenModal<CDlgEffectLoudness>([](CDlgEffectLoudness* dialog) {
        auto* presets = dialog->findChild<QComboBox*>(QStringLiteral("id1103"));
        auto* target = dialog->findChild<QSlider*>(QStringLiteral("id1105"));
        auto* shown = dialog->findChild<QLabel*>(QStringLiteral("id1107"));
        ASSERT_NE(presets, nullptr);
        ASSERT_NE(target, nullptr);
        ASSERT_NE(shown, nullptr);
        EXPECT_EQ(target->value(), -160); // the first use: podcasts
        EXPECT_EQ(presets->currentData().toInt(), -160);
        EXPECT_EQ(shown->text(), QStringLiteral("-16.0 LUFS"));
        target->setValue(-230);
        EXPECT_EQ(presets->currentData().toInt(), -230);
        EXPECT_EQ(shown->text(), QStringLiteral("-23.0 LUFS"));
        dialog->accept();
    });
    // Nothing selected: the whole track.
    ASSERT_TRUE(Window().RunCommand(kNormalizeLoudness));
    EXPECT_EQ(Values().lufsTenths, -230);
    const Samples out = TrackSamples(1);
    ASSERT_EQ(out.size(), sine.size());
    // A sine at about -23 dBFS RMS sits near -20 LUFS: -23 LUFS lowers it by a
    // gain of about 0.7, the same at every sample.
    const double gain = double(At(out, 25, 0)) / At(sine, 25, 0);
    EXPECT_GT(gain, 0.5);
    EXPECT_LT(gain, 0.95);
    EXPECT_NEAR(At(out, kRate + 25, 1), At(sine, kRate + 25, 1) * gain, 1.5);
    EXPECT_EQ(Window().SelectionStart(), 0); // what the effect took, shown selected
    EXPECT_EQ(Window().SelectionEnd(), 6 * kSecond);
    char name[256] = {};
    ASSERT_EQ(Kestrum_IsBackAble(Window().Editor(), name), 1);
    EXPECT_STREQ(name, "Undo (Normalize Loudness)");
    ASSERT_TRUE(Window().RunCommand(kUndo));
    EXPECT_EQ(TrackSamples(1), sine);
}

TEST_F(LongOperations, ReverseTurnsTheSelectionAroundAndASecondReverseUndoesIt)
{
    const Samples ramp = vorlain::test::Ramp(kRate * 3, 2);
    Track(ramp);
    Select(kSecond, 2 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kReverse));
    const Samples out = TrackSamples(1);
    EXPECT_EQ(At(out, kRate, 0), At(ramp, 2 * kRate - 1, 0));
    EXPECT_EQ(At(out, kRate, 1), At(ramp, 2 * kRate - 1, 1));
    EXPECT_EQ(At(out, 2 * kRate - 1, 1), At(ramp, kRate, 1));
    EXPECT_EQ(At(out, kRate - 1, 0), At(ramp, kRate - 1, 0));
    EXPECT_EQ(At(out, 2 * kRate, 0), At(ramp, 2 * kRate, 0));
    ASSERT_TRUE(Window().RunCommand(kReverse));
    EXPECT_EQ(TrackSamples(1), ramp);
}

TEST_F(LongOperations, SilenceZeroesTheSelection)
{
    const Samples sine = vorlain::test::Sine(kRate * 3, kRate, 2, 441.0, 16000);
    Track(sine);
    Select(kSecond, 2 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kSilence));
    const Samples out = TrackSamples(1);
    EXPECT_TRUE(std::all_of(out.begin() + 2 * kRate, out.begin() + 4 * kRate,
                            [](int16_t v) { return v == 0; }));
    EXPECT_EQ(At(out, kRate - 1, 0), At(sine, kRate - 1, 0));
    EXPECT_EQ(At(out, 2 * kRate, 0), At(sine, 2 * kRate, 0));
}

TEST_F(LongOperations, PasteAndPasteToEndInsertTheClip)
{
    const Samples ramp = vorlain::test::Ramp(kRate * 4, 2);
    Track(ramp);
    Select(0, kSecond);
    ASSERT_TRUE(Window().RunCommand(kCopy));
    Select(2 * kSecond, 2 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kPaste));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 5 * kSecond);
    EXPECT_EQ(Window().SelectionStart(), 2 * kSecond);
    EXPECT_EQ(Window().SelectionEnd(), 3 * kSecond);
    Samples expected(ramp.begin(), ramp.begin() + 4 * kRate);
    expected.insert(expected.end(), ramp.begin(), ramp.begin() + 2 * kRate);
    expected.insert(expected.end(), ramp.begin() + 4 * kRate, ramp.end());
    EXPECT_EQ(TrackSamples(1), expected);

    ASSERT_TRUE(Window().RunCommand(kPasteToEnd));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 6 * kSecond);
    EXPECT_EQ(Window().SelectionStart(), 5 * kSecond);
    expected.insert(expected.end(), ramp.begin(), ramp.begin() + 2 * kRate);
    EXPECT_EQ(TrackSamples(1), expected);
}

TEST_F(LongOperations, MixWithCopyAddsTheClipAtTheFactor)
{
    const Samples ramp = vorlain::test::Ramp(kRate * 3, 2);
    Track(ramp);
    Select(0, kSecond);
    ASSERT_TRUE(Window().RunCommand(kCopy));
    Select(kSecond, kSecond);
    WhenModal<CDlgEffectEcho>([](CDlgEffectEcho* dialog) {
        // The menu's caption without its ellipsis: a title names what is open.
        EXPECT_EQ(dialog->windowTitle() + QStringLiteral("…"), LanguageText("menu", "01000113"));
        dialog->accept();
    });
    ASSERT_TRUE(Window().RunCommand(kMixWithCopy));
    const Samples out = TrackSamples(1);
    for (int64_t f = 0; f < kRate; f += 53) {
        const double mixed = At(ramp, kRate + f, 0) + double(float(At(ramp, f, 0)) * 0.5f);
        EXPECT_EQ(At(out, kRate + f, 0),
                  static_cast<int16_t>(std::clamp(std::trunc(mixed), -32768.0, 32767.0)))
            << f;
    }
    EXPECT_EQ(At(out, 0, 0), At(ramp, 0, 0));
}

TEST_F(LongOperations, MixWithFileReadsThenMixesWithTwoDialogs)
{
    const Samples ramp = vorlain::test::Ramp(kRate * 3, 2);
    Track(ramp);
    const std::string add = MakeWave("add.wav", vorlain::test::Ramp(kRate, 2), kRate, 2);
    Select(kSecond, kSecond);
    Prompts().AnswerFile(QString::fromStdString(add));
    WhenModal<CDlgEffectEcho>([](CDlgEffectEcho* dialog) { dialog->accept(); });
    ProgressWatch watch;
    ASSERT_TRUE(Window().RunCommand(kMixWithFile));
    EXPECT_EQ(watch.Texts(),
              (QStringList{LanguageText("main", "00000016"), LanguageText("main", "00000017")}));
    EXPECT_NE(TrackSamples(1), ramp);
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 3 * kSecond);
}

TEST_F(LongOperations, InsertFileAtTheBeginningTheCursorAndTheEnd)
{
    const Samples ramp = vorlain::test::Ramp(kRate * 2, 2);
    const Samples clicks = vorlain::test::Clicks(kRate / 2, 2, {10});
    Track(ramp);
    const std::string add = MakeWave("clicks.wav", clicks, kRate, 2);
    Samples expected = ramp;
    const struct {
        int command;
        int64_t at; // frames
    } steps[] = {{kInsertFileBegin, 0}, {kInsertFileCurrent, kRate}, {kInsertFileEnd, -1}};
    for (const auto& step : steps) {
        Select(kSecond, kSecond);
        Prompts().AnswerFile(QString::fromStdString(add));
        ProgressWatch watch;
        ASSERT_TRUE(Window().RunCommand(step.command));
        EXPECT_EQ(watch.Opened(), 2);
        const int64_t at = step.at < 0 ? static_cast<int64_t>(expected.size() / 2) : step.at;
        expected.insert(expected.begin() + at * 2, clicks.begin(), clicks.end());
        EXPECT_EQ(TrackSamples(1), expected) << step.command;
    }
}

TEST_F(LongOperations, ExtractingLeftAndRightMakesMonoTracks)
{
    Samples stereo(kRate * 2 * 2);
    for (size_t f = 0; f < stereo.size() / 2; ++f) {
        stereo[f * 2] = static_cast<int16_t>(f % 1000);
        stereo[f * 2 + 1] = static_cast<int16_t>(-static_cast<int>(f % 777));
    }
    Track(stereo);
    ProgressWatch watch;
    ASSERT_TRUE(Window().RunCommand(kToMonoLeft));
    ClickRow(1, 0);
    ASSERT_TRUE(Window().RunCommand(kToMonoRight));
    EXPECT_EQ(watch.Texts(),
              (QStringList{LanguageText("main", "0000001A"), LanguageText("main", "0000001A")}));
    EXPECT_EQ(Window().Control().VisibleTracks(), (QList<int>{1, 2, 3}));
    const Samples left = TrackSamples(2), right = TrackSamples(3);
    ASSERT_EQ(left.size(), stereo.size() / 2);
    ASSERT_EQ(right.size(), stereo.size() / 2);
    for (size_t f = 0; f < left.size(); f += 37) {
        EXPECT_EQ(left[f], stereo[f * 2]);
        EXPECT_EQ(right[f], stereo[f * 2 + 1]);
    }
}

TEST_F(LongOperations, AProjectSavedWithCopyingOpensFromAMovedFolder)
{
    Track(vorlain::test::Ramp(kRate * 1, 2), 2, "one.wav");
    Track(vorlain::test::Ramp(kRate * 2, 1), 1, "two.wav");
    Track(vorlain::test::Ramp(kRate * 3, 2), 2, "three.wav");
    const std::string first = env().makeDir("first");
    Prompts().AnswerFile(QString::fromStdString(first + "/trio.zvp"));
    ASSERT_TRUE(Window().RunCommand(kSaveProject));
    EXPECT_FALSE(Window().IsModified());
    EXPECT_EQ(Window().CurrentProjectPath(), QString::fromStdString(first + "/trio.zvp"));
    ASSERT_TRUE(Window().RunCommand(kCloseProject));
    EXPECT_EQ(Window().Editor(), nullptr);

    std::filesystem::rename(first, env().path("moved"));
    Prompts().AnswerFile(QString::fromStdString(env().path("moved/trio.zvp")));
    ProgressWatch watch;
    ASSERT_TRUE(Window().RunCommand(kOpenProject));
    EXPECT_EQ(watch.Texts(), QStringList{LanguageText("main", "00000014")});
    EXPECT_EQ(watch.FinalPositions(), QList<int>{100});
    EXPECT_EQ(Window().Control().VisibleTracks(), (QList<int>{1, 2, 3}));
    char name[260];
    for (int id = 1; id <= 3; ++id)
        EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), id), id * kSecond);
    ASSERT_EQ(Kestrum_GetTrackName(Window().Editor(), 2, name), 1);
    EXPECT_STREQ(name, "two.wav");
    EXPECT_EQ(TrackSamples(3), vorlain::test::Ramp(kRate * 3, 2));
    EXPECT_FALSE(Window().IsModified());
}

TEST_F(LongOperations, SaveAsKeepsTheModifiedFlagAndTheProjectPath)
{
    Track(vorlain::test::Ramp(kRate, 2));
    const std::string path = env().path("main.zvp");
    Prompts().AnswerFile(QString::fromStdString(path));
    ASSERT_TRUE(Window().RunCommand(kSaveProject));
    ASSERT_TRUE(Window().RunCommand(kAddBlankTrack));
    ASSERT_TRUE(Window().IsModified());
    const std::string copy = env().path("copy.zvp");
    Prompts().AnswerFile(QString::fromStdString(copy));
    ASSERT_TRUE(Window().RunCommand(kSaveProjectAs));
    EXPECT_TRUE(vorlain::test::Exists(copy));
    EXPECT_TRUE(Window().IsModified());
    EXPECT_EQ(Window().CurrentProjectPath(), QString::fromStdString(path));
}

TEST_F(LongOperations, AUsersSessionSurvivesSavingExitingAndStartingAgain)
{
    // An MP3 made with the project's converter.
    const std::string wav = MakeWave("take.wav", 8, 2);
    const std::string mp3 = env().path("take.mp3");
    ASSERT_TRUE(Convert(wav, mp3, "libmp3lame"));
    Start();
    const int id = AddFile(mp3);
    ASSERT_EQ(id, 1);
    ClickRow(id, 0);
    Select(2 * kSecond, 5 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kCut));
    ASSERT_TRUE(Window().RunCommand(kUndo));
    ASSERT_TRUE(Window().RunCommand(kRedo));
    Select(0, kSecond);
    ASSERT_TRUE(Window().RunCommand(kFadeIn));
    const Samples edited = TrackSamples(1);
    const int64_t length = Kestrum_GetTrackTime(Window().Editor(), 1);

    TagInfo tag{};
    std::strcpy(tag.title, "Take Two");
    ASSERT_EQ(Kestrum_SetTrackTagInfo(Window().Editor(), 1, tag), 1);
    const std::string m4a = env().path("take.m4a");
    Prompts().AnswerFile(QString::fromStdString(m4a));
    ASSERT_TRUE(Window().RunCommand(kExportTrack));
    TagInfo read{};
    ASSERT_EQ(GetTagInfo(m4a.c_str(), &read), 1);
    EXPECT_STREQ(read.title, "Take Two");

    const std::string project = env().path("session/take.zvp");
    std::filesystem::create_directories(env().path("session"));
    Prompts().AnswerFile(QString::fromStdString(project));
    ASSERT_TRUE(Window().RunCommand(kSaveProject));
    ASSERT_TRUE(CloseWindow());

    Start(ParseCommandLine({"vorlain", QString::fromStdString(project)}));
    ASSERT_EQ(Window().Control().VisibleTracks(), QList<int>{1});
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), length);
    EXPECT_EQ(TrackSamples(1), edited);
    TagInfo again{};
    ASSERT_EQ(Kestrum_GetTrackTagInfo(Window().Editor(), 1, &again), 1);
    EXPECT_STREQ(again.title, "Take Two");
}

TEST(LanguageFile, HoldsEveryTextTheWindowAndItsLongOperationsUse)
{
    struct Key {
        const char* section;
        const char* key;
    };
    std::vector<Key> keys;
    for (const char* k : {"00000000", "00000001", "00000002", "00000003", "00000004", "00000005",
                          "00000006", "00000007", "00000008", "00000009", "0000000B", "0000000C",
                          "0000000D", "0000000E", "0000000F", "00000010", "00000011", "00000012",
                          "00000013", "00000014", "00000015", "00000016", "00000017", "00000018",
                          "00000019", "0000001A", "0000001B", "0000001C", "0000001D", "00000034"})
        keys.push_back({"main", k});
    for (const char* k : {"02000001", "02000002", "02000003", "02000004", "02000005", "02000006",
                          "02000007", "02000008", "02000009", "0200000A", "0200000B", "0200000C",
                          "0200000D", "0200000E", "0200000F", "02000010", "02000011", "02000012"})
        keys.push_back({"toolbar", k});
    for (const char* k :
         {"01000000", "01000003", "01000004", "01000005", "01000006", "01000007", "01000008",
          "01000009", "0100000A", "01000100", "01000101", "01000102", "01000103", "01000104",
          "01000105", "01000106", "01000107", "01000108", "01000109", "0100010A", "0100010B",
          "0100010C", "0100010D", "0100010E", "0100010F", "01000110", "01000111", "01000112",
          "01000113", "01000114", "01000115", "01000200", "01000201", "01000202", "01000203",
          "01000204", "01000300", "01000301", "01000302", "01000303", "01000304", "01000305",
          "01000306", "01000307", "01000308", "01000400", "01000401", "01000402", "01000403",
          "01000404", "01000405", "01000500", "01000501", "01000502", "01000503", "01000504",
          "01000505", "01000600", "01000601", "01000700", "01000701", "01000702"})
        keys.push_back({"menu", k});
    for (const char* section :
         {"pl01", "pl02", "pl03", "pl04", "pl05", "pl06", "pl07", "pl08", "pl09"})
        keys.push_back({section, "00000000"});
    keys.push_back({"pl01", "00000001"});
    for (const Key& k : keys)
        EXPECT_FALSE(LanguageText(k.section, k.key).isEmpty()) << k.section << "/" << k.key;
}

} // namespace
} // namespace app::test

namespace app::test {
namespace {

TEST_F(LongOperations, CancelStopsAnEffectAndAnExportAndLeavesEverythingAsItWas)
{
    // Five minutes: long enough that the effect is still running when its
    // dialog shows.
    const Samples sine = vorlain::test::Sine(kRate * 300, kRate, 2, 441.0, 16000);
    Track(sine);
    Select(0, 300 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kCopy));
    const bool modified = Window().IsModified();
    ActionRecord before{};
    ASSERT_EQ(Kestrum_GetLastActionAttr(Window().Editor(), &before), 1);
    auto cancel = [](CDlgProgress* dialog) {
        auto* button = dialog->findChild<QPushButton*>(QStringLiteral("cancel"));
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isVisible());
        button->click();
        EXPECT_FALSE(button->isEnabled()) << "asked once";
    };
    for (int command : {kSilence, kPaste, kMixWithCopy}) {
        WhenModal<CDlgProgress>(cancel);
        if (command == kMixWithCopy)
            WhenModal<CDlgEffectEcho>([](CDlgEffectEcho* dialog) { dialog->accept(); });
        Prompts().Clear();
        ASSERT_TRUE(Window().RunCommand(command));
        // Stopped: nothing said, nothing done, the selection kept.
        EXPECT_TRUE(Prompts().Messages().isEmpty()) << command;
        ActionRecord after{};
        ASSERT_EQ(Kestrum_GetLastActionAttr(Window().Editor(), &after), 1);
        EXPECT_EQ(after.type, before.type) << command;
        EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 300 * kSecond) << command;
        EXPECT_EQ(Window().IsModified(), modified) << command;
        EXPECT_EQ(Window().SelectionEnd(), 300 * kSecond) << command;
        EXPECT_TRUE(Window().isEnabled());
    }
    EXPECT_EQ(TrackSamples(1), sine);
    // An export stopped leaves no file and no notice.
    const std::string out = env().path("stopped.mp3");
    Prompts().AnswerFile(QString::fromStdString(out));
    WhenModal<CDlgProgress>(cancel);
    ASSERT_TRUE(Window().RunCommand(kExportTrack));
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_TRUE(vorlain::test::ListDir(env().path("")).size() > 0);
    for (const std::string& name : vorlain::test::ListDir(env().path("")))
        EXPECT_EQ(name.find(".vorlain-"), std::string::npos) << name;
    EXPECT_FALSE(Window().Notice()->isVisible());
    EXPECT_TRUE(Prompts().Messages().isEmpty());
}

TEST_F(LongOperations, AProgressDialogClosedEarlyStillLetsTheCommandWaitForItsWorker)
{
    // Long enough that the dialog is up, and seen, before the silence ends:
    // the block loops write several hundred megabytes a second.
    const Samples sine = vorlain::test::Sine(kRate * 240, kRate, 2, 441.0, 16000);
    Track(sine);
    Select(0, 240 * kSecond);
    bool closed = false;
    WhenModal<CDlgProgress>([&closed](CDlgProgress* dialog) {
        closed = true;
        dialog->close(); // as the window manager's close button does
    });
    ASSERT_TRUE(Window().RunCommand(kSilence));
    EXPECT_TRUE(closed);
    EXPECT_TRUE(Prompts().Messages().isEmpty());
    const Samples out = TrackSamples(1);
    EXPECT_TRUE(std::all_of(out.begin(), out.end(), [](int16_t v) { return v == 0; }));
    EXPECT_TRUE(Window().isEnabled());
    EXPECT_TRUE(Window().IsModified());
}

TEST_F(LongOperations, ARecentProjectOpensThroughTheRecentMenu)
{
    Track(vorlain::test::Ramp(kRate * 2, 2));
    const std::string path = env().path("recent.zvp");
    Prompts().AnswerFile(QString::fromStdString(path));
    ASSERT_TRUE(Window().RunCommand(kSaveProject));
    ASSERT_TRUE(Window().RunCommand(kCloseProject));
    QMenu* recent = Window().Commands().RecentProjectMenu();
    ASSERT_EQ(recent->actions().size(), 1);
    EXPECT_EQ(recent->actions().first()->text(), QString::fromStdString(path));
    recent->actions().first()->trigger();
    Pump();
    EXPECT_EQ(Window().Control().VisibleTracks(), QList<int>{1});
    EXPECT_EQ(Window().CurrentProjectPath(), QString::fromStdString(path));
    EXPECT_EQ(TrackSamples(1), vorlain::test::Ramp(kRate * 2, 2));
}

} // namespace
} // namespace app::test
