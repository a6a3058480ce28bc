// Path helpers: joining with one separator and the 260-character limit of
// the records that carry paths.
#pragma once

#include <string>

namespace kernel {

/** folder + "/" + name with doubled separators collapsed. */
std::string JoinPath(const std::string& folder, const std::string& name);
/** The path with every run of '/' collapsed to one. */
std::string NormalizePath(std::string path);
/** Whether the path fits a 260-character field with its terminator. */
inline bool FitsPathField(const std::string& path) { return path.size() < 260; }
/** The part after the last '/', or the whole path. */
std::string FileNamePart(const std::string& path);

} // namespace kernel
