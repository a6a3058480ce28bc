// What start-up checks before the user works: settings that name something
// the program cannot use are told once, with what is used instead.
#pragma once

class QWidget;

namespace app {

/**
 * When Config.ini names a temporary folder that is missing, not a folder or
 * not writable, tells the user (one warning box naming it and the default
 * folder used instead) and returns true; otherwise shows nothing.
 */
bool WarnOfUnusableTmpPath(QWidget* parent);

} // namespace app
