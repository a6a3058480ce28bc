// What one long operation asks of the edit worker: the operation code and
// every argument, copied from the main window before the worker starts.
#pragma once

#include "vorlain/window.h"

#include <QList>
#include <QString>

#include <cstdint>

class CEditSession;

namespace app {

/** The edit worker's operation codes. */
enum class EditOp : int {
    JoinAllTrack = 0,
    Split = 1,
    ExportTrack = 2,
    ExportSelection = 3,
    MixWithCopy = 4,
    ToMonoLeft = 5,
    ToMonoRight = 6,
    FadeIn = 7,
    FadeOut = 8,
    Echo = 9,
    Silence = 10,
    AdjustVolume = 11,
    OpenProject = 12,
    SaveProject = 13,
    SaveProjectAs = 14,
    Paste = 15,
    PasteToEnd = 16,
    InsertFile = 17,
    MixWithFile = 18,
};

struct EditJob {
    EditOp op = EditOp::Paste;
    CEditSession* editor = nullptr;
    uint32_t track = 0; // the current track
    int64_t start = 0;  // the selection, microseconds
    int64_t end = 0;
    int64_t position = 0;      // where a file is inserted
    QString path;              // output file, file to read, or project
    float factor = 0.5f;       // echo decay and mix level
    uint32_t gain = 256;       // volume, 256 = unchanged
    int splitCount = 0;        // number of files a split writes
    QString splitFolder;       // where they go
    QList<uint32_t> joinIds;   // the tracks to join, in row order
    HWND mainWindow = nullptr; // receives WM_ADD_TRACK_VIEW while a project opens
};

} // namespace app
