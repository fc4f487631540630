// NMEA sentences in a subtitle track ("tx3g" or "text") where some seconds carry a GGA sentence
// alone: such a second is dated by the last RMC sentence with a fix before it, and sentences of
// one time of day, in one sample or the next, make one sample. A track without such seconds is
// left to the text-track reader.
#include "furtherlayouts.h"
#include "nmeafixes.h"
#include "rmcinfo.h"
#include "secondstrack.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {
namespace textggadated {
constexpr uint32_t kText = fourcc("text");
constexpr uint32_t kTx3g = fourcc("tx3g");
// A text sample holding GPS is a few hundred bytes; the rest of a longer one is not read.
constexpr std::size_t kMaxSampleBytes = 4096;
// A track whose first samples hold no sentence is a track of subtitles or chapter names.
constexpr int kMaxSamplesWithoutNmea = 100;

// The text after the 2-byte length word, when the word fits the sample; else the whole sample.
std::size_t textOf(const std::vector<unsigned char> &bytes, std::size_t *begin)
{
    *begin = 0;
    if (bytes.size() < 2)
        return bytes.size();
    const std::size_t length = readBe16(bytes.data());
    if (length > 0 && length <= bytes.size() - 2) {
        *begin = 2;
        return length;
    }
    return bytes.size();
}

bool sameTimeOfDay(const NmeaSentence &a, const NmeaSentence &b)
{
    return a.hour == b.hour && a.minute == b.minute && a.second == b.second;
}

// Adds a sample's sentences; several times of day in one sample are spread over its length.
// False when the sample holds no sentence.
bool addSample(const std::vector<NmeaSentence> &sentences, const MediaSample &m, NmeaFixes *fixes)
{
    if (sentences.empty())
        return false;
    std::size_t times = 1;
    for (std::size_t k = 1; k < sentences.size(); ++k)
        times += sameTimeOfDay(sentences[k], sentences[k - 1]) ? 0 : 1;
    const double step = m.duration > 0 ? m.duration / double(times) : 0;
    std::size_t at = 0;
    for (std::size_t k = 0; k < sentences.size(); ++k) {
        if (k > 0 && !sameTimeOfDay(sentences[k], sentences[k - 1]))
            ++at;
        fixes->add(sentences[k], m.time + step * double(at));
    }
    return true;
}
} // namespace textggadated
} // namespace

bool readTextGgaDated(VideoIndex &video, LayoutRead *read)
{
    using namespace textggadated;
    std::vector<const MediaTrack *> tracks;
    if (!video.mediaTracks({kText, kTx3g}, &tracks))
        return false;
    std::vector<unsigned char> bytes;
    for (const MediaTrack *track : tracks) {
        if (track->video)
            continue;
        NmeaFixes fixes;
        int withoutNmea = 0;
        bool any = false;
        for (const MediaSample &m : track->samples) {
            if (!any && withoutNmea >= kMaxSamplesWithoutNmea)
                break;
            bytes.resize(std::min<std::size_t>(m.size, kMaxSampleBytes));
            if (bytes.empty() || !video.file().readAt(m.offset, bytes.data(), bytes.size()))
                continue;
            std::size_t begin = 0;
            const std::size_t length = textOf(bytes, &begin);
            if (addSample(rmcAndGgaSentences(bytes.data() + begin, length), m, &fixes))
                any = true;
            else
                ++withoutNmea;
        }
        std::vector<GpsSample> samples = fixes.take();
        if (fixes.datedGgaFixes() == 0)
            continue;
        DecodedTrack decoded;
        decoded.samples = std::move(samples);
        if (!isWritableTrack(decoded))
            continue;
        read->variant = std::string(track->format == kTx3g ? "tx3g" : "text") +
                        " subtitle track, RMC and GGA sentences, seconds of GGA alone dated by "
                        "the RMC before them";
        read->track = std::move(decoded);
        return true;
    }
    return false;
}
