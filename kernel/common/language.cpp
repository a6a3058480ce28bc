#include "common/language.h"

#include "vorlain/platform.h"

#include <vector>

namespace kernel {

std::string LanguageText(const char* section, const char* key)
{
    char file[4096];
    if (!VorlainGetLanguageFile(file, sizeof file))
        return {};
    std::vector<char> text(4096);
    VorlainGetProfileString(section, key, "", text.data(), text.size(), file);
    return text.data();
}

} // namespace kernel
