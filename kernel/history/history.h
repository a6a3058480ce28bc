// The session's undo/redo history: a list of action records behind a
// sentinel, with the current action being the last one done and not undone.
#pragma once

#include "vorlain/records.h"

#include <cstdint>
#include <string>

class CEditSession;

namespace kernel {

class CHistory {
public:
    CHistory();
    ~CHistory();
    CHistory(const CHistory&) = delete;
    CHistory& operator=(const CHistory&) = delete;

    /** Appends an action after the current one, dropping the redo part. */
    bool Append(uint32_t trackId, uint32_t type, int64_t undoFrom, int64_t undoTo,
                uint32_t redoTrackId, int64_t redoFrom, int64_t redoTo);

    /** Names the current action (a plugin's action carries the plugin's
     *  name, not one from the language file); cut to the record's size. */
    void NameCurrent(const std::string& name);

    /** Takes back the current action as if it had never been appended (a
     *  track creation whose first step failed): nothing is undone, and the
     *  action goes with its redo part. false when there is none. */
    bool Forget();

    /** Undo and redo; false (with the last error set where there is a code). */
    bool GoBack(CEditSession& session);
    bool GoNext(CEditSession& session);

    const ActionRecord& Current() const { return *m_current; }
    /** The action redo would do; null when there is none. */
    const ActionRecord* Next() const { return m_current->next; }
    bool CanUndo() const { return m_current->type != 0 && m_current->previous; }

    /** "<undo text> (<name>)" and "<redo text> (<name>)". */
    std::string UndoLabel() const;
    std::string RedoLabel() const;

private:
    void freeAfter(ActionRecord* action);

    ActionRecord* m_sentinel;
    ActionRecord* m_current;
};

} // namespace kernel
