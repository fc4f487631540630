// NMEA text in a top-level "nbmt" atom: RMC and GGA sentences, one pair a second, sometimes a
// GGA sentence alone. Sentences of one time of day make one sample; a GGA sentence alone is
// dated by the RMC sentence before it. The atom ties no sentence to the recording's timeline,
// so a sample's time into the recording is its clock's distance from the first dated one's.
#include "furtherlayouts.h"
#include "nmeafixes.h"
#include "nmeatext.h"
#include "secondstrack.h"

#include <algorithm>

namespace {
namespace nmeanbmt {
constexpr uint32_t kNbmt = fourcc("nbmt");
constexpr std::size_t kMaxText = std::size_t(16) << 20;

// A sample without a date (a GGA sentence before any RMC one) has no place: it is dropped.
void timeByClock(std::vector<GpsSample> *samples)
{
    samples->erase(std::remove_if(samples->begin(), samples->end(),
                                  [](const GpsSample &s) { return s.clock == kNoClock; }),
                   samples->end());
    int64_t first = kNoClock;
    for (GpsSample &sample : *samples) {
        if (first == kNoClock)
            first = sample.clock;
        // A clock that runs backwards places nothing; the writer puts such a sample a second
        // after the one before.
        if (sample.clock >= first)
            sample.time = double(sample.clock - first) / 1000.0;
    }
}
} // namespace nmeanbmt
} // namespace

bool readNmeaNbmt(VideoIndex &video, LayoutRead *read)
{
    using namespace nmeanbmt;
    const BoxHead *atom = nullptr;
    for (const BoxHead &head : video.topLevel()) {
        if (head.type == kNbmt) {
            atom = &head;
            break;
        }
    }
    if (!atom)
        return false;
    std::string text;
    if (!readAtomBytes(video.file(), *atom, kMaxText, &text, true)) {
        read->problem = "a top-level nbmt atom found, but it could not be read";
        return false;
    }
    NmeaFixes fixes;
    for (const NmeaSentence &s :
         rmcAndGgaSentences(reinterpret_cast<const unsigned char *>(text.data()), text.size()))
        fixes.add(s, -1);
    std::vector<GpsSample> samples = fixes.take();
    read->variant = "RMC and GGA sentences in a top-level nbmt atom";
    if (samples.empty()) {
        read->problem = "a top-level nbmt atom found, but it holds no RMC or GGA sentences";
        return false;
    }
    timeByClock(&samples);
    if (samples.empty()) {
        read->problem = "a top-level nbmt atom found, but no sentence holds a date";
        return false;
    }
    read->track.samples = std::move(samples);
    if (!isWritableTrack(read->track)) {
        read->problem = "a top-level nbmt atom found, but no sentence holds a date or a position";
        return false;
    }
    return true;
}
