#include "capture_settings.h"

#include "vorlain/platform.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>

namespace vorlain::capturo {

namespace {

constexpr const char* kSection = "Capturo";
constexpr const char* kOptionKey = "Option";
constexpr const char* kMicrophoneKey = "MicrophoneDevice";
constexpr const char* kComputerSoundKey = "ComputerSoundDevice";

const char* keyOf(int option)
{
    return option == 1 ? kMicrophoneKey : kComputerSoundKey;
}

std::string readDevice(const std::string& path, const char* key, const char* fallback)
{
    char value[CaptureSettings::kMaxDeviceName + 2] = {};
    VorlainGetProfileString(kSection, key, fallback, value, sizeof value, path.c_str());
    std::string name = value;
    return CaptureSettings::ValidDeviceName(name) ? name : fallback;
}

std::string folderOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

const char* const CaptureSettings::kDefaultMicrophone = "default";
// The monitor of whatever the sound server plays to; PipeWire's pulse
// emulation understands the same name.
const char* const CaptureSettings::kDefaultComputerSound = "pulse:@DEFAULT_MONITOR@";

bool CaptureSettings::ValidDeviceName(const std::string& name)
{
    // The INI file trims values, so outer blanks would not survive a round trip.
    return !name.empty() && name.size() <= kMaxDeviceName &&
           name.find_first_of("\r\n") == std::string::npos && name.front() != ' ' &&
           name.front() != '\t' && name.back() != ' ' && name.back() != '\t';
}

bool CaptureSettings::load(const std::string& path)
{
    if (path.empty())
        return false;
    struct stat st{};
    if (stat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            return false;
        // The INI reader treats an unreadable file as empty; refuse it instead
        // of silently running on defaults.
        FILE* f = std::fopen(path.c_str(), "rb");
        if (!f)
            return false;
        std::fclose(f);
        int option = VorlainGetProfileInt(kSection, kOptionKey, kNoOption, path.c_str());
        m_option = option >= 1 && option <= 3 ? option : kNoOption;
        m_microphone = readDevice(path, kMicrophoneKey, kDefaultMicrophone);
        m_computerSound = readDevice(path, kComputerSoundKey, kDefaultComputerSound);
        m_path = path;
        return true;
    }
    if (errno != ENOENT)
        return false;
    struct stat folder{};
    if (stat(folderOf(path).c_str(), &folder) != 0 || !S_ISDIR(folder.st_mode))
        return false;
    // A first run: write the defaults so that the file exists and can be edited.
    if (!VorlainWriteProfileString(kSection, kMicrophoneKey, kDefaultMicrophone, path.c_str()) ||
        !VorlainWriteProfileString(kSection, kComputerSoundKey, kDefaultComputerSound,
                                   path.c_str()))
        return false;
    m_option = kNoOption;
    m_microphone = kDefaultMicrophone;
    m_computerSound = kDefaultComputerSound;
    m_path = path;
    return true;
}

bool CaptureSettings::save() const
{
    if (m_path.empty())
        return false;
    std::string option = std::to_string(m_option);
    return VorlainWriteProfileString(kSection, kOptionKey,
                                     m_option == kNoOption ? nullptr : option.c_str(),
                                     m_path.c_str()) &&
           VorlainWriteProfileString(kSection, kMicrophoneKey, m_microphone.c_str(),
                                     m_path.c_str()) &&
           VorlainWriteProfileString(kSection, kComputerSoundKey, m_computerSound.c_str(),
                                     m_path.c_str());
}

bool CaptureSettings::storeDevice(int option, const std::string& name)
{
    if (m_path.empty() || (option != 1 && option != 2) || !ValidDeviceName(name))
        return false;
    if (!VorlainWriteProfileString(kSection, keyOf(option), name.c_str(), m_path.c_str()))
        return false;
    (option == 1 ? m_microphone : m_computerSound) = name;
    return true;
}

const std::string& CaptureSettings::device(int option) const
{
    return option == 1 ? m_microphone : m_computerSound;
}

} // namespace vorlain::capturo
