// What the parts of bench_scale share: timing, medians, the maximum resident
// size, and the lines a part prints for the program that runs it.
#pragma once

#include "vorlain/kestrum.h"
#include "vorlain/window.h"

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace scale {

inline constexpr int64_t kSecond = 1'000'000;
using Clock = std::chrono::steady_clock;

inline double Since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline double Time(const std::function<void()>& f)
{
    const auto start = Clock::now();
    f();
    return Since(start);
}

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

inline long MaxRssKiB()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

/** A result line a job prints for the parent: "RESULT tool operation seconds". */
inline void Report(const std::string& tool, const std::string& operation, double seconds)
{
    std::printf("RESULT %s|%s|%.9g\n", tool.c_str(), operation.c_str(), seconds);
    std::fflush(stdout);
}

inline void ReportMemory(const std::string& what)
{
    Report("rss", what, MaxRssKiB() / 1024.0); // MB, in the seconds column
}

inline int Shell(const std::string& command)
{
    return std::system((command + " > /dev/null 2>&1").c_str());
}

inline std::string Quote(const std::string& s)
{
    return "'" + s + "'";
}

/** A window that takes the kernel's progress messages, so that a final 100
 *  never waits for a progress dialog. */
inline void QuietProgress()
{
    static HWND window =
        RegisterWindow([](void*, HWND, UINT, WPARAM, LPARAM) {},
                       [](void*, HWND, UINT, WPARAM, LPARAM) -> LRESULT { return 0; }, nullptr);
    Kestrum_SetProressNotifyHwnd(window);
}

} // namespace scale
