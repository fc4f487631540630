#pragma once
#include "layoutread.h"

// The track of the side file beside videoPath (its base name with .nmea, .gpx, .log or .srt), as
// decoded samples. False when there is none, or, with read->problem set, when it was refused.
bool readSideFile(const char *videoPath, LayoutRead *read);
