// The program's visible texts: every caption, label, tooltip and message
// comes from the language file, by section and eight-digit hexadecimal key.
#pragma once

#include <QString>

namespace app {

/**
 * The value of key in section of the language file, at most 4095
 * characters, or an empty text when the file, the section or the key is
 * missing. The file is read on every call: nothing is cached.
 */
QString LanguageText(const char* section, const char* key);

/** The language file the lookups read (lang/lang.ini beside the program,
 *  else the installed one). */
QString LanguageFile();

/** Makes the lookups read file instead; an empty text goes back to the
 *  normal lookup. For tests, which must not edit the shared file. */
void SetLanguageFileOverride(const QString& file);

} // namespace app
