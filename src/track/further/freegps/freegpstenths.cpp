// Blocks holding a run of 36-byte records of bytes and scaled integers, several a second: a pad
// byte, the year after 2000, month, day, hour, minute, second and tenths of a second as bytes,
// the status ('A' or 'V') and the hemisphere letters, five bytes not known, latitude and
// longitude (ddmm.mmmm * 1e4) as 32-bit little-endian integers, four bytes not known, the speed
// in whole km/h as a 16-bit word, and six bytes not known. The camera's clock is local time.
#include "freegpsvariantparts.h"

namespace {
namespace freegpstenths {
using namespace freegpsvariant;
constexpr std::size_t kFirstAt = 16;
constexpr std::size_t kRecord = kTenthsRecordSize;
constexpr std::size_t kStatusAt = 8;
constexpr std::size_t kLatAt = 16, kLonAt = 20, kSpeedAt = 28;

uint32_t le32(const unsigned char *p)
{
    return uint32_t(le32s(p));
}

// The record's clock fields and status letters hold together; the date is checked apart, as a
// damaged date leaves the block this form's.
bool isRecord(const unsigned char *r)
{
    return r[4] <= 24 && r[5] <= 59 && r[6] <= 59 && r[7] <= 9 &&
           (r[kStatusAt] == 'A' || r[kStatusAt] == 'V') && isLatHemisphere(r[kStatusAt + 1]) &&
           isLonHemisphere(r[kStatusAt + 2]);
}
} // namespace freegpstenths
} // namespace

unsigned char tenthsRecordsStatus(const unsigned char *block, std::size_t size)
{
    using namespace freegpstenths;
    if (size < kFirstAt + kRecord || !isRecord(block + kFirstAt))
        return 0;
    return block[kFirstAt + kStatusAt];
}

GpsSample tenthsRecordsSample(const unsigned char *block, std::size_t size)
{
    using namespace freegpstenths;
    // The block stands for one second of the recording: its record at a whole second, else the
    // first. The run ends at the first record that is not one.
    const unsigned char *chosen = block + kFirstAt;
    for (std::size_t at = kFirstAt; at + kRecord <= size && isRecord(block + at); at += kRecord) {
        if (block[at + 7] == 0) {
            chosen = block + at;
            break;
        }
    }
    const unsigned char *r = chosen;
    GpsSample s;
    s.clock = clockOf(2000 + r[1], r[2], r[3], r[4], r[5], r[6] + r[7] / 10.0);
    s.fix = r[kStatusAt] == 'A' && s.clock != kNoClock;
    s.latitude = degreesOf(le32(r + kLatAt) / 1e4, r[kStatusAt + 1], 'S');
    s.longitude = degreesOf(le32(r + kLonAt) / 1e4, r[kStatusAt + 2], 'W');
    s.speedKmh = double(uint16_t(r[kSpeedAt] | r[kSpeedAt + 1] << 8));
    // No course is stored: the writer works it out from the way between the fixes.
    s.hasCourse = false;
    return s;
}

namespace freegpsvariant {
FreeGpsOutcome tenthsRecords(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out,
                             unsigned char status)
{
    if (tenthsRecordsStatus(block, size) != status)
        return FreeGpsOutcome::NotThisVariant;
    out->variant = "listed by a gps index, 36-byte records in tenths of a second";
    out->localTime = true;
    out->sample = tenthsRecordsSample(block, size);
    return FreeGpsOutcome::Decoded;
}
} // namespace freegpsvariant
