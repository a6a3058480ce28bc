#include "vorlain/test/debug_capture.h"

#include "vorlain/platform.h"

#include <mutex>

namespace vorlain::test {

namespace {
std::mutex g_lock;
std::vector<std::string> g_lines;

void sink(const char* line)
{
    std::lock_guard guard(g_lock);
    g_lines.emplace_back(line);
}
} // namespace

DebugCapture::DebugCapture()
{
    clear();
    VorlainSetDebugSink(&sink);
}

DebugCapture::~DebugCapture() { VorlainSetDebugSink(nullptr); }

std::vector<std::string> DebugCapture::lines() const
{
    std::lock_guard guard(g_lock);
    return g_lines;
}

std::vector<std::string> DebugCapture::linesStartingWith(const std::string& prefix) const
{
    std::lock_guard guard(g_lock);
    std::vector<std::string> out;
    for (const std::string& l : g_lines)
        if (l.rfind(prefix, 0) == 0)
            out.push_back(l);
    return out;
}

void DebugCapture::clear()
{
    std::lock_guard guard(g_lock);
    g_lines.clear();
}

} // namespace vorlain::test
