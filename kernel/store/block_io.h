// The process-wide block reader and block writer: one open data file each,
// kept open between calls so that streaming a file costs one open. Only one
// operation at a time may use them (long operations run one at a time).
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kernel {

inline constexpr size_t kBlockSize = 1024;

class CBlockReader {
public:
    static CBlockReader& Instance();

    /** Reads up to size bytes (1024 unless said) of path into buffer. Opens
     *  path when no file is open, or reopens when another path is open
     *  (logging the difference). A seek of 0 or more seeks first. A short
     *  read closes the file. */
    bool Read(const std::string& path, uint8_t* buffer, uint32_t& count, int64_t seek = -1,
              int origin = SEEK_SET, size_t size = kBlockSize);
    void Close();
    /** The path of the open file, empty when none. */
    const std::string& OpenPath() const { return m_path; }

private:
    FILE* m_file = nullptr;
    std::string m_path;
};

class CBlockWriter {
public:
    static CBlockWriter& Instance();

    /** Opens path (create without truncating, read/write) when no file is
     *  open, or when another path is open: a writer left open by a failed
     *  operation must never receive another file's bytes. A seek of 0 or more
     *  seeks first; writes length bytes when buffer and length are given;
     *  closes the file when close is set. */
    bool Write(const std::string& path, const void* buffer, size_t length, bool close,
               int64_t seek = -1, int origin = SEEK_SET);
    void Close();
    const std::string& OpenPath() const { return m_path; }

private:
    FILE* m_file = nullptr;
    std::string m_path;
};

} // namespace kernel
