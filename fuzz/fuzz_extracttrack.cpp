// Arbitrary file bytes through the extraction entry with every container kind, so that the
// chip-trailer, "gps0", MP4, MOV and transport-stream readers, and after them the readers of the
// further layouts (freeGPS blocks, NMEA boxes, GPMF, camm and text tracks, user data, uuid,
// FMAS, RIFF trailer), all see each input; the car's signals of the SEI telemetry read it too. Input and
// text stay in memory: a file written and read per input made this target crawl.
#include "carsignals.h"
#include "fuzzsupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    silenceTrackOutput();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    for (int kind = 0; kind <= 2; ++kind) {
        const TrackExtraction e = extractTrackReportFromMemory(data, size, nullptr, kind);
        const int result = e.result;
        const TrackLayout layout = e.report.layout;
        // What the entry reports must agree with what it returned.
        if (result < 0 && layout != TrackLayout::None)
            std::abort();
        (void)trackLayoutName(layout);
        // The chip trailer and the "gps0" box are read first whatever the kind: another kind
        // would only repeat the same work.
        if (layout == TrackLayout::ChipTrailer || layout == TrackLayout::Gps0)
            break;
    }
    QVector<CarSignalFrame> frames;
    QString problem;
    // Frames come out in time order, or none with a reason.
    const bool found = readCarSignalsFromMemory(data, size, &frames, &problem);
    if (found == frames.isEmpty() || found == !problem.isEmpty() ||
        !std::is_sorted(frames.cbegin(), frames.cend(),
                        [](const CarSignalFrame &a, const CarSignalFrame &b) { return a.time < b.time; }))
        std::abort();
    return 0;
}
