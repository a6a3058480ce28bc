#include "history/history.h"

#include "common/language.h"
#include "common/last_error.h"
#include "edits/clipboard.h"
#include "history/action_type.h"
#include "session/edit_session.h"
#include "track/track.h"
#include "vorlain/platform.h"

namespace kernel {

namespace {
constexpr uint32_t kUndoCopyNoEntry = 0x0512B001;
constexpr uint32_t kUndoCutNoEntry = 0x0531B001;
constexpr uint32_t kRedoCopyNoEntry = 0x0543B001;
constexpr uint32_t kRedoUnknownTrack = 0x0551B001;
constexpr uint32_t kRedoCutNoEntry = 0x0565B001;
constexpr uint32_t kRedoNoVersion = 0x0938B001;

// The track an action created: the action's track for Add Track and Record,
// the redo track for Extract Track and Copy To New.
uint32_t createdTrackId(const ActionRecord& action)
{
    return action.type == kActionExtractTrack || action.type == kActionCopyToNew
               ? action.redoTrackId
               : action.trackId;
}

void setPresent(CEditSession& session, uint32_t trackId, uint32_t present)
{
    // The hidden track of an insert or mix from a file is never shown: redo
    // of its "Add Track" must not bring it up as a track of its own.
    if (CTrack* track = session.FindTrack(trackId); track && !track->m_hidden)
        track->m_present = present;
}
} // namespace

CHistory::CHistory()
{
    m_sentinel = new ActionRecord{};
    m_current = m_sentinel;
}

CHistory::~CHistory()
{
    freeAfter(m_sentinel);
    delete m_sentinel;
}

void CHistory::freeAfter(ActionRecord* action)
{
    ActionRecord* a = action->next;
    action->next = nullptr;
    while (a) {
        ActionRecord* next = a->next;
        delete a;
        a = next;
    }
}

bool CHistory::Append(uint32_t trackId, uint32_t type, int64_t undoFrom, int64_t undoTo,
                      uint32_t redoTrackId, int64_t redoFrom, int64_t redoTo)
{
    freeAfter(m_current);
    auto* action = new ActionRecord{};
    action->trackId = trackId;
    action->type = type;
    action->timelineFlag = ActionTimelineFlag(type);
    action->trackFlags = ActionTrackFlags(type);
    if (const char* key = ActionNameKey(type))
        VorlainCopyTextCut(action->name, sizeof action->name, LanguageText("menu", key).c_str());
    action->undoFrom = undoFrom;
    action->undoTo = undoTo;
    action->redoTrackId = redoTrackId;
    action->redoFrom = redoFrom;
    action->redoTo = redoTo;
    action->previous = m_current;
    m_current->next = action;
    m_current = action;
    return true;
}

bool CHistory::Forget()
{
    ActionRecord* action = m_current;
    if (action->type == kActionNone || !action->previous)
        return false;
    m_current = action->previous;
    freeAfter(m_current);
    return true;
}

bool CHistory::GoBack(CEditSession& session)
{
    ActionRecord& action = *m_current;
    if (action.type == kActionNone || !action.previous)
        return false;
    if (action.type == kActionCopy) {
        if (!session.Clipboard().Back()) {
            SetLastError(kUndoCopyNoEntry);
            return false;
        }
        m_current = action.previous;
        return true;
    }
    if (action.timelineFlag) {
        if (CTrack* track = session.FindTrack(action.trackId))
            track->StepBack();
    } else if (action.trackFlags == 1) {
        setPresent(session, createdTrackId(action), 0);
    } else if (action.trackFlags == 2) {
        setPresent(session, action.trackId, 1);
    }
    if (action.type == kActionCut && !session.Clipboard().Back()) {
        SetLastError(kUndoCutNoEntry);
        return false;
    }
    m_current = action.previous;
    return true;
}

bool CHistory::GoNext(CEditSession& session)
{
    ActionRecord* next = m_current->next;
    if (!next)
        return false;
    ActionRecord& action = *next;
    if (action.type == kActionCopy) {
        if (!session.Clipboard().Forward()) {
            SetLastError(kRedoCopyNoEntry);
            return false;
        }
        m_current = next;
        return true;
    }
    if (action.timelineFlag) {
        CTrack* track = session.FindTrack(action.trackId);
        if (!track) {
            SetLastError(kRedoUnknownTrack);
            return false;
        }
        if (!track->StepForward()) {
            SetLastError(kRedoNoVersion);
            return false;
        }
    } else if (action.trackFlags == 1) {
        setPresent(session, createdTrackId(action), 1);
    } else if (action.trackFlags == 2) {
        setPresent(session, action.trackId, 0);
    }
    if (action.type == kActionCut && !session.Clipboard().Forward()) {
        SetLastError(kRedoCutNoEntry);
        return false;
    }
    m_current = next;
    return true;
}

void CHistory::NameCurrent(const std::string& name)
{
    if (m_current != m_sentinel)
        VorlainCopyTextCut(m_current->name, sizeof m_current->name, name.c_str());
}

std::string CHistory::UndoLabel() const
{
    return LanguageText("menu", "01000101") + " (" + m_current->name + ")";
}

std::string CHistory::RedoLabel() const
{
    const ActionRecord* next = Next();
    return LanguageText("menu", "01000102") + " (" + (next ? next->name : "") + ")";
}

} // namespace kernel
