// Texts of the language file lang/lang.ini beside the running program.
#pragma once

#include <string>

namespace kernel {

/** The text of key in section, or "" when the file or the key is missing. */
std::string LanguageText(const char* section, const char* key);

} // namespace kernel
