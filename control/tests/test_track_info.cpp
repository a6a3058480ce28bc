// The track-info panel: its texts, its buttons and what they post to the
// program's main window.
#include "control_fixture.h"
#include "track/track.h"
#include "vorlain/messages.h"

#include <QAbstractButton>
#include <QLabel>

#include <gtest/gtest.h>

using namespace brimsel::test;

namespace {

class TrackInfo : public ControlTest {
protected:
    QString Text(QWidget* view, const char* id) const
    {
        // The panel's labels; the view's own lines reuse some of the numbers.
        auto* label = qobject_cast<QLabel*>(Child(Child(view, "CDlgTrackInfo"), id));
        return label ? label->text() : QStringLiteral("<none>");
    }
    void Click(QWidget* view, const char* id)
    {
        auto* button = qobject_cast<QAbstractButton*>(Child(view, id));
        ASSERT_NE(button, nullptr) << id;
        button->click();
        Pump(); // the panel posts to its view, the view to the main window
    }
    std::vector<vorlain::test::Message> Posted(UINT msg) const
    {
        std::vector<vorlain::test::Message> out;
        for (const auto& m : m_main->messages())
            if (m.msg == msg)
                out.push_back(m);
        return out;
    }
};

TEST_F(TrackInfo, TheLabelsShowNameLengthLayoutAndRate)
{
    CTrack* track = LoadSine(61.5, 22050, 1, 12000, "mono.wav");
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    QWidget* view = View(IdOf(track));
    char name[260] = {};
    ASSERT_TRUE(Kestrum_GetTrackName(m_session, IdOf(track), name));
    EXPECT_EQ(Text(view, "id206"), QString::fromUtf8(name));
    EXPECT_EQ(Text(view, "id209"), "Time: 00:01:01.500");
    EXPECT_EQ(Text(view, "id210"), "Channel: Mono");
    EXPECT_EQ(Text(view, "id211"), "Samples: 22050Hz");

    QWidget* info = Child(view, "CDlgTrackInfo");
    EXPECT_EQ(info->geometry(), QRect(1, 1, 120, 148));
    EXPECT_EQ(Child(info, "id212")->geometry(), QRect(0, 125, 30, 24));
    EXPECT_EQ(Child(info, "id214")->geometry(), QRect(30, 125, 30, 24));
    EXPECT_EQ(Child(info, "id215")->geometry(), QRect(60, 125, 30, 24));
    EXPECT_EQ(Child(info, "id216")->geometry(), QRect(90, 125, 29, 24));
}

TEST_F(TrackInfo, OnlyTheSelectedRowOffersItsRangeButtons)
{
    CTrack* a = LoadSine(1, 44100, 2, 8000, "a.wav");
    CTrack* b = LoadSine(1, 44100, 2, 8000, "b.wav");
    ASSERT_TRUE(AddTrack(a));
    ASSERT_TRUE(AddTrack(b));
    Pump();
    for (const char* id : {"id212", "id214", "id215"}) {
        EXPECT_FALSE(Child(View(IdOf(a)), id)->isEnabled()) << id;
        EXPECT_TRUE(Child(View(IdOf(b)), id)->isEnabled()) << id;
    }
    EXPECT_TRUE(Child(View(IdOf(a)), "id216")->isEnabled());
    Press(View(IdOf(a)), {200, 50});
    Release(View(IdOf(a)), {200, 50});
    EXPECT_TRUE(Child(View(IdOf(a)), "id212")->isEnabled());
    EXPECT_FALSE(Child(View(IdOf(b)), "id212")->isEnabled());
}

TEST_F(TrackInfo, TheButtonsPostRangesAndTheDeleteRequestToTheMainWindow)
{
    CTrack* track = LoadSine(10, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    const int id = IdOf(track);
    QWidget* view = View(id);

    Click(view, "id212"); // the whole track
    auto range = Posted(vorlain::WM_TRACK_RANGE_REQUEST);
    ASSERT_EQ(range.size(), 1u);
    EXPECT_EQ(range[0].wParam, 0u);
    EXPECT_EQ(range[0].lParam, 10 * kSecond);
    EXPECT_FALSE(range[0].sent);
    EXPECT_EQ(Scale()->property("markStart").toInt(), 140);
    EXPECT_EQ(Scale()->property("markEnd").toInt(), XAtTime(10 * kSecond));

    // Start at a later click, end at an earlier one: posted swapped.
    Press(view, {200, 50});
    Release(view, {200, 50});
    Click(view, "id214");
    // The marker sits at x(time(200)): a column boundary truncated twice.
    EXPECT_EQ(Scale()->property("markStart").toInt(), XAtTime(TimeAtX(200)));
    EXPECT_TRUE(Scale()->property("startLocked").toBool());
    Press(view, {170, 50});
    Release(view, {170, 50});
    Click(view, "id215");
    range = Posted(vorlain::WM_TRACK_RANGE_REQUEST);
    ASSERT_EQ(range.size(), 2u);
    EXPECT_EQ(range[1].wParam, WPARAM(TimeAtX(170)));
    EXPECT_EQ(range[1].lParam, TimeAtX(200));

    Click(view, "id216");
    auto del = Posted(vorlain::WM_TRACK_DELETE_REQUEST);
    ASSERT_EQ(del.size(), 1u);
    EXPECT_EQ(del[0].wParam, WPARAM(id));
    EXPECT_EQ(del[0].lParam, 0);
}

TEST_F(TrackInfo, WhilePlayingTheButtonsTakeThePlayingLinesTime)
{
    CTrack* track = LoadSine(10, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    const int id = IdOf(track);
    QWidget* view = View(id);
    ASSERT_TRUE(MovePlayingLine(id, QVariant::fromValue<qint64>(4 * kSecond), 1));
    Click(view, "id214");
    ASSERT_TRUE(MovePlayingLine(id, QVariant::fromValue<qint64>(6 * kSecond + 5), 1));
    Click(view, "id215");
    auto range = Posted(vorlain::WM_TRACK_RANGE_REQUEST);
    ASSERT_EQ(range.size(), 1u);
    EXPECT_EQ(range[0].wParam, WPARAM(4 * kSecond));
    EXPECT_EQ(range[0].lParam, 6 * kSecond + 5);
}

TEST_F(TrackInfo, RangesBeyondThirtyTwoBitsArriveWhole)
{
    // A range past 4294.967295 s: the parameters carry all 64 bits.
    CTrack* track = LoadSine(1, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    const int id = IdOf(track);
    QWidget* view = View(id);
    const int64_t late = 5000LL * kSecond;
    ASSERT_TRUE(MovePlayingLine(id, QVariant::fromValue<qint64>(late), 1));
    Click(view, "id214");
    ASSERT_TRUE(MovePlayingLine(id, QVariant::fromValue<qint64>(late + kSecond), 1));
    Click(view, "id215");
    auto range = Posted(vorlain::WM_TRACK_RANGE_REQUEST);
    ASSERT_EQ(range.size(), 1u);
    EXPECT_EQ(range[0].wParam, WPARAM(late));
    EXPECT_EQ(range[0].lParam, late + kSecond);
}

TEST_F(TrackInfo, ALongNameKeepsItsStartAndShowsWholeAsTheTooltip)
{
    CTrack* track = LoadSine(1, 44100, 2);
    const QString name = QStringLiteral("Record Track(00:36:07) of the long evening session");
    track->m_name = name.toStdString();
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    auto* label = qobject_cast<QLabel*>(Child(Child(View(IdOf(track)), "CDlgTrackInfo"), "id206"));
    ASSERT_NE(label, nullptr);
    const QString shown = label->text();
    EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(name.startsWith(shown.left(shown.size() - 1))) << shown.toStdString();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Record"))) << shown.toStdString();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width());
    EXPECT_EQ(label->toolTip(), name);
    // The pointer over the name finds the label, whose tooltip it is.
    QWidget* info = label->parentWidget();
    EXPECT_EQ(info->childAt(label->geometry().center()), label);

    // A short name stands whole.
    CTrack* other = LoadSine(1, 44100, 1, 8000, "short.wav");
    other->m_name = "Voice";
    ASSERT_TRUE(AddTrack(other));
    WaitForPeaks();
    EXPECT_EQ(Text(View(IdOf(other)), "id206"), "Voice");
}

} // namespace
