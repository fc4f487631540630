// Text kept whole in one atom, lines without stamps: a top-level "udat" atom (a log written
// beside the recording), or a "gps " atom inside a top-level "free" box. The text is NMEA
// sentences or, where it holds no RMC sentence, camera text lines. Nothing ties a line to the
// recording's timeline but its own clock, so a sample's time into the recording is its clock's
// distance from the first dated line's.
#include "furtherlayouts.h"
#include "nmeasentence.h"
#include "nmeatext.h"
#include "secondstrack.h"

namespace {
namespace nmeaatom {
constexpr uint32_t kUdat = fourcc("udat");
constexpr std::size_t kMaxText = std::size_t(16) << 20;

bool findTopLevel(VideoIndex &video, uint32_t type, BoxHead *found)
{
    for (const BoxHead &head : video.topLevel()) {
        if (head.type == type) {
            *found = head;
            return true;
        }
    }
    return false;
}

DecodedTrack timedByClock(std::vector<GpsSample> samples)
{
    DecodedTrack track;
    int64_t first = kNoClock;
    for (GpsSample &sample : samples) {
        if (sample.clock == kNoClock)
            continue;
        if (first == kNoClock)
            first = sample.clock;
        // A clock that runs backwards places nothing; the writer puts such a sample a second
        // after the one before.
        if (sample.clock >= first)
            sample.time = double(sample.clock - first) / 1000.0;
    }
    track.samples = std::move(samples);
    return track;
}
} // namespace nmeaatom
} // namespace

bool readNmeaAtom(VideoIndex &video, LayoutRead *read)
{
    using namespace nmeaatom;
    InputFile &file = video.file();
    BoxHead atom;
    const char *where = nullptr;
    NmeaFreeBox box;
    if (findTopLevel(video, kUdat, &atom)) {
        where = "a top-level udat atom";
    } else if (findNmeaFreeBox(video, &box)) {
        atom = box.gps;
        where = "a gps atom inside a free box";
    } else {
        return false;
    }
    std::string text;
    if (!readAtomBytes(file, atom, kMaxText, &text, true))
        return false;
    std::vector<GpsSample> samples;
    for (const StampedRmc &s : rmcSentences(text))
        samples.push_back(nmeaSample(s.sentence, -1));
    read->variant = std::string("NMEA text in ") + where;
    if (samples.empty()) {
        samples = cameraTextLines(text);
        if (!samples.empty())
            read->variant = std::string("camera text lines in ") + where;
    }
    if (samples.empty()) {
        read->problem = std::string(where) + " found, but it holds neither RMC sentences "
                                               "nor camera text lines";
        return false;
    }
    read->track = timedByClock(std::move(samples));
    if (!isWritableTrack(read->track)) {
        read->problem = read->variant + " found, but no line holds a date or a position";
        return false;
    }
    return true;
}
