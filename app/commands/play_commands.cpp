#include "commands/play_commands.h"

#include "vorlain/kestrum.h"
#include "vorlain/platform.h"

#include <QTimer>

namespace app {
namespace {
// AudioPlay_QueryStauts: 0 stopped, 1 playing, 2 paused, 3 stopping.
constexpr int kPlayerStopped = 0;
constexpr int kPlayerPlaying = 1;
constexpr int kPlayerPaused = 2;
} // namespace

CPlayCommands::CPlayCommands(CommandContext& context) : m_c(context)
{
    m_timer = new QTimer(this);
    m_timer->setInterval(50); // timer 666
    connect(m_timer, &QTimer::timeout, this, &CPlayCommands::OnTimer);
}

bool CPlayCommands::IsTimerActive() const
{
    return m_timer->isActive();
}

void CPlayCommands::Play()
{
    CEditorState& s = m_c.state;
    if (s.CurrentTrack() == 0)
        return;
    if (s.Player() && s.PlayingTrack() != s.CurrentTrack()) {
        m_timer->stop();
        ClosePlayer();
    }
    m_timer->start();
    if (s.Player() && AudioPlay_QueryStauts(s.Player()) == kPlayerPaused) {
        AudioPlay_Continue(s.Player());
    } else {
        m_playFrom = s.SelectionStart();
        m_playTo = s.SelectionEnd();
        if (!s.Player()) {
            CAudoPlayMgr* player = AudioPlay_Open(s.Editor(), m_c.Track());
            if (!player) {
                m_timer->stop();
                m_c.ShowKernelFailure();
                return;
            }
            s.SetPlayer(player, s.CurrentTrack());
        }
        if (!AudioPlay_PlaySeekTime(s.Player(), m_playFrom)) {
            // No device took the audio: nothing plays, and the user hears why.
            m_timer->stop();
            m_c.ShowKernelFailure();
            return;
        }
    }
    s.SetPlayState(CEditorState::kPlaying);
}

void CPlayCommands::Pause()
{
    if (!AudioPlay_Pause(m_c.state.Player())) {
        m_c.ShowKernelFailure();
        return;
    }
    m_timer->stop();
    m_c.state.SetPlayState(CEditorState::kPaused);
}

void CPlayCommands::Stop()
{
    CEditorState& s = m_c.state;
    if (!AudioPlay_Stop(s.Player()))
        return;
    // Playback goes back to where it started, in the time shown too; the
    // line goes until the next play (a pause had stopped the timer that
    // would otherwise take it away).
    m_timer->stop();
    m_c.view.MovePlayingLine(s.PlayingTrack(), m_playFrom, false);
    emit PlayingTime(m_playFrom);
    s.SetPlayState(CEditorState::kStopped);
}

void CPlayCommands::OnTimer()
{
    CEditorState& s = m_c.state;
    if (!s.Player()) {
        m_timer->stop();
        return;
    }
    const int64_t t = AudioPlay_GetPlayingTime(s.Player());
    VorlainOutputDebugString("playing time : %lld", static_cast<long long>(t));
    // A selection plays to its end, not to the track's.
    if (m_playTo > m_playFrom && t >= m_playTo)
        AudioPlay_Stop(s.Player());
    emit PlayingTime(t);
    if (AudioPlay_QueryStauts(s.Player()) != kPlayerStopped) {
        m_c.view.MovePlayingLine(s.PlayingTrack(), t, true);
        return;
    }
    emit PlayingTime(0);
    m_timer->stop();
    m_c.view.MovePlayingLine(s.PlayingTrack(), t, false);
    s.SetPlayState(CEditorState::kStopped);
}

void CPlayCommands::ClosePlayer()
{
    m_timer->stop();
    CEditorState& s = m_c.state;
    CAudoPlayMgr* player = s.Player();
    if (!player)
        return;
    AudioPlay_Stop(player);
    AudioPlay_Close(player);
    if (m_c.view.IsValid() && s.PlayingTrack())
        m_c.view.MovePlayingLine(s.PlayingTrack(), 0, false);
    s.SetPlayer(nullptr, 0);
    emit PlayingTime(0);
}

void CPlayCommands::CheckPlayback()
{
    CEditorState& s = m_c.state;
    const QList<int> visible = m_c.view.VisibleTracks();
    if (s.Player() && !(s.PlayingTrack() != 0 && visible.contains(s.PlayingTrack())))
        ClosePlayer();
    // A player that goes on keeps its Pause and Stop.
    const int status = s.Player() ? AudioPlay_QueryStauts(s.Player()) : 0;
    s.SetPlayState(visible.isEmpty()          ? CEditorState::kNoTrack
                   : status == kPlayerPlaying ? CEditorState::kPlaying
                   : status == kPlayerPaused  ? CEditorState::kPaused
                                              : CEditorState::kStopped);
}

} // namespace app
