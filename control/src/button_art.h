// The artwork of the four track-info buttons, drawn in code: select the
// whole track, set the range start, set the range end, delete the track.
#pragma once

#include <QPixmap>
#include <QSize>

class CButtonArt {
public:
    enum class Glyph { WholeTrack, RangeStart, RangeEnd, DeleteTrack };
    enum class Look { Normal, Active, Disabled }; // Active serves pressed and hover

    static QPixmap Make(Glyph glyph, Look look, QSize size);
};
