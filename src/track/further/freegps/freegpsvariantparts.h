#pragma once
// What the decoders of the freeGPS block variants share; not for the readers (they include
// freegpsvariants.h).
#include "freegpsvariants.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace freegpsvariant {

constexpr double kKmhPerKnot = 1.852;
constexpr std::size_t kHeadSize = 16; // size, "freeGPS ", 4 more bytes
constexpr char kTextMasked[] =
    "freeGPS blocks found, but their text is masked in a way not yet known";
constexpr char kPositionMasked[] =
    "freeGPS blocks found, but their position is masked in a way not yet known";

inline int32_t le32s(const unsigned char *p)
{
    return int32_t(uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 |
                   uint32_t(p[3]) << 24);
}

inline double leFloat(const unsigned char *p)
{
    const uint32_t bits = uint32_t(le32s(p));
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return double(f);
}

inline double leDouble(const unsigned char *p)
{
    const uint64_t bits = uint64_t(uint32_t(le32s(p))) | uint64_t(uint32_t(le32s(p + 4))) << 32;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

inline bool allZero(const unsigned char *p, std::size_t n)
{
    for (std::size_t i = 0; i < n; ++i) {
        if (p[i] != 0)
            return false;
    }
    return true;
}

inline bool isLatHemisphere(unsigned char c)
{
    return c == 'N' || c == 'S';
}

inline bool isLonHemisphere(unsigned char c)
{
    return c == 'E' || c == 'W';
}

// ddmm.mmmm to degrees, signed by the hemisphere letter.
inline double degreesOf(double ddmm, unsigned char hemisphere, char negative)
{
    const double whole = std::trunc(ddmm / 100);
    const double d = whole + (ddmm - whole * 100) / 60;
    return hemisphere == negative ? -d : d;
}

// count ASCII digits at p as a number; -1 when one is not a digit.
inline long digitsAt(const unsigned char *p, int count)
{
    long value = 0;
    for (int i = 0; i < count; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return -1;
        value = value * 10 + (p[i] - '0');
    }
    return value;
}

inline bool isSign(unsigned char c)
{
    return c == '+' || c == '-';
}

inline int wholeYear(int year)
{
    return year < 2000 ? year + 2000 : year;
}

// Three signed 32-bit counts at p, divided by perG.
inline AccelSample countsAt(const unsigned char *p, double perG)
{
    AccelSample a;
    a.x = le32s(p) / perG;
    a.y = le32s(p + 4) / perG;
    a.z = le32s(p + 8) / perG;
    return a;
}

// The shared record at 16 (freegpsvariants.cpp), with the given status.
FreeGpsOutcome recordAt16(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out,
                          unsigned char status);
// The forms beside it (freegpsmoreforms.cpp).
FreeGpsOutcome stringRecord(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out);
FreeGpsOutcome longHeadRecord(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out,
                              unsigned char status);
FreeGpsOutcome decimalRecord(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out);
FreeGpsOutcome labelledText(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out);
// The run of 36-byte records at tenths of a second (freegpstenths.cpp).
FreeGpsOutcome tenthsRecords(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out,
                             unsigned char status);

// The variants whose content is text, or masked (freegpstextvariants.cpp).
FreeGpsOutcome maskedText(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out);
FreeGpsOutcome nmeaText(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out);
FreeGpsOutcome offsetText(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out);
// which: 0 status 24 bytes in, 1 position in masked doubles, 2 the whole text masked.
FreeGpsOutcome maskedVariant(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out,
                             int which);

} // namespace freegpsvariant
