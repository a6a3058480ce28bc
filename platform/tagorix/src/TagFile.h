// One audio file's tags, opened through TagLib's FileRef: reads them into a
// tag record and writes a record's texts back.
#pragma once

#include "vorlain/records.h"

#include <taglib/fileref.h>

#include <string>

namespace tagorix {

class TagFile {
  public:
    /** Opens a regular file whose type TagLib knows; valid() tells. */
    explicit TagFile(const char* path);

    /** Whether the file is audio of a type TagLib reads, with a tag to use. */
    bool valid() const;
    /** Fills the six named fields; the reserved field is not touched. */
    void read(TagInfo& tag) const;
    /** Sets the six named texts and saves the file. @returns whether it saved. */
    bool write(const TagInfo& tag);

  private:
    TagLib::FileRef m_file;
};

} // namespace tagorix
