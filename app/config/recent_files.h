// The recent lists in mru.ini: section "RecentFile" for audio files and
// "RecentProject" for projects, eight slots each ("Path0" to "Path7").
#pragma once

#include <QString>
#include <QStringList>

namespace app {

inline constexpr const char* kRecentFileSection = "RecentFile";
inline constexpr const char* kRecentProjectSection = "RecentProject";
inline constexpr int kRecentSlots = 8;

/**
 * Puts path into the first empty slot. A path already listed (compared
 * without regard to case) changes nothing; with all eight slots taken by
 * other paths it replaces "Path0" and leaves the others as they are.
 */
void AddRecent(const char* section, const QString& path);
/** The eight slots in key order; an empty text for an empty slot. */
QStringList RecentSlots(const char* section);
/** Empties slot n. */
void ClearRecent(const char* section, int n);

} // namespace app
