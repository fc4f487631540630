// Big-endian 32-byte "$S" records in the PES units of PID 0x300 of an MPEG transport stream,
// read whether or not the program map lists that PID. A unit holds a 32-byte head, then
// records while they start with "$S" and some byte follows them: the speed in
// metres per 100 s and the course in hundredths of a degree as 16-bit words, the UTC date and
// time (a 16-bit year, month, day, hour, minute bytes, tenths of seconds as a 16-bit word), a
// byte, latitude and longitude in 1e-7 degrees as 32-bit words. The records may form a ring:
// the oldest is the first whose time is earlier than the one before it.
#include "furtherlayouts.h"
#include "rmcinfo.h"
#include "secondstrack.h"
#include "tracklog.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {
namespace tsbigendianrecords {
constexpr int kGpsPid = 0x300;
constexpr std::size_t kHeadSize = 32;
constexpr std::size_t kRecordSize = 32;
constexpr unsigned char kMark[2] = {'$', 'S'};
constexpr std::size_t kSpeedAt = 2, kCourseAt = 4, kClockAt = 6, kLatitudeAt = 15,
                      kLongitudeAt = 19;
constexpr double kKmhPerMetrePer100s = 0.036;
// Two days of records a second; a hostile stream cannot make more.
constexpr std::size_t kMaxSamples = 2 * 24 * 3600;

struct Record
{
    const unsigned char *bytes;
    int64_t tenths; // the clock in tenths of seconds, for ordering the ring
};

bool isRecord(const std::vector<unsigned char> &unit, std::size_t at)
{
    return at + kRecordSize < unit.size() && std::memcmp(unit.data() + at, kMark, 2) == 0;
}

// The clock in milliseconds; kNoClock when a field is out of range.
int64_t clockOfRecord(const unsigned char *r)
{
    const unsigned char *c = r + kClockAt;
    const int year = readBe16(c);
    const int tenths = readBe16(c + 6);
    if (tenths >= 600)
        return kNoClock;
    const int64_t whole = clockOf(year, c[2], c[3], c[4], c[5], 0);
    return whole == kNoClock ? kNoClock : whole + tenths * 100;
}

GpsSample sampleOf(const unsigned char *r)
{
    GpsSample s;
    s.clock = clockOfRecord(r);
    // Signed: a south or west position is a negative word.
    const double lat = int32_t(readBe32(r + kLatitudeAt)) * 1e-7;
    const double lon = int32_t(readBe32(r + kLongitudeAt)) * 1e-7;
    s.fix = lat != 0 && lon != 0 && std::fabs(lat) <= 90 && std::fabs(lon) <= 180;
    if (!s.fix)
        return s;
    s.latitude = lat;
    s.longitude = lon;
    s.speedKmh = readBe16(r + kSpeedAt) * kKmhPerMetrePer100s;
    // The course may be written as a signed word: below zero it counts back from 360°.
    int course = readBe16(r + kCourseAt);
    if (course & 0x8000)
        course += 36000 - 65536;
    s.course = course / 100.0;
    s.hasCourse = course >= 0 && course <= 36000;
    return s;
}

// The unit's records, oldest first.
std::vector<Record> recordsOf(const std::vector<unsigned char> &unit)
{
    std::vector<Record> records;
    for (std::size_t at = kHeadSize; isRecord(unit, at); at += kRecordSize) {
        const int64_t clock = clockOfRecord(unit.data() + at);
        records.push_back({unit.data() + at, clock == kNoClock ? -1 : clock / 100});
    }
    for (std::size_t i = 1; i < records.size(); ++i) {
        if (records[i].tenths < records[i - 1].tenths) {
            std::rotate(records.begin(), records.begin() + long(i), records.end());
            break;
        }
    }
    return records;
}
} // namespace tsbigendianrecords
} // namespace

bool readTsBigEndianRecords(VideoIndex &video, LayoutRead *read)
{
    using namespace tsbigendianrecords;
    const std::vector<std::vector<unsigned char>> &units = video.transportUnits(kGpsPid);
    DecodedTrack track;
    int withRecords = 0;
    int64_t newest = kNoClock; // records a unit repeats from the one before are passed over
    for (const std::vector<unsigned char> &unit : units) {
        const std::vector<Record> records = recordsOf(unit);
        withRecords += records.empty() ? 0 : 1;
        for (const Record &r : records) {
            GpsSample s = sampleOf(r.bytes);
            if (s.clock != kNoClock && newest != kNoClock && s.clock <= newest)
                continue; // repeated from the unit before
            if (s.clock == kNoClock)
                qCDebug(lcTrack) << "$S record with a date out of range";
            if (s.clock != kNoClock)
                newest = s.clock;
            if (track.samples.size() < kMaxSamples)
                track.samples.push_back(s);
        }
    }
    if (withRecords == 0)
        return false;
    read->variant = "big-endian $S records on PID 0x300 of a transport stream";
    const int64_t first = track.samples.empty() ? kNoClock : [&] {
        for (const GpsSample &s : track.samples)
            if (s.clock != kNoClock)
                return s.clock;
        return kNoClock;
    }();
    if (first == kNoClock) {
        read->problem = "$S records found on PID 0x300, but none holds a date";
        return false;
    }
    // The stream carries no index: a record's time is its clock's distance from the first one's.
    for (GpsSample &s : track.samples) {
        if (s.clock != kNoClock)
            s.time = double(s.clock - first) / 1000.0;
    }
    read->track = std::move(track);
    return isWritableTrack(read->track);
}
