// GetTagInfo and SetTagInfo: argument checks around TagFile. No exception
// crosses this boundary.
#include "QuietDebugListener.h"
#include "TagFile.h"
#include "vorlain/tagorix.h"

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
        tagorix::TagFile file(path);
        return file.valid() && file.write(tag) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

} // extern "C"
