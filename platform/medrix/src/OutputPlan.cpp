// Codec names and extensions the converter writes.
#include "OutputPlan.h"

#include <algorithm>
#include <cctype>

namespace medrix {

namespace {

std::string lowerExtension(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

// AAC goes into the container its extension names: iTunes-style MP4 for
// .m4a (and anything else), plain MP4 for .mp4, a raw ADTS stream for .aac.
std::string aacMuxer(const std::string& ext)
{
    if (ext == "mp4")
        return "mp4";
    if (ext == "aac")
        return "adts";
    return "ipod";
}

} // namespace

std::optional<OutputPlan> OutputPlan::Resolve(const std::string& codecName,
                                              const std::string& outputPath)
{
    const std::string ext = lowerExtension(outputPath);
    std::string codec = codecName;
    if (codec.empty()) {
        if (ext == "wav")
            codec = "pcm_s16le";
        else if (ext == "mp3")
            codec = "libmp3lame";
        else if (ext == "m4a" || ext == "mp4" || ext == "aac")
            codec = "mpeg4aac";
        else if (ext == "flac")
            codec = "flac";
        else if (ext == "ogg" || ext == "oga")
            codec = "libvorbis";
        else if (ext == "opus")
            codec = "libopus";
        else
            return std::nullopt;
    }

    if (codec == "pcm_s16le")
        return OutputPlan(Kind::Wave, "", "", false);
    if (codec == "pcm_s24le")
        return OutputPlan(Kind::Encoded, "pcm_s24le", "wav", false);
    if (codec == "libmp3lame" || codec == "mp3")
        return OutputPlan(Kind::Encoded, "libmp3lame", "mp3", true);
    if (codec == "mpeg4aac" || codec == "aac")
        return OutputPlan(Kind::Encoded, "aac", aacMuxer(ext), true);
    if (codec == "flac")
        return OutputPlan(Kind::Encoded, "flac", "flac", false);
    if (codec == "libvorbis" || codec == "vorbis")
        return OutputPlan(Kind::Encoded, "libvorbis", "ogg", true);
    if (codec == "libopus" || codec == "opus")
        return OutputPlan(Kind::Encoded, "libopus", "opus", true);
    return std::nullopt;
}

} // namespace medrix
