// TagLib FileRef behind the tag record.
#include "TagFile.h"

#include "vorlain/platform.h"

#include <taglib/audioproperties.h>
#include <taglib/tag.h>

#include <cctype>
#include <cstring>
#include <string>
#include <sys/stat.h>

namespace tagorix {

namespace {

template <size_t N> void putText(char (&field)[N], const TagLib::String& text)
{
    std::memset(field, 0, N);
    VorlainCopyTextCut(field, N, text.toCString(true));
}

// A field filled to its last byte has no terminator: never read past it.
template <size_t N> TagLib::String fieldText(const char (&field)[N])
{
    return TagLib::String(std::string(field, strnlen(field, N)), TagLib::String::UTF8);
}

// TagLib keeps the year as a number; anything but plain digits (and
// surrounding blanks) has no number to keep.
template <size_t N> unsigned yearNumber(const char (&field)[N])
{
    std::string text(field, strnlen(field, N));
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return 0;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    if (text.empty() || text.size() > 9)
        return 0;
    for (char c : text)
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return 0;
    return static_cast<unsigned>(std::stoul(text));
}

bool isRegularFile(const char* path)
{
    struct stat st {};
    return path && *path && ::stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

} // namespace

TagFile::TagFile(const char* path)
    : m_file(isRegularFile(path) ? TagLib::FileRef(path, true, TagLib::AudioProperties::Fast)
                                 : TagLib::FileRef())
{
}

bool TagFile::valid() const
{
    // TagLib picks the file type by extension and accepts, say, a text file
    // named .mp3 (writing would put a tag into it). Only a file in which
    // TagLib found audio counts.
    if (m_file.isNull() || !m_file.tag())
        return false;
    const TagLib::AudioProperties* audio = m_file.audioProperties();
    return audio && audio->sampleRate() > 0 && audio->channels() > 0;
}

void TagFile::read(TagInfo& tag) const
{
    const TagLib::Tag* t = m_file.tag();
    putText(tag.title, t->title());
    putText(tag.artist, t->artist());
    putText(tag.comment, t->comment());
    putText(tag.album, t->album());
    putText(tag.genre, t->genre());
    putText(tag.year,
            t->year() ? TagLib::String::number(static_cast<int>(t->year())) : TagLib::String());
}

bool TagFile::write(const TagInfo& tag)
{
    TagLib::Tag* t = m_file.tag();
    t->setTitle(fieldText(tag.title));
    t->setArtist(fieldText(tag.artist));
    t->setComment(fieldText(tag.comment));
    t->setAlbum(fieldText(tag.album));
    t->setGenre(fieldText(tag.genre));
    t->setYear(yearNumber(tag.year));
    return m_file.save();
}

} // namespace tagorix
