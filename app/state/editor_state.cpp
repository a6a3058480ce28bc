#include "state/editor_state.h"

#include "vorlain/kestrum.h"

namespace app {

CEditorState::Batch::Batch(CEditorState& state) : m_state(state)
{
    ++m_state.m_batches;
}

CEditorState::Batch::~Batch()
{
    if (--m_state.m_batches == 0 && m_state.m_changed) {
        m_state.m_changed = false;
        emit m_state.Changed();
    }
}

template <typename T> void CEditorState::Set(T& member, T value)
{
    if (member == value)
        return;
    member = std::move(value);
    Touch();
}

void CEditorState::Touch()
{
    if (m_batches > 0) {
        m_changed = true;
        return;
    }
    // Refreshes that change the state again are told in the same round.
    const Batch batch(*this);
    m_changed = true;
}

bool CEditorState::EnsureEditor()
{
    if (!m_editor)
        Set(m_editor, Kestrum_Open(m_tempPath.toUtf8().constData()));
    return m_editor != nullptr;
}

void CEditorState::AdoptEditor(CEditSession* session)
{
    Q_ASSERT(!m_editor);
    Set(m_editor, session);
}

void CEditorState::CloseEditor()
{
    if (!m_editor)
        return;
    Kestrum_Close(m_editor);
    Set(m_editor, static_cast<CEditSession*>(nullptr));
}

void CEditorState::SetCurrentTrack(int trackId)
{
    Set(m_currentTrack, trackId);
}

void CEditorState::SetSelection(int64_t start, int64_t end)
{
    Set(m_selStart, start);
    Set(m_selEnd, end);
}

bool CEditorState::HasSelection() const
{
    return m_currentTrack != 0 && m_selEnd != 0 && m_selEnd > m_selStart;
}

int64_t CEditorState::TrackLength() const
{
    return m_editor && m_currentTrack
               ? Kestrum_GetTrackTime(m_editor, static_cast<uint32_t>(m_currentTrack))
               : 0;
}

void CEditorState::SetPlayer(CAudoPlayMgr* player, int trackId)
{
    Set(m_player, player);
    Set(m_playingTrack, trackId);
}

void CEditorState::SetPlayState(int state)
{
    Set(m_playState, state);
}

void CEditorState::SetRecording(bool recording, int trackId)
{
    Set(m_recording, recording);
    Set(m_recordTrackId, trackId);
    if (!recording)
        Set(m_recordPaused, false);
}

void CEditorState::SetRecordPaused(bool paused)
{
    Set(m_recordPaused, paused);
}

void CEditorState::SetRecordStopping(bool stopping)
{
    Set(m_recordStopping, stopping);
}

void CEditorState::SetModified(bool modified)
{
    Set(m_modified, modified);
}

void CEditorState::Edited()
{
    m_modified = true;
    Touch();
}

void CEditorState::SetProjectPath(const QString& path)
{
    Set(m_projectPath, path);
}

void CEditorState::SetBusy(bool busy)
{
    Set(m_busy, busy);
}

} // namespace app
