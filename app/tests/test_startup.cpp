// Start-up: the command line, the recent lists, the language file and the
// temporary path.
#include "window_fixture.h"

#include "config/app_config.h"
#include "config/language.h"
#include "config/recent_files.h"
#include "dialogs/dlg_option.h"
#include "main/command_line.h"
#include "modal_driver.h"
#include "state/project_preload.h"
#include "window/command_ids.h"
#include "window/command_set.h"

#include "vorlain/platform.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/temp_env.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include <filesystem>

using namespace cmd;

namespace app::test {
namespace {

TEST(CommandLine, NoArgumentAFileOrAProjectInAnyCaseAndQuotes)
{
    EXPECT_TRUE(ParseCommandLine({"vorlain"}).projectPath.isEmpty());
    EXPECT_TRUE(ParseCommandLine({"vorlain"}).filePath.isEmpty());
    EXPECT_TRUE(ParseCommandLine({"vorlain", "  \"\"  "}).filePath.isEmpty());

    StartupPaths file = ParseCommandLine({"vorlain", "/music/song.mp3"});
    EXPECT_EQ(file.filePath, "/music/song.mp3");
    EXPECT_TRUE(file.projectPath.isEmpty());

    StartupPaths project = ParseCommandLine({"vorlain", " \"/work/X.ZVP\" "});
    EXPECT_EQ(project.projectPath, "/work/X.ZVP");
    EXPECT_TRUE(project.filePath.isEmpty());
    EXPECT_EQ(ParseCommandLine({"vorlain", "a.Zvp"}).projectPath, "a.Zvp");
    // Three characters alone are not a project name.
    EXPECT_EQ(ParseCommandLine({"vorlain", "zvp"}).filePath, "zvp");
}

class RecentLists : public vorlain::test::IsolatedTest {};

TEST_F(RecentLists, TheNinthReplacesPathZeroAndAKnownOneInOtherCaseChangesNothing)
{
    for (int i = 0; i < 8; ++i)
        AddRecent(kRecentFileSection, QStringLiteral("/a/file%1.wav").arg(i));
    QStringList paths = RecentSlots(kRecentFileSection);
    ASSERT_EQ(paths.size(), 8);
    EXPECT_EQ(paths.at(7), "/a/file7.wav");

    AddRecent(kRecentFileSection, QStringLiteral("/A/FILE3.WAV"));
    EXPECT_EQ(RecentSlots(kRecentFileSection), paths);

    AddRecent(kRecentFileSection, QStringLiteral("/a/ninth.wav"));
    QStringList expected = paths;
    expected[0] = QStringLiteral("/a/ninth.wav");
    EXPECT_EQ(RecentSlots(kRecentFileSection), expected);

    // The file on disk, and the other list untouched.
    char value[1024];
    VorlainGetProfileString("RecentFile", "Path0", "", value, sizeof value,
                            RecentIniPath().toUtf8().constData());
    EXPECT_STREQ(value, "/a/ninth.wav");
    EXPECT_TRUE(RecentIniPath().startsWith(ConfigFolder()));
    EXPECT_EQ(RecentSlots(kRecentProjectSection), QStringList(8, QString()));

    ClearRecent(kRecentFileSection, 2);
    AddRecent(kRecentFileSection, QStringLiteral("/a/refill.wav"));
    EXPECT_EQ(RecentSlots(kRecentFileSection).at(2), "/a/refill.wav");
}

class Startup : public WindowTest {};

TEST_F(Startup, AnAudioFileOnTheCommandLineIsAddedAndListed)
{
    const std::string wav = MakeWave("start.wav", 2, 2);
    StartupPaths paths = ParseCommandLine({"vorlain", QString::fromStdString("\"" + wav + "\"")});
    Start(paths);
    EXPECT_EQ(Window().Control().VisibleTracks(), QList<int>{1});
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 2 * kSecond);
    EXPECT_EQ(RecentSlots(kRecentFileSection).at(0), QString::fromStdString(wav));
    QMenu* recent = Window().Commands().RecentFileMenu();
    ASSERT_EQ(recent->actions().size(), 1);
    EXPECT_EQ(recent->actions().first()->text(), QString::fromStdString(wav));
    EXPECT_EQ(recent->actions().first()->data().toInt(), kRecentFileFirst);
    EXPECT_TRUE(recent->menuAction()->isEnabled());
    EXPECT_FALSE(Window().Commands().RecentProjectMenu()->menuAction()->isEnabled());
}

TEST_F(Startup, AProjectOnTheCommandLineOpensWithItsTracks)
{
    // A project made by the kernel directly.
    const std::string wav = MakeWave("p.wav", 3, 1);
    const std::string zvp = env().path("Saved.ZVP");
    SaveProjectOfWaves({wav}, zvp);
    ASSERT_FALSE(HasFailure());
    Start(ParseCommandLine({"vorlain", QString::fromStdString("\"" + zvp + "\"")}));
    ASSERT_NE(Window().Editor(), nullptr);
    EXPECT_EQ(Window().Control().VisibleTracks(), QList<int>{1});
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 3 * kSecond);
    EXPECT_EQ(Window().CurrentProjectPath(), QString::fromStdString(zvp));
    EXPECT_FALSE(Window().IsModified());
    EXPECT_EQ(RecentSlots(kRecentProjectSection).at(0), QString::fromStdString(zvp));
}

TEST_F(Startup, AGoneRecentFileIsDroppedWhenChosen)
{
    AddRecent(kRecentFileSection, env().path("gone.wav").c_str());
    const std::string wav = MakeWave("here.wav", 1, 2);
    AddRecent(kRecentFileSection, QString::fromStdString(wav));
    Start();
    QMenu* recent = Window().Commands().RecentFileMenu();
    ASSERT_EQ(recent->actions().size(), 2);
    recent->actions().at(0)->trigger();
    Pump();
    EXPECT_TRUE(Window().Control().VisibleTracks().isEmpty());
    EXPECT_EQ(RecentSlots(kRecentFileSection).at(0), QString());
    ASSERT_EQ(recent->actions().size(), 1);
    recent->actions().at(0)->trigger();
    Pump();
    EXPECT_EQ(Window().Control().VisibleTracks(), QList<int>{1});
}

TEST_F(Startup, ALanguageFileWithoutMenusGivesEmptyCaptions)
{
    const std::string lang = env().path("lang.ini");
    ASSERT_TRUE(vorlain::test::WriteBytes(lang, {'[', 'm', 'a', 'i', 'n', ']', '\n', '0', '0', '0',
                                                 '0', '0', '0', '0', '0', '=', 'X', '\n'}));
    SetLanguageFileOverride(QString::fromStdString(lang));
    Start();
    SetLanguageFileOverride(QString());
    EXPECT_EQ(Window().windowTitle(), "X[*]");
    for (QAction* top : Window().menuBar()->actions())
        EXPECT_TRUE(top->text().isEmpty()) << top->text().toStdString();
    for (int id :
         {kAddFile, kCut, kZoomIn, kAddBlankTrack, kFadeIn, kStartRecord, kOptions, kAbout})
        EXPECT_TRUE(Window().Action(id)->text().isEmpty()) << id;
    EXPECT_EQ(Window().Action(kUndo)->text(), "Undo"); // the one built-in caption
    EXPECT_TRUE(Window().Action(kCut)->toolTip().isEmpty() ||
                Window().Action(kCut)->toolTip() == Window().Action(kCut)->text());
}

TEST_F(Startup, MenusCarryTheirCommandIdsAndCaptions)
{
    Start();
    QStringList titles;
    for (QAction* top : Window().menuBar()->actions())
        titles << top->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "&View", "&Track", "Effe&ct", "Record",
                                   "&Options", "&Help"}));
    EXPECT_EQ(Window().Action(kCut)->data().toInt(), kCut);
    EXPECT_EQ(Window().Action(kCut)->text(), LanguageText("menu", "01000103"));
    EXPECT_EQ(Window().Action(kCut)->shortcut(), QKeySequence("Ctrl+X"));
    EXPECT_EQ(Window().Action(kCut)->toolTip(), LanguageText("toolbar", "02000003"));
    EXPECT_EQ(Window().Caption(), LanguageText("main", "00000000"));
    // Positions 7 and 8 of the File menu are the recent lists.
    QMenu* file = Window().Commands().FileMenu();
    EXPECT_EQ(file->actions().at(7)->data().toInt(), kRecentFile);
    EXPECT_EQ(file->actions().at(8)->data().toInt(), kRecentProject);
    // Every toolbar button is a numbered child.
    for (int id : {kAddFile, kSaveProject, kTbCut, kTbCopy, kTbPaste, kTbUndo, kTbRedo, kTbZoomIn,
                   kTbZoomOut, kTbScrollToBegin, kTbPlay, kTbPause, kTbStop, kTbScrollToEnd,
                   kTbStartRecord, kTbStopRecord, kTbRecordOption})
        EXPECT_NE(Window().findChild<QWidget*>(QStringLiteral("id%1").arg(id)), nullptr) << id;
}

TEST_F(Startup, TheTemporaryPathOfConfigIniIsHandedToTheKernel)
{
    const std::string folder = env().makeDir("mytemp");
    ASSERT_TRUE(WriteTmpPath(QString::fromStdString(folder)));
    Start();
    EXPECT_EQ(Window().TempPath(), QString::fromStdString(folder));
    ASSERT_EQ(AddFile(MakeWave("t.wav", 1, 2)), 1);
    // The session's folder is made inside it.
    bool found = false;
    for (const std::string& name : vorlain::test::ListDir(folder))
        found = found || name.rfind("Vorlain_Tmp", 0) == 0;
    EXPECT_TRUE(found);
}

// The program killed in the middle of a user's work: this test program runs
// again as a child that drives the real window (Add File, then Cut, Fade In
// and Silence through their commands), writes the track's bytes as a wave
// file and kills itself with SIGKILL, leaving its session folder as a crash
// leaves it. The child puts that folder in this test's temp folder.
constexpr const char* kCrashBase = "VORLAIN_CRASH_BASE";
constexpr const char* kCrashWave = "VORLAIN_CRASH_WAVE";
constexpr const char* kCrashExpected = "VORLAIN_CRASH_EXPECTED";
constexpr const char* kCrashProject = "VORLAIN_CRASH_PROJECT"; // saved after the file, if set

TEST_F(Startup, DISABLED_ChildRunKilledAfterThreeEdits)
{
    const char* base = std::getenv(kCrashBase);
    const char* wav = std::getenv(kCrashWave);
    const char* expected = std::getenv(kCrashExpected);
    ASSERT_TRUE(base && wav && expected) << "run only by the crash-recovery tests";
    ASSERT_TRUE(WriteTmpPath(QString::fromUtf8(base)));
    Start();
    ASSERT_EQ(AddFile(wav), 1);
    if (const char* project = std::getenv(kCrashProject)) {
        Prompts().AnswerFile(QString::fromUtf8(project));
        ASSERT_TRUE(Window().RunCommand(kSaveProject));
        ASSERT_FALSE(Window().IsModified());
    }
    Select(kSecond, 2 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kCut));
    Select(0, kSecond);
    ASSERT_TRUE(Window().RunCommand(kFadeIn));
    Select(3 * kSecond, 4 * kSecond);
    ASSERT_TRUE(Window().RunCommand(kSilence));
    ASSERT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 5 * kSecond);
    ASSERT_EQ(Kestrum_SaveTrackToFile(Window().Editor(), 1, 0, 0, expected), 1);
    std::fflush(nullptr);
    ::kill(::getpid(), SIGKILL);
}

/** Runs the child above with a 6-second stereo file; returns the path of
 *  the track's bytes as the child last saw them. */
std::string crashedRun(const std::string& wav, const std::string& expected,
                       const std::string& project = {})
{
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    std::vector<std::string> args = {
        self, "--gtest_also_run_disabled_tests",
        "--gtest_filter=Startup.DISABLED_ChildRunKilledAfterThreeEdits"};
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e)
        vars.emplace_back(*e);
    vars.push_back(std::string(kCrashBase) + "=" + std::getenv("TMPDIR"));
    vars.push_back(std::string(kCrashWave) + "=" + wav);
    vars.push_back(std::string(kCrashExpected) + "=" + expected);
    if (!project.empty())
        vars.push_back(std::string(kCrashProject) + "=" + project);
    std::vector<char*> argv, envp;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    for (std::string& v : vars)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    pid_t child = 0;
    EXPECT_EQ(::posix_spawn(&child, self.c_str(), nullptr, nullptr, argv.data(), envp.data()), 0);
    int status = 0;
    EXPECT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the child ended otherwise: status " << status;
    EXPECT_TRUE(vorlain::test::Exists(expected));
    return expected;
}

std::vector<std::string> sessionFolders()
{
    std::vector<std::string> out;
    for (const std::string& name : vorlain::test::ListDir(std::getenv("TMPDIR")))
        if (name.rfind("Vorlain_Tmp", 0) == 0)
            out.push_back(name);
    return out;
}

TEST_F(Startup, TheWorkOfARunThatDiedIsOfferedAndRecoveredByteForByte)
{
    const std::string expected = crashedRun(MakeWave("work.wav", 6, 2), env().path("expected.wav"));
    Prompts().AnswerMessage(QMessageBox::Yes);
    Start();
    ASSERT_NE(Window().Editor(), nullptr);
    ASSERT_FALSE(Prompts().Messages().isEmpty());
    EXPECT_EQ(Prompts().Messages().first(), app::LanguageText("main", "0000001E"));
    EXPECT_EQ(Window().Control().VisibleTracks(), QList<int>{1});
    // The work comes back whole in the view, as a first file does.
    EXPECT_FALSE(Window().Control().IsScrollable(1));
    EXPECT_GT(XOfTime(5 * kSecond), Row(1)->width() / 3);
    const std::string recovered = env().path("recovered.wav");
    ASSERT_EQ(Kestrum_SaveTrackToFile(Window().Editor(), 1, 0, 0, recovered.c_str()), 1);
    EXPECT_EQ(vorlain::test::ReadBytes(recovered), vorlain::test::ReadBytes(expected));
    EXPECT_TRUE(Window().IsModified());
    EXPECT_TRUE(Window().CurrentProjectPath().isEmpty());
    // The recovered session owns the folder now: closing removes it.
    // Exit asks whether to save the recovered work: No.
    Prompts().AnswerMessage(QMessageBox::No);
    ASSERT_TRUE(CloseWindow());
    EXPECT_EQ(sessionFolders(), std::vector<std::string>{});
}

TEST_F(Startup, RecoveredWorkOfASavedProjectReopensAsThatProjectAndSavesBackToIt)
{
    const std::string project = env().path("saved/trio.zvp");
    std::filesystem::create_directories(env().path("saved"));
    const std::string expected =
        crashedRun(MakeWave("work.wav", 6, 2), env().path("expected.wav"), project);
    Prompts().AnswerMessage(QMessageBox::Yes);
    Start();
    ASSERT_NE(Window().Editor(), nullptr);
    EXPECT_EQ(Window().CurrentProjectPath(), QString::fromStdString(project));
    EXPECT_TRUE(Window().IsModified());
    EXPECT_EQ(Window().windowTitle(), "trio.zvp[*] \u2014 " + Window().Caption());
    // Ctrl+S saves back to it without asking for a name.
    Prompts().Clear();
    ASSERT_TRUE(Window().RunCommand(kSaveProject));
    for (const PromptCall& call : Prompts().Calls())
        EXPECT_NE(call.kind, PromptCall::SaveFile);
    EXPECT_FALSE(Window().IsModified());
    ASSERT_TRUE(Window().RunCommand(kCloseProject));
    // The project holds the recovered work.
    CEditSession* session = Kestrum_Open(env().makeDir("check").c_str());
    ASSERT_NE(session, nullptr);
    ASSERT_EQ(Kestrum_OpenProject(session, project.c_str()), 1)
        << std::hex << Kestrum_GetLastError();
    const std::string saved = env().path("saved.wav");
    ASSERT_EQ(Kestrum_SaveTrackToFile(session, 1, 0, 0, saved.c_str()), 1);
    EXPECT_EQ(vorlain::test::ReadBytes(saved), vorlain::test::ReadBytes(expected));
    Kestrum_Close(session);
}

TEST_F(Startup, DecliningRecoveryLeavesNoSessionFolderBehind)
{
    crashedRun(MakeWave("work.wav", 6, 2), env().path("expected.wav"));
    ASSERT_EQ(sessionFolders().size(), 1u);
    Prompts().AnswerMessage(QMessageBox::No);
    Start();
    EXPECT_EQ(Window().Editor(), nullptr);
    EXPECT_TRUE(sessionFolders().empty());
}

// `vorlain PROJECT` reads the project while the window is built; the
// window's open then takes that session instead of reading it again.
TEST_F(Startup, AProjectReadWhileTheWindowIsBuiltOpensInThatSession)
{
    const std::string zvp = env().path("early.zvp");
    SaveProjectOfWaves({MakeWave("a.wav", 3, 2), MakeWave("b.wav", 2, 1)}, zvp);
    ASSERT_FALSE(HasFailure());
    StartupPaths startup = ParseCommandLine({"vorlain", QString::fromStdString(zvp)});
    startup.preload = PreloadProject(startup.projectPath);
    ASSERT_NE(startup.preload, nullptr);
    // Kept alive here: a session it did not give away would stay open.
    const std::shared_ptr<CProjectPreload> preload = startup.preload;
    Start(startup);
    ASSERT_NE(Window().Editor(), nullptr);
    EXPECT_EQ(sessionFolders().size(), 1u);
    EXPECT_EQ(Window().Control().VisibleTracks(), (QList<int>{1, 2}));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 3 * kSecond);
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 2), 2 * kSecond);
    EXPECT_EQ(Window().CurrentProjectPath(), QString::fromStdString(zvp));
    EXPECT_FALSE(Window().IsModified());
    EXPECT_EQ(RecentSlots(kRecentProjectSection).at(0), QString::fromStdString(zvp));
    // The session is the window's: an edit and its undo work in it.
    EXPECT_FALSE(Enabled(kUndo));
    ClickRow(1, kSecond / 2);
    Select(kSecond / 2, kSecond);
    ASSERT_TRUE(Window().RunCommand(kDelete));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 3 * kSecond - kSecond / 2);
    ASSERT_TRUE(Window().RunCommand(kUndo));
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 3 * kSecond);
    Prompts().AnswerMessage(QMessageBox::No);
    ASSERT_TRUE(CloseWindow());
    EXPECT_TRUE(sessionFolders().empty());
}

TEST_F(Startup, AProjectThatCannotBeReadEarlyFailsAsAnyOpenDoes)
{
    const std::string zvp = env().path("broken.zvp");
    const std::string text = "<Project><Track><Segment>";
    ASSERT_TRUE(vorlain::test::WriteBytes(zvp, {text.begin(), text.end()}));
    const StartupPaths plain = ParseCommandLine({"vorlain", QString::fromStdString(zvp)});
    Start(plain);
    const QStringList expected = Prompts().Messages();
    ASSERT_EQ(expected.size(), 1);
    EXPECT_EQ(Window().Editor(), nullptr);
    ASSERT_TRUE(CloseWindow());

    Prompts().Clear();
    StartupPaths startup = plain;
    startup.preload = PreloadProject(startup.projectPath);
    ASSERT_NE(startup.preload, nullptr);
    Start(startup);
    EXPECT_EQ(Prompts().Messages(), expected);
    EXPECT_EQ(Window().Editor(), nullptr);
    EXPECT_TRUE(Window().CurrentProjectPath().isEmpty());
    EXPECT_TRUE(sessionFolders().empty());
}

TEST_F(Startup, NoProjectIsReadEarlyWhileTheWorkOfARunThatDiedWaits)
{
    const std::string zvp = env().path("later.zvp");
    SaveProjectOfWaves({MakeWave("c.wav", 1, 2)}, zvp);
    crashedRun(MakeWave("work.wav", 6, 2), env().path("expected.wav"));
    ASSERT_EQ(sessionFolders().size(), 1u);
    EXPECT_EQ(PreloadProject(QString::fromStdString(zvp)), nullptr);
    EXPECT_EQ(sessionFolders().size(), 1u);
}

TEST_F(Startup, AnEarlyReadInAnotherTemporaryFolderIsNotUsed)
{
    const std::string zvp = env().path("moved.zvp");
    SaveProjectOfWaves({MakeWave("d.wav", 2, 2)}, zvp);
    StartupPaths startup = ParseCommandLine({"vorlain", QString::fromStdString(zvp)});
    startup.preload = PreloadProject(startup.projectPath);
    ASSERT_NE(startup.preload, nullptr);
    // The configured folder changed after the read began.
    const std::string folder = env().makeDir("newtemp");
    ASSERT_TRUE(WriteTmpPath(QString::fromStdString(folder)));
    Start(startup);
    startup.preload.reset(); // the window's copy went with the open
    ASSERT_NE(Window().Editor(), nullptr);
    EXPECT_EQ(Kestrum_GetTrackTime(Window().Editor(), 1), 2 * kSecond);
    // The early session closed; the window's lives in the new folder.
    EXPECT_TRUE(sessionFolders().empty());
    int inNew = 0;
    for (const std::string& name : vorlain::test::ListDir(folder))
        inNew += name.rfind("Vorlain_Tmp", 0) == 0;
    EXPECT_EQ(inNew, 1);
}

TEST_F(Startup, OptionsChangeTheTemporaryPathForTheNextSession)
{
    Start();
    const std::string first = env().makeDir("first");
    WhenModal<CDlgOption>([&first](CDlgOption* dialog) {
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("id1039"));
        ASSERT_NE(edit, nullptr);
        edit->setText(QString::fromStdString(first));
        dialog->accept();
    });
    ASSERT_TRUE(Window().RunCommand(cmd::kOptions));
    EXPECT_EQ(Window().TempPath(), QString::fromStdString(first));
    EXPECT_EQ(ReadTmpPath(), QString::fromStdString(first));
    ASSERT_EQ(AddFile(MakeWave("o.wav", 1, 2)), 1);
    bool inFirst = false;
    for (const std::string& name : vorlain::test::ListDir(first))
        inFirst = inFirst || name.rfind("Vorlain_Tmp", 0) == 0;
    EXPECT_TRUE(inFirst);
}

} // namespace
} // namespace app::test
