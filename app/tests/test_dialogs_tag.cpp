// The tag dialog: the edits filled from the track's records, and the record
// handed back after OK, byte by byte.
#include "dialog_fixture.h"

#include "config/language.h"
#include "dialogs/dialog_values.h"
#include "dialogs/dlg_tag.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace app::test {
namespace {

using TagDialog = DialogTest;

template <size_t N> void Put(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

/** The field's bytes up to its first zero, and whether every byte after it is zero. */
template <size_t N> std::string Text(const char (&field)[N], bool* zeroPadded = nullptr)
{
    const size_t length = strnlen(field, N);
    if (zeroPadded) {
        *zeroPadded = true;
        for (size_t i = length; i < N; ++i)
            *zeroPadded &= field[i] == 0;
    }
    return std::string(field, length);
}

struct Records {
    TagInfo tag{};
    TrackBaseInfo track{};
};

Records SampleRecords()
{
    Records r;
    Put(r.tag.title, "Morning Rain");
    Put(r.tag.artist, "Ana Zürn");
    Put(r.tag.album, "Weather");
    Put(r.tag.year, "2019");
    Put(r.tag.genre, "Ambient");
    Put(r.tag.comment, "Recorded live.\nSecond line.");
    std::memset(r.tag.reserved, 0xAB, sizeof r.tag.reserved);
    Put(r.track.name, "morning_rain.mp3");
    r.track.trackId = 3;
    return r;
}

TEST_F(TagDialog, OpensWithTheTextsOfTheRecords)
{
    Records r = SampleRecords();
    // A field without its terminator is read to its end only.
    std::memset(r.tag.genre, 'G', sizeof r.tag.genre);
    QStringList texts;
    Work<CDlgTAG>([&](CDlgTAG* dialog) {
        for (int id : {1053, 1054, 1055, 1056, 1057})
            texts << Control<QLineEdit>(dialog, id)->text();
        texts << Control<QPlainTextEdit>(dialog, 1060)->toPlainText();
        texts << Control<QLabel>(dialog, 1063)->text();
        Click(Control<QPushButton>(dialog, 2));
    });
    CDlgTAG dialog(r.tag, r.track);
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
    EXPECT_EQ(texts, (QStringList{QStringLiteral("Morning Rain"), QStringLiteral("Ana Zürn"),
                                  QStringLiteral("Weather"), QStringLiteral("2019"),
                                  QString(32, QLatin1Char('G')),
                                  QStringLiteral("Recorded live.\nSecond line."),
                                  QStringLiteral("morning_rain.mp3")}));
    // Cancel hands nothing back.
    const TagInfo none{};
    EXPECT_EQ(std::memcmp(&Values().tag, &none, sizeof none), 0);
}

TEST_F(TagDialog, OkWritesTheTextsAsUtf8CutOnACharacterBoundary)
{
    const Records r = SampleRecords();
    const QString longComment = QString(509, QLatin1Char('c')) + QStringLiteral("€ tail");
    Work<CDlgTAG>([&](CDlgTAG* dialog) {
        Type(Control<QLineEdit>(dialog, 1053), QStringLiteral("Nocturne in é minor"));
        Type(Control<QLineEdit>(dialog, 1054), QString());
        Type(Control<QLineEdit>(dialog, 1056), QStringLiteral("1841"));
        // 31 bytes fit the genre: 15 two-byte letters and "x" do, the "ö" after not.
        Type(Control<QLineEdit>(dialog, 1057), QString(15, QChar(0x00E9)) + QStringLiteral("xö"));
        auto* comment = Control<QPlainTextEdit>(dialog, 1060);
        comment->setFocus();
        comment->selectAll();
        comment->insertPlainText(longComment); // pasted
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgTAG dialog(r.tag, r.track);
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);

    const TagInfo result = dialog.Result();
    bool padded = false;
    EXPECT_EQ(Text(result.title, &padded), "Nocturne in é minor");
    EXPECT_TRUE(padded);
    EXPECT_EQ(Text(result.artist, &padded), "");
    EXPECT_TRUE(padded);
    EXPECT_EQ(Text(result.album, &padded), "Weather");
    EXPECT_TRUE(padded);
    EXPECT_EQ(Text(result.year, &padded), "1841");
    EXPECT_TRUE(padded);
    std::string genre;
    for (int i = 0; i < 15; ++i)
        genre += "é";
    EXPECT_EQ(Text(result.genre, &padded), genre + "x");
    EXPECT_TRUE(padded);
    EXPECT_EQ(result.genre[31], 0);
    // 509 + 3 bytes would leave no room for the terminator: the euro sign goes whole.
    EXPECT_EQ(Text(result.comment, &padded), std::string(509, 'c'));
    EXPECT_TRUE(padded);
    for (unsigned char byte : result.reserved)
        ASSERT_EQ(byte, 0xAB);
    EXPECT_EQ(std::memcmp(&Values().tag, &result, sizeof result), 0);
}

TEST_F(TagDialog, DefaultRefillsTheEditsFromTheRecords)
{
    Records r = SampleRecords();
    // A full field is shown whole and written back one character shorter.
    std::string title;
    for (int i = 0; i < 170; ++i)
        title += "€";
    title += "é"; // 512 bytes, no terminator
    std::memcpy(r.tag.title, title.data(), sizeof r.tag.title);
    Work<CDlgTAG>([&](CDlgTAG* dialog) {
        auto* title = Control<QLineEdit>(dialog, 1053);
        auto* comment = Control<QPlainTextEdit>(dialog, 1060);
        Type(title, QStringLiteral("changed"));
        Type(Control<QLineEdit>(dialog, 1055), QStringLiteral("changed too"));
        comment->setPlainText(QStringLiteral("changed"));
        Click(Control<QPushButton>(dialog, 1062));
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(title->text().size(), 171);
        EXPECT_EQ(Control<QLineEdit>(dialog, 1055)->text(), QStringLiteral("Weather"));
        EXPECT_EQ(comment->toPlainText(), QStringLiteral("Recorded live.\nSecond line."));
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgTAG dialog(r.tag, r.track);
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    const TagInfo result = dialog.Result();
    EXPECT_EQ(Text(result.title), title.substr(0, 510));
    EXPECT_EQ(Text(result.album), "Weather");
    EXPECT_EQ(Text(result.comment), "Recorded live.\nSecond line.");
}

TEST_F(TagDialog, AYearOtherThanUpToFourDigitsIsRefusedWithTheReason)
{
    const Records r = SampleRecords();
    QStringList reasons;
    bool stayed = true;
    Work<CDlgTAG>([&](CDlgTAG* dialog) {
        auto* year = Control<QLineEdit>(dialog, 1056);
        auto* why = dialog->findChild<QLabel*>(QStringLiteral("yearProblem"));
        ASSERT_TRUE(why);
        EXPECT_FALSE(why->isVisible());
        for (const char* typed : {"abcd", "19a1", "20190"}) {
            Type(year, QString::fromLatin1(typed));
            EXPECT_TRUE(why->isVisible()) << typed; // said while typing
            Click(Control<QPushButton>(dialog, 1));
            stayed = stayed && dialog->isVisible();
            reasons << why->text();
        }
        EXPECT_EQ(dialog->focusWidget(), year);
        Type(year, QStringLiteral("1999"));
        EXPECT_FALSE(why->isVisible());
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgTAG dialog(r.tag, r.track);
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(reasons, QStringList(3, LanguageText("pl02", "0000000B")));
    EXPECT_FALSE(reasons[0].isEmpty());
    EXPECT_EQ(Text(dialog.Result().year), "1999");
}

TEST_F(TagDialog, AnEmptyYearIsTaken)
{
    const Records r = SampleRecords();
    Work<CDlgTAG>([&](CDlgTAG* dialog) {
        Type(Control<QLineEdit>(dialog, 1056), QString());
        Click(Control<QPushButton>(dialog, 1));
    });
    CDlgTAG dialog(r.tag, r.track);
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(Text(dialog.Result().year), "");
}

} // namespace
} // namespace app::test
