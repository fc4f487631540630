// A "gpmd" timed-metadata track whose samples are one fixed record of at least 248 bytes (352
// as written), little-endian: the date as day, month, year words at 104, the UTC time as hour,
// minute, second words at 160, and five quantities each stored as a 64-bit value and its 64-bit
// divisor: speed in knots at 72, course at 88, latitude at 176 and longitude at 192 (both
// ddmm.mmmm, signed), altitude at 232. A text at 136 tells the record: sixteen '0' characters
// and four capitals, or a web address.
#include "furtherlayouts.h"
#include "rmcinfo.h"
#include "secondstrack.h"
#include "tracklog.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {
namespace scaledpairs {
constexpr uint32_t kGpmd = fourcc("gpmd");
constexpr std::size_t kMinRecord = 248;
// A record is 352 bytes; a sample far larger is something else.
constexpr uint32_t kMaxSample = 4096;
constexpr std::size_t kMarkerAt = 136;
constexpr char kAddressMarker[] = "https://www.redtiger"; // with its terminating zero
constexpr std::size_t kDateAt = 104, kTimeAt = 160;
constexpr std::size_t kSpeedAt = 0x48, kCourseAt = 0x58, kLatitudeAt = 0xb0, kLongitudeAt = 0xc0;
constexpr double kKmhPerKnot = 1.852;

bool isMarked(const unsigned char *record)
{
    const unsigned char *m = record + kMarkerAt;
    if (std::memcmp(m, kAddressMarker, sizeof kAddressMarker) == 0)
        return true;
    for (int i = 0; i < 16; ++i) {
        if (m[i] != '0')
            return false;
    }
    for (int i = 16; i < 20; ++i) {
        if (m[i] < 'A' || m[i] > 'Z')
            return false;
    }
    return true;
}

int64_t readLe64s(const unsigned char *p)
{
    return int64_t(uint64_t(readLe32(p + 4)) << 32 | readLe32(p));
}

// The value at offset over the divisor after it; a divisor of 0 counts as 1.
double scaledPair(const unsigned char *record, std::size_t offset)
{
    const int64_t divisor = readLe64s(record + offset + 8);
    return double(readLe64s(record + offset)) / double(divisor == 0 ? 1 : divisor);
}

// ddmm.mmmm with its sign to signed degrees.
double degreesOf(double minutesForm)
{
    const double whole = std::trunc(minutesForm / 100);
    return whole + (minutesForm - whole * 100) / 60;
}

GpsSample sampleOf(const unsigned char *record, double time)
{
    GpsSample s;
    s.time = time;
    const auto word = [record](std::size_t at) { return int(readLe32s(record + at)); };
    s.clock = clockOf(word(kDateAt + 8), word(kDateAt + 4), word(kDateAt), word(kTimeAt),
                      word(kTimeAt + 4), word(kTimeAt + 8));
    const double lat = degreesOf(scaledPair(record, kLatitudeAt));
    const double lon = degreesOf(scaledPair(record, kLongitudeAt));
    // No fix is written as zeros.
    s.fix = lat != 0 && lon != 0 && std::fabs(lat) <= 90 && std::fabs(lon) <= 180;
    if (!s.fix)
        return s;
    s.latitude = lat;
    s.longitude = lon;
    const double knots = scaledPair(record, kSpeedAt);
    s.speedKmh = knots >= 0 ? knots * kKmhPerKnot : 0;
    s.course = scaledPair(record, kCourseAt);
    s.hasCourse = s.course >= 0 && s.course <= 360;
    return s;
}
} // namespace scaledpairs
} // namespace

bool readGpmdScaledPairs(VideoIndex &video, LayoutRead *read)
{
    using namespace scaledpairs;
    std::vector<const MediaTrack *> tracks;
    if (!video.mediaTracks({kGpmd}, &tracks))
        return false;
    for (const MediaTrack *track : tracks) {
        DecodedTrack decoded;
        int marked = 0;
        forEachSample(video.file(), *track, kMaxSample,
                      [&](const unsigned char *data, std::size_t size, const MediaSample &s) {
                          if (size < kMinRecord) {
                              qCDebug(lcTrack)
                                  << "gpmd sample of" << size << "bytes, too short for a record";
                              return;
                          }
                          if (!isMarked(data))
                              return;
                          ++marked;
                          decoded.samples.push_back(sampleOf(data, s.time));
                      });
        if (marked == 0)
            continue; // GPMF or another layout in a "gpmd" track
        read->variant = "gpmd track of fixed records with scaled 64-bit pairs";
        if (isWritableTrack(decoded)) {
            read->problem.clear();
            read->track = std::move(decoded);
            return true;
        }
        read->problem = "gpmd records with scaled pairs found, but none holds a fix or a date";
    }
    return false;
}
