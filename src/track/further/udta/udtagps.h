#pragma once
#include "gpssample.h"
#include "videoindex.h"

#include <string>

// GPS in user-data boxes comes in two forms: text records in a top-level "udta" (udtagps.cpp)
// and typed binary records in the movie's "udta"/"TTMD"/"TTAD" (udtabinary.cpp).

// Reads the binary records into track; false when the file has none. problem is set when the
// box is there but holds no readable fix.
bool readUdtaBinaryRecords(VideoIndex &video, DecodedTrack *track, std::string *problem);
