// The settings file of the capture library: the chosen input option and the
// device name of each input, kept in an INI file through the platform's
// private-profile functions.
#pragma once

#include <string>

namespace vorlain::capturo {

class CaptureSettings {
public:
    static constexpr int kNoOption = -1;
    static constexpr size_t kMaxDeviceName = 255;
    static const char* const kDefaultMicrophone;
    static const char* const kDefaultComputerSound;

    /** Loads path, creating it with the defaults when it does not exist. On
     *  failure nothing changes. */
    bool load(const std::string& path);
    /** Writes option and both devices to the loaded file. */
    bool save() const;
    /** Sets and writes the device of option 1 or 2; unchanged on failure. */
    bool storeDevice(int option, const std::string& name);

    int option() const { return m_option; }
    void setOption(int option) { m_option = option; }
    /** The stored device of option 1 or 2. */
    const std::string& device(int option) const;
    bool loaded() const { return !m_path.empty(); }

    /** A name the file can hold unchanged: not empty, at most 255 bytes, no
     *  line break, no blank at either end. */
    static bool ValidDeviceName(const std::string& name);

private:
    std::string m_path;
    int m_option = kNoOption;
    std::string m_microphone = kDefaultMicrophone;
    std::string m_computerSound = kDefaultComputerSound;
};

} // namespace vorlain::capturo
