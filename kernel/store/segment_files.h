// File routines every edit shares: whole-file writes, range copies (as they
// are, left channel only, mono widened to stereo), sizes and free space.
// Data files are written once and never changed, so every copy creates a new file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace kernel {

/** Byte size of a file, -1 when it does not exist. */
int64_t FileSize(const std::string& path);

/** Free KiB on the file system holding path; 0 when empty or the query fails. */
int64_t FreeSpaceKiB(const std::string& path);

/** Creates or truncates path and writes length bytes. false for an empty path,
 *  a null buffer, a zero length or a file that cannot be written. */
bool WriteWholeFile(const std::string& path, const void* buffer, size_t length);

/** How a range copy lays out the bytes it copies. */
enum class CopyLayout {
    AsIs,         ///< the bytes as they are
    LeftChannel,  ///< of every 4-byte stereo frame only the first sample: mono
    MonoToStereo, ///< every 2-byte sample written twice: stereo
};

/** end value of CopyRange that copies to the end of the source. */
inline constexpr int64_t kToEnd = -1;

/** Copies bytes [begin, end) of source into a newly created destination in
 *  1024-byte reads. end kToEnd means to the end of the source (an explicit
 *  value, so that an empty range at offset 0 stays empty); an end beyond the
 *  file stops at the end, an end before begin copies nothing. Fails when
 *  either file cannot be opened or created or when begin lies beyond the
 *  source's length. */
bool CopyRange(const std::string& source, const std::string& destination, int64_t begin,
               int64_t end, CopyLayout layout = CopyLayout::AsIs);

/** How AppendRange ended. */
enum class RangeCopy {
    Done,
    ReadFailed,  ///< the source could not be opened or read (noted)
    WriteFailed, ///< the output could not be written (noted)
    Stopped,     ///< the long call was asked to stop
};

/** Copies count bytes of source from byte begin (count < 0: to its end;
 *  a range past the end stops there) to the open file out at outOffset. On
 *  a local file system through a buffer of plain reads and writes;
 *  elsewhere the kernel moves the bytes (copy_file_range, sharing extents or
 *  copying on the server where it can), with plain reads and writes where
 *  that is refused.
 *  copied: the bytes copied so far, which onProgress sees after each step. */
RangeCopy AppendRange(const std::string& source, int64_t begin, int64_t count, int out,
                      int64_t outOffset, int64_t& copied,
                      const std::function<void(int64_t)>& onProgress);

/** Asks the kernel to start reading count bytes of path from begin (count
 *  0: to its end) into the page cache, and returns at once: the next range
 *  a copy will need, read while the present one is copied. */
void ReadAhead(const std::string& path, int64_t begin, int64_t count);

/** How ShareFile made its destination. */
enum class ShareMethod {
    Failed,
    Linked, ///< a hard link: one file under two names
    Cloned, ///< a copy-on-write clone (reflink) sharing the blocks
    Copied, ///< a byte copy, with the source's modification time
};

/** Makes destination (which must not exist) hold the bytes of source at the
 *  least cost: a hard link on the same file system, else a clone where the
 *  file system has them, else a copy. Data files never change once written,
 *  so every way gives the same file for all that readers can tell. */
ShareMethod ShareFile(const std::string& source, const std::string& destination);

/** Creates (or truncates) an empty file. */
bool CreateEmptyFile(const std::string& path);

/** Removes a file; missing is fine. */
void RemoveFile(const std::string& path);

} // namespace kernel
