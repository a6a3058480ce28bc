// Captures the diagnostic lines written while it is alive.
#pragma once

#include <string>
#include <vector>

namespace vorlain::test {

class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    std::vector<std::string> lines() const;
    /** Lines that begin with prefix. */
    std::vector<std::string> linesStartingWith(const std::string& prefix) const;
    void clear();
};

} // namespace vorlain::test
