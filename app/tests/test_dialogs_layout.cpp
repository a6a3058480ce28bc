// The dialogs' look: with the shipped texts, at the default font and at
// twice its size, no control overlaps another, leaves the dialog, or is too
// small for its text. CTest runs these checks again on 192 DPI screens
// (dialogs_192dpi_*.json): scaled by Qt, and with fonts of twice the pixels.
// With VORLAIN_DIALOG_PICTURES set to a folder, each dialog is also saved
// there as a picture to look at.
#include "dialog_catalog.h"
#include "dialog_fixture.h"

#include "dialogs/up_down.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPlainTextEdit>
#include <QScreen>
#include <QSlider>

#include <gtest/gtest.h>

#include <cstdlib>

namespace app::test {
namespace {

bool IsControl(const QWidget* w)
{
    return qobject_cast<const QLabel*>(w) || qobject_cast<const QAbstractButton*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QAbstractSlider*>(w) ||
           qobject_cast<const QAbstractScrollArea*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QGroupBox*>(w) || qobject_cast<const CUpDown*>(w);
}

/** Part of another control (a combo box's edit, an arrow of the up-down, a
 *  scroll bar of the comment); group boxes only frame their controls. */
bool InsideAControl(const QWidget* w, const QWidget* dialog)
{
    for (const QWidget* p = w->parentWidget(); p && p != dialog; p = p->parentWidget())
        if (IsControl(p) && !qobject_cast<const QGroupBox*>(p))
            return true;
    return false;
}

QString Describe(const QWidget* w)
{
    return QStringLiteral("%1 \"%2\"")
        .arg(QLatin1String(w->metaObject()->className()), w->objectName());
}

QStringList LayoutFaults(QDialog* dialog)
{
    QStringList faults;
    std::vector<QWidget*> controls;
    for (QWidget* w : dialog->findChildren<QWidget*>())
        if (IsControl(w) && w->isVisibleTo(dialog) && !InsideAControl(w, dialog))
            controls.push_back(w);
    if (controls.empty())
        faults << QStringLiteral("no controls");
    const auto rectOf = [dialog](const QWidget* w) {
        return QRect(w->mapTo(dialog, QPoint(0, 0)), w->size());
    };
    for (QWidget* w : controls) {
        const QRect r = rectOf(w);
        if (!dialog->rect().contains(r))
            faults << Describe(w) + QStringLiteral(" leaves the dialog");
        QSize needed = w->minimumSizeHint();
        if (auto* label = qobject_cast<QLabel*>(w)) {
            needed = label->wordWrap() ? QSize(0, label->heightForWidth(label->width()))
                                       : label->sizeHint();
        } else if (qobject_cast<QAbstractButton*>(w)) {
            needed = w->sizeHint();
        }
        if (needed.width() > w->width() || needed.height() > w->height())
            faults << Describe(w) + QStringLiteral(" is cut: %1x%2 needs %3x%4")
                                        .arg(w->width())
                                        .arg(w->height())
                                        .arg(needed.width())
                                        .arg(needed.height());
        if (auto* edit = qobject_cast<QLineEdit*>(w); edit && edit->text().size() <= 10) {
            const int room = edit->width() - 2 * edit->style()->pixelMetric(
                                                     QStyle::PM_DefaultFrameWidth, nullptr, edit);
            if (edit->fontMetrics().horizontalAdvance(edit->text()) > room)
                faults << Describe(w) + QStringLiteral(" cuts its text");
        }
    }
    for (size_t i = 0; i < controls.size(); ++i)
        for (size_t j = i + 1; j < controls.size(); ++j) {
            QWidget* a = controls[i];
            QWidget* b = controls[j];
            if (a->isAncestorOf(b) || b->isAncestorOf(a))
                continue;
            if (rectOf(a).intersects(rectOf(b)))
                faults << Describe(a) + QStringLiteral(" overlaps ") + Describe(b);
        }
    return faults;
}

void ShowLaidOut(QDialog* dialog)
{
    dialog->show();
    dialog->layout()->activate();
    QApplication::processEvents();
}

/** Runs check with the application font scaled by factor, then restores it. */
class FontScale {
public:
    explicit FontScale(double factor) : m_saved(QApplication::font())
    {
        QFont font = m_saved;
        font.setPointSizeF(m_saved.pointSizeF() * factor);
        QApplication::setFont(font);
    }
    ~FontScale() { QApplication::setFont(m_saved); }

private:
    QFont m_saved;
};

using DialogLayout = DialogTest;

void ExpectTidy(double fontFactor)
{
    FontScale scale(fontFactor);
    for (const DialogEntry& entry : AllDialogs()) {
        std::unique_ptr<QDialog> dialog = MakeDialog(entry.kind);
        ShowLaidOut(dialog.get());
        const QStringList faults = LayoutFaults(dialog.get());
        EXPECT_TRUE(faults.isEmpty()) << entry.name << " at font x" << fontFactor << ":\n  "
                                      << faults.join(QStringLiteral("\n  ")).toStdString();
        EXPECT_GE(dialog->width(), dialog->minimumSizeHint().width()) << entry.name;
        EXPECT_GE(dialog->height(), dialog->minimumSizeHint().height()) << entry.name;
    }
}

TEST_F(DialogLayout, NothingOverlapsOrIsCutAtTheDefaultFont)
{
    ExpectTidy(1.0);
}

TEST_F(DialogLayout, NothingOverlapsOrIsCutAtTwiceTheFont)
{
    ExpectTidy(2.0);
}

TEST_F(DialogLayout, NoDialogCanBeResizedSoNoneGetsAResizeHandle)
{
    // A window manager draws a resizable window's handle along its bottom
    // edge, a strip that belongs to none of the dialog's controls.
    for (const DialogEntry& entry : AllDialogs()) {
        std::unique_ptr<QDialog> dialog = MakeDialog(entry.kind);
        ShowLaidOut(dialog.get());
        EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize()) << entry.name;
        EXPECT_EQ(dialog->size(), dialog->minimumSize()) << entry.name;
    }
}

TEST_F(DialogLayout, SavesPicturesWhenAsked)
{
    const char* folder = std::getenv("VORLAIN_DIALOG_PICTURES");
    if (!folder || !*folder)
        GTEST_SKIP() << "set VORLAIN_DIALOG_PICTURES to a folder to get the pictures";
    ASSERT_TRUE(QDir().mkpath(QString::fromLocal8Bit(folder)));
    for (double factor : {1.0, 2.0}) {
        FontScale scale(factor);
        for (const DialogEntry& entry : AllDialogs()) {
            std::unique_ptr<QDialog> dialog = MakeDialog(entry.kind);
            ShowLaidOut(dialog.get());
            QTest::qWait(50); // let the window system paint once
            const QString file = QStringLiteral("%1/%2%3.png")
                                     .arg(QString::fromLocal8Bit(folder), QLatin1String(entry.name),
                                          factor > 1.0 ? QStringLiteral("-2x") : QString());
            EXPECT_TRUE(dialog->grab().save(file)) << file.toStdString();
            // On a real display, also the screen under the window with its
            // frame, as the window manager shows it.
            if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
                const QString screenFile =
                    QString(file).replace(QStringLiteral(".png"), QStringLiteral("-screen.png"));
                const QRect frame = dialog->frameGeometry().adjusted(-8, -8, 8, 8);
                EXPECT_TRUE(QGuiApplication::primaryScreen()
                                ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                                .save(screenFile));
            }
        }
    }
}

} // namespace
} // namespace app::test
