#include "freegpsblocks.h"

int readFreeGpsBlocks(const VideoInput &video, const char *textPath, TrackReport *report)
{
    TrackReport indexed;
    const int result = readIndexedFreeGps(video, textPath, &indexed);
    if (result >= 0) {
        *report = indexed;
        return result;
    }
    // Blocks no index lists; an index that was found but not decodable is what the probe tells.
    const int scanned = readScannedFreeGps(video, textPath, report);
    if (scanned < 0 && (!indexed.problem.empty() || report->problem.empty()))
        *report = indexed;
    return scanned;
}
