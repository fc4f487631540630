#pragma once
#include "trackio.h"

#include <cstddef>

// True when size bytes hold a "freeGPS " block whose GPS is a LIGOGPSINFO directory: the
// readers of the 80-byte record leave such blocks to the LIGOGPSINFO reader.
bool isLigoFreeGpsBlock(const unsigned char *block, std::size_t size);

// True when the file ends in a LIGOGPSINFO trailer ("&&&&" and its length in the last 8 bytes,
// a skip atom holding the records where that points): found at once, without walking the file.
bool endsWithLigoTrailer(const VideoInput &input);
