#include "device_catalog.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

namespace vorlain::capturo {

namespace {

struct Hint {
    std::string name;
    std::string ioid; // "Input", "Output" or empty for both
    std::string description;
};

std::string takeHint(void* hint, const char* id)
{
    char* value = snd_device_name_get_hint(hint, id);
    std::string text = value ? value : "";
    std::free(value);
    return text;
}

std::vector<Hint> pcmHints()
{
    std::vector<Hint> hints;
    void** list = nullptr;
    if (snd_device_name_hint(-1, "pcm", &list) < 0 || !list)
        return hints;
    for (void** h = list; *h; ++h)
        hints.push_back({takeHint(*h, "NAME"), takeHint(*h, "IOID"), takeHint(*h, "DESC")});
    snd_device_name_free_hint(list);
    return hints;
}

bool startsWith(const std::string& s, const char* prefix)
{
    return s.rfind(prefix, 0) == 0;
}

bool containsNoCase(const std::string& s, const char* word)
{
    std::string lower = s;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find(word) != std::string::npos;
}

// Sound servers and the per-card devices; the hint list also names rate
// converters and channel mixers, which are no inputs of their own.
bool isInput(const std::string& name)
{
    return name == "default" || name == "pulse" || name == "pipewire" ||
           startsWith(name, "sysdefault:") || startsWith(name, "hw:") ||
           startsWith(name, "plughw:") || startsWith(name, "dsnoop:");
}

void add(std::vector<std::string>& list, const std::string& name)
{
    if (!name.empty() && std::find(list.begin(), list.end(), name) == list.end())
        list.push_back(name);
}

} // namespace

std::vector<std::string> DeviceCatalog::List(int option, const std::string& stored)
{
    std::vector<std::string> list;
    if (option != 1 && option != 2)
        return list;
    add(list, stored);
    std::vector<Hint> hints = pcmHints();
    if (option == 1) {
        add(list, "default");
        for (const Hint& h : hints)
            if (h.ioid != "Output" && isInput(h.name) && !containsNoCase(h.name, "loopback"))
                add(list, h.name);
        return list;
    }
    bool pulse = std::any_of(hints.begin(), hints.end(),
                             [](const Hint& h) { return h.name == "pulse"; });
    if (pulse)
        add(list, "pulse:@DEFAULT_MONITOR@");
    // snd-aloop cards: what is played to one side is captured from the other.
    for (const Hint& h : hints)
        if (h.ioid != "Output" && (containsNoCase(h.name, "loopback") ||
                                   containsNoCase(h.description, "loopback")))
            add(list, h.name);
    return list;
}

} // namespace vorlain::capturo
