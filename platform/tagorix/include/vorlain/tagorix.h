/* Tagorix: the tag reader and writer the kernel links by name. It maps the
 * tag record's title, artist, album, comment, genre and year onto a file's
 * tags through TagLib: ID3v2 for MP3, MP4 atoms for M4A, Xiph comments for
 * FLAC, Ogg Vorbis and Opus, and whatever else TagLib reads. Texts are UTF-8.
 * The record's reserved field is never read or written. */
#ifndef VORLAIN_TAGORIX_H
#define VORLAIN_TAGORIX_H

#include "vorlain/records.h"

#define TAGORIX_API __attribute__((visibility("default")))

extern "C" {

/** Fills the six named fields of *tag from the file's tags (zero-padded; a text
 *  longer than its field is cut on a UTF-8 character boundary; a year of 0 is
 *  an empty text). A file without tags gives empty fields.
 *  @returns 1, or 0 when the path is null or names no regular file whose tags
 *  TagLib can read; *tag is then left as it was. */
TAGORIX_API int GetTagInfo(const char* path, TagInfo* tag);

/** Writes the six named fields into the file's tags. An empty field clears
 *  that tag; a year that is not a plain number is written as no year.
 *  @returns 1 when the file was saved, else 0. */
TAGORIX_API int SetTagInfo(const char* path, TagInfo tag);

} /* extern "C" */

#endif
