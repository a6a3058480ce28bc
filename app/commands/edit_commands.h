// Edit menu: undo and redo, the range edits, selection, insertion, paste,
// mixing and the track's tags.
#pragma once

#include "commands/command_context.h"

namespace app {

class CEditCommands {
public:
    explicit CEditCommands(CommandContext& context) : m_c(context) {}

    void Undo();
    void Redo();
    void Cut();
    void Copy();
    void CopyToNew();
    void Trim();
    void Delete();
    /** Select All, None, To Start and To End, by command id. */
    void Select(int commandId);
    /** Shift+Home and Shift+End: the selection reaches the track's start
     *  or end. */
    void ExtendSelection(bool toEnd);
    void InsertSilence(int commandId);
    void InsertFile(int commandId);
    void Paste(bool toEnd);
    void MixWithCopy();
    void MixWithFile();
    void Tag();

private:
    /** Cut, trim and delete: one kernel call on the selection; a failure is
     *  shown with its code in that command's spelling. */
    void RangeEdit(int (*edit)(CEditSession*, uint32_t, int64_t, int64_t));
    /** Where an insert command puts its audio: the start, the cursor, the end. */
    int64_t InsertPoint(int commandId, int beginId, int currentId) const;

    CommandContext& m_c;
};

} // namespace app
