// Playback: Play, Pause and Stop, the 50 ms play timer that moves the
// playing line and the playing time, and the check that no player
// outlives its track's row.
#pragma once

#include "commands/command_context.h"

#include <QObject>

class QTimer;

namespace app {

class CPlayCommands : public QObject {
    Q_OBJECT
public:
    explicit CPlayCommands(CommandContext& context);

    void Play();
    void Pause();
    void Stop();
    /** Stops and closes the player; the playing line goes. */
    void ClosePlayer();
    /** Rows came or went: a player whose row has gone is closed, and the
     *  play buttons follow what is left. */
    void CheckPlayback();
    bool IsTimerActive() const;

signals:
    /** The playing time to show; 0 when nothing plays. */
    void PlayingTime(qint64 time);

private:
    void OnTimer();

    CommandContext& m_c;
    QTimer* m_timer;
    int64_t m_playFrom = 0;
    int64_t m_playTo = 0;
};

} // namespace app
