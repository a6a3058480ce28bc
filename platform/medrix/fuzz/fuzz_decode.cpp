// libFuzzer target: any bytes, stored as a file, go through the whole import
// sequence (probe, attributes, decode to a 16-bit wave file). The converter
// must refuse or convert, never crash, hang or leak.
#include "vorlain/medrix.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

const std::string& workDir()
{
    static const std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/medrix-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    static const bool cleanup = [] {
        // The folder is empty between inputs; remove it when the run ends.
        return std::atexit([] { rmdir(dir.c_str()); }) == 0;
    }();
    (void)cleanup;
    return dir;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string in = workDir() + "/input";
    const std::string out = workDir() + "/output.wav";
    std::FILE* f = std::fopen(in.c_str(), "wb");
    if (!f)
        return 0;
    if (size > 0)
        std::fwrite(data, 1, size, f);
    std::fclose(f);

    MedrixHandle h = AV_Open();
    MedrixFileAttr file;
    MedrixAudioAttr audio;
    std::memset(&file, 0, sizeof file);
    std::memset(&audio, 0, sizeof audio);
    if (AV_SetInputpath(h, in.c_str()) && AV_GetInputFileAttr(h, &file, &audio, 0) &&
        AV_SetOutputPath(h, out.c_str())) {
        MedrixAudioAttr target = audio;
        std::strcpy(target.codecName, "pcm_s16le");
        target.sampleRate = 44100;
        if (AV_SetAudioAttr(h, target))
            AV_Convert(h);
    }
    AV_Close(h);
    std::remove(out.c_str());
    std::remove(in.c_str());
    return 0;
}
