#include "vorlain/test/temp_env.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace vorlain::test {

namespace {
// The parent of every test root: the TMPDIR the test binary started with, so
// nested environments never nest folders.
const std::string& outerTemp()
{
    static const std::string base = [] {
        const char* t = std::getenv("TMPDIR");
        return std::string(t && *t ? t : "/tmp");
    }();
    return base;
}

const char* const kVariables[] = {"TMPDIR",          "HOME",          "XDG_CONFIG_HOME",
                                  "XDG_DATA_HOME",   "XDG_CACHE_HOME", "XDG_DOCUMENTS_DIR",
                                  "XDG_STATE_HOME",  "XDG_MUSIC_DIR"};
} // namespace

TempEnvironment::TempEnvironment()
{
    std::string pattern = outerTemp() + "/vorlain-test-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data()))
        throw std::runtime_error("mkdtemp failed");
    m_root = buf.data();
    for (const char* name : kVariables) {
        const char* old = std::getenv(name);
        m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    std::string tmp = makeDir("tmp");
    std::string home = makeDir("home");
    setenv("TMPDIR", tmp.c_str(), 1);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", makeDir("home/.config").c_str(), 1);
    setenv("XDG_DATA_HOME", makeDir("home/.local/share").c_str(), 1);
    setenv("XDG_CACHE_HOME", makeDir("home/.cache").c_str(), 1);
    setenv("XDG_STATE_HOME", makeDir("home/.local/state").c_str(), 1);
    setenv("XDG_DOCUMENTS_DIR", makeDir("home/Documents").c_str(), 1);
    setenv("XDG_MUSIC_DIR", makeDir("home/Music").c_str(), 1);
}

TempEnvironment::~TempEnvironment()
{
    for (const auto& [name, value] : m_saved) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    // Tests may leave read-only folders behind; make them writable first.
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(m_root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (it->is_directory(ec))
            chmod(it->path().c_str(), 0755);
    }
    chmod(m_root.c_str(), 0755);
    RemoveTree(m_root);
}

std::string TempEnvironment::makeDir(const std::string& name) const
{
    std::string p = path(name);
    std::filesystem::create_directories(p);
    return p;
}

void RemoveTree(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

bool Exists(const std::string& path)
{
    struct stat st{};
    return stat(path.c_str(), &st) == 0;
}

std::vector<std::string> ListDir(const std::string& path)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace vorlain::test
