// Interposes the C library's file-changing calls (see vorlain/test/fault_io.h).
// Linked into a test program, these definitions come before libc's in symbol
// lookup, so every library of the process calls them; each forwards to the
// next definition (libc's, or a sanitizer's) found with dlsym(RTLD_NEXT).
#include "vorlain/test/fault_io.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdio.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {

std::atomic<bool> g_armed{false};
std::atomic<uint64_t> g_count{0};
std::atomic<uint64_t> g_failAt{0};
std::atomic<bool> g_sticky{false};
std::atomic<int> g_error{ENOSPC};
std::atomic<bool> g_fired{false};

// Paths of open descriptors, so that writes know what they write to.
std::mutex& lock()
{
    static std::mutex m;
    return m;
}
std::unordered_map<int, std::string>& paths()
{
    static auto* map = new std::unordered_map<int, std::string>;
    return *map;
}
std::string& skipText()
{
    static auto* text = new std::string;
    return *text;
}
std::string& onlyText()
{
    static auto* text = new std::string;
    return *text;
}
// Run at the armed call instead of failing it (FaultIoArmAction).
std::function<void()>& action()
{
    static std::function<void()> a;
    return a;
}

std::string& firedCall()
{
    static auto* text = new std::string;
    return *text;
}

thread_local int t_depth = 0; // inside our own call: libc calling back into us

struct Reentry {
    Reentry() { ++t_depth; }
    ~Reentry() { --t_depth; }
};

template <class F> F next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

void remember(int fd, const char* path)
{
    if (fd < 0 || !path)
        return;
    std::lock_guard g(lock());
    paths()[fd] = path;
}

void forget(int fd)
{
    std::lock_guard g(lock());
    paths().erase(fd);
}

std::string pathOf(int fd)
{
    std::lock_guard g(lock());
    auto it = paths().find(fd);
    return it == paths().end() ? std::string() : it->second;
}

// Whether the call fails: counts it when armed and not skipped.
bool shouldFail(const char* what, const std::string& path)
{
    if (!g_armed.load() || t_depth > 1)
        return false;
    {
        std::lock_guard g(lock());
        if (!skipText().empty() && path.find(skipText()) != std::string::npos)
            return false;
        if (!onlyText().empty() && path.find(onlyText()) == std::string::npos)
            return false;
    }
    const uint64_t n = ++g_count;
    const uint64_t at = g_failAt.load();
    if (at == 0 || (g_sticky ? n < at : n != at))
        return false;
    bool expected = false;
    if (g_fired.compare_exchange_strong(expected, true)) {
        std::function<void()> run;
        {
            std::lock_guard g(lock());
            firedCall() = std::string(what) + " " + path;
            run = action();
        }
        if (run) {
            run(); // and the call goes through
            return false;
        }
    }
    errno = g_error.load();
    return true;
}

bool writesFd(int fd)
{
    return fd > 2;
}

bool createsFile(int flags)
{
    return (flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE;
}

bool modeWrites(const char* mode)
{
    return mode && (std::strchr(mode, 'w') || std::strchr(mode, 'a'));
}

using OpenFn = int (*)(const char*, int, ...);
using OpenAtFn = int (*)(int, const char*, int, ...);

int doOpen(const char* name, const char* path, int flags, mode_t mode)
{
    Reentry r;
    if (createsFile(flags) && shouldFail(name, path ? path : ""))
        return -1;
    static auto real = next<OpenFn>("open");
    const int fd = real(path, flags, mode);
    remember(fd, path);
    return fd;
}

int doOpenAt(const char* name, int dirfd, const char* path, int flags, mode_t mode)
{
    Reentry r;
    if (createsFile(flags) && shouldFail(name, path ? path : ""))
        return -1;
    static auto real = next<OpenAtFn>("openat");
    const int fd = real(dirfd, path, flags, mode);
    remember(fd, path);
    return fd;
}

FILE* doFopen(const char* name, const char* path, const char* mode)
{
    Reentry r;
    if (modeWrites(mode) && shouldFail(name, path ? path : ""))
        return nullptr;
    using Fn = FILE* (*)(const char*, const char*);
    static auto real = next<Fn>("fopen");
    FILE* f = real(path, mode);
    if (f)
        remember(fileno(f), path);
    return f;
}

} // namespace

namespace vorlain::test {

void FaultIoArm(uint64_t failAt, int error, const std::string& skip)
{
    {
        std::lock_guard g(lock());
        skipText() = skip;
        onlyText().clear();
        firedCall().clear();
    }
    {
        std::lock_guard g(lock());
        action() = nullptr;
    }
    g_count = 0;
    g_failAt = failAt;
    g_error = error;
    g_sticky = false;
    g_fired = false;
    g_armed = true;
}

void FaultIoArmAction(uint64_t at, std::function<void()> run, const std::string& skip)
{
    FaultIoArm(at, 0, skip);
    std::lock_guard g(lock());
    action() = std::move(run);
}

void FaultIoFailMatching(const std::string& only, int error)
{
    FaultIoArm(1, error);
    {
        std::lock_guard g(lock());
        onlyText() = only;
    }
    g_sticky = true;
}

uint64_t FaultIoDisarm()
{
    g_armed = false;
    return g_count.load();
}

bool FaultIoFired()
{
    return g_fired.load();
}

std::string FaultIoFiredCall()
{
    std::lock_guard g(lock());
    return firedCall();
}

} // namespace vorlain::test

extern "C" {

#define VORLAIN_MODE_ARG(flags)                                                                    \
    mode_t mode = 0;                                                                               \
    if (createsFile(flags)) {                                                                      \
        va_list ap;                                                                                \
        va_start(ap, flags);                                                                       \
        mode = static_cast<mode_t>(va_arg(ap, int));                                               \
        va_end(ap);                                                                                \
    }

__attribute__((visibility("default"))) int open(const char* path, int flags, ...)
{
    VORLAIN_MODE_ARG(flags)
    return doOpen("open", path, flags, mode);
}

__attribute__((visibility("default"))) int open64(const char* path, int flags, ...)
{
    VORLAIN_MODE_ARG(flags)
    return doOpen("open", path, flags, mode);
}

__attribute__((visibility("default"))) int openat(int dirfd, const char* path, int flags, ...)
{
    VORLAIN_MODE_ARG(flags)
    return doOpenAt("openat", dirfd, path, flags, mode);
}

__attribute__((visibility("default"))) int openat64(int dirfd, const char* path, int flags, ...)
{
    VORLAIN_MODE_ARG(flags)
    return doOpenAt("openat", dirfd, path, flags, mode);
}

__attribute__((visibility("default"))) int creat(const char* path, mode_t mode)
{
    return doOpen("creat", path, O_WRONLY | O_CREAT | O_TRUNC, mode);
}

__attribute__((visibility("default"))) int creat64(const char* path, mode_t mode)
{
    return doOpen("creat", path, O_WRONLY | O_CREAT | O_TRUNC, mode);
}

__attribute__((visibility("default"))) FILE* fopen(const char* path, const char* mode)
{
    return doFopen("fopen", path, mode);
}

__attribute__((visibility("default"))) FILE* fopen64(const char* path, const char* mode)
{
    return doFopen("fopen", path, mode);
}

__attribute__((visibility("default"))) int close(int fd)
{
    forget(fd);
    using Fn = int (*)(int);
    static auto real = next<Fn>("close");
    return real(fd);
}

__attribute__((visibility("default"))) int fclose(FILE* f)
{
    if (f)
        forget(fileno(f));
    using Fn = int (*)(FILE*);
    static auto real = next<Fn>("fclose");
    return real(f);
}

__attribute__((visibility("default"))) ssize_t write(int fd, const void* buffer, size_t count)
{
    Reentry r;
    if (writesFd(fd) && shouldFail("write", pathOf(fd)))
        return -1;
    using Fn = ssize_t (*)(int, const void*, size_t);
    static auto real = next<Fn>("write");
    return real(fd, buffer, count);
}

__attribute__((visibility("default"))) ssize_t pwrite(int fd, const void* buffer, size_t count,
                                                      off_t at)
{
    Reentry r;
    if (writesFd(fd) && shouldFail("pwrite", pathOf(fd)))
        return -1;
    using Fn = ssize_t (*)(int, const void*, size_t, off_t);
    static auto real = next<Fn>("pwrite");
    return real(fd, buffer, count, at);
}

__attribute__((visibility("default"))) ssize_t pwrite64(int fd, const void* buffer, size_t count,
                                                        off_t at)
{
    return pwrite(fd, buffer, count, at);
}

__attribute__((visibility("default"))) ssize_t writev(int fd, const struct iovec* iov, int count)
{
    Reentry r;
    if (writesFd(fd) && shouldFail("writev", pathOf(fd)))
        return -1;
    using Fn = ssize_t (*)(int, const struct iovec*, int);
    static auto real = next<Fn>("writev");
    return real(fd, iov, count);
}

__attribute__((visibility("default"))) size_t fwrite(const void* buffer, size_t size, size_t count,
                                                     FILE* f)
{
    Reentry r;
    if (f && writesFd(fileno(f)) && size * count > 0 && shouldFail("fwrite", pathOf(fileno(f)))) {
        return 0;
    }
    using Fn = size_t (*)(const void*, size_t, size_t, FILE*);
    static auto real = next<Fn>("fwrite");
    return real(buffer, size, count, f);
}

__attribute__((visibility("default"))) int ftruncate(int fd, off_t length)
{
    Reentry r;
    if (shouldFail("ftruncate", pathOf(fd)))
        return -1;
    using Fn = int (*)(int, off_t);
    static auto real = next<Fn>("ftruncate");
    return real(fd, length);
}

__attribute__((visibility("default"))) int ftruncate64(int fd, off_t length)
{
    return ftruncate(fd, length);
}

__attribute__((visibility("default"))) int fallocate(int fd, int mode, off_t offset, off_t length)
{
    Reentry r;
    if (shouldFail("fallocate", pathOf(fd)))
        return -1;
    using Fn = int (*)(int, int, off_t, off_t);
    static auto real = next<Fn>("fallocate");
    return real(fd, mode, offset, length);
}

__attribute__((visibility("default"))) ssize_t
copy_file_range(int in, off_t* inAt, int out, off_t* outAt, size_t count, unsigned flags)
{
    Reentry r;
    if (shouldFail("copy_file_range", pathOf(out)))
        return -1;
    using Fn = ssize_t (*)(int, off_t*, int, off_t*, size_t, unsigned);
    static auto real = next<Fn>("copy_file_range");
    return real(in, inAt, out, outAt, count, flags);
}

__attribute__((visibility("default"))) ssize_t sendfile(int out, int in, off_t* at, size_t count)
{
    Reentry r;
    if (shouldFail("sendfile", pathOf(out)))
        return -1;
    using Fn = ssize_t (*)(int, int, off_t*, size_t);
    static auto real = next<Fn>("sendfile");
    return real(out, in, at, count);
}

__attribute__((visibility("default"))) ssize_t sendfile64(int out, int in, off_t* at, size_t count)
{
    return sendfile(out, in, at, count);
}

__attribute__((visibility("default"))) int fsync(int fd)
{
    Reentry r;
    if (shouldFail("fsync", pathOf(fd)))
        return -1;
    using Fn = int (*)(int);
    static auto real = next<Fn>("fsync");
    return real(fd);
}

__attribute__((visibility("default"))) int fdatasync(int fd)
{
    Reentry r;
    if (shouldFail("fdatasync", pathOf(fd)))
        return -1;
    using Fn = int (*)(int);
    static auto real = next<Fn>("fdatasync");
    return real(fd);
}

__attribute__((visibility("default"))) int rename(const char* from, const char* to)
{
    Reentry r;
    if (shouldFail("rename", to ? to : ""))
        return -1;
    using Fn = int (*)(const char*, const char*);
    static auto real = next<Fn>("rename");
    return real(from, to);
}

__attribute__((visibility("default"))) int renameat(int fromDir, const char* from, int toDir,
                                                    const char* to)
{
    Reentry r;
    if (shouldFail("renameat", to ? to : ""))
        return -1;
    using Fn = int (*)(int, const char*, int, const char*);
    static auto real = next<Fn>("renameat");
    return real(fromDir, from, toDir, to);
}

__attribute__((visibility("default"))) int renameat2(int fromDir, const char* from, int toDir,
                                                     const char* to, unsigned flags)
{
    Reentry r;
    if (shouldFail("renameat2", to ? to : ""))
        return -1;
    using Fn = int (*)(int, const char*, int, const char*, unsigned);
    static auto real = next<Fn>("renameat2");
    return real(fromDir, from, toDir, to, flags);
}

__attribute__((visibility("default"))) int link(const char* from, const char* to)
{
    Reentry r;
    if (shouldFail("link", to ? to : ""))
        return -1;
    using Fn = int (*)(const char*, const char*);
    static auto real = next<Fn>("link");
    return real(from, to);
}

__attribute__((visibility("default"))) int linkat(int fromDir, const char* from, int toDir,
                                                  const char* to, int flags)
{
    Reentry r;
    if (shouldFail("linkat", to ? to : ""))
        return -1;
    using Fn = int (*)(int, const char*, int, const char*, int);
    static auto real = next<Fn>("linkat");
    return real(fromDir, from, toDir, to, flags);
}

__attribute__((visibility("default"))) int mkdir(const char* path, mode_t mode)
{
    Reentry r;
    if (shouldFail("mkdir", path ? path : ""))
        return -1;
    using Fn = int (*)(const char*, mode_t);
    static auto real = next<Fn>("mkdir");
    return real(path, mode);
}

__attribute__((visibility("default"))) int mkdirat(int dirfd, const char* path, mode_t mode)
{
    Reentry r;
    if (shouldFail("mkdirat", path ? path : ""))
        return -1;
    using Fn = int (*)(int, const char*, mode_t);
    static auto real = next<Fn>("mkdirat");
    return real(dirfd, path, mode);
}

} // extern "C"
