// The kinds of history actions and the language keys of their names.
#pragma once

#include <cstdint>

namespace kernel {

enum ActionType : uint32_t {
    kActionNone = 0, // the sentinel
    kActionAddTrack = 1,
    kActionDeleteTrack = 2,
    kActionFadeIn = 3,
    kActionFadeOut = 4,
    kActionEcho = 5,
    kActionSilence = 6,
    kActionAdjustVolume = 7,
    kActionCut = 8,
    kActionCopy = 9,
    kActionPaste = 10,
    kActionDelete = 11,
    kActionTrim = 12,
    kActionRecord = 13,
    kActionMix = 14,
    kActionExtractTrack = 15,
    kActionCopyToNew = 16,
    kActionInsertFile = 17,
    kActionInsertSilence = 18,
    kActionNormalize = 19,
    kActionReverse = 20,
    kActionLoudness = 21,
    kActionTempo = 22,
    kActionPitch = 23,
    kActionPlugin = 24, // named for the plugin, not from the language file
};

/** The key of the type's name in section "menu"; null for unknown types. */
const char* ActionNameKey(uint32_t type);
/** 1 when the action made a new timeline version of its track. */
uint32_t ActionTimelineFlag(uint32_t type);
/** 1 created a track, 2 deleted a track, 4 neither. */
uint32_t ActionTrackFlags(uint32_t type);

} // namespace kernel
