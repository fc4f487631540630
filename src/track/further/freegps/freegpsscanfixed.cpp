// The scanned "freeGPS " layouts that hold one sample per block at fixed offsets, and the
// classification of a block among all the scanned layouts.
#include "freegpsscanlayouts.h"
#include "freegpsvariants.h"

#include <cmath>

namespace {
namespace freegpsscanfixed {
using namespace scanbytes;
constexpr double kKnotsToKmh = 1.852;
constexpr double kMsToKmh = 3.6;
// Below this no layout holds a single sample.
constexpr std::size_t kMinBlock = 82;

// Each decoder's last byte read, past which the block must reach.
constexpr std::size_t kDoubleWordsEnd = 0x88;
constexpr std::size_t kRecordEnd = 0x5c; // scaled integers and float record
constexpr std::size_t kFloatWordsEnd = 0x70;
constexpr std::size_t kDoublesWithTextEnd = 0x68;

bool isStatus(unsigned char c)
{
    return c == 'A' || c == 'V';
}
bool isLatRef(unsigned char c)
{
    return c == 'N' || c == 'S';
}
bool isLonRef(unsigned char c)
{
    return c == 'E' || c == 'W';
}

// What one fixed block holds, before it becomes a sample.
struct Reading
{
    int year = 0; // two digits (after 2000) or whole
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    bool fix = false;
    double latitude = 0; // signed degrees
    double longitude = 0;
    double speedKmh = 0;
    double course = 0;
    bool hasAccel = false;
    double accel[3] = {}; // g
};

// ddmm.mmmm (any sign: the hemisphere gives it) as signed degrees; 0 when not a number.
double ddmmDegrees(double value, unsigned char hemisphere, char negative)
{
    if (!std::isfinite(value))
        return 0;
    const double a = std::fabs(value);
    const double whole = std::floor(a / 100);
    const double degrees = whole + (a - whole * 100) / 60;
    return hemisphere == negative ? -degrees : degrees;
}

double signedDegrees(double degrees, unsigned char hemisphere, char negative)
{
    return hemisphere == negative ? -std::fabs(degrees) : std::fabs(degrees);
}

// Hour, minute, second at clock and year, month, day at date, 32-bit little-endian words.
void readClockWords(const unsigned char *block, std::size_t clock, std::size_t date, Reading *r)
{
    r->hour = le32s(block + clock);
    r->minute = le32s(block + clock + 4);
    r->second = le32s(block + clock + 8);
    r->year = le32s(block + date);
    r->month = le32s(block + date + 4);
    r->day = le32s(block + date + 8);
}

// Three 32-bit accelerometer values in thousandths of g.
void readAccelWords(const unsigned char *at, Reading *r)
{
    r->hasAccel = true;
    for (int i = 0; i < 3; ++i)
        r->accel[i] = le32s(at + 4 * i) / 1000.0;
}

// The block's sample at the next second; a month out of range marks a block the camera left
// unfilled, which holds no second.
int append(const Reading &r, DecodedTrack *track)
{
    if (r.month < 1 || r.month > 12)
        return 0;
    GpsSample s;
    s.time = double(track->samples.size());
    const int year = r.year >= 0 && r.year < 2000 ? r.year + 2000 : r.year;
    s.clock = clockOf(year, r.month, r.day, r.hour, r.minute, r.second);
    s.fix = r.fix;
    s.latitude = r.latitude;
    s.longitude = r.longitude;
    s.speedKmh = r.speedKmh;
    s.course = r.course;
    track->samples.push_back(s);
    if (r.hasAccel)
        track->accel.push_back(AccelSample{s.time, r.accel[0], r.accel[1], r.accel[2]});
    return 1;
}

bool bigEndianRecordValid(const unsigned char *block, std::size_t size)
{
    // The first record's fields from 0x32 up to its longitude.
    if (size < 0x32 + 21)
        return false;
    const unsigned char *p = block + 0x32;
    const int year = be16(p + 4);
    return year >= 2000 && year <= 2200 && p[6] >= 1 && p[6] <= 12 && p[7] >= 1 && p[7] <= 31 &&
           p[8] <= 59 && p[9] <= 59 && be16(p + 10) <= 600;
}
} // namespace freegpsscanfixed
} // namespace

ScannedLayout classifyScannedBlock(const unsigned char *b, std::size_t size)
{
    using namespace freegpsscanfixed;
    if (size < kMinBlock)
        return ScannedLayout::Unknown;
    if (std::memcmp(b + 0x45, "ATC", 3) == 0)
        return ScannedLayout::MaskedRing;
    if (size >= 90 && isStatus(b[60]) && b[61] == 0 && isLatRef(b[72]) && b[73] == 0 &&
        isLonRef(b[88]) && b[89] == 0)
        return ScannedLayout::DoubleWords;
    if (isStatus(b[72]) && isLatRef(b[73]) && isLonRef(b[74]))
        return std::memcmp(b + 16, "IQS", 3) == 0 ? ScannedLayout::ScaledIntegers
                                                  : ScannedLayout::FloatRecord;
    if (size >= 112 && isStatus(b[60]) && b[61] == 0 && isLatRef(b[68]) && b[69] == 0 &&
        isLonRef(b[76]) && b[77] == 0)
        return ScannedLayout::FloatWords;
    if (isStatus(b[16]) && isLatRef(b[17]) && isLonRef(b[18]) && b[19] == 0)
        return ScannedLayout::TimelessRecords;
    if (tenthsRecordsStatus(b, size) != 0)
        return ScannedLayout::TenthsRecords;
    if (isStatus(b[28]) && isLatRef(b[40]) && isLonRef(b[56]))
        return ScannedLayout::DoublesWithText;
    return bigEndianRecordValid(b, size) ? ScannedLayout::BigEndianRecords : ScannedLayout::Unknown;
}

const char *scannedLayoutText(ScannedLayout layout)
{
    using namespace freegpsscanfixed;
    switch (layout) {
    case ScannedLayout::MaskedRing:
        return "a ring of masked records";
    case ScannedLayout::DoubleWords:
        return "ddmm.mmmm doubles with hemisphere words";
    case ScannedLayout::ScaledIntegers:
        return "scaled integers";
    case ScannedLayout::FloatRecord:
        return "ddmm.mmmm floats after the clock words";
    case ScannedLayout::FloatWords:
        return "ddmm.mmmm floats with hemisphere words, km/h";
    case ScannedLayout::TimelessRecords:
        return "records without a clock";
    case ScannedLayout::DoublesWithText:
        return "ddmm.mmmm doubles before an NMEA sentence";
    case ScannedLayout::BigEndianRecords:
        return "big-endian records with the whole year";
    case ScannedLayout::TenthsRecords:
        return "36-byte records in tenths of a second";
    case ScannedLayout::Unknown:
        break;
    }
    return "not known";
}

int decodeDoubleWords(const unsigned char *b, std::size_t size, DecodedTrack *track)
{
    using namespace freegpsscanfixed;
    if (size < kDoubleWordsEnd || classifyScannedBlock(b, size) != ScannedLayout::DoubleWords)
        return 0;
    Reading r;
    readClockWords(b, 0x30, 0x70, &r);
    r.fix = b[0x3c] == 'A';
    r.latitude = ddmmDegrees(leDouble(b + 0x40), b[0x48], 'S');
    r.longitude = ddmmDegrees(leDouble(b + 0x50), b[0x58], 'W');
    r.speedKmh = leDouble(b + 0x60) * kKnotsToKmh;
    r.course = leDouble(b + 0x68);
    readAccelWords(b + 0x7c, &r);
    return append(r, track);
}

int decodeScaledIntegers(const unsigned char *b, std::size_t size, DecodedTrack *track)
{
    using namespace freegpsscanfixed;
    if (size < kRecordEnd || classifyScannedBlock(b, size) != ScannedLayout::ScaledIntegers)
        return 0;
    Reading r;
    readClockWords(b, 0x30, 0x3c, &r);
    r.fix = b[0x48] == 'A';
    r.latitude = signedDegrees(le32s(b + 0x4c) / 1e7, b[0x49], 'S');
    r.longitude = signedDegrees(le32s(b + 0x50) / 1e7, b[0x4a], 'W');
    r.speedKmh = le32s(b + 0x54) / 100.0 * kMsToKmh;
    // The float at 0x58 is the altitude in millimetres; the track does not keep it.
    return append(r, track);
}

int decodeFloatRecord(const unsigned char *b, std::size_t size, DecodedTrack *track)
{
    using namespace freegpsscanfixed;
    if (size < kRecordEnd || classifyScannedBlock(b, size) != ScannedLayout::FloatRecord)
        return 0;
    Reading r;
    readClockWords(b, 0x30, 0x3c, &r);
    r.fix = b[0x48] == 'A';
    r.latitude = ddmmDegrees(leFloat(b + 0x4c), b[0x49], 'S');
    r.longitude = ddmmDegrees(leFloat(b + 0x50), b[0x4a], 'W');
    r.speedKmh = leFloat(b + 0x54) * kKnotsToKmh;
    r.course = leFloat(b + 0x58);
    // 16 KiB blocks with a fix whose floats fit degrees hold decimal degrees and km/h, the
    // position again as doubles at 0x70 and 0x80 where the block reaches that far.
    double lat = leFloat(b + 0x4c), lon = leFloat(b + 0x50);
    if (r.fix && be16(b) == 0 && be16(b + 2) == 0x4000 && std::fabs(lat) <= 90 &&
        std::fabs(lon) <= 180) {
        if (size >= 0xb0 && std::fabs(leDouble(b + 0x70) - lat) < 0.001 &&
            std::fabs(leDouble(b + 0x80) - lon) < 0.001) {
            lat = leDouble(b + 0x70);
            lon = leDouble(b + 0x80);
        }
        r.latitude = signedDegrees(lat, b[0x49], 'S');
        r.longitude = signedDegrees(lon, b[0x4a], 'W');
        r.speedKmh = leFloat(b + 0x54);
    }
    return append(r, track);
}

int decodeFloatWords(const unsigned char *b, std::size_t size, DecodedTrack *track)
{
    using namespace freegpsscanfixed;
    if (size < kFloatWordsEnd || classifyScannedBlock(b, size) != ScannedLayout::FloatWords)
        return 0;
    Reading r;
    readClockWords(b, 0x30, 0x58, &r);
    r.fix = b[0x3c] == 'A';
    r.latitude = ddmmDegrees(leFloat(b + 0x40), b[0x44], 'S');
    r.longitude = ddmmDegrees(leFloat(b + 0x48), b[0x4c], 'W');
    r.speedKmh = leFloat(b + 0x50); // already km/h in this layout
    r.course = leFloat(b + 0x54);
    readAccelWords(b + 0x64, &r);
    return append(r, track);
}

int decodeDoublesWithText(const unsigned char *b, std::size_t size, DecodedTrack *track)
{
    using namespace freegpsscanfixed;
    if (size < kDoublesWithTextEnd ||
        classifyScannedBlock(b, size) != ScannedLayout::DoublesWithText)
        return 0;
    // The NMEA sentence after the binary fields repeats them; the binary form is read.
    Reading r;
    readClockWords(b, 0x10, 0x50, &r);
    r.fix = b[0x1c] == 'A';
    r.latitude = ddmmDegrees(leDouble(b + 0x20), b[0x28], 'S');
    r.longitude = ddmmDegrees(leDouble(b + 0x30), b[0x38], 'W');
    r.speedKmh = leDouble(b + 0x40) * kKnotsToKmh;
    r.course = leDouble(b + 0x48);
    readAccelWords(b + 0x5c, &r);
    return append(r, track);
}
