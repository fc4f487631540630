#include "freegpsvariantparts.h"
#include "ligogps.h"

namespace freegpsvariant {
// The shared record at 16, three zero bytes before its status. A whole year means the camera
// wrote its local time. G-sensor counts (256 per g) at 60 unless zero or the filler 1..6.
FreeGpsOutcome recordAt16(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out,
                          unsigned char status)
{
    static const unsigned char kFiller[] = {1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0};
    if (size < 72 || !allZero(block + 37, 3) || block[40] != status ||
        !isLatHemisphere(block[41]) || !isLonHemisphere(block[42]))
        return FreeGpsOutcome::NotThisVariant;
    int year = 0;
    if (!decodeFreeGpsRecord(block + 16, &out->sample, &year))
        return FreeGpsOutcome::NotThisVariant;
    out->variant = "listed by a gps index, binary record at the block's start";
    out->recordForm = true;
    out->localTime = year >= 2000;
    if (!allZero(block + 60, 12) && std::memcmp(block + 60, kFiller, sizeof kFiller) != 0) {
        out->accel = countsAt(block + 60, 256);
        out->hasAccel = true;
    }
    return FreeGpsOutcome::Decoded;
}
} // namespace freegpsvariant

namespace {
namespace freegpsvariants {
using namespace freegpsvariant;
// Status, hemisphere words and floats: status word at 60, latitude float and its hemisphere
// word at 64 and 68, longitude at 72 and 76; speed (km/h) and course (stored turned by half a
// circle) floats at 80 and 84; time of day at 48, date (whole year) at 88.
FreeGpsOutcome hemisphereWords(const unsigned char *block, std::size_t size,
                               FreeGpsBlockSample *out, unsigned char status)
{
    if (size < 100 || block[60] != status || !allZero(block + 61, 3) ||
        !isLatHemisphere(block[68]) || !allZero(block + 69, 3) || !isLonHemisphere(block[76]) ||
        !allZero(block + 77, 3))
        return FreeGpsOutcome::NotThisVariant;
    out->variant = "listed by a gps index, binary with hemisphere words";
    GpsSample &s = out->sample;
    const int year = le32s(block + 88);
    s.clock = clockOf(year < 100 ? year + 2000 : year, le32s(block + 92), le32s(block + 96),
                      le32s(block + 48), le32s(block + 52), le32s(block + 56));
    s.fix = status == 'A';
    s.latitude = degreesOf(leFloat(block + 64), block[68], 'S');
    s.longitude = degreesOf(leFloat(block + 72), block[76], 'W');
    s.speedKmh = leFloat(block + 80);
    s.course = std::fmod(leFloat(block + 84) + 180, 360);
    return FreeGpsOutcome::Decoded;
}

// Status and hemispheres at 64, then the date and time (year, month, day, hour, minute,
// second), longitude, latitude, speed (knots) and course floats at 92, G-sensor thousandths of
// g at 112.
FreeGpsOutcome statusFirst(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out,
                           unsigned char status)
{
    if (size < 124 || block[64] != status || !isLatHemisphere(block[65]) ||
        !isLonHemisphere(block[66]) || block[67] != 0)
        return FreeGpsOutcome::NotThisVariant;
    out->variant = "listed by a gps index, binary with the status first";
    const int month = le32s(block + 72), day = le32s(block + 76);
    // A date out of range: the block is this variant's, but holds no sample.
    if (month < 1 || month > 12 || day < 1 || day > 31)
        return FreeGpsOutcome::Decoded;
    GpsSample &s = out->sample;
    s.clock = clockOf(wholeYear(le32s(block + 68)), month, day, le32s(block + 80),
                      le32s(block + 84), le32s(block + 88));
    s.fix = status == 'A';
    s.longitude = degreesOf(leFloat(block + 92), block[66], 'W');
    s.latitude = degreesOf(leFloat(block + 96), block[65], 'S');
    s.speedKmh = leFloat(block + 100) * kKmhPerKnot;
    s.course = leFloat(block + 104);
    out->accel = countsAt(block + 112, 1000);
    out->hasAccel = true;
    return FreeGpsOutcome::Decoded;
}

// The shared record 48 bytes in; some cameras add the position as doubles at 0x70 and 0x80,
// more precise than the floats they agree with.
FreeGpsOutcome plainRecord(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out)
{
    constexpr std::size_t kAt = 48;
    constexpr std::size_t kLatDouble = 0x70, kLonDouble = 0x80;
    int year = 0;
    if (size < 92 || !decodeFreeGpsRecord(block + kAt, &out->sample, &year))
        return FreeGpsOutcome::NotThisVariant;
    out->variant = "listed by a gps index, binary record";
    out->recordForm = true;
    GpsSample &s = out->sample;
    if (size >= kLonDouble + 8) {
        const double lat = leDouble(block + kLatDouble), lon = leDouble(block + kLonDouble);
        const double latFloat = leFloat(block + kAt + 28), lonFloat = leFloat(block + kAt + 32);
        if (std::fabs(lat - latFloat) < 0.001 && std::fabs(lon - lonFloat) < 0.001) {
            out->variant = "listed by a gps index, binary record with doubles";
            s.latitude = degreesOf(lat, block[kAt + 25], 'S');
            s.longitude = degreesOf(lon, block[kAt + 26], 'W');
        }
    }
    // The G-sensor counts where the 80-byte record keeps them, 52 bytes into it.
    if (size >= 112 && !allZero(block + 100, 12)) {
        out->accel = countsAt(block + 100, 256);
        out->hasAccel = true;
    }
    return FreeGpsOutcome::Decoded;
}
} // namespace freegpsvariants
} // namespace

bool decodeFreeGpsRecord(const unsigned char *record, GpsSample *sample, int *year)
{
    using namespace freegpsvariants;
    const unsigned char status = record[24];
    if ((status != 'A' && status != 'V') || !isLatHemisphere(record[25]) ||
        !isLonHemisphere(record[26]))
        return false;
    const int hour = le32s(record), minute = le32s(record + 4), second = le32s(record + 8);
    const int month = le32s(record + 16), day = le32s(record + 20);
    *year = le32s(record + 12);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60 ||
        month < 1 || month > 12 || day < 1 || day > 31 || *year < 0 || *year > 2999)
        return false;
    GpsSample s;
    s.clock = clockOf(wholeYear(*year), month, day, hour, minute, second);
    s.fix = status == 'A';
    s.latitude = degreesOf(leFloat(record + 28), record[25], 'S');
    s.longitude = degreesOf(leFloat(record + 32), record[26], 'W');
    s.speedKmh = leFloat(record + 36) * kKmhPerKnot;
    s.course = leFloat(record + 40);
    *sample = s;
    return true;
}

FreeGpsOutcome decodeIndexedFreeGpsBlock(const unsigned char *block, std::size_t size,
                                         FreeGpsBlockSample *out)
{
    using namespace freegpsvariants;
    *out = FreeGpsBlockSample{};
    if (size < 92 || std::memcmp(block + 4, "freeGPS ", 8) != 0)
        return FreeGpsOutcome::NotThisVariant;
    // The order of the signatures matters: the later ones are looser.
    using Decoder = FreeGpsOutcome (*)(const unsigned char *, std::size_t, FreeGpsBlockSample *);
    static const Decoder kDecoders[] = {
        maskedText,
        nmeaText,
        stringRecord,
        [](const unsigned char *b, std::size_t n, FreeGpsBlockSample *o) {
            return recordAt16(b, n, o, 'A');
        },
        [](const unsigned char *b, std::size_t n, FreeGpsBlockSample *o) {
            return longHeadRecord(b, n, o, 'A');
        },
        [](const unsigned char *b, std::size_t n, FreeGpsBlockSample *o) {
            return maskedVariant(b, n, o, 0);
        },
        [](const unsigned char *b, std::size_t n, FreeGpsBlockSample *o) {
            return hemisphereWords(b, n, o, 'A');
        },
        offsetText,
        [](const unsigned char *b, std::size_t n, FreeGpsBlockSample *o) {
            return maskedVariant(b, n, o, 1);
        },
        [](const unsigned char *b, std::size_t n, FreeGpsBlockSample *o) {
            return maskedVariant(b, n, o, 2);
        },
        [](const unsigned char *b, std::size_t n, FreeGpsBlockSample *o) {
            return statusFirst(b, n, o, 'A');
        },
        [](const unsigned char *b, std::size_t n, FreeGpsBlockSample *o) {
            return tenthsRecords(b, n, o, 'A');
        },
        labelledText,
        // The same layouts without a fix: ExifTool passes them over, we keep their clock.
        [](const unsigned char *b, std::size_t n, FreeGpsBlockSample *o) {
            return recordAt16(b, n, o, 'V');
        },
        [](const unsigned char *b, std::size_t n, FreeGpsBlockSample *o) {
            return longHeadRecord(b, n, o, 'V');
        },
        [](const unsigned char *b, std::size_t n, FreeGpsBlockSample *o) {
            return hemisphereWords(b, n, o, 'V');
        },
        [](const unsigned char *b, std::size_t n, FreeGpsBlockSample *o) {
            return statusFirst(b, n, o, 'V');
        },
        [](const unsigned char *b, std::size_t n, FreeGpsBlockSample *o) {
            return tenthsRecords(b, n, o, 'V');
        },
        decimalRecord,
        plainRecord,
    };
    for (Decoder decode : kDecoders) {
        const FreeGpsOutcome outcome = decode(block, size, out);
        if (outcome != FreeGpsOutcome::NotThisVariant)
            return outcome;
        *out = FreeGpsBlockSample{};
    }
    return FreeGpsOutcome::NotThisVariant;
}

bool isFreeGpsBlockOfAnotherForm(const unsigned char *block, std::size_t size)
{
    using namespace freegpsvariants;
    FreeGpsBlockSample s;
    if (isLigoFreeGpsBlock(block, size))
        return true;
    return decodeIndexedFreeGpsBlock(block, size, &s) != FreeGpsOutcome::NotThisVariant &&
           !s.recordForm;
}
