#pragma once
#include "trackreaders.h"

// The two ways "freeGPS " blocks are found: listed by a "gps " index (in the movie box or at the
// top level), or, with no index, by scanning the "free" and "mdat" boxes for the block tag.
int readIndexedFreeGps(const VideoInput &video, const char *textPath, TrackReport *report);
int readScannedFreeGps(const VideoInput &video, const char *textPath, TrackReport *report);

