#include "common/paths.h"

#include "vorlain/platform.h"

namespace kernel {

std::string NormalizePath(std::string path)
{
    path.resize(VorlainCollapseSeparators(path.data()));
    return path;
}

std::string JoinPath(const std::string& folder, const std::string& name)
{
    return NormalizePath(folder + "/" + name);
}

std::string FileNamePart(const std::string& path)
{
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace kernel
