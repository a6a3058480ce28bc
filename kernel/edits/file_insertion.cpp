#include "edits/file_insertion.h"

#include "common/last_error.h"
#include "common/progress.h"
#include "edits/range_edits.h"
#include "history/action_type.h"
#include "import/track_import.h"
#include "session/edit_session.h"
#include "track/track.h"

namespace kernel {

namespace {
constexpr uint32_t kUnknownTrack = 0x0653B001;
constexpr uint32_t kRateMismatch = 0x0654B002; // the track's rate is not the import's
} // namespace

bool InsertFile(CEditSession& session, uint32_t trackId, const std::string& path, int64_t at)
{
    // The destination is looked up before importing: an unknown id must not
    // leave a hidden track and its "Add Track" action behind.
    CTrack* track = session.FindTrack(trackId);
    if (!track) {
        SetLastError(kUnknownTrack);
        PostFinalProgress();
        return false;
    }
    // Channels are converted by the paste, sample rates by the converter: the
    // file is imported at the track's own rate (a blank track takes the file's).
    const uint32_t rate = track->IsBlank() ? 0 : track->m_sampleRate;
    // The hidden track joins the session (with its "Add Track" action) only
    // once the paste is in: a failure leaves the session as it was.
    std::unique_ptr<CTrack> hidden = ImportHidden(session, path, rate);
    if (!hidden)
        return false;
    const int64_t length = hidden->m_length;
    if (!track->IsBlank() && track->m_sampleRate != hidden->m_sampleRate) {
        SetLastError(kRateMismatch);
        PostFinalProgress();
        return false;
    }
    if (!PasteClip(*track, hidden->Timeline(), 0, length, FormatOf(*hidden), at))
        return false;
    AdoptHidden(session, std::move(hidden), trackId, kActionInsertFile, at, length);
    return true;
}

} // namespace kernel
