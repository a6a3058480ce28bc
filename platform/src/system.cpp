// Well-known folders, free space, the tick count and small text helpers.
#include "vorlain/platform.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#ifndef VORLAIN_INSTALL_PREFIX
#define VORLAIN_INSTALL_PREFIX "/usr/local"
#endif

namespace {

std::string env(const char* name)
{
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool put(const std::string& value, char* out, size_t size)
{
    if (!out || value.size() + 1 > size)
        return false;
    std::memcpy(out, value.c_str(), value.size() + 1);
    return true;
}

bool makeDirs(const std::string& path)
{
    if (path.empty())
        return false;
    std::string partial;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = path.find('/', pos + 1);
        partial = path.substr(0, pos);
        if (partial.empty())
            continue;
        if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST)
            return false;
    }
    struct stat st{};
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string withSlash(std::string path)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    return path;
}

std::string homeFolder() { return env("HOME"); }

} // namespace

extern "C" {

int VorlainGetTempBase(char* out, size_t size)
{
    if (!out || size == 0)
        return 0;
    std::string tmp = env("TMPDIR");
    if (tmp.empty())
        tmp = "/tmp";
    if (put(withSlash(tmp), out, size))
        return 1;
    std::string docs = env("XDG_DOCUMENTS_DIR");
    if (docs.empty() && !homeFolder().empty())
        docs = homeFolder() + "/Documents";
    if (!docs.empty() && put(withSlash(docs), out, size))
        return 1;
    std::string data = env("XDG_DATA_HOME");
    if (data.empty() && !homeFolder().empty())
        data = homeFolder() + "/.local/share";
    if (data.empty())
        return 0;
    std::string folder = data + "/ZanthoVorlain";
    if (!makeDirs(folder))
        return 0;
    return put(withSlash(folder), out, size) ? 1 : 0;
}

int VorlainGetConfigDir(char* out, size_t size)
{
    std::string base = env("XDG_CONFIG_HOME");
    if (base.empty()) {
        if (homeFolder().empty())
            return 0;
        base = homeFolder() + "/.config";
    }
    std::string folder = base + "/Vorlain";
    if (!makeDirs(folder))
        return 0;
    return put(folder, out, size) ? 1 : 0;
}

int VorlainGetProgramDir(char* out, size_t size)
{
    char exe[4096];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return 0;
    exe[n] = '\0';
    std::string path(exe);
    size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return 0;
    return put(path.substr(0, slash == 0 ? 1 : slash), out, size) ? 1 : 0;
}

int VorlainGetLanguageFile(char* out, size_t size)
{
    char dir[4096];
    std::string beside;
    if (VorlainGetProgramDir(dir, sizeof dir))
        beside = std::string(dir) + "/lang/lang.ini";
    if (!beside.empty() && access(beside.c_str(), R_OK) == 0)
        return put(beside, out, size) ? 1 : 0;
    // Installed: <prefix>/bin/vorlain reads <prefix>/share/vorlain, wherever
    // the prefix was unpacked.
    if (!beside.empty()) {
        std::string relative = std::string(dir) + "/../share/vorlain/lang/lang.ini";
        if (access(relative.c_str(), R_OK) == 0)
            return put(relative, out, size) ? 1 : 0;
    }
    std::string installed = std::string(VORLAIN_INSTALL_PREFIX) + "/share/vorlain/lang/lang.ini";
    if (access(installed.c_str(), R_OK) == 0)
        return put(installed, out, size) ? 1 : 0;
    put(beside, out, size);
    return 0;
}

int64_t VorlainFreeSpaceKiB(const char* path)
{
    if (!path || !*path)
        return 0;
    std::string probe(path);
    struct statvfs vfs{};
    while (statvfs(probe.c_str(), &vfs) != 0) {
        size_t slash = probe.find_last_of('/');
        if (slash == std::string::npos)
            return 0;
        probe = slash == 0 ? std::string("/") : probe.substr(0, slash);
        if (probe == "/" && statvfs("/", &vfs) != 0)
            return 0;
    }
    return static_cast<int64_t>(static_cast<unsigned long long>(vfs.f_bavail) * vfs.f_frsize / 1024);
}

uint32_t VorlainTickCount(void)
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

size_t VorlainCollapseSeparators(char* path)
{
    if (!path)
        return 0;
    char* w = path;
    for (const char* r = path; *r; ++r) {
        if (*r == '/' && w > path && w[-1] == '/')
            continue;
        *w++ = *r;
    }
    *w = '\0';
    return static_cast<size_t>(w - path);
}

void VorlainCopyTextCut(char* dst, size_t size, const char* src)
{
    if (!dst || size == 0)
        return;
    if (!src)
        src = "";
    size_t n = std::strlen(src);
    if (n >= size) {
        n = size - 1;
        // Step back over UTF-8 continuation bytes so no character is split.
        while (n > 0 && (static_cast<unsigned char>(src[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(dst, src, n);
    dst[n] = '\0';
}

} // extern "C"
