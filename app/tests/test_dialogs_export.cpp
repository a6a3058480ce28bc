// The export options dialog: which choices each format offers, the options
// text they make, and that the choices of a format are kept for the next
// export of that format.
#include "dialog_fixture.h"

#include "config/app_config.h"
#include "config/language.h"
#include "dialogs/dlg_export_options.h"

#include <QComboBox>
#include <QSpinBox>

#include <gtest/gtest.h>

namespace app::test {
namespace {

using ExportDialog = DialogTest;

template <class T> T* Named(QWidget* dialog, const char* name)
{
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

TEST_F(ExportDialog, EachFormatOffersItsOwnChoicesWithTheirDefaults)
{
    struct Case {
        const char* format;
        const char* defaults;
        std::vector<const char*> controls;
    };
    const Case cases[] = {
        {"wav", "bits=16;rate=0", {"bits", "rate"}},
        {"flac", "bits=16;level=5;rate=0", {"bits", "level", "rate"}},
        {"mp3", "bitrate=128;rate=0", {"mode", "bitrate", "vbr", "rate"}},
        {"m4a", "bitrate=128;rate=0", {"bitrate", "rate"}},
        {"ogg", "quality=5;rate=0", {"quality", "rate"}},
        {"opus", "bitrate=96", {"bitrate"}},
    };
    for (const Case& c : cases) {
        CDlgExportOptions dialog(QString::fromLatin1(c.format), 48000);
        EXPECT_EQ(dialog.Options(), QString::fromLatin1(c.defaults)) << c.format;
        for (const char* name : {"bits", "level", "mode", "bitrate", "vbr", "quality", "rate"}) {
            const bool offered =
                std::find_if(c.controls.begin(), c.controls.end(), [&](const char* n) {
                    return std::strcmp(n, name) == 0;
                }) != c.controls.end();
            EXPECT_EQ(Named<QWidget>(&dialog, name) != nullptr, offered) << c.format << " " << name;
        }
        EXPECT_TRUE(CDlgExportOptions::HasChoices(QString::fromLatin1(c.format)));
    }
    EXPECT_FALSE(CDlgExportOptions::HasChoices(QStringLiteral("aiff")));
    // The rate offers the track's own first, named with its rate.
    CDlgExportOptions wav(QStringLiteral("wav"), 22050);
    EXPECT_EQ(Named<QComboBox>(&wav, "rate")->itemText(0),
              LanguageText("pl10", "0000000D").arg(22050));
}

TEST_F(ExportDialog, VariableQualityTakesThePlaceOfTheBitrateAndTheChoicesAreKept)
{
    {
        CDlgExportOptions dialog(QStringLiteral("mp3"), 44100);
        auto* mode = Named<QComboBox>(&dialog, "mode");
        auto* bitrate = Named<QComboBox>(&dialog, "bitrate");
        auto* vbr = Named<QSpinBox>(&dialog, "vbr");
        EXPECT_TRUE(bitrate->isEnabled());
        EXPECT_FALSE(vbr->isEnabled());
        mode->setCurrentIndex(1);
        EXPECT_FALSE(bitrate->isEnabled());
        EXPECT_TRUE(vbr->isEnabled());
        vbr->setValue(0);
        Named<QComboBox>(&dialog, "rate")
            ->setCurrentIndex(Named<QComboBox>(&dialog, "rate")->findData(48000));
        EXPECT_EQ(dialog.Options(), "vbr=0;rate=48000");
        dialog.accept();
    }
    EXPECT_EQ(ExportChoices(QStringLiteral("mp3")), "vbr=0;rate=48000");
    // The next MP3 export opens with them; another format keeps its own.
    CDlgExportOptions again(QStringLiteral("mp3"), 44100);
    EXPECT_EQ(again.Options(), "vbr=0;rate=48000");
    EXPECT_EQ(Named<QComboBox>(&again, "mode")->currentIndex(), 1);
    CDlgExportOptions flac(QStringLiteral("flac"), 44100);
    EXPECT_EQ(flac.Options(), "bits=16;level=5;rate=0");
    // A dialog closed with Cancel keeps nothing.
    {
        CDlgExportOptions dialog(QStringLiteral("flac"), 44100);
        Named<QComboBox>(&dialog, "bits")->setCurrentIndex(1);
        dialog.reject();
    }
    EXPECT_EQ(ExportChoices(QStringLiteral("flac")), QString());
}

} // namespace
} // namespace app::test
