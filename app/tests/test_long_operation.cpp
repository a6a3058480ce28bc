// The long-operation class alone: a job on its worker thread, its progress
// dialogs, its messages, and every way it ends. The jobs here are plain
// functions that report as the kernel does; the dialogs are the program's
// own, shown modal over a real window.
#include "longops/dlg_progress.h"
#include "longops/long_operation.h"
#include "modal_driver.h"
#include "scripted_prompts.h"

#include "vorlain/messages.h"
#include "vorlain/test/temp_env.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QWidget>

#include <gtest/gtest.h>

#include <atomic>
#include <future>

namespace app::test {
namespace {

// Every progress dialog the operation opens: its hint when shown, its bar
// when it closes.
class DialogLog : public QObject {
public:
    DialogLog() { qApp->installEventFilter(this); }
    ~DialogLog() override { qApp->removeEventFilter(this); }
    QStringList texts;
    QList<int> finals;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (auto* dialog = qobject_cast<CProgressView*>(watched)) {
            if (event->type() == QEvent::Show) {
                auto* text = dialog->findChild<QLabel*>(QStringLiteral("id1028"));
                texts << (text ? text->text() : QString());
            } else if (event->type() == QEvent::Hide) {
                finals << dialog->Percent();
            }
        }
        return false;
    }
};

class LongOperationClass : public vorlain::test::IsolatedTest {
protected:
    QWidget window;
    ScriptedPrompts prompts;
    DialogLog log;
};

TEST_F(LongOperationClass, ASucceedingJobShowsItsPhasesAndEndsEachAtItsHundred)
{
    CLongOperation operation(&window);
    operation.AddPhase(QStringLiteral("Writing"));
    operation.AddPhase(QStringLiteral("Converting"));
    operation.SetFailureMessage(QStringLiteral("Vorlain"), [] { return QStringLiteral("x"); });
    std::atomic<bool> onWorker{false};
    const auto gui = std::this_thread::get_id();
    const int result = operation.Run([&](const CJobProgress& progress) {
        onWorker = std::this_thread::get_id() != gui;
        for (unsigned p : {0u, 40u, 100u, 0u, 70u, 100u})
            progress.Post(p);
        return 1;
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(onWorker);
    EXPECT_EQ(log.texts, (QStringList{"Writing", "Converting"}));
    EXPECT_EQ(log.finals, (QList<int>{100, 100}));
    EXPECT_TRUE(prompts.Messages().isEmpty());
    EXPECT_FALSE(operation.StopRequested());
    EXPECT_TRUE(window.isEnabled());
}

TEST_F(LongOperationClass, AFailingJobClosesItsDialogShowsOneMessageAndNoFurtherPhase)
{
    CLongOperation operation(&window);
    operation.AddPhase(QStringLiteral("Writing"));
    operation.AddPhase(QStringLiteral("Converting"));
    int asked = 0;
    operation.SetFailureMessage(QStringLiteral("Vorlain"), [&asked] {
        ++asked;
        return QStringLiteral("Failed! ErrorCode=0x%1").arg(0x2A, 8, 16, QLatin1Char('0'));
    });
    std::promise<void> shown;
    WhenModal<CDlgProgress>([&shown](CDlgProgress*) { shown.set_value(); });
    const int result = operation.Run([future = shown.get_future().share()](const CJobProgress& p) {
        future.wait(); // fails only once its dialog is up
        p.Post(30);
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(log.texts, QStringList{"Writing"});
    ASSERT_EQ(prompts.Messages().size(), 1);
    EXPECT_EQ(prompts.Messages().first(), "Failed! ErrorCode=0x0000002a");
    EXPECT_EQ(prompts.Calls().front().icon, QMessageBox::Critical);
    EXPECT_EQ(asked, 1);
}

TEST_F(LongOperationClass, APhaseWhoseHundredCameBeforeItsDialogOpenedStillOpensAndEnds)
{
    CLongOperation operation(&window);
    operation.AddPhase(QStringLiteral("Reading"));
    operation.AddPhase(QStringLiteral("Mixing"));
    std::promise<void> firstShown;
    std::promise<void> jobReturned;
    auto returned = jobReturned.get_future();
    // While the first dialog is up, the job reports both phases' ends and
    // returns before the dialog has taken any of it.
    WhenModal<CDlgProgress>([&](CDlgProgress*) {
        firstShown.set_value();
        returned.wait();
    });
    const int result = operation.Run(
        [shown = firstShown.get_future().share(), &jobReturned](const CJobProgress& p) {
            shown.wait();
            p.Post(100);
            p.Post(100);
            jobReturned.set_value();
            return 1;
        });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(log.texts, (QStringList{"Reading", "Mixing"}));
    EXPECT_EQ(log.finals, (QList<int>{100, 100}));
}

TEST_F(LongOperationClass, ADialogClosedByTheWindowManagerLeavesTheWindowWaitingForTheJob)
{
    CLongOperation operation(&window);
    operation.AddPhase(QStringLiteral("Silencing"));
    std::promise<void> closed;
    WhenModal<CDlgProgress>([&](CDlgProgress* dialog) {
        dialog->close(); // the close box: the dialog ends, the job goes on
        closed.set_value();
    });
    const int result =
        operation.Run([&, wait = closed.get_future().share()](const CJobProgress& p) {
            wait.wait();
            p.Post(50);
            return 1;
        });
    // The job's end, not a poll, ended the wait.
    EXPECT_EQ(result, 1);
    EXPECT_EQ(log.texts, QStringList{"Silencing"});
    EXPECT_TRUE(prompts.Messages().isEmpty());
    EXPECT_TRUE(window.isEnabled());
}

TEST_F(LongOperationClass, PartsFillOneBarAndOnlyTheJobsEndEndsIt)
{
    CLongOperation operation(&window);
    operation.SetParts(3);
    std::promise<void> shown;
    WhenModal<CDlgProgress>([&shown](CDlgProgress*) { shown.set_value(); });
    const int result = operation.Run([wait = shown.get_future().share()](const CJobProgress& p) {
        wait.wait();
        for (int part = 0; part < 3; ++part) {
            p.SetPart(part);
            p.Post(0);
            p.Post(100); // each call's own end
        }
        return 1;
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(log.texts, QStringList{QString()});
    EXPECT_EQ(log.finals, QList<int>{100});
}

// A view whose close asks the job to stop, as the import dialog's does.
class StoppableView : public CProgressView {
public:
    explicit StoppableView(QWidget* parent) : CProgressView(parent, QStringLiteral("bar")) {}

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        emit StopRequested();
    }
};

TEST_F(LongOperationClass, AStopRequestReachesTheJobAgainUntilItEndsAndShowsNoFailure)
{
    CLongOperation operation(&window);
    StoppableView view(&window);
    operation.SetView(&view);
    std::atomic<int> stops{0};
    operation.SetStop([&stops] {
        ++stops;
        stops.notify_all();
    });
    operation.SetFailureMessage(QStringLiteral("Vorlain"), [] { return QStringLiteral("x"); });
    std::promise<void> asked;
    WhenModal<CProgressView>([&asked](CProgressView* v) {
        v->close();
        asked.set_value();
    });
    const int result =
        operation.Run([&stops, wait = asked.get_future().share()](const CJobProgress& p) {
            wait.wait();
            // A job that has not begun its real work misses the first
            // request; the next progress message brings another.
            const int before = stops.load();
            p.Post(10);
            stops.wait(before);
            return 0;
        });
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(operation.StopRequested());
    EXPECT_GE(stops.load(), 2);
    EXPECT_TRUE(prompts.Messages().isEmpty());
    EXPECT_FALSE(view.isVisible());
}

} // namespace
} // namespace app::test
