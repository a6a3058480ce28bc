// Which encoder and container an output gets, from the requested codec name
// and the output file's extension.
#pragma once

#include <optional>
#include <string>

namespace medrix {

class OutputPlan {
  public:
    enum class Kind { Wave, Encoded };

    /** Resolves a codec name ("pcm_s16le", "libmp3lame", "mpeg4aac", ... or ""
     *  for the one the extension implies) against the output path. @returns
     *  nothing for an unknown codec, or for an empty one with an unknown extension. */
    static std::optional<OutputPlan> Resolve(const std::string& codecName,
                                             const std::string& outputPath);

    Kind kind() const { return m_kind; }
    /** FFmpeg encoder name; empty for a wave file. */
    const std::string& encoder() const { return m_encoder; }
    /** FFmpeg muxer name; empty for a wave file. */
    const std::string& muxer() const { return m_muxer; }
    /** Whether the codec is lossy and so takes a bit rate. */
    bool takesBitRate() const { return m_bitRate; }

  private:
    OutputPlan(Kind kind, std::string encoder, std::string muxer, bool bitRate)
        : m_kind(kind), m_encoder(std::move(encoder)), m_muxer(std::move(muxer)), m_bitRate(bitRate)
    {
    }

    Kind m_kind;
    std::string m_encoder;
    std::string m_muxer;
    bool m_bitRate;
};

} // namespace medrix
