// Diagnostic lines: formatted once, then handed to a test sink or to stderr.
#include "vorlain/platform.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {
std::atomic<VorlainDebugSink> g_sink{nullptr};
}

extern "C" {

void VorlainSetDebugSink(VorlainDebugSink sink) { g_sink.store(sink); }

static bool toStderr()
{
    static const bool enabled = std::getenv("VORLAIN_DEBUG") != nullptr;
    return enabled;
}

int VorlainDebugEnabled(void) { return g_sink.load() || toStderr() ? 1 : 0; }

void VorlainOutputDebugString(const char* format, ...)
{
    VorlainDebugSink sink = g_sink.load();
    if (!sink && !toStderr())
        return;
    char small[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string line;
    if (n >= static_cast<int>(sizeof small)) {
        line.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(line.data(), line.size(), format, again);
        line.resize(static_cast<size_t>(n));
    } else if (n > 0) {
        line.assign(small, static_cast<size_t>(n));
    }
    va_end(again);
    if (sink)
        sink(line.c_str());
    else
        std::fprintf(stderr, "%s\n", line.c_str());
}

} // extern "C"
