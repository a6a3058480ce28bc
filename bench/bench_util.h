// Small helpers the benchmarks share: timing and median.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

class CEditSession;

namespace bench {

/** Seconds one call of f takes. */
inline double Time(const std::function<void()>& f)
{
    auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

/** A session made quiet: no progress window, no waiting for one. */
void QuietKernel();

/** Writes 1 hour of a stereo 44.1 kHz ramp to wav and opens a session with
 *  tracks tracks loaded from it. */
CEditSession* HourSession(const std::string& wav, int tracks);

} // namespace bench
