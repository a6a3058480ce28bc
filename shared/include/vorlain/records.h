// Fixed-layout records that cross deliverables. Records without pointers keep
// their exact byte layout; records with pointers keep the offsets up to the
// first pointer, and 8-byte naturally aligned pointers after it.
#pragma once

#include <cstddef>
#include <cstdint>

class CTimeline;
struct ActionRecord;
struct ClipboardEntry;

namespace vorlain {
inline constexpr int kPathChars = 260;
/** Longest stretch of audio one data file holds when audio is cut into pieces. */
inline constexpr int64_t kPieceLength = 5'000'000;
/** Segment state words. Readers of audio skip every segment with bit 0 set. */
inline constexpr uint32_t kHeaderSegment = 1;
inline constexpr uint32_t kAudioSegment = 2;
} // namespace vorlain

/** One stretch [start, end) of a track's timeline, held by one data file. 288 bytes. */
struct TrackSegment {
    uint32_t state;    // kHeaderSegment or kAudioSegment
    uint32_t reserved; // 0
    int64_t start;     // microseconds on the track's timeline
    int64_t end;       // exclusive
    char path[vorlain::kPathChars]; // full path of the data file
    uint32_t reserved2;             // 0
};
static_assert(sizeof(TrackSegment) == 288);
static_assert(offsetof(TrackSegment, state) == 0);
static_assert(offsetof(TrackSegment, reserved) == 4);
static_assert(offsetof(TrackSegment, start) == 8);
static_assert(offsetof(TrackSegment, end) == 16);
static_assert(offsetof(TrackSegment, path) == 24);
static_assert(offsetof(TrackSegment, reserved2) == 284);

/** What the display control learns of a track. */
struct TrackBaseInfo {
    uint32_t deleted;                // 1 when the track is not present
    char name[vorlain::kPathChars];  // NUL-terminated, at most 259 bytes
    uint32_t trackId;
    uint32_t reserved1;              // 0
    int64_t length;                  // microseconds
    int64_t bytesLoaded;             // size of the loaded wave file, header included
    uint32_t sampleRate;
    uint32_t channels;
    uint32_t bytesPerSample;         // 2
    const CTimeline* timeline;       // current timeline; null for a blank track
    uint32_t blank;                  // 1 when the length is 0
    uint32_t reserved2;              // 0
};
static_assert(offsetof(TrackBaseInfo, deleted) == 0);
static_assert(offsetof(TrackBaseInfo, name) == 4);
static_assert(offsetof(TrackBaseInfo, trackId) == 264);
static_assert(offsetof(TrackBaseInfo, reserved1) == 268);
static_assert(offsetof(TrackBaseInfo, length) == 272);
static_assert(offsetof(TrackBaseInfo, bytesLoaded) == 280);
static_assert(offsetof(TrackBaseInfo, sampleRate) == 288);
static_assert(offsetof(TrackBaseInfo, channels) == 292);
static_assert(offsetof(TrackBaseInfo, bytesPerSample) == 296);
static_assert(offsetof(TrackBaseInfo, timeline) == 304); // 300 on 32-bit, aligned to 8 here
static_assert(offsetof(TrackBaseInfo, blank) == 312);
static_assert(offsetof(TrackBaseInfo, reserved2) == 316);
static_assert(sizeof(TrackBaseInfo) == 320);

/** Descriptive texts of a track, NUL-terminated UTF-8 padded with zeros. 2656 bytes. */
struct TagInfo {
    char title[512];
    char artist[512];
    char reserved[512]; // carried along unchanged
    char comment[512];
    char album[512];
    char genre[32];
    char year[64];
};
static_assert(sizeof(TagInfo) == 2656);
static_assert(offsetof(TagInfo, title) == 0);
static_assert(offsetof(TagInfo, artist) == 512);
static_assert(offsetof(TagInfo, reserved) == 1024);
static_assert(offsetof(TagInfo, comment) == 1536);
static_assert(offsetof(TagInfo, album) == 2048);
static_assert(offsetof(TagInfo, genre) == 2560);
static_assert(offsetof(TagInfo, year) == 2592);

/** One copied or cut range. The sentinel has track id 0 and no timeline. */
struct ClipboardEntry {
    uint32_t trackId;
    uint32_t reserved;
    int64_t from;
    int64_t to;
    const CTimeline* timeline; // the source's timeline version at the time of copying
    ClipboardEntry* previous;
    ClipboardEntry* next;
};
static_assert(offsetof(ClipboardEntry, trackId) == 0);
static_assert(offsetof(ClipboardEntry, reserved) == 4);
static_assert(offsetof(ClipboardEntry, from) == 8);
static_assert(offsetof(ClipboardEntry, to) == 16);
static_assert(offsetof(ClipboardEntry, timeline) == 24);
static_assert(offsetof(ClipboardEntry, previous) == 32);
static_assert(offsetof(ClipboardEntry, next) == 40);
static_assert(sizeof(ClipboardEntry) == 48);

/** One step of the undo/redo history. The sentinel has type 0. */
struct ActionRecord {
    uint32_t trackId;
    uint32_t type;
    uint32_t timelineFlag;   // 1 when the action made a new timeline version
    uint32_t trackFlags;     // 1 created a track, 2 deleted a track, 4 neither
    char name[64];           // display name from the language file
    int64_t undoFrom;
    int64_t undoTo;
    uint32_t redoTrackId;
    uint32_t reserved;
    int64_t redoFrom;
    int64_t redoTo;
    ActionRecord* previous;
    ActionRecord* next;
};
static_assert(offsetof(ActionRecord, trackId) == 0);
static_assert(offsetof(ActionRecord, type) == 4);
static_assert(offsetof(ActionRecord, timelineFlag) == 8);
static_assert(offsetof(ActionRecord, trackFlags) == 12);
static_assert(offsetof(ActionRecord, name) == 16);
static_assert(offsetof(ActionRecord, undoFrom) == 80);
static_assert(offsetof(ActionRecord, undoTo) == 88);
static_assert(offsetof(ActionRecord, redoTrackId) == 96);
static_assert(offsetof(ActionRecord, reserved) == 100);
static_assert(offsetof(ActionRecord, redoFrom) == 104);
static_assert(offsetof(ActionRecord, redoTo) == 112);
static_assert(offsetof(ActionRecord, previous) == 120);
static_assert(offsetof(ActionRecord, next) == 128);
static_assert(sizeof(ActionRecord) == 136);

/** The four integers each pointer of WM_RECORD_PEAKS points at. */
struct RecordPeaks {
    int32_t minIndex;
    int32_t minimum;
    int32_t maxIndex;
    int32_t maximum;
};
static_assert(sizeof(RecordPeaks) == 16);
