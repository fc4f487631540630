// A GPMF timed-metadata track ("gpmd" sample description): each sample, about a second long,
// holds device containers of streams; a GPS stream carries its points (GPS5 or GPS9) at 10-18 a
// second, with its divisors (SCAL), the UTC time of the first point (GPSU) and the fix (GPSF);
// an accelerometer stream carries ACCL readings in m/s².
#include "coveredseconds.h"
#include "furtherlayouts.h"
#include "gpmfklv.h"
#include "secondstrack.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {
namespace gpmftrack {
constexpr uint32_t kGpmd = fourcc("gpmd");
constexpr uint32_t kDevc = fourcc("DEVC");
constexpr uint32_t kScal = fourcc("SCAL");
constexpr uint32_t kGpsu = fourcc("GPSU");
constexpr uint32_t kGpsf = fourcc("GPSF");
constexpr uint32_t kGps5 = fourcc("GPS5");
constexpr uint32_t kGps9 = fourcc("GPS9");
constexpr uint32_t kAccl = fourcc("ACCL");
constexpr uint32_t kType = fourcc("TYPE");

// Device, stream and one level more; anything deeper is not a GPMF sample.
constexpr int kMaxDepth = 4;
// A second of every sensor a camera has is far below this.
constexpr uint32_t kMaxSampleBytes = 4u << 20;
// Hours of points at the fastest rate; beyond it the rest is passed over.
constexpr std::size_t kMaxPoints = 1u << 20;
constexpr int kMaxScales = 16;
constexpr double kStandardGravity = 9.80665;
constexpr double kKmhPerMs = 3.6;

struct Span
{
    double time = 0;     // of the sample, seconds into the recording
    double duration = 0; // seconds
};

// What the items before a data item in its container said about it.
struct StreamState
{
    double scales[kMaxScales] = {};
    int scaleCount = 0;
    int64_t clock = kNoClock; // GPSU: the first point's UTC time
    double fix = -1;          // GPSF; -1 when not given
    char types[64] = {};      // TYPE of '?' items
    std::size_t typeCount = 0;

    double scaled(double value, int element) const
    {
        if (scaleCount == 0)
            return value;
        const double divisor = scales[element % scaleCount];
        return divisor == 0 ? std::numeric_limits<double>::quiet_NaN() : value / divisor;
    }
};

// "yymmddhhmmss.sss", the first point's UTC time.
int64_t gpsuClock(const KlvItem &item)
{
    if ((item.type != 'c' && item.type != 'U') || item.size < 12)
        return kNoClock;
    const auto two = [&item](int at) {
        const unsigned char a = item.data[at], b = item.data[at + 1];
        return a >= '0' && a <= '9' && b >= '0' && b <= '9' ? (a - '0') * 10 + (b - '0') : -1;
    };
    int fields[6];
    for (int i = 0; i < 6; ++i) {
        fields[i] = two(2 * i);
        if (fields[i] < 0)
            return kNoClock;
    }
    double second = fields[5];
    // Thousandths after the point, as many as are given.
    if (item.size > 12 && item.data[12] == '.') {
        double unit = 0.1;
        for (std::size_t i = 13; i < std::min<std::size_t>(item.size, 16); ++i, unit /= 10) {
            if (item.data[i] < '0' || item.data[i] > '9')
                break;
            second += (item.data[i] - '0') * unit;
        }
    }
    return clockOf(2000 + fields[0], fields[1], fields[2], fields[3], fields[4], second);
}

class GpmfDecoder
{
public:
    DecodedTrack track;
    bool damaged = false;
    bool gpmf = false; // a sample began with a device container
    bool gps9 = false;
    std::size_t points = 0; // read, kept or not: the probe's rate

    void sample(const unsigned char *data, std::size_t size, const Span &span)
    {
        KlvWalker walker(data, size);
        KlvItem first;
        if (!walker.next(&first) || first.key != kDevc || !first.nested())
            return;
        gpmf = true;
        container(data, size, span, 1);
    }

private:
    void container(const unsigned char *data, std::size_t size, const Span &span, int depth)
    {
        StreamState state;
        KlvWalker walker(data, size);
        KlvItem item;
        while (walker.next(&item)) {
            if (item.nested()) {
                if (depth < kMaxDepth)
                    container(item.data, item.size, span, depth + 1);
                else
                    damaged = true;
                continue;
            }
            switch (item.key) {
            case kScal:
                readScales(item, &state);
                break;
            case kGpsu:
                state.clock = gpsuClock(item);
                break;
            case kGpsf:
                if (klvValues(item, 0, nullptr, 0, &state.fix, 1) != 1)
                    state.fix = -1;
                break;
            case kType:
                state.typeCount = std::min(item.size, sizeof state.types);
                std::memcpy(state.types, item.data, state.typeCount);
                break;
            case kGps5:
                gpsPoints(item, state, span, false);
                break;
            case kGps9:
                gpsPoints(item, state, span, true);
                break;
            case kAccl:
                accelPoints(item, state, span);
                break;
            default:
                break;
            }
        }
        damaged = damaged || walker.damaged();
    }

    static void readScales(const KlvItem &item, StreamState *state)
    {
        // One divisor, or one per element of the data item: as repeats or as one structure.
        state->scaleCount = 0;
        for (int r = 0; r < item.repeat && state->scaleCount < kMaxScales; ++r)
            state->scaleCount += klvValues(item, r, nullptr, 0, state->scales + state->scaleCount,
                                           kMaxScales - state->scaleCount);
    }

    // Whether a point at time, spacing seconds from its neighbours, may be the one nearest a
    // whole second. Points of a sample without a duration all lie at its time: each may be.
    static bool isNearWholeSecond(double time, double spacing)
    {
        return !(spacing > 0) || std::fabs(time - std::round(time)) <= spacing / 2 + 1e-9;
    }

    // The time of point k of count spread over the sample.
    static double pointOffset(const Span &span, int k, int count)
    {
        return count > 0 ? span.duration * k / count : 0;
    }

    void gpsPoints(const KlvItem &item, const StreamState &state, const Span &span, bool nine)
    {
        const int width = klvElementCount(item, state.types, state.typeCount);
        if (width < (nine ? 9 : 5))
            return;
        gps9 = gps9 || nine;
        const double spacing = item.repeat > 0 ? span.duration / item.repeat : 0;
        for (int k = 0; k < item.repeat && points < kMaxPoints; ++k, ++points) {
            // A line a second takes the point nearest its second: the others, nine in ten at
            // 10 Hz, need not be kept.
            if (!isNearWholeSecond(span.time + pointOffset(span, k, item.repeat), spacing))
                continue;
            double v[9];
            if (klvValues(item, k, state.types, state.typeCount, v, 9) < (nine ? 9 : 5))
                return;
            for (int e = 0; e < (nine ? 9 : 5); ++e)
                v[e] = state.scaled(v[e], e);
            const double offset = pointOffset(span, k, item.repeat);
            GpsSample s;
            s.time = span.time + offset;
            s.latitude = v[0];
            s.longitude = v[1];
            s.speedKmh = v[3] * kKmhPerMs;
            s.hasCourse = false; // GPMF records no course
            if (nine) {
                // Days since 2000 and seconds since midnight, UTC; the fix type per point.
                const bool plausible = v[5] >= 0 && v[5] < 400000 && v[6] >= 0 && v[6] < 86401;
                s.clock = plausible ? (daysFromCivil(2000, 1, 1) + int64_t(v[5])) * 86400000 +
                                          int64_t(std::llround(v[6] * 1000))
                                    : kNoClock;
                s.fix = v[8] >= 2;
            } else {
                s.clock = state.clock == kNoClock
                              ? kNoClock
                              : state.clock + int64_t(std::llround(offset * 1000));
                s.fix = state.fix < 0 || state.fix >= 2;
            }
            track.samples.push_back(s);
        }
    }

    void accelPoints(const KlvItem &item, const StreamState &state, const Span &span)
    {
        if (klvElementCount(item, state.types, state.typeCount) < 3)
            return;
        const double spacing = item.repeat > 0 ? span.duration / item.repeat : 0;
        for (int k = 0; k < item.repeat && track.accel.size() < kMaxPoints; ++k) {
            const double time = span.time + pointOffset(span, k, item.repeat);
            // The track keeps a reading a second: only the one nearest each whole second.
            if (!isNearWholeSecond(time, spacing))
                continue;
            double v[3];
            if (klvValues(item, k, state.types, state.typeCount, v, 3) < 3)
                return;
            AccelSample a;
            a.time = time;
            a.x = state.scaled(v[0], 0) / kStandardGravity;
            a.y = state.scaled(v[1], 1) / kStandardGravity;
            a.z = state.scaled(v[2], 2) / kStandardGravity;
            track.accel.push_back(a);
        }
    }
};

// The probe's words: which points, at what rate, and whether G-sensor readings came with them.
std::string variantOf(const GpmfDecoder &d, double seconds)
{
    char text[160];
    const double rate = seconds > 0 ? double(d.points) / seconds : 0;
    std::snprintf(text, sizeof text,
                  "GPMF timed-metadata track, %s scaled integers, %.0f points a second",
                  d.gps9 ? "GPS9" : "GPS5", std::min(rate, 1e6));
    std::string variant = text;
    if (!d.track.accel.empty())
        variant += ", accelerometer";
    return variant;
}
} // namespace gpmftrack
} // namespace

bool readGpmfTrack(VideoIndex &video, LayoutRead *read)
{
    using namespace gpmftrack;
    InputFile &file = video.file();
    std::vector<const MediaTrack *> tracks;
    if (!video.mediaTracks({kGpmd}, &tracks))
        return false;
    for (const MediaTrack *track : tracks) {
        GpmfDecoder decoder;
        const double end = forEachSample(
            file, *track, kMaxSampleBytes,
            [&](const unsigned char *data, std::size_t size, const MediaSample &s) {
                decoder.sample(data, size, Span{s.time, s.duration});
            });
        keepCoveredSeconds(end, &decoder.track);
        if (!decoder.gpmf)
            continue; // another layout in a "gpmd" track
        if (decoder.track.samples.empty()) {
            read->problem = decoder.damaged
                                  ? "GPMF timed-metadata track found, but its items are damaged"
                                  : "GPMF timed-metadata track found, but it holds no GPS stream";
            continue;
        }
        read->variant = variantOf(decoder, end);
        if (isWritableTrack(decoder.track)) {
            read->problem.clear();
            read->track = std::move(decoder.track);
            return true;
        }
        read->problem = "GPMF timed-metadata track found, but none of its GPS points has a fix "
                          "or a time";
    }
    return false;
}
