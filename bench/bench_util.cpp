#include "bench_util.h"

#include "common/progress.h"
#include "track/track.h"
#include "vorlain/kestrum.h"
#include "vorlain/test/audio.h"

#include <cstdio>

namespace bench {

void QuietKernel()
{
    kernel::SetFinalProgressWait(std::chrono::milliseconds(0));
}

CEditSession* HourSession(const std::string& wav, int tracks)
{
    std::printf("Preparing 1 hour of stereo 44.1 kHz audio...\n");
    vorlain::test::WriteRampWave(wav, 3600 * 44100, 44100, 2);
    CEditSession* session = Kestrum_Open(nullptr);
    for (int k = 0; k < tracks; ++k)
        Kestrum_AddTrack(session, nullptr)->Load(wav.c_str());
    return session;
}

} // namespace bench
