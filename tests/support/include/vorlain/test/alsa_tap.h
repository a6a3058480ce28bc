// A PCM named "tap" that writes what is played into a raw file through
// ALSA's null device, for the tests that check the audio a player wrote.
// Lives while the test does: writes the test's asoundrc, points VORLAIN_PCM
// at the tap, and puts both back afterwards. The test links alsa-lib.
#pragma once

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

namespace vorlain::test {

class AlsaTapScope {
public:
    /** played: the raw file the tap writes. usePcm: point VORLAIN_PCM at it
     *  now (a test that starts the player later may set it itself). */
    explicit AlsaTapScope(const std::string& played, bool usePcm = true)
    {
        if (const char* pcm = std::getenv("VORLAIN_PCM"))
            m_savedPcm = pcm;
        std::ofstream rc(std::string(std::getenv("HOME")) + "/.asoundrc");
        rc << "pcm.tap { type file; slave.pcm \"null\"; file \"" << played
           << "\"; format \"raw\" }\n";
        rc.close();
        snd_config_update_free_global(); // alsa-lib reads this test's asoundrc afresh
        if (usePcm)
            setenv("VORLAIN_PCM", "tap", 1);
    }
    ~AlsaTapScope()
    {
        if (m_savedPcm)
            setenv("VORLAIN_PCM", m_savedPcm->c_str(), 1);
        else
            unsetenv("VORLAIN_PCM");
        snd_config_update_free_global();
    }
    AlsaTapScope(const AlsaTapScope&) = delete;
    AlsaTapScope& operator=(const AlsaTapScope&) = delete;

private:
    std::optional<std::string> m_savedPcm;
};

} // namespace vorlain::test
