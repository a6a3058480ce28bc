// The names of the project document: one place for the writer and the
// reader, so that both always agree.
#pragma once

namespace kernel::project {

inline constexpr const char* kRoot = "AudioProject";
inline constexpr const char* kTmpPath = "TmpPath";
inline constexpr const char* kTrack = "Track";
inline constexpr const char* kTrackId = "id";
inline constexpr const char* kFolder = "Folder";
inline constexpr const char* kBaseInfo = "BaseInfo";
inline constexpr const char* kName = "Name";
inline constexpr const char* kTime = "Time";
inline constexpr const char* kSample = "Sample";
inline constexpr const char* kChannel = "Channel";
inline constexpr const char* kBitPerSample = "BitPerSample";
inline constexpr const char* kTag = "TAG";
inline constexpr const char* kTitle = "Title";
inline constexpr const char* kArtist = "Artist";
inline constexpr const char* kAlbum = "Album";
inline constexpr const char* kGenre = "Genre";
inline constexpr const char* kYear = "Year";
inline constexpr const char* kComment = "Comment";
inline constexpr const char* kTimeLine = "TimeLine";
inline constexpr const char* kSegment = "Segment";
inline constexpr const char* kTimeFrom = "TimeFrom";
inline constexpr const char* kTimeTo = "TimeTo";
inline constexpr const char* kPath = "Path";

/** The folder beside a project file that a copying save gathers data into. */
inline constexpr const char* kDataSuffix = ".data";
/** Suffix of a file being written beside its final name. */
inline constexpr const char* kPartSuffix = ".vorlain-part";

} // namespace kernel::project
