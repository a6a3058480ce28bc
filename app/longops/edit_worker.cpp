#include "longops/edit_worker.h"

#include "vorlain/kestrum.h"
#include "vorlain/messages.h"
#include "vorlain/platform.h"

#include <QDir>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace app {
namespace {

std::atomic<HWND> g_progressWindow{nullptr};
// Wakes a worker waiting for its dialog when one registers or when its
// caller lets it go on without one.
std::mutex g_progressMutex;
std::condition_variable g_progressChanged;

// How long a worker waits for its progress dialog before it goes on without
// one: the dialog opens within milliseconds; this only keeps a broken
// caller from leaving a thread behind for ever.
constexpr auto kDialogWait = std::chrono::seconds(30);

} // namespace

void CEditWorker::SetProgressWindow(HWND hwnd)
{
    {
        std::lock_guard lock(g_progressMutex);
        g_progressWindow.store(hwnd);
    }
    g_progressChanged.notify_all();
}

void CEditWorker::GoOnWithoutDialog()
{
    {
        std::lock_guard lock(g_progressMutex);
        m_noDialog = true;
    }
    g_progressChanged.notify_all();
}

HWND CEditWorker::ProgressWindow()
{
    return g_progressWindow.load();
}

CEditWorker::CEditWorker(EditJob job) : m_job(std::move(job)) {}

CEditWorker::~CEditWorker()
{
    if (m_thread.joinable())
        m_thread.join();
}

void CEditWorker::Start()
{
    m_thread = std::thread([this] {
        m_result = Run();
        m_done.store(true);
    });
}

void CEditWorker::Join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void CEditWorker::Send(unsigned percent) const
{
    SendMessage(ProgressWindow(), vorlain::WM_PROGRESS_NOTIFY, percent, 0);
}

void CEditWorker::Post(unsigned percent) const
{
    PostMessage(ProgressWindow(), vorlain::WM_PROGRESS_NOTIFY, percent, 0);
}

int CEditWorker::Run()
{
    {
        std::unique_lock lock(g_progressMutex);
        g_progressChanged.wait_for(lock, kDialogWait,
                                   [this] { return ProgressWindow() || m_noDialog; });
    }

    const int result = Call();
    if (!result) {
        // The kernel may have failed before it posted anything: these close
        // the dialog.
        VorlainOutputDebugString("OPT Failed!");
        Send(0);
        Send(100);
    }
    VorlainOutputDebugString("ThreadOPT\t\tOUT");
    return result;
}

int CEditWorker::Call()
{
    const EditJob& j = m_job;
    const QByteArray path = j.path.toUtf8();
    switch (j.op) {
    case EditOp::JoinAllTrack: {
        if (j.joinIds.isEmpty())
            return 0;
        const std::vector<uint32_t> ids(j.joinIds.cbegin(), j.joinIds.cend());
        return Kestrum_JoinTrack(j.editor, static_cast<uint32_t>(ids.size()), ids.data(),
                                 path.constData());
    }
    case EditOp::Split:
        return Split();
    case EditOp::ExportTrack:
        return Kestrum_SaveTrackToFile(j.editor, j.track, 0, 0, path.constData());
    case EditOp::ExportSelection:
        return Kestrum_SaveTrackToFile(j.editor, j.track, j.start, j.end, path.constData());
    case EditOp::MixWithCopy:
        return Kestrum_MixTrackFromPaste(j.editor, j.track, j.start, vorlain::FloatBits(j.factor));
    case EditOp::ToMonoLeft:
    case EditOp::ToMonoRight:
        m_newTrack = Kestrum_ExtractTrack(j.editor, j.track, j.op == EditOp::ToMonoLeft ? 1 : 2);
        return m_newTrack ? 1 : 0;
    case EditOp::FadeIn:
        return Kestrum_FadeIn(j.editor, j.track, j.start, j.end, 0);
    case EditOp::FadeOut:
        return Kestrum_FadeOut(j.editor, j.track, j.start, j.end, 0);
    case EditOp::Echo:
        return Kestrum_Echo(j.editor, j.track, j.start, j.end, 0, 0, vorlain::FloatBits(j.factor));
    case EditOp::Silence:
        return Kestrum_Silence(j.editor, j.track, j.start, j.end);
    case EditOp::AdjustVolume:
        return Kestrum_AdjustVolumn(j.editor, j.track, j.start, j.end, j.gain);
    case EditOp::OpenProject:
        return OpenProject();
    case EditOp::SaveProject:
    case EditOp::SaveProjectAs:
        return Kestrum_SaveProject(j.editor, path.constData(), 1);
    case EditOp::Paste:
        return Kestrum_Paste(j.editor, j.track, j.start);
    case EditOp::PasteToEnd: {
        TrackBaseInfo info{};
        if (!Kestrum_GetTrackBaseInfo(j.editor, j.track, &info))
            return 0;
        return Kestrum_Paste(j.editor, j.track, info.length);
    }
    case EditOp::InsertFile:
        return Kestrum_AddFile(j.editor, j.track, path.constData(), j.position);
    case EditOp::MixWithFile:
        return Kestrum_MixTrackFromFile(j.editor, j.track, j.start, path.constData(),
                                        vorlain::FloatBits(j.factor));
    }
    return 0;
}

int CEditWorker::Split()
{
    const EditJob& j = m_job;
    const int64_t length = Kestrum_GetTrackTime(j.editor, j.track);
    if (length < 0)
        return 0;
    char buffer[vorlain::kPathChars] = {};
    if (!Kestrum_GetTrackName(j.editor, j.track, buffer))
        return 0;
    QString name = QString::fromUtf8(buffer);
    // "song.mp3" splits into "song01.wav"...; a name that only starts with
    // a dot keeps it.
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    for (int i = 0; i < j.splitCount; ++i) {
        m_part.store(i);
        const int64_t from = i * length / j.splitCount;
        const int64_t to = (i + 1) * length / j.splitCount;
        const QString file =
            QDir(j.splitFolder)
                .filePath(QStringLiteral("%1%2.wav").arg(name).arg(i + 1, 2, 10, QLatin1Char('0')));
        if (!Kestrum_SaveTrackToFile(j.editor, j.track, from, to, file.toUtf8().constData()))
            return 0;
    }
    return 1;
}

int CEditWorker::OpenProject()
{
    const EditJob& j = m_job;
    if (!Kestrum_OpenProject(j.editor, j.path.toUtf8().constData())) {
        VorlainOutputDebugString("Kestrum_OpenProject failed: ErrorCode=0x%.8x",
                                 Kestrum_GetLastError());
        Send(1);
        Send(100);
        return 0;
    }
    CTrack* track = nullptr;
    int count = 0;
    while (Kestrum_GetTrackList(j.editor, &track))
        ++count;
    Post(1);
    int k = 0;
    while (Kestrum_GetTrackList(j.editor, &track)) {
        SendMessage(j.mainWindow, vorlain::WM_ADD_TRACK_VIEW, reinterpret_cast<WPARAM>(track), 0);
        ++k;
        const unsigned percent = static_cast<unsigned>(k * 100 / count);
        Post(percent);
        Post(percent + 1);
    }
    Post(100);
    return 1;
}

} // namespace app
