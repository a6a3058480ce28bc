// GetTagInfo and SetTagInfo: argument checks around TagFile. No exception
// crosses this boundary.
#include "QuietDebugListener.h"
#include "TagFile.h"
#include "vorlain/tagorix.h"

#include <cerrno>

extern "C" {

int GetTagInfo(const char* path, TagInfo* tag)
{
    if (!path || !tag)
        return 0;
    try {
        tagorix::QuietDebugListener::Install();
        tagorix::TagFile file(path);
        if (!file.valid())
            return 0;
        file.read(*tag);
        return 1;
    } catch (...) {
        return 0;
    }
}

int SetTagInfo(const char* path, TagInfo tag)
{
    if (!path)
        return 0;
    try {
        tagorix::QuietDebugListener::Install();
        // TagLib does not look at what its writes return. errno does tell:
        // only a failed write or flush sets these, and the file is closed
        // (its last buffer flushed) before they are read.
        errno = 0;
        bool saved = false;
        {
            tagorix::TagFile file(path);
            saved = file.valid() && file.write(tag);
        }
        const int why = errno;
        if (why == ENOSPC || why == EIO || why == EDQUOT || why == EFBIG || why == EROFS)
            return 0;
        return saved ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

} // extern "C"
