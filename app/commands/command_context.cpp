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

void CommandContext::ShowKernelFailure(const char* format) const
{
    ShowMessage(window, Caption(), QString::asprintf(format, Kestrum_GetLastError()),
                QMessageBox::Critical);
}

bool CommandContext::RunLong(CLongOperation::Job job, const QStringList& phases, int parts) const
{
    state.SetBusy(true);
    CLongOperation operation(window);
    for (const QString& phase : phases)
        operation.AddPhase(phase);
    if (parts > 0)
        operation.SetParts(parts);
    operation.SetFailureMessage(Caption(), [] {
        return QString::asprintf("Failed! ErrorCode=0x%.8x", Kestrum_GetLastError());
    });
    const int result = operation.Run(std::move(job));
    state.SetBusy(false);
    return result != 0;
}

void CommandContext::AfterRangeEdit() const
{
    ActionRecord action{};
    if (!Kestrum_GetLastActionAttr(Editor(), &action)) {
        ShowKernelFailure("Failed! ErrorCode=0x%.8x");
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
