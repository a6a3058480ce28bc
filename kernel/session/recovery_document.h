// What the recovery's writer, its log reader and the sweep of orphaned
// sessions share: the document's text in the project file's format, and the
// folders and paths a document names.
#pragma once

#include "project/project_document.h"
#include "session/recovery_journal.h"

#include <pugixml.hpp>

#include <array>
#include <cstdint>
#include <string>

class CTimeline;

namespace kernel {

/** The first word of a log, before the epoch of the document it belongs to. */
inline constexpr const char* kRecoveryLogMagic = "vorlain-recovery-log";
/** The elements of a track's TAG, in the order of JournalTrack::tag. */
inline constexpr std::array<const char*, 6> kTrackTagElements = {
    project::kTitle, project::kArtist, project::kAlbum,
    project::kGenre, project::kYear,   project::kComment};
/** How a session's folder in the temp base is named. */
inline constexpr const char* kSessionFolderPrefix = "Vorlain_Tmp";

/** Opens folder and takes its lock without waiting; -1 (errno set) when it
 *  cannot be opened or another process holds it. */
int LockSessionFolder(const std::string& folder);

void AppendNumber(std::string& out, int64_t value);
/** <name>text</name> on a line of its own, the text escaped. */
void Element(std::string& out, const char* indent, const char* name, const char* text, size_t size);
void Element(std::string& out, const char* indent, const char* name, int64_t value);

/** The part of path after its last '/'. */
const char* NameOf(const char* path);

/** One Track element of the document; version: the number the log knows
 *  its timeline by. */
void WriteTrack(std::string& out, size_t index, const JournalTrack& track,
                const CTimeline* timeline, uint64_t version);

/** The folder part of path ("." when it has none). */
std::string FolderOf(const std::string& path);
std::string WithoutTrailingSeparator(std::string path);
/** The data root a document names, resolved as the project reader does. */
std::string DataRootOf(const pugi::xml_node& root, const std::string& documentPath);

} // namespace kernel
