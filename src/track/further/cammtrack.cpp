// A camera motion metadata track ("camm" sample description): each sample holds one or more
// little-endian records, two reserved bytes and a two-byte record type, then a payload whose
// size the type fixes. Type 5 is a position (three doubles), type 6 a position with the GPS
// time, the fix type and the velocity, type 3 an acceleration in m/s².
#include "coveredseconds.h"
#include "furtherlayouts.h"
#include "rmcinfo.h"
#include "secondstrack.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {
namespace cammtrack {
constexpr uint32_t kCamm = fourcc("camm");
constexpr uint32_t kMvhd = fourcc("mvhd");

constexpr uint32_t kMaxSampleBytes = 1u << 20;
constexpr std::size_t kMaxPoints = 1u << 20;
constexpr double kStandardGravity = 9.80665;
constexpr double kKmhPerMs = 3.6;
constexpr double kPi = 3.141592653589793;
// Seconds from 1904-01-01 (movie header times) and from 1980-01-06 (GPS time) to 1970-01-01.
constexpr int64_t kMovieEpoch = 2082844800;
constexpr double kGpsEpoch = 315964800;
constexpr double kFiveYears = 5 * 365 * 86400.0;
constexpr int64_t kYear3000 = 32503680000;
// Far beyond any recording; keeps the clock arithmetic in range.
constexpr double kMaxTime = 1e7;

enum RecordType
{
    kAcceleration = 3,
    kPosition = 5,
    kTimedPosition = 6,
};

// Record sizes by type, the four head bytes included; 0 for unknown types.
int recordSize(unsigned type)
{
    static constexpr int kSizes[] = {16, 12, 16, 16, 16, 28, 60, 16};
    return type < sizeof kSizes / sizeof kSizes[0] ? kSizes[type] : 0;
}

double le64Double(const unsigned char *p)
{
    const uint64_t bits = uint64_t(readLe32(p)) | uint64_t(readLe32(p + 4)) << 32;
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

double le32Float(const unsigned char *p)
{
    const uint32_t bits = readLe32(p);
    float v;
    std::memcpy(&v, &bits, sizeof v);
    return double(v);
}

// The movie's creation time in Unix seconds, 0 when not set.
int64_t movieCreation(VideoIndex &video)
{
    for (const BoxHead &head : video.movieChildren()) {
        if (head.type != kMvhd)
            continue;
        unsigned char b[16];
        if (head.size < head.headSize + 16 ||
            !video.file().readAt(head.offset + head.headSize, b, 16))
            return 0;
        const int64_t created = b[0] == 1 ? int64_t(readBe64(b + 4) & 0x7fffffffffffffffULL)
                                          : int64_t(readBe32(b + 4));
        // Times before 1970 or after 2999 are not a recording's.
        return created > kMovieEpoch && created - kMovieEpoch < kYear3000 ? created - kMovieEpoch
                                                                         : 0;
    }
    return 0;
}

struct CammDecoder
{
    DecodedTrack track;
    int64_t creation = 0; // Unix seconds; 0 when the movie header does not say
    bool camm = false;    // a sample held a known record
    bool timed = false;   // type 6 records were read

    void sample(const unsigned char *data, std::size_t size, double time, double duration)
    {
        // Several records in a sample share its time span.
        int gpsRecords = 0;
        for (std::size_t at = 0; at + 4 <= size;) {
            const unsigned type = readLe32(data + at) >> 16;
            const int length = recordSize(type);
            if (length == 0 || std::size_t(length) > size - at)
                break;
            gpsRecords += type == kPosition || type == kTimedPosition;
            at += std::size_t(length);
        }
        int gpsIndex = 0;
        for (std::size_t at = 0; at + 4 <= size;) {
            const unsigned type = readLe32(data + at) >> 16;
            const int length = recordSize(type);
            if (length == 0 || std::size_t(length) > size - at)
                break;
            camm = true;
            const unsigned char *p = data + at;
            if (type == kAcceleration && track.accel.size() < kMaxPoints) {
                AccelSample a;
                a.time = time;
                a.x = le32Float(p + 4) / kStandardGravity;
                a.y = le32Float(p + 8) / kStandardGravity;
                a.z = le32Float(p + 12) / kStandardGravity;
                track.accel.push_back(a);
            } else if ((type == kPosition || type == kTimedPosition) &&
                       track.samples.size() < kMaxPoints) {
                const double pointTime = time + duration * gpsIndex++ / gpsRecords;
                track.samples.push_back(type == kPosition ? position(p, pointTime)
                                                          : timedPosition(p, pointTime));
            }
            at += std::size_t(length);
        }
    }

private:
    GpsSample position(const unsigned char *p, double time) const
    {
        GpsSample s;
        s.time = time;
        s.fix = true;
        s.latitude = le64Double(p + 4);
        s.longitude = le64Double(p + 12);
        s.hasSpeed = s.hasCourse = false;
        // No clock of its own: the movie's creation time moved by the sample's.
        if (creation > 0 && time >= 0 && time < kMaxTime)
            s.clock = (creation + int64_t(std::floor(time))) * 1000 +
                      int64_t(std::llround((time - std::floor(time)) * 1000));
        return s;
    }

    GpsSample timedPosition(const unsigned char *p, double time)
    {
        timed = true;
        GpsSample s;
        s.time = time;
        // Seconds since the GPS epoch; some writers use the Unix epoch instead, told apart by
        // the creation time. No leap-second correction: the clock is kept as stored.
        double seconds = le64Double(p + 4);
        if (creation == 0 || double(creation) - seconds > kFiveYears)
            seconds += kGpsEpoch;
        if (std::isfinite(seconds) && seconds > 0 && seconds < double(kYear3000))
            s.clock = int64_t(std::floor(seconds)) * 1000 +
                      int64_t(std::llround((seconds - std::floor(seconds)) * 1000));
        s.fix = readLe32(p + 12) >= 2;
        s.latitude = le64Double(p + 16);
        s.longitude = le64Double(p + 24);
        const double east = le32Float(p + 44), north = le32Float(p + 48);
        s.speedKmh = std::hypot(east, north) * kKmhPerMs;
        const double course = std::atan2(east, north) * 180 / kPi;
        s.course = course < 0 ? course + 360 : course;
        return s;
    }
};
} // namespace cammtrack
} // namespace

bool readCammTrack(VideoIndex &video, LayoutRead *read)
{
    using namespace cammtrack;
    InputFile &file = video.file();
    std::vector<const MediaTrack *> tracks;
    if (!video.mediaTracks({kCamm}, &tracks))
        return false;
    for (const MediaTrack *track : tracks) {
        CammDecoder decoder;
        decoder.creation = movieCreation(video);
        const double end = forEachSample(
            file, *track, kMaxSampleBytes,
            [&](const unsigned char *data, std::size_t size, const MediaSample &s) {
                decoder.sample(data, size, s.time, s.duration);
            });
        keepCoveredSeconds(end, &decoder.track);
        if (!decoder.camm)
            continue;
        if (decoder.track.samples.empty()) {
            read->problem = "camera motion metadata track found, but it holds no GPS records";
            continue;
        }
        read->variant = decoder.timed
                              ? "camera motion metadata track, GPS records with time and velocity"
                              : "camera motion metadata track, GPS positions timed by the movie's "
                                "creation time";
        if (!decoder.track.accel.empty())
            read->variant += ", accelerometer";
        if (isWritableTrack(decoder.track)) {
            read->problem.clear();
            read->track = std::move(decoder.track);
            return true;
        }
        read->problem =
            "camera motion metadata track found, but none of its GPS records has a fix or a time";
    }
    return false;
}
