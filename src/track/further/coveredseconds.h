#pragma once
#include "gpssample.h"

#include <algorithm>
#include <cmath>

// The timed-metadata readers write a line only for the seconds their samples cover: a file cut
// short ends at its last whole sample instead of at a point that merely comes near the next
// second. end: where the last sample read ends, in seconds into the recording.
inline void keepCoveredSeconds(double end, DecodedTrack *track)
{
    // A second s is covered when s < end; its line takes points from before s + 0.5.
    const double limit = std::ceil(end - 1e-6) - 0.5;
    const auto past = [limit](const auto &point) { return !(point.time < limit); };
    track->samples.erase(std::remove_if(track->samples.begin(), track->samples.end(), past),
                         track->samples.end());
    track->accel.erase(std::remove_if(track->accel.begin(), track->accel.end(), past),
                       track->accel.end());
}
