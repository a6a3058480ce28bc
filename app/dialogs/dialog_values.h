// The values the operation dialogs hand back to the main window. They live as
// long as the program and keep their last setting between two uses of a
// dialog, so a dialog opens where the user left it.
#pragma once

#include "vorlain/records.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace app {

struct DialogValues {
    /** Length of silence to insert, microseconds. Set by CDlgAddSilence on
     *  OK; none until the first OK. */
    std::optional<int64_t> silenceLength;
    /** Echo decay and mix level, 0.1 .. 0.9. Set by CDlgEffectEcho when it
     *  opens and whenever its slider settles, also when it is cancelled. */
    float factor = 0.5f;
    /** Volume gain, 256 = unchanged (25 .. 512). Set by CDlgEffectVolume
     *  when it opens and whenever its slider settles; none before. */
    std::optional<uint32_t> gain;
    /** The peak Normalize brings a range to, in thousandths of a dB (-20000
     *  .. 0). CDlgEffectNormalize follows its slider with it. */
    int32_t peakMilliDb = -1000;
    /** The loudness Normalize Loudness brings a range to, in tenths of a
     *  LUFS (-700 .. -50). CDlgEffectLoudness follows its spin box with it. */
    int32_t lufsTenths = -160;
    /** How much faster Change Tempo plays a range, in percent (-90 .. 900).
     *  CDlgEffectTempo follows its slider with it. */
    int32_t tempoPercent = 10;
    /** How far Change Pitch moves a range's pitch, in cents (-2400 .. 2400):
     *  CDlgEffectPitch's semitones times 100 plus its cents. */
    int32_t cents = 200;
    /** The tag record last confirmed in CDlgTAG (OK); all zero before. */
    TagInfo tag{};
    /** Number of files a split writes. CDlgTrackSplit sets 2 when it opens
     *  and the number typed when Split is pressed (0 and more than 100 are
     *  taken as typed). */
    int32_t splitCount = 2;
    /** Folder the split files go to, chosen with the split dialog's Browse;
     *  empty when none is chosen or the last browse was cancelled. */
    QString splitFolder;
};

/** The program's one set of dialog values. GUI thread only. */
DialogValues& Values();

} // namespace app
