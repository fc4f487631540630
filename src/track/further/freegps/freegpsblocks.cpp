#include "freegpsblocks.h"

bool readFreeGpsBlocks(VideoIndex &video, LayoutRead *read)
{
    LayoutRead indexed;
    if (readIndexedFreeGps(video, &indexed)) {
        *read = std::move(indexed);
        return true;
    }
    // Blocks no index lists; an index that was found but not decodable is what the probe tells.
    const bool scanned = readScannedFreeGps(video, read);
    if (!scanned && (!indexed.problem.empty() || read->problem.empty()))
        *read = std::move(indexed);
    return scanned;
}
