// Playback: Play, Pause and Stop, the 50 ms play timer that moves the
// playing line, and the check that no player outlives its track's row.
#include "window/vorlain_dlg.h"

#include "window/command_ids.h"
#include "window/info_strip.h"

#include "vorlain/kestrum.h"
#include "vorlain/platform.h"

#include <QLabel>
#include <QTimer>

namespace {
// AudioPlay_QueryStauts: 0 stopped, 1 playing, 2 paused, 3 stopping.
constexpr int kPlayerStopped = 0;
constexpr int kPlayerPaused = 2;
} // namespace

void CVorlainDlg::OnPlay()
{
    if (m_currentTrack == 0)
        return;
    if (m_player && m_playingTrack != m_currentTrack) {
        m_playTimer->stop();
        ClosePlayer();
    }
    m_playTimer->start();
    if (m_player && AudioPlay_QueryStauts(m_player) == kPlayerPaused) {
        AudioPlay_Continue(m_player);
    } else if (m_player) {
        m_playFrom = m_selStart;
        m_playTo = m_selEnd;
        AudioPlay_PlaySeekTime(m_player, m_selStart);
    } else {
        m_playFrom = m_selStart;
        m_playTo = m_selEnd;
        m_player = AudioPlay_Open(m_editor, static_cast<uint32_t>(m_currentTrack));
        if (!m_player) {
            m_playTimer->stop();
            ShowKernelFailure("Failed! ErrorCode=0x%.8x");
            return;
        }
        AudioPlay_PlaySeekTime(m_player, m_selStart);
        m_playingTrack = m_currentTrack;
    }
    m_playState = kPlaying;
    UpdateCommands();
    SetPlayButtons(kPlaying);
}

void CVorlainDlg::OnPausePlayback()
{
    if (!AudioPlay_Pause(m_player)) {
        ShowKernelFailure("Failed! ErrorCode=0x%.8x");
        return;
    }
    m_playTimer->stop();
    SetPlayButtons(kPaused);
    UpdateCommands();
}

void CVorlainDlg::OnStopPlayback()
{
    if (AudioPlay_Stop(m_player)) {
        SetPlayButtons(kStopped);
        UpdateCommands();
    }
}

void CVorlainDlg::OnPlayTimer()
{
    if (!m_player) {
        m_playTimer->stop();
        return;
    }
    const int64_t t = AudioPlay_GetPlayingTime(m_player);
    VorlainOutputDebugString("playing time : %lld", static_cast<long long>(t));
    // A selection plays to its end, not to the track's.
    if (m_playTo > m_playFrom && t >= m_playTo)
        AudioPlay_Stop(m_player);
    m_playingValue->setText(app::TimeText(t));
    if (AudioPlay_QueryStauts(m_player) != kPlayerStopped) {
        m_control->MovePlayingLine(m_playingTrack, t, true);
        return;
    }
    m_playingValue->setText(QStringLiteral("00:00:00.000"));
    m_playTimer->stop();
    m_control->MovePlayingLine(m_playingTrack, t, false);
    m_playState = kStopped;
    UpdateCommands();
    SetPlayButtons(kStopped);
}

void CVorlainDlg::ClosePlayer()
{
    m_playTimer->stop();
    if (!m_player)
        return;
    AudioPlay_Stop(m_player);
    AudioPlay_Close(m_player);
    if (m_control && m_control->IsValid() && m_playingTrack)
        m_control->MovePlayingLine(m_playingTrack, 0, false);
    m_player = nullptr;
    m_playingTrack = 0;
    if (m_playingValue)
        m_playingValue->setText(QStringLiteral("00:00:00.000"));
}
