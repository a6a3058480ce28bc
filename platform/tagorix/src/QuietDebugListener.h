// Keeps TagLib's messages off stderr: they go to the debug output when
// VORLAIN_DEBUG is set and nowhere otherwise.
#pragma once

#include <taglib/tdebuglistener.h>

namespace tagorix {

class QuietDebugListener : public TagLib::DebugListener {
  public:
    void printMessage(const TagLib::String& msg) override;

    /** Installs one listener for the process, once. */
    static void Install();
};

} // namespace tagorix
