#include "config/language.h"

#include "vorlain/platform.h"

#include <vector>

namespace app {
namespace {

QString& Override()
{
    static QString file;
    return file;
}

} // namespace

QString LanguageFile()
{
    if (!Override().isEmpty())
        return Override();
    char file[4096];
    VorlainGetLanguageFile(file, sizeof file);
    return QString::fromUtf8(file);
}

void SetLanguageFileOverride(const QString& file)
{
    Override() = file;
}

QString LanguageText(const char* section, const char* key)
{
    const QByteArray file = LanguageFile().toUtf8();
    // 4096 bytes hold 4095 characters of ASCII text and a terminator; UTF-8
    // texts are cut on a character boundary.
    std::vector<char> text(4096);
    VorlainGetProfileString(section, key, "", text.data(), text.size(), file.constData());
    return QString::fromUtf8(text.data());
}

} // namespace app
