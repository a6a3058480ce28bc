#include "commands/command_context.h"

#include "commands/play_commands.h"
#include "config/language.h"
#include "main/prompts.h"

#include "vorlain/kestrum.h"

namespace app {

QString CommandContext::Caption() const
{
    return LanguageText("main", "00000000");
}

void CommandContext::ShowKernelFailure(const FailureSubject& subject) const
{
    ShowMessage(window, Caption(), FailureMessage(Kestrum_GetLastError(), subject),
                QMessageBox::Critical);
}

bool CommandContext::RunLong(CLongOperation::Job job, const QStringList& phases, int parts,
                             const FailureSubject& subject) const
{
    state.SetBusy(true);
    CLongOperation operation(window);
    for (const QString& phase : phases)
        operation.AddPhase(phase);
    if (parts > 0)
        operation.SetParts(parts);
    // Every long operation of the session can be stopped; a stopped one
    // leaves everything as it was and says nothing.
    operation.SetStop([editor = Editor()] { Kestrum_Stop(editor); });
    operation.SetFailureMessage(
        Caption(), [subject] { return FailureMessage(Kestrum_GetLastError(), subject); });
    const int result = operation.Run(std::move(job));
    state.SetBusy(false);
    return result != 0;
}

void CommandContext::AfterRangeEdit() const
{
    ActionRecord action{};
    if (!Kestrum_GetLastActionAttr(Editor(), &action)) {
        ShowKernelFailure();
        return;
    }
    state.SetSelection(action.redoFrom, action.redoTo);
    view.ForceRedrawTrackEx(state.CurrentTrack(), true, action.redoFrom, action.redoTo);
    state.Edited();
}

void CommandContext::AfterSampleEdit() const
{
    view.ForceRedrawTrackEx(state.CurrentTrack(), true, state.SelectionStart(),
                            state.SelectionEnd());
    state.Edited();
}

void CommandContext::CheckPlayback() const
{
    if (play)
        play->CheckPlayback();
}

} // namespace app
