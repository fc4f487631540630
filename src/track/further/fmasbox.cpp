// The "FMAS" records: samples of a timed-metadata track ("gpmd" sample entry) that are not GPMF
// but one fixed little-endian record each, "FMAS" at 0 and "SAMM" at 80: the camera's local
// date and time, a status letter, hemisphere letters, degrees, minutes and ten-thousandths of
// minutes as small integers, the speed in miles per hour, the course, and three accelerations.
#include "furtherlayouts.h"
#include "rmcinfo.h"
#include "secondstrack.h"

#include <cstring>
#include <vector>

namespace {
namespace fmasbox {
constexpr uint32_t kGpmd = fourcc("gpmd");
constexpr std::size_t kRecordSize = 160;
constexpr double kKmhPerMph = 1.609344;

// Where the fields sit in the record.
constexpr std::size_t kSammAt = 80;
constexpr std::size_t kDateAt = 96;    // u16 year, then month, day, hour, minute, second
constexpr std::size_t kAccelAt = 0x6c; // three floats, g, the vertical axis first
constexpr std::size_t kStatusAt = 120; // 'A' with a fix
constexpr std::size_t kLonHemisphereAt = 121;
constexpr std::size_t kLatHemisphereAt = 122;
constexpr std::size_t kLonAt = 123; // degrees, minutes, a zero byte, u16 minutes / 6000
constexpr std::size_t kLatAt = 128; // degrees, minutes, u16 minutes / 6000
constexpr std::size_t kSpeedAt = 132;
constexpr std::size_t kCourseAt = 134;

uint16_t le16(const unsigned char *p)
{
    return uint16_t(p[0] | p[1] << 8);
}

float leFloat(const unsigned char *p)
{
    const uint32_t bits = readLe32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

bool isFmas(const unsigned char *r)
{
    return std::memcmp(r, "FMAS\0\0\0\0", 8) == 0 && std::memcmp(r + kSammAt, "SAMM", 4) == 0;
}

// One record into a sample at time; false when its date does not hold together.
bool decodeRecord(const unsigned char *r, double time, DecodedTrack *track)
{
    GpsSample g;
    g.time = time;
    g.clock = clockOf(le16(r + kDateAt), r[kDateAt + 2], r[kDateAt + 3], r[kDateAt + 4],
                      r[kDateAt + 5], r[kDateAt + 6]);
    if (g.clock == kNoClock)
        return false;
    const char latHemisphere = char(r[kLatHemisphereAt]);
    const char lonHemisphere = char(r[kLonHemisphereAt]);
    g.fix = r[kStatusAt] == 'A' && (latHemisphere == 'N' || latHemisphere == 'S') &&
            (lonHemisphere == 'E' || lonHemisphere == 'W');
    if (g.fix) {
        const double lon = r[kLonAt] + (r[kLonAt + 1] + le16(r + kLonAt + 3) / 6000.0) / 60;
        const double lat = r[kLatAt] + (r[kLatAt + 1] + le16(r + kLatAt + 2) / 6000.0) / 60;
        g.latitude = latHemisphere == 'S' ? -lat : lat;
        g.longitude = lonHemisphere == 'W' ? -lon : lon;
        g.speedKmh = le16(r + kSpeedAt) * kKmhPerMph;
        g.course = le16(r + kCourseAt);
    }
    track->samples.push_back(g);
    const float vertical = leFloat(r + kAccelAt), x = leFloat(r + kAccelAt + 4),
                y = leFloat(r + kAccelAt + 8);
    track->accel.push_back({time, x, y, vertical});
    return true;
}
} // namespace fmasbox
} // namespace

bool readFmasBox(VideoIndex &video, LayoutRead *read)
{
    using namespace fmasbox;
    InputFile &file = video.file();
    std::vector<const MediaTrack *> tracks;
    if (!video.mediaTracks({kGpmd}, &tracks))
        return false;
    unsigned char record[kRecordSize];
    for (const MediaTrack *track : tracks) {
        DecodedTrack decoded;
        decoded.clock = TrackClock::LocalTime;
        bool recognised = false;
        for (const MediaSample &m : track->samples) {
            if (m.size < kRecordSize || !file.readAt(m.offset, record, kRecordSize) ||
                !isFmas(record))
                continue;
            recognised = true;
            decodeRecord(record, m.time, &decoded);
        }
        if (!recognised)
            continue;
        if (decoded.samples.empty()) {
            read->problem = "FMAS records found, but none holds a valid date";
            continue;
        }
        read->variant = "FMAS records in a timed-metadata track";
        read->problem.clear();
        if (isWritableTrack(decoded)) {
            read->track = std::move(decoded);
            return true;
        }
    }
    return false;
}
