// Text kept whole in one atom, lines without stamps: a top-level "udat" atom (a log written
// beside the recording), or a "gps " atom inside a top-level "free" box. The text is NMEA
// sentences or, where it holds no RMC sentence, camera text lines. Nothing ties a line to the
// recording's timeline but its own clock, so a sample's time into the recording is its clock's
// distance from the first dated line's.
#include "nmeatext.h"
#include "sampletable.h"
#include "trackreaders.h"

namespace {
constexpr uint32_t kUdat = fourcc("udat");
constexpr std::size_t kMaxText = std::size_t(16) << 20;

bool findTopLevel(InputFile &file, uint32_t type, BoxHead *found)
{
    for (const BoxHead &head : topLevelBoxes(file)) {
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
} // namespace

int readNmeaAtom(const VideoInput &video, const char *textPath, TrackReport *report)
{
    InputFile file(video);
    if (!file.isOpen())
        return -1;
    BoxHead atom;
    const char *where = nullptr;
    NmeaFreeBox box;
    if (findTopLevel(file, kUdat, &atom)) {
        where = "a top-level udat atom";
    } else if (findNmeaFreeBox(file, &box)) {
        atom = box.gps;
        where = "a gps atom inside a free box";
    } else {
        return -1;
    }
    std::string text;
    if (!readAtomBytes(file, atom, kMaxText, &text, true))
        return -1;
    std::vector<GpsSample> samples;
    for (const StampedRmc &s : rmcSentences(text))
        samples.push_back(nmeaSample(s.sentence, -1));
    report->variant = std::string("NMEA text in ") + where;
    if (samples.empty()) {
        samples = cameraTextLines(text);
        if (!samples.empty())
            report->variant = std::string("camera text lines in ") + where;
    }
    if (samples.empty()) {
        report->problem = std::string(where) + " found, but it holds neither RMC sentences "
                                               "nor camera text lines";
        return -1;
    }
    const int lines = writeSecondsTrack(timedByClock(std::move(samples)), textPath);
    if (lines < 0)
        report->problem = report->variant + " found, but no line holds a date or a position";
    return lines;
}
