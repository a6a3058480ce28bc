// The capture devices a record-source dialog can offer for one input, from
// ALSA's device hints.
#pragma once

#include <string>
#include <vector>

namespace vorlain::capturo {

class DeviceCatalog {
public:
    /** Devices for option 1 (microphones) or 2 (monitors and loopbacks),
     *  the stored one first, without repeats. Empty for another option. */
    static std::vector<std::string> List(int option, const std::string& stored);
};

} // namespace vorlain::capturo
