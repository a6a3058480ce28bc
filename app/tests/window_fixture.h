// The real main window over the real kernel and display control, on Qt's
// offscreen platform, with the prompts answered from a script and helpers
// that work the window as a person would: menus, keys and the mouse on the
// control's rows.
#pragma once

#include "scripted_prompts.h"

#include "main/command_line.h"
#include "window/vorlain_dlg.h"

#include "vorlain/kestrum.h"
#include "vorlain/test/audio.h"
#include "vorlain/test/pulse_server.h"
#include "vorlain/test/temp_env.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace app::test {

inline constexpr int64_t kSecond = 1'000'000;

class WindowTest : public vorlain::test::IsolatedTest {
protected:
    void SetUp() override;
    void TearDown() override;

    /** A new main window, initialised, shown, with its start-up paths opened. */
    CVorlainDlg& Start(const app::StartupPaths& startup = {});
    CVorlainDlg& Window() { return *m_window; }
    /** Ends the window through its own exit flow; false when it refused. */
    bool CloseWindow();

    /** A stereo or mono wave file of a 441 Hz sine in the test's folder. */
    std::string MakeWave(const std::string& name, double seconds, int channels, int rate = 44100,
                         int amplitude = 12000);
    /** A wave file of these samples. */
    std::string MakeWave(const std::string& name, const vorlain::test::Samples& samples, int rate,
                         int channels);
    /** A project of one track per wave file made with the kernel directly,
     *  outside the window (as another program would), saved with copying to
     *  zvp. */
    void SaveProjectOfWaves(const std::vector<std::string>& waves, const std::string& zvp);
    /** Adds a file through File / Add File; returns the new track's id (0
     *  when nothing was added). */
    int AddFile(const std::string& path);

    /** The control's row of a track, and mouse work on it. */
    QWidget* Row(int trackId) const;
    int XOfTime(int64_t time) const;
    int64_t TimeOfX(int x) const;
    /** A left click on the row at time t: the row becomes current with an
     *  empty selection there. */
    void ClickRow(int trackId, int64_t time);
    /** A drag from one time to another across the row. */
    void DragRow(int trackId, int64_t from, int64_t to);
    void RightClickRow(int trackId, int64_t time);
    /** Sets the current track's selection as the info panel's buttons do:
     *  through the control's range request. */
    void Select(int64_t from, int64_t to);

    /** Runs the event loop until pred holds or ms pass; returns pred(). */
    bool WaitFor(const std::function<bool()>& pred, int ms = 10000);
    void Pump(int rounds = 5);
    void WaitForPeaks();

    bool Enabled(int commandId) const;
    /** The samples of a track's current timeline, read through an export. */
    vorlain::test::Samples TrackSamples(int trackId);

    ScriptedPrompts& Prompts() { return *m_prompts; }

    std::unique_ptr<ScriptedPrompts> m_prompts;
    std::unique_ptr<CVorlainDlg> m_window;
};

/** Watches the progress dialogs that open while it lives: how many, their
 *  hint texts, and where each one's bar stood when it closed. */
class ProgressWatch : public QObject {
public:
    ProgressWatch();
    ~ProgressWatch() override;
    int Opened() const { return m_texts.size(); }
    QStringList Texts() const { return m_texts; }
    QList<int> FinalPositions() const { return m_positions; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QStringList m_texts;
    QList<int> m_positions;
};

/** Reads the interleaved samples of a canonical wave file (after its 44 bytes). */
vorlain::test::Samples ReadWaveSamples(const std::string& path);

/** Playback through ALSA's "default" to the PulseAudio test server's null
 *  sink, which plays in real time, while alive. */
class PacedAudio {
public:
    static bool Available();
    PacedAudio();
    ~PacedAudio();
    PacedAudio(const PacedAudio&) = delete;
    PacedAudio& operator=(const PacedAudio&) = delete;

private:
    vorlain::test::PulseServerScope m_server;
    std::optional<std::string> m_pcm;
};

/** Writes an ALSA configuration into $HOME/.asoundrc with a "tap" PCM that
 *  records what is played into played and, if capture is given, a "tapin"
 *  PCM that captures from it; points VORLAIN_PCM (and VORLAIN_CAPTURE_PCM)
 *  at them while alive. */
class AlsaTap {
public:
    explicit AlsaTap(const std::string& played, const std::string& capture = {});
    ~AlsaTap();
    AlsaTap(const AlsaTap&) = delete;
    AlsaTap& operator=(const AlsaTap&) = delete;

private:
    std::optional<std::string> m_pcm;
    std::optional<std::string> m_capture;
};

} // namespace app::test
