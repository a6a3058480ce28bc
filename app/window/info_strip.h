// The strip below the display control: the current track's name and
// length, the selection's start and end in two time editors, its length,
// and the Exit button.
#pragma once

#include <QWidget>

#include <cstdint>

class QLabel;
namespace app {
class CMiniTimer;
class CHotBtn;
} // namespace app

namespace app {
class CEditorState;
}

class CInfoStrip : public QWidget {
    Q_OBJECT
public:
    explicit CInfoStrip(QWidget* parent = nullptr);

    /** Captions from section "main" of the language file. */
    void LoadTexts();

    /** The start editor shows start with end as its upper bound (the
     *  track's end when nothing is selected: a Start typed then takes End
     *  along), the end editor end within start .. trackLength (a time typed
     *  past it gives the track's end), the length label end - start. A
     *  Start typed after a selection's End is refused, and "timeProblem"
     *  says why until the start changes. */
    void ShowSelection(int64_t start, int64_t end, int64_t trackLength);
    /** The track's name and length; without a track the "no track" text. */
    void ShowTrack(const QString& name, int64_t length);
    void ShowNoTrack();
    /** Shows the current track and its selection as the state holds them. */
    void ShowState(const app::CEditorState& state);

    app::CMiniTimer* StartEditor() const { return m_startEditor; }
    app::CMiniTimer* EndEditor() const { return m_endEditor; }
    app::CHotBtn* ExitButton() const { return m_exit; }

signals:
    /** A time editor changed: control is 2888 (start) or 2889 (end). */
    void TimeEdited(int control, qint64 time);
    void ExitClicked();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void MakeExitBitmaps();
    void FitExitButton();
    void ElideTrackName();

    QString m_trackFullName;
    QLabel* m_trackCaption;
    QLabel* m_trackName;
    QLabel* m_durationCaption;
    QLabel* m_durationValue;
    QLabel* m_startCaption;
    QLabel* m_endCaption;
    QLabel* m_lengthCaption;
    QLabel* m_lengthValue;
    QLabel* m_timeProblem;
    int64_t m_shownStart = 0;
    int64_t m_shownEnd = 0;
    app::CMiniTimer* m_startEditor;
    app::CMiniTimer* m_endEditor;
    app::CHotBtn* m_exit;
};

namespace app {
/** "%.2d:%.2d:%.2d.%.3d": hours, minutes, seconds and milliseconds of t µs. */
QString TimeText(int64_t t);
} // namespace app
