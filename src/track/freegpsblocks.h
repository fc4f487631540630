#pragma once
#include "trackreaders.h"

// The two ways "freeGPS " blocks are found: listed by a "gps " index (in the movie box or at the
// top level), or, with no index, by scanning the "free" and "mdat" boxes for the block tag.
int readIndexedFreeGps(const VideoInput &video, const char *textPath, TrackReport *report);
int readScannedFreeGps(const VideoInput &video, const char *textPath, TrackReport *report);

// True when the first blocks a "gps " index lists are of a form the older index reader, which
// takes every block for an 80-byte record, would misread (text, masked, other binary forms):
// such files go to readIndexedFreeGps first.
bool indexedFreeGpsNeedsItsOwnReader(const VideoInput &video);
