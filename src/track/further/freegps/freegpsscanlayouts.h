#pragma once
#include "gpssample.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

// The layouts of the "freeGPS " blocks that no index lists and that are found by scanning the
// media data. A block starts with its 32-bit big-endian size and the tag "freeGPS "; the bytes
// after the 48-byte head tell the layouts apart. Every decoder checks its own signature and
// every offset it reads against size (the bytes of the block in memory, never more than it
// declares), and appends what it read to the track, one sample a second.

enum class ScannedLayout
{
    Unknown,
    MaskedRing,       // a ring of 52-byte records, each masked with key bytes of its own
    DoubleWords,      // clock words, then ddmm.mmmm doubles, hemispheres as 32-bit words
    ScaledIntegers,   // clock words, then degrees * 1e7 and m/s * 100 as 32-bit integers
    FloatRecord,      // clock words, status and hemisphere bytes, ddmm.mmmm floats
    FloatWords,       // clock words, ddmm.mmmm floats with hemispheres as 32-bit words, km/h
    TimelessRecords,  // 32-byte records of ddmm.mmmm floats without any clock
    DoublesWithText,  // clock words at 16, ddmm.mmmm doubles, then an NMEA sentence
    BigEndianRecords, // 32-byte big-endian records: whole year, tenths of seconds, degrees * 1e7
    TenthsRecords,    // 36-byte records of bytes and scaled integers at tenths of a second
};

// The layout whose signature the block carries, in an order where no signature can shadow a
// later one; big-endian records are what remains, and only their first record's date tells.
ScannedLayout classifyScannedBlock(const unsigned char *block, std::size_t size);
// For the probe: the layout in words.
const char *scannedLayoutText(ScannedLayout layout);

// What decoding carries from one block to the next: the masked ring repeats older records in
// every block, and only records newer than the newest one read are new.
struct ScanState
{
    int newest[6] = {};   // year, month, day, hour, minute, second of the newest record read
    long recentSlot = -1; // the previous block's slot of its newest record, -1 when none
};

// Each appends the block's samples to track (at the next seconds of the recording) and returns
// how many; 0 when the block's values do not hold together.
int decodeMaskedRing(const unsigned char *block, std::size_t size, ScanState *state,
                     DecodedTrack *track);
int decodeDoubleWords(const unsigned char *block, std::size_t size, DecodedTrack *track);
int decodeScaledIntegers(const unsigned char *block, std::size_t size, DecodedTrack *track);
int decodeFloatRecord(const unsigned char *block, std::size_t size, DecodedTrack *track);
int decodeFloatWords(const unsigned char *block, std::size_t size, DecodedTrack *track);
int decodeTimelessRecords(const unsigned char *block, std::size_t size, DecodedTrack *track);
int decodeDoublesWithText(const unsigned char *block, std::size_t size, DecodedTrack *track);
int decodeBigEndianRecords(const unsigned char *block, std::size_t size, DecodedTrack *track);
// One sample a block, the record of its whole second; the camera's clock is local time.
int decodeTenthsRecords(const unsigned char *block, std::size_t size, DecodedTrack *track);

// Field access shared by the decoders; the callers check the offsets.
namespace scanbytes {
inline uint32_t le32(const unsigned char *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t le32s(const unsigned char *p)
{
    return int32_t(le32(p));
}
inline int16_t le16s(const unsigned char *p)
{
    return int16_t(uint16_t(p[0] | p[1] << 8));
}
inline uint16_t be16(const unsigned char *p)
{
    return uint16_t(p[0] << 8 | p[1]);
}
inline int32_t be32s(const unsigned char *p)
{
    return int32_t(uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]);
}
inline double leFloat(const unsigned char *p)
{
    const uint32_t bits = le32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return double(f);
}
inline double leDouble(const unsigned char *p)
{
    const uint64_t bits = uint64_t(le32(p)) | uint64_t(le32(p + 4)) << 32;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
} // namespace scanbytes
