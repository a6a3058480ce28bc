// A file beside the output that takes the converted data and is renamed onto
// the output only when the conversion succeeded. Until then the output path
// is untouched; a failed or stopped conversion leaves nothing behind.
#pragma once

#include <string>

namespace medrix {

class TempOutputFile {
  public:
    /** Creates an empty, uniquely named file in the target's folder. */
    explicit TempOutputFile(const std::string& target);
    /** Removes the file unless it was committed. */
    ~TempOutputFile();
    TempOutputFile(const TempOutputFile&) = delete;
    TempOutputFile& operator=(const TempOutputFile&) = delete;

    /** Whether the file could be created. */
    bool valid() const { return !m_path.empty(); }
    const std::string& path() const { return m_path; }
    /** Renames the file onto the target. @returns false when that fails (the
     *  file is then removed by the destructor). */
    bool commit();

  private:
    std::string m_target;
    std::string m_path;
    bool m_committed = false;
};

} // namespace medrix
