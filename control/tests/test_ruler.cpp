// The time ruler over real rows: its labels name the times under their
// ticks at every zoom and scroll, and it forgets a closed project's markers.
#include "control_fixture.h"
#include "ruler_ticks.h"

#include <QVariantMap>

#include <gtest/gtest.h>

using namespace brimsel::test;

namespace {

class Ruler : public ControlTest {
protected:
    QVariantList Labels()
    {
        QVariantList labels;
        EXPECT_TRUE(QMetaObject::invokeMethod(Scale(), "Labels", Qt::DirectConnection,
                                              Q_RETURN_ARG(QVariantList, labels)));
        return labels;
    }

    /** Every label against the control's time of its tick's column, and the painted ruler. */
    void CheckLabels()
    {
        const QVariantList labels = Labels();
        ASSERT_GE(labels.size(), 2);
        const int64_t step = labels[0].toMap().value("majorStep").toLongLong();
        const bool msMode = step < kSecond;
        const QImage ruler = Grab(Scale());
        int previousEnd = INT_MIN;
        for (const QVariant& v : labels) {
            const QVariantMap label = v.toMap();
            const int x = label.value("x").toInt();
            const int64_t time = label.value("time").toLongLong();
            const QString text = label.value("text").toString();
            SCOPED_TRACE(text.toStdString());
            EXPECT_LE(TimeAtX(x), time);
            EXPECT_GT(TimeAtX(x + 1), time);
            EXPECT_EQ(XAtTime(time), x);
            EXPECT_EQ(text, brimsel::RulerText(time, msMode));
            EXPECT_EQ(time % step, 0);
            const int left = label.value("left").toInt();
            EXPECT_GT(left, previousEnd);
            previousEnd = left + label.value("width").toInt();
            for (int y = 22; y < 30; ++y)
                EXPECT_EQ(ruler.pixel(x, y) | 0xFF000000u, qRgb(0, 0, 0)) << x << "," << y;
        }
    }
};

TEST_F(Ruler, LabelsNameTheTimeUnderTheirTicksAtEveryZoomAndScroll)
{
    CTrack* track = LoadSine(60, 44100, 1);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    CheckLabels();
    const QVariantMap first = Labels()[0].toMap();
    EXPECT_EQ(first.value("text").toString(), "0:00:00");
    EXPECT_EQ(first.value("x").toInt(), 140);
    for (int i = 0; i < 9 && ZoomIn(); ++i) {
        SCOPED_TRACE(testing::Message() << "zoom " << GetZoomfactor());
        CheckLabels();
        for (int64_t t : {int64_t(1234567), 17 * kSecond + 1, int64_t(41999999)}) {
            ASSERT_TRUE(ScrollH(QVariant::fromValue<qint64>(t)));
            Pump();
            CheckLabels();
        }
        ASSERT_TRUE(ScrollH(QVariant::fromValue<qint64>(0)));
    }
}

TEST_F(Ruler, ClosingTheProjectClearsTheRangeAndTheStartMarker)
{
    CTrack* track = LoadSine(10, 44100, 2);
    ASSERT_TRUE(AddTrack(track));
    WaitForPeaks();
    const int id = IdOf(track);
    auto markerBand = [&] {
        const QImage ruler = Grab(Scale());
        int marked = 0;
        for (int x = 0; x < ruler.width(); ++x)
            for (int y = 16; y < 22; ++y)
                marked += (ruler.pixel(x, y) | 0xFF000000u) != qRgb(192, 192, 192);
        return marked;
    };
    ASSERT_TRUE(MoveSelectArea(id, QVariant::fromValue<qint64>(kSecond),
                               QVariant::fromValue<qint64>(5 * kSecond)));
    ASSERT_TRUE(MovePlayingLine(id, QVariant::fromValue<qint64>(2 * kSecond), 1));
    Pump();
    EXPECT_GT(markerBand(), 50);
    EXPECT_NE(Scale()->property("markStart").toInt(), INT_MAX);

    ASSERT_TRUE(CloseProject());
    Pump();
    EXPECT_EQ(Scale()->property("markStart").toInt(), INT_MAX);
    EXPECT_EQ(Scale()->property("markEnd").toInt(), INT_MAX);
    EXPECT_EQ(markerBand(), 0);
}

} // namespace
