#include "dlg_brimsel.h"

#include "column_grid.h"
#include "dlg_track_info.h"
#include "line_static.h"
#include "live_peaks.h"
#include "sample_mapping.h"
#include "summary_store.h"
#include "time_mapping.h"
#include "view_state.h"
#include "vorlain/kestrum.h"
#include "vorlain/messages.h"
#include "vorlain/platform.h"
#include "vorlain/qt_registry_window.h"
#include "vorlain/timeline.h"
#include "wave_painter.h"
#include "win_messages.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstring>

using namespace brimsel;

namespace {

/** Set by a MovePlayingLine that hides the line, used by the next that shows it. */
bool s_playArmed = false;

} // namespace

CDlgBrimsel::CDlgBrimsel(CViewState* state, QWidget* parent)
    : QWidget(parent), m_state(state), m_peaks(&CSummaryStore::Shared())
{
    setObjectName(QStringLiteral("CDlgBrimsel"));
    setMouseTracking(true);
    // Tab reaches the row (a click leaves the focus where it is): the keys
    // then go to the program as they do from anywhere in its window.
    setFocusPolicy(Qt::TabFocus);
    m_window = std::make_unique<vorlain::CRegistryWindow>(
        [this](UINT msg, WPARAM w, LPARAM l) { return OnMessage(msg, w, l); });
    const HWND hwnd = m_window->hwnd();
    // The builder thread only posts: the handle stays harmless after the view is gone.
    m_peaks.SetNotify([hwnd] { PostMessage(hwnd, WM_BRIMSEL_PEAKS_READY, 0, 0); });

    resize(std::max(parent ? parent->width() - 20 : 0, 1), kRowHeight);
    m_letterFont = font();
    m_letterFont.setPixelSize(11);

    m_infoPanel = new CDlgTrackInfo(this);
    m_infoPanel->SetViewHwnd(hwnd);
    m_infoPanel->SetBackgroundColor(m_panelColor);
    m_infoPanel->setGeometry(1, 1, 120, 148);
    m_infoPanel->lower();
    m_infoPanel->EnableButtons(false);
    m_infoPanel->show();

    m_playingLine = new CLineStatic(QStringLiteral("PlayingLine"), 203, this);
    m_playingLine->SetColor(QColor(255, 0, 0));
    ISelectionHost& host = *this;
    m_selection = std::make_unique<CRowSelection>(*this, host, *m_state);
    m_leftLine = new CLineStatic(QStringLiteral("Left Line"), 206, this);
    m_leftLine->SetColor(m_waveColor);
    m_rightLine = new CLineStatic(QStringLiteral("Right Line"), 204, this);
    m_rightLine->SetColor(m_waveColor);
}

CDlgBrimsel::~CDlgBrimsel()
{
    m_window.reset(); // no message reaches the view from here on
}

HWND CDlgBrimsel::Hwnd() const
{
    return m_window->hwnd();
}

// ---- the track and its peaks ------------------------------------------------

bool CDlgBrimsel::InitFromTrack(CTrack* track)
{
    m_track = track;
    ReadInfo();
    StartPeaks();
    FillPanel();
    return true;
}

void CDlgBrimsel::ReadInfo(bool withFiles)
{
    TrackBaseInfo info{};
    if (!m_track || !Kestrum_GetTrackBaseInfoEx(m_track, &info))
        info = TrackBaseInfo{};
    m_info = info;
    m_info.name[sizeof m_info.name - 1] = '\0';
    if (!withFiles)
        return;

    // The timeline pointer is valid only until the next edit, so the paths
    // are copied now; the builder thread works on the copies alone. The
    // sizes say how wide the row is before any peak is read.
    const int channels = static_cast<int>(m_info.channels);
    m_stats = std::make_shared<const FileList>(!m_info.blank && m_info.timeline
                                                   ? m_catalog.Resolve(*m_info.timeline, channels)
                                                   : FileList());
    m_frames = CPeakBuilder::CountFrames(*m_stats, static_cast<int>(m_info.channels));
}

void CDlgBrimsel::FillPanel()
{
    m_infoPanel->SetName(
        QString::fromUtf8(m_info.name, static_cast<int>(strnlen(m_info.name, sizeof m_info.name))));
    m_infoPanel->SetTime(m_info.length);
    m_infoPanel->SetChannels(static_cast<int>(m_info.channels));
    m_infoPanel->SetSampleRate(static_cast<int>(m_info.sampleRate));
}

namespace {
/** Columns built on either side of those on screen: a scroll of up to a
 *  screen needs no new build. */
int64_t WindowMargin(int64_t visible)
{
    return std::max<int64_t>(visible, 256);
}
} // namespace

void CDlgBrimsel::StartPeaks()
{
    const int channels = static_cast<int>(m_info.channels);
    const bool drawable = !m_info.blank && m_info.timeline && (channels == 1 || channels == 2) &&
                          m_stats && !m_stats->empty();
    m_liveStereo = false;
    m_display.Clear();
    CColumnGrid grid(m_state->ZoomFactor(), m_info.sampleRate);
    const uint64_t planned = drawable ? grid.CompleteColumns(m_frames) : 0;
    m_columns = static_cast<int>(std::min<uint64_t>(planned, INT32_MAX / 2));
    m_pictureDirty = true;
    update();
    m_requestFirst = m_requestEnd = 0;
    if (!drawable) {
        m_peaks.Invalidate();
        return;
    }
    RequestWindow();
}

void CDlgBrimsel::RequestWindow()
{
    const int64_t visible = std::max(width() - kWaveLeft, 1);
    const int64_t margin = WindowMargin(visible);
    const int64_t pos = std::max<int64_t>(m_state->HScrollPos(), 0);
    const auto first = static_cast<uint64_t>(std::max<int64_t>(pos - margin, 0));
    PeakRequest request;
    request.stats = m_stats;
    request.channels = static_cast<int>(m_info.channels);
    request.sampleRate = m_info.sampleRate;
    request.zoomFactor = m_state->ZoomFactor();
    request.firstColumn = first;
    request.columnCount = static_cast<uint64_t>(pos + visible + margin) - first;
    m_requestFirst = first;
    m_requestEnd = first + request.columnCount;
    m_peaks.Start(std::move(request));
}

void CDlgBrimsel::EnsureWindow()
{
    if (m_liveStereo || !m_stats || m_stats->empty() || m_columns <= 0)
        return; // a recording row draws what it is sent
    const int64_t pos = std::max<int64_t>(m_state->HScrollPos(), 0);
    const int64_t visible = std::max(width() - kWaveLeft, 1);
    const auto a = static_cast<uint64_t>(pos);
    const auto b =
        std::min<uint64_t>(static_cast<uint64_t>(pos + visible), static_cast<uint64_t>(m_columns));
    if (a >= b)
        return; // scrolled past the end: nothing of the track on screen
    const bool held = m_display.first <= a && b <= m_display.End();
    const bool coming = m_peaks.Pending() && m_requestFirst <= a && b <= m_requestEnd;
    if (!held && !coming)
        RequestWindow();
}

void CDlgBrimsel::OnPeaksReady()
{
    std::optional<PeakResult> result = m_peaks.Take();
    if (!result)
        return;
    const int before = m_columns;
    m_display = std::move(result->display);
    // The files may have changed since the sizes were read.
    m_columns = static_cast<int>(std::min<uint64_t>(result->totalColumns, INT32_MAX / 2));
    Repaint();
    if (before != m_columns)
        m_state->ReportColumnsChanged();
    EnsureWindow(); // a scroll while it was built may need more
    emit peaksReady();
}

void CDlgBrimsel::ForceRedraw(bool disableSelectArea, int64_t from, int64_t to)
{
    if (!m_selected)
        Select();
    ReadInfo();
    FillPanel();
    m_selection->ClearRange();
    StartPeaks();
    if (disableSelectArea)
        m_selection->Restore(from, to);
    Repaint();
}

// ---- messages -----------------------------------------------------------------

LRESULT CDlgBrimsel::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_LBUTTONDOWN:
        m_selection->OnLButtonDown(XOfLParam(lParam), YOfLParam(lParam));
        return 0;
    case WM_LBUTTONUP:
        m_selection->OnLButtonUp(XOfLParam(lParam), YOfLParam(lParam));
        return 0;
    case vorlain::WM_TRACK_RANGE_REQUEST:
        OnRangeCommand(lParam);
        return 0;
    case vorlain::WM_TRACK_DELETE_REQUEST:
        PostMessage(m_state->MainHwnd(), vorlain::WM_TRACK_DELETE_REQUEST,
                    static_cast<WPARAM>(m_info.trackId), 0);
        return 0;
    case vorlain::WM_RECORD_PEAKS:
        return OnRecordPeaks(wParam, lParam);
    case WM_BRIMSEL_PEAKS_READY:
        OnPeaksReady();
        return 0;
    default:
        return 0;
    }
}

LRESULT CDlgBrimsel::OnRecordPeaks(WPARAM wParam, LPARAM lParam)
{
    const auto* left = reinterpret_cast<const RecordPeaks*>(wParam);
    const auto* right = reinterpret_cast<const RecordPeaks*>(lParam);
    if (!left || !right)
        return 0;
    const bool end = right->minIndex == -1;
    // Live updates arrive many times a second: only the length is needed then.
    ReadInfo(end);
    m_infoPanel->SetTime(m_info.length);

    if (end) {
        m_state->SetRecording(false);
        m_rightLine->hide();
        m_infoPanel->EnableButtons(true);
        // The live columns stay; the recorder wrote the files' summaries, so
        // the next zoom reads no audio either.
        return 0;
    }

    m_state->SetRecording(true);
    m_infoPanel->EnableButtons(false);
    const int idx = left->minIndex;
    if (!IsLiveColumn(idx, m_display.Columns()))
        return 0;
    if (FollowLiveColumn(*m_state, idx, width()))
        m_rightLine->hide();
    if (m_peaks.Pending())
        m_peaks.Invalidate(); // a build from the files must not replace the live columns
    if (idx == 0 || m_display.first != 0) {
        m_state->ForceHScrollTo(0);
        m_display.Clear();
    }
    PutLiveColumn(m_display, idx, *left, *right);
    m_liveStereo = true;
    m_columns = static_cast<int>(m_display.Columns());
    Repaint();
    return 0;
}

void CDlgBrimsel::OnRangeCommand(LPARAM command)
{
    // The program's playing line, on screen or scrolled out of view.
    const bool lineShown = m_playShown;
    switch (command) {
    case 1:
        m_rangeStart = 0;
        m_rangeEnd = m_info.length;
        PostMessage(m_state->MainHwnd(), vorlain::WM_TRACK_RANGE_REQUEST, 0,
                    static_cast<LPARAM>(m_info.length));
        m_state->MarkRange(m_state->XAt(m_rangeStart), m_state->XAt(m_rangeEnd));
        break;
    case 2:
        m_rangeStart = lineShown ? m_playTime : m_selection->From();
        m_state->MarkStart(m_state->XAt(m_rangeStart));
        break;
    case 3: {
        m_rangeEnd = lineShown ? m_playTime : m_selection->From();
        const int64_t lo = std::min(m_rangeStart, m_rangeEnd);
        const int64_t hi = std::max(m_rangeStart, m_rangeEnd);
        PostMessage(m_state->MainHwnd(), vorlain::WM_TRACK_RANGE_REQUEST, static_cast<WPARAM>(lo),
                    static_cast<LPARAM>(hi));
        m_state->MarkRange(m_state->XAt(m_rangeStart), m_state->XAt(m_rangeEnd));
        break;
    }
    default:
        break;
    }
}

// ---- selection, lines and scrolling ------------------------------------------

bool CDlgBrimsel::IsScrollable() const
{
    return m_columns > width() - kWaveLeft;
}

void CDlgBrimsel::Select()
{
    if (!m_selected) {
        m_selected = true;
        m_infoPanel->SetBackgroundColor(m_panelColor);
        m_infoPanel->EnableButtons(true);
        m_infoPanel->update();
        m_pictureDirty = true;
        update();
    }
    m_state->SelectRow(this);
}

void CDlgBrimsel::FollowScroll()
{
    m_pictureDirty = true;
    update();
    EnsureWindow();
}

void CDlgBrimsel::Repaint()
{
    m_pictureDirty = true;
    update();
    m_selection->PlaceClickLine();
}

void CDlgBrimsel::DeSelectArea()
{
    VorlainOutputDebugString("DeSelectArea index=%d", TrackId());
    const bool wasSelected = m_selected;
    m_selected = false;
    m_selection->Clear();
    if (wasSelected)
        m_pictureDirty = true;
    update();
    m_infoPanel->SetBackgroundColor(m_panelColor);
    m_infoPanel->EnableButtons(false);
    m_infoPanel->update();
}

void CDlgBrimsel::SelectRange(int64_t from, int64_t to)
{
    m_state->SelectRow(this);
    m_infoPanel->EnableButtons(m_selected);
    m_infoPanel->update();
    m_selection->Show(from, to);
}

void CDlgBrimsel::ScrollH(int d)
{
    m_selection->ScrollBy(d);
    PlacePlayingLine();
    Repaint();
    EnsureWindow();
}

void CDlgBrimsel::SetPlayingLine(int64_t time, bool show)
{
    m_playTime = time;
    if (!show) {
        s_playArmed = true;
    } else if (s_playArmed) {
        const CRowSelection& selection = *m_selection;
        if (selection.HasSelection() && std::min(selection.Left(), selection.Right()) < kWaveLeft)
            m_state->ScrollToTime(time);
        s_playArmed = false;
    }
    // Positions are taken after each scroll: a scroll moves the time under x.
    int x = m_state->XAt(time);
    if (x >= width()) {
        const ScrollInfo& h = m_state->HBar();
        m_state->HScroll(m_state->IsRecording() ? 20 : h.nPage / 2, 0);
        m_selection->PlaceClickLine();
        x = m_state->XAt(time);
    }
    m_playShown = show;
    PlacePlayingLine();
    VorlainOutputDebugString("SetPlayingLine  time:%lld pos:%lld OUT", static_cast<long long>(time),
                             static_cast<long long>(x));
}

void CDlgBrimsel::PlacePlayingLine()
{
    // The line stands on its time; scrolled or zoomed out of the wave area it hides.
    const int x = m_state->XAt(m_playTime);
    m_playingLine->setGeometry(x, 0, 1, kRowHeight);
    m_playingLine->setVisible(m_playShown && x >= kWaveLeft && x < width());
}

void CDlgBrimsel::Rescale(bool zoomIn)
{
    m_selection->Rescale(zoomIn);
    PlacePlayingLine();
    StartPeaks();
    Repaint();
    m_infoPanel->update();
    if (m_selected && m_selection->HasSelection())
        m_state->ScrollToTime(m_state->TimeAt(m_selection->Left()));
}

// ---- mouse --------------------------------------------------------------------

void CDlgBrimsel::OnRButtonDown(QMouseEvent* event)
{
    if (!m_selected || m_state->IsPlaying() || m_state->IsRecording())
        return;
    WPARAM flags = MK_RBUTTON;
    if (event->buttons() & Qt::LeftButton)
        flags |= MK_LBUTTON;
    if (event->modifiers() & Qt::ShiftModifier)
        flags |= MK_SHIFT;
    if (event->modifiers() & Qt::ControlModifier)
        flags |= MK_CONTROL;
    const QPoint p = event->position().toPoint();
    PostMessage(m_state->MainHwnd(), WM_RBUTTONDOWN, flags, MakeLParam(p.x(), p.y()));
}

void CDlgBrimsel::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton)
        OnRButtonDown(event);
    else
        m_selection->Press(event);
}

void CDlgBrimsel::wheelEvent(QWheelEvent* event)
{
    // Whole notches only (120 units each); a fine-grained wheel or touchpad
    // adds up its small steps first.
    const QPoint angle = event->angleDelta();
    m_wheelRest += angle.y() != 0 ? angle.y() : angle.x();
    const int notches = m_wheelRest / 120;
    m_wheelRest -= notches * 120;
    event->accept();
    if (notches == 0)
        return;
    if (event->modifiers() & Qt::ControlModifier) {
        m_state->ZoomAt(notches, std::max(static_cast<int>(event->position().x()), kWaveLeft));
        return;
    }
    if (!(event->modifiers() & Qt::ShiftModifier)) {
        m_state->WheelRows(notches); // the container scrolls the rows
        return;
    }
    // A notch moves a tenth of the view; wheeling down goes later in time.
    const int step = std::max((width() - kWaveLeft) / 10, 1);
    m_state->HScroll(-notches * step, 0);
}

void CDlgBrimsel::mouseMoveEvent(QMouseEvent* event)
{
    m_selection->Move(event);
}

void CDlgBrimsel::mouseReleaseEvent(QMouseEvent* event)
{
    m_selection->Release(event);
}

// ---- painting -----------------------------------------------------------------

void CDlgBrimsel::paintEvent(QPaintEvent*)
{
    const int64_t pos = m_state->HScrollPos();
    if (m_pictureDirty || m_picture.width() != width() || m_pictureScroll != pos) {
        WaveColors colors;
        colors.background = m_selected ? m_selectedColor : m_panelColor;
        colors.wave = m_waveColor;
        colors.mark = m_markColor;
        const int channels = m_liveStereo ? 2 : static_cast<int>(m_info.channels);
        m_picture = CWavePainter::Render(m_display, channels, width(), pos, colors, m_letterFont);
        m_pictureDirty = false;
        m_pictureScroll = pos;
    }
    QPainter p(this);
    const CRowSelection& selection = *m_selection;
    if (selection.HasSelection()) {
        // The selection is the cached picture with its columns inverted: a
        // drag never draws the wave again.
        QImage frame = m_picture;
        const int left = std::min(selection.Left(), selection.Right());
        const int right = std::max(selection.Left(), selection.Right());
        CWavePainter::InvertColumns(frame, std::max(left, kWaveLeft), right);
        p.drawImage(0, 0, frame);
    } else {
        p.drawImage(0, 0, m_picture);
    }
    if (hasFocus()) {
        // The focus frame around the wave area, clear of the wave's own colours.
        p.setPen(QPen(QColor(0, 120, 255), 2));
        p.drawRect(QRectF(kWaveLeft + 1, 1, width() - kWaveLeft - 2, height() - 2));
    }
}

void CDlgBrimsel::focusInEvent(QFocusEvent* event)
{
    update();
    QWidget::focusInEvent(event);
}

void CDlgBrimsel::focusOutEvent(QFocusEvent* event)
{
    update();
    QWidget::focusOutEvent(event);
}

void CDlgBrimsel::resizeEvent(QResizeEvent*)
{
    m_pictureDirty = true;
    PlacePlayingLine();
    EnsureWindow();
}
