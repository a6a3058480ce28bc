// The choices a session's exports are made with (Kestrum_SetExportOptions):
// "key=value;key=value" in the C locale, held until set again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace kernel {

struct ExportOptions {
    int bits = 16;   ///< WAV and FLAC: 16 or 24
    int rate = 0;    ///< Hz; 0 = the track's own
    int bitrate = 0; ///< kb/s for MP3, M4A and Opus; 0 = the encoder's default (MP3 and M4A: 128)
    int vbr = -1;    ///< MP3 quality 0..9; -1 = constant bitrate
    std::optional<int> quality; ///< Vorbis -1..10
    int level = -1;             ///< FLAC 0..8; -1 = the encoder's default
    bool operator==(const ExportOptions&) const = default;
};

/** The options text parsed over the defaults; nothing when a key is unknown,
 *  a value is not a whole number or is out of its range. An empty text (or
 *  null) gives the defaults. */
std::optional<ExportOptions> ParseExportOptions(const char* text);

} // namespace kernel
