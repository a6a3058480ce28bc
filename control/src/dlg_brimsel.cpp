#include "dlg_brimsel.h"

#include "column_grid.h"
#include "dlg_track_info.h"
#include "line_static.h"
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

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cstring>

using namespace brimsel;

namespace {

/** Set by a MovePlayingLine that hides the line, used by the next that shows it. */
bool s_playArmed = false;

/** Frames a live recording may skip ahead before a message is taken as garbage. */
constexpr int kMaxLiveGap = 1 << 20;

} // namespace

CDlgBrimsel::CDlgBrimsel(CViewState* state, QWidget* parent)
    : QWidget(parent), m_state(state), m_peaks(&CSummaryStore::Shared()), m_selLeft(kNone),
      m_selRight(kNone), m_clickLine(kNone)
{
    setObjectName(QStringLiteral("CDlgBrimsel"));
    setMouseTracking(true);
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
    m_leftDownLine = new CLineStatic(QStringLiteral("LeftDownLine"), 205, this);
    m_leftDownLine->SetColor(QColor(125, 125, 125));
    m_leftLine = new CLineStatic(QStringLiteral("Left Line"), 206, this);
    m_leftLine->SetColor(m_waveColor);
    m_rightLine = new CLineStatic(QStringLiteral("Right Line"), 204, this);
    m_rightLine->SetColor(m_waveColor);

    m_timer1.setInterval(100);
    m_timer2.setInterval(100);
    connect(&m_timer1, &QTimer::timeout, this, [this] { OnTimer(1); });
    connect(&m_timer2, &QTimer::timeout, this, [this] { OnTimer(2); });
}

CDlgBrimsel::~CDlgBrimsel()
{
    m_timer1.stop();
    m_timer2.stop();
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
    ClearSelection();
    StartPeaks();
    if (disableSelectArea)
        RestoreSelection(from, to);
    Repaint();
}

// ---- messages -----------------------------------------------------------------

LRESULT CDlgBrimsel::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_LBUTTONDOWN:
        OnLButtonDown(XOfLParam(lParam), YOfLParam(lParam));
        return 0;
    case WM_LBUTTONUP:
        OnLButtonUp(XOfLParam(lParam), YOfLParam(lParam));
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
    const size_t have = m_display.Columns();
    if (idx < 0 || (idx > 0 && static_cast<size_t>(idx) > have + kMaxLiveGap))
        return 0;

    const int w = width();
    if (int64_t(idx) - m_state->HScrollPos() + kWaveLeft >= w) {
        const int m = m_state->IsPlaying() ? 50 : (w - kWaveLeft) / 2 - 10;
        ScrollInfo h = m_state->HBar();
        h.nMin = 0;
        h.nMax = m + (h.nMax > 0 ? h.nMax : idx);
        h.nPage = w - 150;
        h.nPos = m_state->HScrollPos();
        m_state->SetHBar(h);
        m_state->HScroll(m, 0);
        m_rightLine->hide();
    }
    if (m_peaks.Pending())
        m_peaks.Invalidate(); // a build from the files must not replace the live columns
    if (idx == 0 || m_display.first != 0) {
        m_state->ForceHScrollTo(0);
        m_display.Clear();
    }

    auto y = [](int32_t value, int base) {
        return static_cast<uint8_t>(base +
                                    HalfBandY(static_cast<uint32_t>(std::clamp(value, 0, 65535))));
    };
    if (static_cast<size_t>(idx) < m_display.Columns()) {
        m_display.channel[0].resize(idx);
        m_display.channel[1].resize(idx);
    }
    while (m_display.Columns() < static_cast<size_t>(idx)) {
        m_display.channel[0].push_back(ColumnPeak{37, 37});
        m_display.channel[1].push_back(ColumnPeak{112, 112});
    }
    m_display.channel[0].push_back(ColumnPeak{y(left->maximum, 0), y(left->minimum, 0)});
    m_display.channel[1].push_back(
        ColumnPeak{y(right->maximum, kHalfBand), y(right->minimum, kHalfBand)});
    m_liveStereo = true;
    m_columns = static_cast<int>(m_display.Columns());
    Repaint();
    return 0;
}

void CDlgBrimsel::OnRangeCommand(LPARAM command)
{
    const bool lineShown = m_playingLine->isVisible();
    switch (command) {
    case 1:
        m_rangeStart = 0;
        m_rangeEnd = m_info.length;
        PostMessage(m_state->MainHwnd(), vorlain::WM_TRACK_RANGE_REQUEST, 0,
                    static_cast<LPARAM>(m_info.length));
        m_state->MarkRange(XAt(m_rangeStart), XAt(m_rangeEnd));
        break;
    case 2:
        m_rangeStart = lineShown ? m_playTime : m_selFrom;
        m_state->MarkStart(XAt(m_rangeStart));
        break;
    case 3: {
        m_rangeEnd = lineShown ? m_playTime : m_selFrom;
        const int64_t lo = std::min(m_rangeStart, m_rangeEnd);
        const int64_t hi = std::max(m_rangeStart, m_rangeEnd);
        PostMessage(m_state->MainHwnd(), vorlain::WM_TRACK_RANGE_REQUEST, static_cast<WPARAM>(lo),
                    static_cast<LPARAM>(hi));
        m_state->MarkRange(XAt(m_rangeStart), XAt(m_rangeEnd));
        break;
    }
    default:
        break;
    }
}

// ---- selection, lines and scrolling ------------------------------------------

bool CDlgBrimsel::HasSelection() const
{
    return m_selLeft != kNone;
}

int64_t CDlgBrimsel::TimeAt(int x) const
{
    return m_state->TimeAt(x);
}

int CDlgBrimsel::XAt(int64_t time) const
{
    return m_state->XAt(time);
}

int64_t CDlgBrimsel::ClampTime(int64_t time) const
{
    return std::clamp<int64_t>(time, 0, std::max<int64_t>(m_info.length, 0));
}

int CDlgBrimsel::EndOfData() const
{
    return ToPixel(int64_t(m_columns) - m_state->HScrollPos() + kWaveLeft);
}

bool CDlgBrimsel::InWaveArea(int x, int y) const
{
    return x >= kWaveLeft && int64_t(x) < int64_t(EndOfData()) + 1 && y >= 0 && y < kRowHeight;
}

bool CDlgBrimsel::IsScrollable() const
{
    return m_columns > width() - kWaveLeft;
}

void CDlgBrimsel::FireSelectingTime(int64_t from, int64_t to)
{
    m_state->FireSelectingTime(ClampTime(from), ClampTime(to));
}

void CDlgBrimsel::PublishSelection(int64_t from, int64_t to)
{
    m_state->MarkRange(m_selLeft, m_selRight);
    update();
    m_selFrom = ClampTime(from);
    m_selTo = ClampTime(to);
    FireSelectingTime(m_selFrom, m_selTo);
}

void CDlgBrimsel::Select()
{
    m_selected = true;
    m_infoPanel->SetBackgroundColor(m_panelColor);
    m_infoPanel->EnableButtons(true);
    m_infoPanel->update();
    m_pictureDirty = true;
    update();
    m_state->SelectRow(this);
}

void CDlgBrimsel::ClearSelection()
{
    m_selLeft = m_selRight = kNone;
    update();
}

void CDlgBrimsel::Repaint()
{
    m_pictureDirty = true;
    update();
    UpdateClickLine();
}

void CDlgBrimsel::UpdateClickLine()
{
    if (m_clickLine == kNone || m_clickLine < kWaveLeft) {
        m_leftDownLine->hide();
        return;
    }
    m_leftDownLine->setGeometry(m_clickLine, 0, 1, kRowHeight);
    m_leftDownLine->show();
}

void CDlgBrimsel::DeSelectArea()
{
    VorlainOutputDebugString("DeSelectArea index=%d", TrackId());
    m_clickLine = kNone;
    const bool wasSelected = m_selected;
    m_selected = false;
    ClearSelection();
    if (wasSelected)
        m_pictureDirty = true;
    update();
    m_infoPanel->SetBackgroundColor(m_panelColor);
    m_infoPanel->EnableButtons(false);
    m_infoPanel->update();
    m_leftDownLine->hide();
}

void CDlgBrimsel::SelectRange(int64_t from, int64_t to)
{
    const int x1 = XAt(from), x2 = XAt(to);
    m_state->SelectRow(this);
    m_infoPanel->EnableButtons(m_selected);
    m_infoPanel->update();
    m_clickLine = kNone;
    m_leftDownLine->hide();
    m_selLeft = x1;
    m_selRight = x2;
    update();
    m_state->MarkRange(x1, x2);
}

void CDlgBrimsel::RestoreSelection(int64_t from, int64_t to)
{
    if (from == to) {
        m_clickLine = XAt(from);
        UpdateClickLine();
        m_state->MarkRange(XAt(from), kNone);
    } else {
        m_selLeft = XAt(from);
        m_selRight = XAt(to);
        m_clickLine = kNone;
        m_leftDownLine->hide();
        m_state->MarkRange(XAt(from), XAt(to));
    }
}

void CDlgBrimsel::ScrollH(int d)
{
    if (HasSelection()) {
        m_selLeft = ToPixel(int64_t(m_selLeft) - d);
        m_selRight = ToPixel(int64_t(m_selRight) - d);
        VorlainOutputDebugString("ScrollH m_rcLastSelectRect.left=%d m_rcLastSelectRect.right=%d",
                                 m_selLeft, m_selRight);
    }
    if (m_clickLine != kNone)
        m_clickLine = ToPixel(int64_t(m_clickLine) - d);
    m_leftDownLine->hide();
    Repaint();
    EnsureWindow();
}

void CDlgBrimsel::SetPlayingLine(int64_t time, bool show)
{
    m_playTime = time;
    if (!show) {
        s_playArmed = true;
    } else if (s_playArmed) {
        if (HasSelection() && std::min(m_selLeft, m_selRight) < kWaveLeft)
            m_state->ScrollToTime(time);
        s_playArmed = false;
    }
    // Positions are taken after each scroll: a scroll moves the time under x.
    int x = XAt(time);
    if (x >= width()) {
        const ScrollInfo& h = m_state->HBar();
        m_state->HScroll(m_state->IsRecording() ? 20 : h.nPage / 2, 0);
        UpdateClickLine();
        x = XAt(time);
    }
    m_playingLine->setGeometry(x, 0, 1, kRowHeight);
    m_playingLine->setVisible(show);
    VorlainOutputDebugString("SetPlayingLine  time:%lld pos:%lld OUT", static_cast<long long>(time),
                             static_cast<long long>(x));
}

void CDlgBrimsel::Rescale(bool zoomIn)
{
    const int64_t pos = m_state->HScrollPos();
    auto scale = [&](int x) -> int {
        if (x == kNone)
            return kNone;
        if (zoomIn)
            return ToPixel(pos + 2 * int64_t(x) - kWaveLeft);
        return ToPixel((int64_t(x) - pos - kWaveLeft) / 2 + kWaveLeft);
    };
    if (HasSelection()) {
        m_selLeft = scale(m_selLeft);
        m_selRight = scale(m_selRight);
        m_clickLine = kNone;
    } else if (m_clickLine != kNone) {
        m_clickLine = scale(m_clickLine);
    }
    StartPeaks();
    Repaint();
    m_infoPanel->update();
    if (m_selected && HasSelection())
        m_state->ScrollToTime(TimeAt(m_selLeft));
}

// ---- mouse --------------------------------------------------------------------

void CDlgBrimsel::OnLButtonDown(int x, int y)
{
    VorlainOutputDebugString("CDlgBrimsel::OnLButtonDown index=%d", TrackId());
    if (!m_selected) {
        m_selected = true;
        m_infoPanel->SetBackgroundColor(m_panelColor);
        m_infoPanel->EnableButtons(true);
        m_infoPanel->update();
        m_pictureDirty = true;
        update();
    }
    m_state->SelectRow(this);

    if (InWaveArea(x, y)) {
        const bool grabbed = m_leftEdgeGrab || m_rightEdgeGrab;
        if (grabbed) {
            m_edgeDrag = true;
        } else {
            m_edgeDrag = false;
            if (HasSelection()) {
                VorlainOutputDebugString("OnLButtonDown index=%d  left =%d", TrackId(), m_selLeft);
                ClearSelection();
            }
            m_clickLine = x;
        }
        m_dragging = true;
        m_selFrom = m_selTo = TimeAt(x);
        m_state->FireSelectTrack(TrackId());
        m_state->FireSelectingTime(m_selFrom, m_selTo);
        if (grabbed) {
            setCursor(Qt::SizeHorCursor);
            m_leftDownLine->hide();
        } else {
            UpdateClickLine();
            if (!m_state->Marks().StartLocked())
                m_state->MarkRange(x, kNone);
        }
    } else if (!m_state->IsPlaying() && !m_state->IsRecording()) {
        ClearSelection();
        m_clickLine = kWaveLeft + 1;
        UpdateClickLine();
        m_state->FireSelectTrack(TrackId());
        m_state->FireSelectingTime(0, 0);
        m_state->MarkRange(0, 0);
    }
}

void CDlgBrimsel::OnLButtonUp(int, int)
{
    m_dragging = false;
    m_leftEdgeGrab = m_rightEdgeGrab = false;
    m_edgeDrag = false;
}

void CDlgBrimsel::OnMouseMove(int x, int y)
{
    m_timer1.stop();
    if (InWaveArea(x, y)) {
        if (!m_dragging) {
            m_leftEdgeGrab = m_rightEdgeGrab = false;
            if (HasSelection()) {
                if (m_selLeft - 4 < x && x < m_selLeft + 4)
                    m_leftEdgeGrab = true;
                else if (m_selRight - 4 < x && x < m_selRight + 4)
                    m_rightEdgeGrab = true;
            }
            if (m_leftEdgeGrab || m_rightEdgeGrab)
                setCursor(Qt::SizeHorCursor);
            else
                unsetCursor();
        } else {
            VorlainOutputDebugString("CDlgBrimsel::OnMouseMove  left:%d ", m_selLeft);
            if (m_leftEdgeGrab && !m_rightEdgeGrab) {
                m_selLeft = x;
            } else if (m_rightEdgeGrab) {
                m_selRight = x;
            } else {
                // A fresh drag spans the click line and the pointer, in order.
                const int a = m_clickLine == kNone ? x : m_clickLine;
                m_selLeft = std::min(a, x);
                m_selRight = std::max(a, x);
            }
            PublishSelection(TimeAt(m_selLeft), TimeAt(m_selRight));
            if (m_edgeDrag)
                setCursor(Qt::SizeHorCursor);
        }
    } else if (m_dragging) {
        // Leaving the drawn data keeps the selection on the track: past the
        // end it runs to the track's end, before the wave to its start. A
        // drag that has no selection yet starts from its click line.
        if (!HasSelection() && m_clickLine != kNone)
            m_selLeft = m_selRight = m_clickLine;
        if (m_selLeft != kNone && m_selRight < m_selLeft)
            std::swap(m_selLeft, m_selRight);
        int64_t from = 0, to = 0;
        if (HasSelection() && x > m_selRight) {
            m_selRight = EndOfData() - 1;
            from = TimeAt(m_selLeft);
            to = m_info.length;
        } else if (HasSelection() && x < m_selLeft) {
            m_selLeft = kWaveLeft;
            from = 0;
            to = TimeAt(m_selRight);
        }
        PublishSelection(from, to);
    }

    if (m_dragging && x >= 0 && x < kWaveLeft && m_state->HScrollPos() > 0) {
        if (HasSelection()) {
            m_selLeft = kWaveLeft;
            update();
        }
        m_timer2.start();
    } else {
        m_timer2.stop();
    }
}

void CDlgBrimsel::OnMouseLeave(int x, int)
{
    if (!m_dragging)
        return;
    m_dragging = false;
    if (m_state->IsPlaying() || m_state->IsRecording())
        return;
    if (HasSelection() && m_selRight < m_selLeft)
        std::swap(m_selLeft, m_selRight);
    if (x >= kWaveLeft && x < width() + 500) {
        if (HasSelection()) {
            m_selRight = std::min(x, EndOfData());
            PublishSelection(TimeAt(m_selLeft), TimeAt(m_selRight));
        }
        m_timer1.start();
    } else if (x >= 0 && x < kWaveLeft) {
        if (HasSelection()) {
            m_selLeft = kWaveLeft;
            PublishSelection(TimeAt(m_selLeft), TimeAt(m_selRight));
        }
        m_timer2.start();
    }
    VorlainOutputDebugString("OnMouseLeave");
}

void CDlgBrimsel::OnTimer(int timer)
{
    QTimer& t = timer == 1 ? m_timer1 : m_timer2;
    if (!m_buttonDown) {
        t.stop();
        return;
    }
    if (!IsScrollable()) {
        VorlainOutputDebugString("OnTimer FALSE");
        return;
    }
    const int d = m_state->HScroll(timer == 1 ? 20 : -20, TrackId());
    if (d == 0) {
        t.stop();
        return;
    }
    // This view was left out of the container's scroll: its selection keeps
    // the edge under the pointer and grows at the other.
    if (timer == 1) {
        if (HasSelection())
            m_selLeft = ToPixel(int64_t(m_selLeft) - d);
    } else if (HasSelection()) {
        m_selRight = ToPixel(int64_t(m_selRight) - d);
    }
    if (HasSelection())
        m_state->MarkRange(m_selLeft, m_selRight);
    if (m_clickLine != kNone)
        m_clickLine = ToPixel(int64_t(m_clickLine) - d);
    m_leftDownLine->hide();
    m_pictureDirty = true;
    update();
    EnsureWindow();
    if (timer == 1)
        m_selTo = ClampTime(TimeAt(m_selRight == kNone ? kWaveLeft : m_selRight));
    else
        m_selFrom = ClampTime(TimeAt(kWaveLeft));
    FireSelectingTime(m_selFrom, m_selTo);
}

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
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton && (event->modifiers() & Qt::ShiftModifier) &&
        m_selected && p.x() >= kWaveLeft && !m_state->IsPlaying() && !m_state->IsRecording()) {
        ExtendSelectionTo(p.x());
        return;
    }
    if (event->button() == Qt::LeftButton) {
        m_buttonDown = true;
        m_outside = false;
        OnLButtonDown(p.x(), p.y());
    } else if (event->button() == Qt::RightButton) {
        OnRButtonDown(event);
    }
}

void CDlgBrimsel::ExtendSelectionTo(int x)
{
    const int64_t t = ClampTime(TimeAt(x));
    int64_t from = m_selFrom, to = m_selTo;
    if (t < from)
        from = t;
    else if (t > to)
        to = t;
    else if (t - from < to - t)
        from = t;
    else
        to = t;
    SelectRange(from, to);
    m_selFrom = from;
    m_selTo = to;
    FireSelectingTime(from, to);
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
        // The time under the pointer stays under it.
        const int x = std::max(static_cast<int>(event->position().x()), kWaveLeft);
        const int64_t t = std::max<int64_t>(TimeAt(x), 0);
        for (int i = 0; i < std::abs(notches); ++i)
            if (!(notches > 0 ? m_state->ZoomIn() : m_state->ZoomOut()))
                break;
        const int64_t left = t - TimeOfX(x, m_state->ZoomFactor(), 0);
        m_state->ScrollToTime(std::max<int64_t>(left, 0));
        return;
    }
    // A notch moves a tenth of the view; wheeling down goes later in time.
    const int step = std::max((width() - kWaveLeft) / 10, 1);
    m_state->HScroll(-notches * step, 0);
}

void CDlgBrimsel::mouseMoveEvent(QMouseEvent* event)
{
    const QPoint p = event->position().toPoint();
    if (m_buttonDown) {
        if (!rect().contains(p)) {
            if (!m_outside) {
                m_outside = true;
                OnMouseLeave(p.x(), p.y());
            }
            return;
        }
        m_outside = false;
    }
    OnMouseMove(p.x(), p.y());
}

void CDlgBrimsel::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint p = event->position().toPoint();
    m_buttonDown = false;
    m_outside = false;
    m_timer1.stop();
    m_timer2.stop();
    OnLButtonUp(p.x(), p.y());
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
    if (HasSelection()) {
        // The selection is the cached picture with its columns inverted: a
        // drag never draws the wave again.
        QImage frame = m_picture;
        const int left = std::min(m_selLeft, m_selRight);
        const int right = std::max(m_selLeft, m_selRight);
        CWavePainter::InvertColumns(frame, std::max(left, kWaveLeft), right);
        p.drawImage(0, 0, frame);
    } else {
        p.drawImage(0, 0, m_picture);
    }
}

void CDlgBrimsel::resizeEvent(QResizeEvent*)
{
    m_pictureDirty = true;
    EnsureWindow();
}
