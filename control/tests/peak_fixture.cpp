#include "peak_fixture.h"

#include "sample_mapping.h"

#include <algorithm>

namespace brimsel::test {

std::string WriteDataFile(const std::string& path, const vorlain::test::Samples& samples)
{
    vorlain::test::WriteBytes(path, vorlain::test::PcmBytes(samples));
    return path;
}

CTimeline MakeTimeline(const std::vector<std::string>& files)
{
    CTimeline timeline;
    TrackSegment header{};
    header.state = vorlain::kHeaderSegment;
    snprintf(header.path, sizeof header.path, "%s", "/nonexistent/header.dat");
    timeline.Append(header);
    int64_t start = 0;
    for (const std::string& file : files) {
        TrackSegment segment{};
        segment.state = vorlain::kAudioSegment;
        segment.start = start;
        segment.end = start + 1000;
        start = segment.end;
        snprintf(segment.path, sizeof segment.path, "%s", file.c_str());
        timeline.Append(segment);
    }
    return timeline;
}

CDisplayList ReferenceDisplay(const vorlain::test::Samples& s, int channels, uint64_t zoomFactor,
                              uint32_t sampleRate)
{
    CDisplayList out;
    const uint64_t frames = s.size() / channels;
    for (uint64_t c = 0;; ++c) {
        const uint64_t a = uint64_t((unsigned __int128)c * zoomFactor * sampleRate / 44100);
        const uint64_t b = uint64_t((unsigned __int128)(c + 1) * zoomFactor * sampleRate / 44100);
        if (b > frames || b == a)
            break;
        for (int ch = 0; ch < channels; ++ch) {
            int lo = 1000, hi = -1;
            for (uint64_t f = a; f < b; ++f) {
                const uint16_t u = OffsetSample(s[f * channels + ch]);
                const int y = channels == 2 ? (ch == 0 ? HalfBandY(u) : kHalfBand + HalfBandY(u))
                                            : FullBandY(u);
                lo = std::min(lo, y);
                hi = std::max(hi, y);
            }
            out.channel[ch].push_back(ColumnPeak{uint8_t(hi), uint8_t(lo)});
        }
    }
    return out;
}

vorlain::test::Samples Slice(const vorlain::test::Samples& s, int channels, int64_t from,
                             int64_t to)
{
    return vorlain::test::Samples(s.begin() + from * channels, s.begin() + to * channels);
}

} // namespace brimsel::test
