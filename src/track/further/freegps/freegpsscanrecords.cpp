// The scanned "freeGPS " layouts that hold runs of records: the masked ring, the records
// without a clock, the big-endian records and the records in tenths of a second.
#include "freegpsscanlayouts.h"
#include "freegpsvariants.h"

#include <algorithm>
#include <cmath>

namespace {
namespace freegpsscanrecords {
using namespace scanbytes;
constexpr double kKnotsToKmh = 1.852;
constexpr double kMsToKmh = 3.6;

// The masked ring: 52-byte records from 0x30. The byte at 0x14 of a record is the key of the
// bytes 0x00-0x14 and 0x18-0x1b, the byte at 0x1c the key of 0x1c and 0x20-0x32; the markers
// at 0x15 and 0x1d and the last byte are stored as they are.
constexpr std::size_t kRingStart = 0x30;
constexpr std::size_t kRingRecord = 52;
// Largest values the ring's date fields take (hour, minute, second, year, month, day); a
// record beyond them is damage and is passed over.
constexpr int kRingMax[6] = {24, 59, 59, 2200, 12, 31};

// Timeless records: 32 bytes from 16, each "A" or "V", hemispheres, a zero byte, then floats.
constexpr std::size_t kTimelessStart = 16;
constexpr std::size_t kTimelessRecord = 32;

// Big-endian records: 32 bytes from 0x30, their fields from 0x32 to 0x46.
constexpr std::size_t kBigEndianStart = 0x32;
constexpr std::size_t kBigEndianRecord = 32;
constexpr std::size_t kBigEndianFields = 21;

void unmaskRingRecord(const unsigned char *in, unsigned char *out)
{
    std::copy(in, in + kRingRecord, out);
    const unsigned char key1 = in[0x14];
    const unsigned char key2 = in[0x1c];
    for (std::size_t i = 0x00; i <= 0x14; ++i)
        out[i] ^= key1;
    for (std::size_t i = 0x18; i <= 0x1b; ++i)
        out[i] ^= key1;
    out[0x1c] ^= key2;
    for (std::size_t i = 0x20; i <= 0x32; ++i)
        out[i] ^= key2;
}

// Year, month, day, hour, minute, second of an unmasked record; false beyond kRingMax.
bool ringDate(const unsigned char *r, int date[6])
{
    const int hour = (r[0x0d] + 1) & 0xff; // stored as the hour minus one
    const int fields[6] = {hour, r[0x0e], r[0x0f], r[0x2c] | r[0x2d] << 8, r[0x2e], r[0x2f]};
    for (int i = 0; i < 6; ++i) {
        if (fields[i] > kRingMax[i])
            return false;
    }
    date[0] = fields[3];
    date[1] = fields[4];
    date[2] = fields[5];
    date[3] = fields[0];
    date[4] = fields[1];
    date[5] = fields[2];
    return true;
}

int compareDates(const int a[6], const int b[6])
{
    for (int i = 0; i < 6; ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

void appendRingRecord(const unsigned char *r, const int date[6], DecodedTrack *track)
{
    GpsSample s;
    s.time = double(track->samples.size());
    s.clock = clockOf(date[0], date[1], date[2], date[3], date[4], date[5]);
    // No status byte: a position of zero is no fix (writeSecondsTrack drops it).
    s.fix = true;
    s.latitude = le32s(r + 0x10) / 1e7;
    s.longitude = le32s(r + 0x18) / 1e7;
    s.speedKmh = le32s(r + 0x20) / 100.0 * kMsToKmh;
    s.course = le16s(r + 0x24) / 100.0;
    if (s.course < 0)
        s.course += 360;
    track->samples.push_back(s);
}

double ddmmDegrees(double value, unsigned char hemisphere, char negative)
{
    if (!std::isfinite(value))
        return 0;
    const double a = std::fabs(value);
    const double whole = std::floor(a / 100);
    const double degrees = whole + (a - whole * 100) / 60;
    return hemisphere == negative ? -degrees : degrees;
}
} // namespace freegpsscanrecords
} // namespace

int decodeMaskedRing(const unsigned char *b, std::size_t size, ScanState *state,
                     DecodedTrack *track)
{
    using namespace freegpsscanrecords;
    if (size < kRingStart + kRingRecord || std::memcmp(b + 0x45, "ATC", 3) != 0)
        return 0;
    // The whole ring is stored in every block: a record is new only when it is later than
    // the newest one read so far. The new records follow the slot of the previous block's
    // newest one, and end where an older record follows a new one.
    int added = 0;
    long newestSlot = -1;
    long skipTo = state->recentSlot;
    for (std::size_t at = kRingStart; at + kRingRecord < size; at += kRingRecord) {
        unsigned char r[kRingRecord];
        unmaskRingRecord(b + at, r);
        int date[6];
        if (!ringDate(r, date))
            continue;
        const long slot = long((at - kRingStart) / kRingRecord);
        // An empty slot (all zero, year 0) is older than any record, never a new one.
        const int order = date[0] == 0 ? -1 : compareDates(date, state->newest);
        if (order > 0) {
            appendRingRecord(r, date, track);
            std::copy(date, date + 6, state->newest);
            newestSlot = slot;
            skipTo = -1;
            ++added;
            continue;
        }
        if (order < 0 && added > 0)
            break;
        if (skipTo > slot)
            at = kRingStart + std::size_t(skipTo) * kRingRecord;
    }
    state->recentSlot = newestSlot;
    return added;
}

int decodeTimelessRecords(const unsigned char *b, std::size_t size, DecodedTrack *track)
{
    using namespace freegpsscanrecords;
    int added = 0;
    for (std::size_t at = kTimelessStart; at + kTimelessRecord <= size; at += kTimelessRecord) {
        const unsigned char *r = b + at;
        if ((r[0] != 'A' && r[0] != 'V') || (r[1] != 'N' && r[1] != 'S') ||
            (r[2] != 'E' && r[2] != 'W') || r[3] != 0)
            break;
        // Neither clock nor recording time: the samples follow one another a second apart.
        // The three words after the course are accelerometer values of a scale not known.
        GpsSample s;
        s.time = double(track->samples.size());
        s.fix = r[0] == 'A';
        s.latitude = ddmmDegrees(leFloat(r + 4), r[1], 'S');
        s.longitude = ddmmDegrees(leFloat(r + 8), r[2], 'W');
        s.speedKmh = leFloat(r + 12) * kKnotsToKmh;
        s.course = leFloat(r + 16);
        track->samples.push_back(s);
        ++added;
    }
    return added;
}

int decodeBigEndianRecords(const unsigned char *b, std::size_t size, DecodedTrack *track)
{
    using namespace freegpsscanrecords;
    int added = 0;
    for (std::size_t at = kBigEndianStart; at + kBigEndianFields <= size; at += kBigEndianRecord) {
        const unsigned char *p = b + at;
        const int year = be16(p + 4);
        const int month = p[6], day = p[7], hour = p[8], minute = p[9];
        const int tenths = be16(p + 10);
        // The records end at the first whose date does not hold together.
        if (year < 2000 || year > 2200 || month < 1 || month > 12 || day < 1 || day > 31 ||
            hour > 59 || minute > 59 || tenths > 600)
            break;
        GpsSample s;
        s.time = double(track->samples.size());
        s.clock = clockOf(year, month, day, hour, minute, tenths / 10.0);
        s.fix = true; // no status: a position of zero is no fix
        s.latitude = be32s(p + 13) / 1e7;
        s.longitude = be32s(p + 17) / 1e7;
        s.speedKmh = be16(p) / 100.0 * kMsToKmh;
        s.course = int16_t(be16(p + 2)) / 100.0;
        if (s.course < 0)
            s.course += 360;
        track->samples.push_back(s);
        ++added;
    }
    return added;
}

int decodeTenthsRecords(const unsigned char *b, std::size_t size, DecodedTrack *track)
{
    GpsSample s = tenthsRecordsSample(b, size);
    // A date out of range marks a block the camera left unfilled, which holds no second.
    if (s.clock == kNoClock)
        return 0;
    s.time = double(track->samples.size());
    track->samples.push_back(s);
    track->clock = TrackClock::LocalTime;
    return 1;
}
