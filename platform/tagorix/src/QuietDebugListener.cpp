// TagLib debug messages routed to the platform's debug output.
#include "QuietDebugListener.h"

#include "vorlain/platform.h"

#include <cstdlib>
#include <mutex>

namespace tagorix {

void QuietDebugListener::printMessage(const TagLib::String& msg)
{
    static const bool enabled = std::getenv("VORLAIN_DEBUG") != nullptr;
    if (enabled)
        VorlainOutputDebugString("Tagorix: %s", msg.toCString(true));
}

void QuietDebugListener::Install()
{
    static std::once_flag once;
    static QuietDebugListener listener;
    std::call_once(once, [] { TagLib::setDebugListener(&listener); });
}

} // namespace tagorix
