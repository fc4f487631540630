#pragma once
#include <cstddef>

// True when size bytes hold a "freeGPS " block whose GPS is a LIGOGPSINFO directory: the
// readers of the 80-byte record leave such blocks to the LIGOGPSINFO reader.
bool isLigoFreeGpsBlock(const unsigned char *block, std::size_t size);
