// Synthetic test audio and byte-level file helpers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vorlain::test {

using Samples = std::vector<int16_t>; // interleaved frames

/** A sine of the given frequency and amplitude, the same in every channel. */
Samples Sine(int64_t frames, int rate, int channels, double freq, int amplitude = 16000);
/** Samples whose value encodes their position: frame index and channel, so any
 *  misplaced, dropped or repeated byte is visible. Value = (frame*7 + ch*3) wrapped. */
Samples Ramp(int64_t frames, int channels);
/** Silence with one full-scale click (value 20000) at each given frame. */
Samples Clicks(int64_t frames, int channels, const std::vector<int64_t>& clickFrames,
               int16_t value = 20000);

/** The canonical 44-byte PCM header for the given format and data size. */
std::vector<uint8_t> WaveHeader(int rate, int channels, uint32_t dataBytes);
/** The 80-byte RF64 header (ds64 chunk with the 64-bit sizes, fmt, data). */
std::vector<uint8_t> Rf64Header(int rate, int channels, uint64_t dataBytes);
/** The header of a Sony Wave64 file (GUID chunks with 64-bit sizes): 104 bytes. */
std::vector<uint8_t> W64Header(int rate, int channels, uint64_t dataBytes);
/** Writes samples as an RF64 or a Wave64 file. */
bool WriteRf64Wave(const std::string& path, const Samples& samples, int rate, int channels);
bool WriteW64Wave(const std::string& path, const Samples& samples, int rate, int channels);
/** An RF64 file of `frames` frames of silence that takes no room on disk (a
 *  sparse file); patch samples into it with WriteFrameAt. */
bool WriteSilentRf64(const std::string& path, int64_t frames, int rate, int channels);
/** Overwrites the frames from `frame` on of an RF64 file with `samples`. */
bool WriteFrameAt(const std::string& path, int64_t frame, int channels, const Samples& samples);

/** Writes a canonical 16-bit PCM wave file. */
bool WriteWave(const std::string& path, const Samples& samples, int rate, int channels);
/** Writes a canonical wave file of `frames` frames from Ramp(), streamed so
 *  that hours of audio need no memory. */
bool WriteRampWave(const std::string& path, int64_t frames, int rate, int channels);

std::vector<uint8_t> ReadBytes(const std::string& path);
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
int64_t FileSize(const std::string& path);
/** Little-endian helpers over a byte vector. */
uint32_t U32(const std::vector<uint8_t>& b, size_t at);
uint16_t U16(const std::vector<uint8_t>& b, size_t at);
/** The bytes of samples as little-endian PCM. */
std::vector<uint8_t> PcmBytes(const Samples& s);

} // namespace vorlain::test
