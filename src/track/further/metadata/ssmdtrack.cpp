// A timed-metadata track of format "ssmd" whose fixes are 32-byte little-endian samples:
// latitude and longitude as doubles in signed ddmm.mmmm at 0 and 8, the speed in knots as a
// 16-bit word at 20, then year (from 2000), month, day, hour, minute, second as bytes at 22 (the
// receiver's UTC clock). A latitude of 4294967295 marks a second without a fix. The same track
// holds 12-byte samples of three floats, an accelerometer whose unit is not known (not read), and
// other samples (pictures) passed over.
#include "furtherlayouts.h"
#include "secondstrack.h"

#include <cmath>
#include <cstring>
#include <vector>

namespace {
namespace ssmdtrack {
constexpr uint32_t kSsmd = fourcc("ssmd");
constexpr std::size_t kFixSize = 32;
constexpr std::size_t kLatitudeAt = 0, kLongitudeAt = 8, kSpeedAt = 20, kClockAt = 22;
constexpr double kNoFixLatitude = 4294967295.0;
constexpr double kKmhPerKnot = 1.852;

double readLeDouble(const unsigned char *p)
{
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i)
        bits = bits << 8 | p[i];
    double d;
    static_assert(sizeof d == sizeof bits, "a double is 64 bits");
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// ddmm.mmmm with its sign to signed degrees.
double degreesOf(double minutesForm)
{
    const double whole = std::trunc(minutesForm / 100);
    return whole + (minutesForm - whole * 100) / 60;
}

GpsSample sampleOf(const unsigned char *data, double time)
{
    GpsSample s;
    s.time = time;
    const unsigned char *c = data + kClockAt;
    s.clock = clockOf(2000 + c[0], c[1], c[2], c[3], c[4], c[5]);
    const double rawLatitude = readLeDouble(data + kLatitudeAt);
    if (rawLatitude == kNoFixLatitude || !std::isfinite(rawLatitude))
        return s;
    const double lat = degreesOf(rawLatitude);
    const double lon = degreesOf(readLeDouble(data + kLongitudeAt));
    s.fix =
        std::isfinite(lon) && lat != 0 && lon != 0 && std::fabs(lat) <= 90 && std::fabs(lon) <= 180;
    if (!s.fix)
        return s;
    s.latitude = lat;
    s.longitude = lon;
    s.speedKmh = (data[kSpeedAt] | data[kSpeedAt + 1] << 8) * kKmhPerKnot;
    s.hasCourse = false; // none stored
    return s;
}
} // namespace ssmdtrack
} // namespace

bool readSsmdTrack(VideoIndex &video, LayoutRead *read)
{
    using namespace ssmdtrack;
    std::vector<const MediaTrack *> tracks;
    if (!video.mediaTracks({kSsmd}, &tracks))
        return false;
    for (const MediaTrack *track : tracks) {
        DecodedTrack decoded;
        forEachSample(video.file(), *track, kFixSize,
                      [&](const unsigned char *data, std::size_t size, const MediaSample &s) {
                          if (size == kFixSize)
                              decoded.samples.push_back(sampleOf(data, s.time));
                      });
        read->variant = "ssmd track of 32-byte fixes";
        if (isWritableTrack(decoded)) {
            read->problem.clear();
            read->track = std::move(decoded);
            return true;
        }
        read->problem = "ssmd track found, but none of its 32-byte samples holds a fix or a date";
    }
    return false;
}
