// Effect > Plugins… as a person uses it: the list found by typing, the
// plugin's settings moved while the preview plays, Apply over the selection,
// the history named for the plugin, and a plugin that crashes told in words
// with the track as it was.
#include "window_fixture.h"

#include "config/language.h"
#include "config/plugin_presets.h"
#include "dialogs/dlg_plugin_list.h"
#include "dialogs/dlg_plugin_params.h"
#include "modal_driver.h"
#include "window/command_ids.h"

#include "vorlain/kestrum.h"
#include "vorlain/test/alsa_tap.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>

#include <cmath>

namespace app::test {
namespace {

using namespace cmd;

constexpr int kRate = 44100;
constexpr const char* kAmp = "http://lv2plug.in/plugins/eg-amp";

class PluginWindow : public WindowTest {
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        setenv("LV2_PATH", VORLAIN_TEST_LV2_DIR ":/usr/lib/x86_64-linux-gnu/lv2:/usr/lib/lv2", 1);
        setenv("VORLAIN_PLUGIN_TIMEOUT_MS", "1500", 1);
        // The preview plays into a file through ALSA's null device; the
        // test points VORLAIN_PCM at it where the preview starts.
        m_played = env().path("played.raw");
        m_tap.emplace(m_played, false);
    }
    void TearDown() override
    {
        unsetenv("VORLAIN_PLUGIN_TIMEOUT_MS");
        WindowTest::TearDown();
        m_tap.reset();
    }
    int Track(const vorlain::test::Samples& samples)
    {
        if (!m_window)
            Start();
        const int id = AddFile(MakeWave("in.wav", samples, kRate, 2));
        EXPECT_GT(id, 0);
        ClickRow(id, 0);
        return id;
    }
    /** Chooses the plugin by typing text into the list's search field. */
    void ChooseBySearch(const QString& text, const QString& expectedUri)
    {
        WhenModal<CDlgPluginList>([text, expectedUri](CDlgPluginList* list) {
            auto* search = list->findChild<QLineEdit*>(QStringLiteral("id1501"));
            ASSERT_NE(search, nullptr);
            QTest::keyClicks(search, text);
            EXPECT_EQ(list->ChosenUri(), expectedUri);
            QTest::keyClick(search, Qt::Key_Return);
        });
    }

    std::string m_played;
    std::optional<vorlain::test::AlsaTapScope> m_tap;
};

TEST_F(PluginWindow, TheAmplifierFoundByNameIsHeardWhileMovedThenAppliedAndUndone)
{
    const auto sine = vorlain::test::Sine(kRate * 4, kRate, 2, 441.0, 6000);
    const int id = Track(sine);
    Select(kSecond, 2 * kSecond);
    setenv("VORLAIN_PCM", "tap", 1);

    ChooseBySearch(QStringLiteral("simple amp"), QString::fromLatin1(kAmp));
    bool previewed = false;
    WhenModal<CDlgPluginParams>([&](CDlgPluginParams* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Simple Amplifier"));
        auto* slider = dialog->findChild<QSlider*>(QStringLiteral("control_gain"));
        auto* value = dialog->findChild<QDoubleSpinBox*>(QStringLiteral("control_gain_value"));
        auto* preview = dialog->findChild<QPushButton*>(QStringLiteral("id1603"));
        ASSERT_NE(slider, nullptr);
        ASSERT_NE(value, nullptr);
        ASSERT_NE(preview, nullptr);
        EXPECT_DOUBLE_EQ(value->value(), 0.0); // the port's default
        preview->click();
        EXPECT_TRUE(dialog->Previewing());
        EXPECT_EQ(preview->text(), LanguageText("pl16", "00000005"));
        EXPECT_EQ(Kestrum_PreviewStatus(Window().Editor()), 1);
        // The slider moved by a person while it plays: the value follows.
        slider->setValue(slider->maximum());
        EXPECT_DOUBLE_EQ(value->value(), 24.0);
        WaitFor([] { return false; }, 100);
        value->setValue(6.0206);
        WaitFor([] { return false; }, 100);
        EXPECT_EQ(Kestrum_PreviewStatus(Window().Editor()), 1);
        previewed = vorlain::test::FileSize(m_played) > 0;
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("id1")), Qt::LeftButton);
    });
    ASSERT_TRUE(Window().RunCommand(kPlugins));
    EXPECT_TRUE(previewed);
    // Apply stopped the preview.
    EXPECT_EQ(Kestrum_PreviewStatus(Window().Editor()), 0);

    const auto out = TrackSamples(id);
    ASSERT_EQ(out.size(), sine.size());
    for (size_t i = 0; i < sine.size(); ++i) {
        const bool inside = i >= 2 * kRate && i < 4 * kRate;
        if (inside) {
            ASSERT_NEAR(out[i], 2 * sine[i], 1) << i;
        } else {
            ASSERT_EQ(out[i], sine[i]) << i;
        }
    }
    char name[256] = {};
    ASSERT_EQ(Kestrum_IsBackAble(Window().Editor(), name), 1);
    EXPECT_STREQ(name, "Undo (Simple Amplifier)");
    ASSERT_TRUE(Window().RunCommand(kUndo));
    EXPECT_EQ(TrackSamples(id), sine);
}

TEST_F(PluginWindow, PresetsAndSavedSettingsSetTheControls)
{
    const auto sine = vorlain::test::Sine(kRate, kRate, 2, 441.0, 6000);
    Track(sine);
    ASSERT_TRUE(app::SaveUserPreset(QStringLiteral("urn:vorlain:test:swap"),
                                    QStringLiteral("Off please"), QStringLiteral("mode=0")));
    ChooseBySearch(QStringLiteral("swap"), QStringLiteral("urn:vorlain:test:swap"));
    WhenModal<CDlgPluginParams>([](CDlgPluginParams* dialog) {
        auto* presets = dialog->findChild<QComboBox*>(QStringLiteral("id1601"));
        auto* mode = dialog->findChild<QComboBox*>(QStringLiteral("control_mode"));
        ASSERT_NE(presets, nullptr);
        ASSERT_NE(mode, nullptr);
        EXPECT_EQ(mode->currentText(), QStringLiteral("Swap")); // the default
        const int quiet = presets->findText(QStringLiteral("Quiet"));
        const int mine = presets->findText(LanguageText("pl16", "0000000B").arg("Off please"));
        ASSERT_GE(quiet, 1);
        ASSERT_GT(mine, quiet);
        presets->setCurrentIndex(quiet);
        emit presets->activated(quiet);
        EXPECT_EQ(mode->currentText(), QStringLiteral("Both"));
        EXPECT_EQ(dialog->Controls(), QStringLiteral("mode=2"));
        presets->setCurrentIndex(mine);
        emit presets->activated(mine);
        EXPECT_EQ(dialog->Controls(), QStringLiteral("mode=0"));
        dialog->reject();
    });
    ASSERT_TRUE(Window().RunCommand(kPlugins));
    EXPECT_EQ(TrackSamples(1), sine); // cancelled
}

TEST_F(PluginWindow, APluginThatCrashesIsToldInWordsAndTheTrackStays)
{
    const auto sine = vorlain::test::Sine(kRate * 2, kRate, 2, 441.0, 6000);
    const int id = Track(sine);
    ChooseBySearch(QStringLiteral("test crash"), QStringLiteral("urn:vorlain:test:crash"));
    WhenModal<CDlgPluginParams>([](CDlgPluginParams* dialog) { dialog->accept(); });
    ASSERT_TRUE(Window().RunCommand(kPlugins));
    ASSERT_FALSE(Prompts().Messages().isEmpty());
    EXPECT_TRUE(Prompts().Messages().last().startsWith(LanguageText("errors", "00000008")))
        << Prompts().Messages().last().toStdString();
    EXPECT_TRUE(Prompts().Messages().last().endsWith(QStringLiteral("0x0e75b001")));
    EXPECT_EQ(TrackSamples(id), sine);
    char undo[256] = {};
    ASSERT_EQ(Kestrum_IsBackAble(Window().Editor(), undo), 1);
    EXPECT_STREQ(undo, "Undo (Add Track)"); // nothing after the track's adding
    // The editor goes on: the amplifier runs right after.
    ChooseBySearch(QStringLiteral("simple amp"), QString::fromLatin1(kAmp));
    WhenModal<CDlgPluginParams>([](CDlgPluginParams* dialog) {
        dialog->SetControls(QStringLiteral("gain=-6.0206"));
        dialog->accept();
    });
    ASSERT_TRUE(Window().RunCommand(kPlugins));
    const auto out = TrackSamples(id);
    for (size_t i = 0; i < sine.size(); i += 97)
        ASSERT_NEAR(out[i], sine[i] / 2.0, 1) << i;
}

} // namespace
} // namespace app::test
