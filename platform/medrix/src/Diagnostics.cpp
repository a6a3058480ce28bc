// FFmpeg log routing and the converter's own notes.
#include "Diagnostics.h"

#include "vorlain/platform.h"

extern "C" {
#include <libavutil/log.h>
}

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace medrix {

namespace {

bool debugEnabled()
{
    static const bool enabled = std::getenv("VORLAIN_DEBUG") != nullptr;
    return enabled;
}

void forwardFfmpegLog(void* avcl, int level, const char* format, va_list args)
{
    if (level > av_log_get_level())
        return;
    char line[1024];
    int printPrefix = 1;
    av_log_format_line2(avcl, level, format, args, line, sizeof line, &printPrefix);
    size_t n = std::strlen(line);
    while (n > 0 && (line[n - 1] == '\n' || line[n - 1] == '\r'))
        line[--n] = '\0';
    if (n > 0)
        VorlainOutputDebugString("Medrix: ffmpeg: %s", line);
}

} // namespace

void InitDiagnostics()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (debugEnabled()) {
            av_log_set_level(AV_LOG_WARNING);
            av_log_set_callback(forwardFfmpegLog);
        } else {
            av_log_set_level(AV_LOG_QUIET);
        }
    });
}

void Trace(const char* format, ...)
{
    if (!debugEnabled())
        return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    VorlainOutputDebugString("Medrix: %s", text);
}

} // namespace medrix
