#include "import/export_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace kernel {

namespace {

// A whole number in the C locale: an optional '-', then digits only.
bool parseInt(const std::string& text, int& value)
{
    if (text.empty() || text.size() > 9)
        return false;
    size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size())
        return false;
    for (size_t k = i; k < text.size(); ++k)
        if (text[k] < '0' || text[k] > '9')
            return false;
    value = std::atoi(text.c_str());
    return true;
}

bool inRange(int v, int lo, int hi)
{
    return v >= lo && v <= hi;
}

} // namespace

std::optional<ExportOptions> ParseExportOptions(const char* text)
{
    ExportOptions options;
    if (!text)
        return options;
    const std::string all = text;
    size_t at = 0;
    while (at <= all.size()) {
        size_t end = all.find(';', at);
        if (end == std::string::npos)
            end = all.size();
        const std::string item = all.substr(at, end - at);
        at = end + 1;
        if (item.empty())
            continue; // "a=1;" and "" are fine
        const size_t eq = item.find('=');
        if (eq == std::string::npos)
            return std::nullopt;
        const std::string key = item.substr(0, eq);
        int v = 0;
        if (!parseInt(item.substr(eq + 1), v))
            return std::nullopt;
        if (key == "bits" && (v == 16 || v == 24))
            options.bits = v;
        else if (key == "rate" && (v == 0 || inRange(v, 8000, 192000)))
            options.rate = v;
        else if (key == "bitrate" && inRange(v, 6, 512))
            options.bitrate = v;
        else if (key == "vbr" && inRange(v, 0, 9))
            options.vbr = v;
        else if (key == "quality" && inRange(v, -1, 10))
            options.quality = v;
        else if (key == "level" && inRange(v, 0, 8))
            options.level = v;
        else
            return std::nullopt;
    }
    return options;
}

} // namespace kernel
