#pragma once
#include "gpssample.h"

#include <cstddef>

// The variants of a "freeGPS " block that a "gps " index lists: one sample each. A block starts
// with a 4-byte size and the tag "freeGPS "; what follows tells the variant apart, and each
// decoder (freegpsvariants.cpp, freegpstextvariants.cpp) checks its own signature and every
// offset it reads against the block's size.

enum class FreeGpsOutcome
{
    NotThisVariant, // the signature does not match: try the next variant
    Decoded,        // sample (and, where the block holds them, accel) filled
    Masked,         // the variant is known, but its text or position cannot be unmasked
};

struct FreeGpsBlockSample
{
    GpsSample sample;
    bool hasAccel = false;
    AccelSample accel;
    bool localTime = false;   // the clock is the camera's local time
    bool recordForm = false;  // the 80-byte record form the older index reader also reads
    const char *variant = ""; // in words, for the probe
    const char *problem = ""; // when Masked: why
};

// The block is size bytes. Tries the variants stricter signatures first, the same order ExifTool
// uses; the forms without a fix follow, and last the plain record, which many blocks resemble.
FreeGpsOutcome decodeIndexedFreeGpsBlock(const unsigned char *block, std::size_t size,
                                         FreeGpsBlockSample *out);

// True when size bytes hold a block of a form other than the 80-byte record (which the older
// index reader reads itself).
bool isFreeGpsBlockOfAnotherForm(const unsigned char *block, std::size_t size);

// The binary record shared with the blocks no index lists: hour, minute, second, year, month,
// day as 32-bit little-endian integers, then status ('A' or 'V'), latitude and longitude
// hemispheres, a pad byte, and latitude, longitude (ddmm.mmmm), speed (knots) and course as
// little-endian floats: 44 bytes from record. The year may be two digits (after 2000) or whole.
// False when the bytes do not hold together (status, hemispheres, date fields out of range).
constexpr std::size_t kFreeGpsRecordSize = 44;
bool decodeFreeGpsRecord(const unsigned char *record, GpsSample *sample, int *year);

// Blocks of 36-byte records at tenths of a second from 16 (freegpstenths.cpp), listed by an
// index or found by scanning. The status ('A' or 'V') of the block's first record when the
// block holds such records, else 0.
constexpr std::size_t kTenthsRecordSize = 36;
unsigned char tenthsRecordsStatus(const unsigned char *block, std::size_t size);
// The sample of the second the block stands for: its record at a whole second, else its first
// (the caller has checked tenthsRecordsStatus).
GpsSample tenthsRecordsSample(const unsigned char *block, std::size_t size);
