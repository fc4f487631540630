#pragma once
#include "furtherlayouts.h"

// The two ways "freeGPS " blocks are found: listed by a "gps " index (in the movie box or at the
// top level), or, with no index, by scanning the "free" and "mdat" boxes for the block tag.
bool readIndexedFreeGps(VideoIndex &video, LayoutRead *read);
bool readScannedFreeGps(VideoIndex &video, LayoutRead *read);
