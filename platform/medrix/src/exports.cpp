// The AV_* calls: argument checks around MedrixConverter. No exception
// crosses this boundary.
#include "Diagnostics.h"
#include "MedrixConverter.h"

#include <new>

extern "C" {

MedrixHandle AV_Open(void)
{
    medrix::InitDiagnostics();
    return new (std::nothrow) MedrixConverter();
}

int AV_SetInputpath(MedrixHandle h, const char* path)
{
    try {
        return h && h->setInput(path) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int AV_SetInputSource(MedrixHandle h, const MedrixByteSource* source)
{
    try {
        return h && source && h->setInputSource(*source) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int AV_GetInputFileAttr(MedrixHandle h, MedrixFileAttr* file, MedrixAudioAttr* audio, int reserved)
{
    (void)reserved;
    return h && h->inputAttributes(file, audio) ? 1 : 0;
}

int AV_SetOutputPath(MedrixHandle h, const char* path)
{
    try {
        return h && h->setOutput(path) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int AV_SetOutputSink(MedrixHandle h, MedrixSampleSink sink, void* context)
{
    return h && h->setOutputSink(sink, context) ? 1 : 0;
}

int AV_SetAudioAttr(MedrixHandle h, MedrixAudioAttr attr)
{
    try {
        return h && h->setAudioAttributes(attr) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int AV_SetEncoderOptions(MedrixHandle h, int bits, int useQuality, int quality,
                         int compressionLevel)
{
    if (!h)
        return 0;
    medrix::EncoderOptions options;
    options.bits = bits == 0 ? 16 : bits;
    options.useQuality = useQuality != 0;
    options.quality = quality;
    options.compressionLevel = compressionLevel;
    return h->setEncoderOptions(options) ? 1 : 0;
}

int AV_Convert(MedrixHandle h)
{
    return h && h->convert() ? 1 : 0;
}

int AV_GetProgress(MedrixHandle h)
{
    return h ? h->progress() : 0;
}

int AV_Stop(MedrixHandle h)
{
    if (!h)
        return 0;
    h->stop();
    return 1;
}

int AV_Close(MedrixHandle h)
{
    if (!h)
        return 0;
    delete h;
    return 1;
}

} // extern "C"
