#include "secondstrack.h"
#include "coordinates.h"
#include "tracktextfile.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
namespace secondstrack {
// Two days of driving in one file is far beyond any card; a hostile time cannot make more lines.
constexpr double kMaxSeconds = 48 * 3600.0;
constexpr double kKnotsPerKmh = 1.0 / 1.852;
constexpr double kCountsPerG = 256.0;

bool isFiniteValue(double v)
{
    return std::isfinite(v);
}

// ddmm.mmmmmm of the track line: whole degrees times 100 plus minutes.
double nmeaForm(double degrees)
{
    const double a = std::fabs(degrees);
    const double whole = std::floor(a);
    return whole * 100 + (a - whole) * 60;
}

int gCounts(double g)
{
    const double counts = std::round(g * kCountsPerG);
    if (!isFiniteValue(counts))
        return 0;
    return int(std::clamp(counts, -1.0e6, 1.0e6));
}

struct LineClock
{
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The line's date and time, whole seconds; zeros when the clock is unknown or outside the years
// the two-digit form can hold.
LineClock lineClock(int64_t clock)
{
    LineClock c;
    if (clock == kNoClock)
        return c;
    const int64_t seconds = clock >= 0 ? clock / 1000 : (clock - 999) / 1000;
    const int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    const int64_t rest = seconds - days * 86400;
    int year = 0, month = 0, day = 0;
    civilFromDays(days, &year, &month, &day);
    if (year < 2000 || year > 2099)
        return c;
    c.year = year - 2000;
    c.month = month;
    c.day = day;
    c.hour = int(rest / 3600);
    c.minute = int(rest / 60 % 60);
    c.second = int(rest % 60);
    return c;
}

// Index of the element of sorted times nearest to s within half a second, or -1.
template <typename T>
int nearestAt(const std::vector<T> &items, std::size_t *cursor, double s)
{
    std::size_t &i = *cursor;
    while (i < items.size() && items[i].time < s - 0.5)
        ++i;
    int best = -1;
    double bestDistance = 0.5;
    for (std::size_t j = i; j < items.size() && items[j].time <= s + 0.5; ++j) {
        const double d = std::fabs(items[j].time - s);
        if (best < 0 || d < bestDistance) {
            best = int(j);
            bestDistance = d;
        }
    }
    return best;
}

// The clock at second s, from the sample with a clock nearest in time to s.
int64_t clockAt(const std::vector<GpsSample> &samples, const std::vector<int> &withClock, double s)
{
    if (withClock.empty())
        return kNoClock;
    const auto it = std::lower_bound(withClock.begin(), withClock.end(), s,
                                     [&samples](int index, double value) {
                                         return samples[std::size_t(index)].time < value;
                                     });
    int best = -1;
    if (it != withClock.end())
        best = *it;
    if (it != withClock.begin()) {
        const int before = *(it - 1);
        if (best < 0 || s - samples[std::size_t(before)].time <=
                            samples[std::size_t(best)].time - s)
            best = before;
    }
    const GpsSample &near = samples[std::size_t(best)];
    // The second that sample's own line shows, moved by whole seconds: a sample stamped a little
    // late or early cannot make a line repeat the second of its neighbour.
    const int64_t shown = near.clock >= 0 ? near.clock / 1000 : (near.clock - 999) / 1000;
    return (shown + int64_t(std::llround(s - near.time))) * 1000;
}

constexpr double kRadians = 3.14159265358979323846 / 180;
constexpr double kMaxDerivingGap = 3.0; // seconds between the fixes a speed is worked out from

double bearing(const GpsSample &from, const GpsSample &to)
{
    const double la = from.latitude * kRadians, lb = to.latitude * kRadians;
    const double dLon = (to.longitude - from.longitude) * kRadians;
    const double y = std::sin(dLon) * std::cos(lb);
    const double x = std::cos(la) * std::sin(lb) - std::sin(la) * std::cos(lb) * std::cos(dLon);
    const double degrees = std::atan2(y, x) / kRadians;
    return degrees < 0 ? degrees + 360 : degrees;
}

// Speed and course of a fix that records none, from the fix before it (else after it). Standing
// still, the car keeps the heading it had.
void deriveMotion(const GpsSample *before, const GpsSample *after, GpsSample *s)
{
    if (!s->hasSpeed)
        s->speedKmh = 0;
    if (!s->hasCourse)
        s->course = before ? before->course : 0;
    const GpsSample *from = before ? before : s;
    const GpsSample *to = before ? s : after;
    if (!to || from == to || !(to->time - from->time > 0) ||
        to->time - from->time > kMaxDerivingGap)
        return;
    const double metres =
        distanceMetres(from->longitude, from->latitude, to->longitude, to->latitude);
    if (!s->hasSpeed)
        s->speedKmh = metres / (to->time - from->time) * 3.6;
    if (!s->hasCourse && metres > 1.0)
        s->course = bearing(*from, *to);
}

bool usableFix(const GpsSample &s)
{
    return s.fix && isFiniteValue(s.latitude) && isFiniteValue(s.longitude) && s.latitude != 0 &&
           s.longitude != 0 && std::fabs(s.latitude) <= 90 && std::fabs(s.longitude) <= 180;
}

// Hands take() each sample as the writer takes it, until take() returns false: a sample without
// a time one second after the one before, none beyond two days, a fix only where its position
// is usable, no speed or course that is not a number.
template <typename Take>
void forEachTimedSample(const DecodedTrack &track, Take &&take)
{
    double previous = -1;
    for (GpsSample s : track.samples) {
        if (s.time < 0 || !isFiniteValue(s.time))
            s.time = previous < 0 ? 0 : previous + 1;
        if (s.time > kMaxSeconds)
            continue;
        previous = s.time;
        s.fix = usableFix(s);
        if (!isFiniteValue(s.speedKmh) || s.speedKmh < 0)
            s.speedKmh = 0;
        if (!isFiniteValue(s.course))
            s.course = 0;
        if (!take(s))
            return;
    }
}

bool isUseful(const GpsSample &s)
{
    return s.fix || s.clock != kNoClock;
}
} // namespace secondstrack
} // namespace

bool isWritableTrack(const DecodedTrack &track)
{
    using namespace secondstrack;
    bool anyUseful = false;
    forEachTimedSample(track, [&anyUseful](const GpsSample &s) {
        anyUseful = isUseful(s);
        return !anyUseful;
    });
    return anyUseful;
}

int writeSecondsTrack(const DecodedTrack &track, const char *textPath)
{
    using namespace secondstrack;
    bool anyUseful = false;
    std::vector<GpsSample> samples;
    samples.reserve(track.samples.size());
    forEachTimedSample(track, [&](const GpsSample &s) {
        anyUseful = anyUseful || isUseful(s);
        samples.push_back(s);
        return true;
    });
    if (!anyUseful)
        return -1;
    std::stable_sort(samples.begin(), samples.end(),
                     [](const GpsSample &a, const GpsSample &b) { return a.time < b.time; });
    std::vector<AccelSample> accel;
    for (const AccelSample &a : track.accel) {
        if (isFiniteValue(a.time) && a.time >= 0 && a.time <= kMaxSeconds)
            accel.push_back(a);
    }
    std::stable_sort(accel.begin(), accel.end(),
                     [](const AccelSample &a, const AccelSample &b) { return a.time < b.time; });
    std::vector<int> withClock;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        if (samples[i].clock != kNoClock)
            withClock.push_back(int(i));
    }

    // The sample of each second first, so that a fix can look at its neighbours' positions.
    const long seconds = long(std::floor(samples.back().time + 0.5)) + 1;
    std::vector<int> chosen(std::size_t(seconds), -1);
    std::size_t sampleCursor = 0;
    for (long s = 0; s < seconds; ++s)
        chosen[std::size_t(s)] = nearestAt(samples, &sampleCursor, double(s));
    for (long s = 0; s < seconds; ++s) {
        const int at = chosen[std::size_t(s)];
        if (at < 0 || !samples[std::size_t(at)].fix ||
            (samples[std::size_t(at)].hasSpeed && samples[std::size_t(at)].hasCourse))
            continue;
        // The nearest fix within a few seconds before (step -1) or after (step 1).
        const auto fixNear = [&](long step) -> const GpsSample * {
            for (long k = 1; k <= long(kMaxDerivingGap); ++k) {
                const long second = s + step * k;
                if (second < 0 || second >= seconds || chosen[std::size_t(second)] < 0)
                    continue;
                const GpsSample &n = samples[std::size_t(chosen[std::size_t(second)])];
                if (n.fix)
                    return &n;
            }
            return nullptr;
        };
        GpsSample derived = samples[std::size_t(at)];
        deriveMotion(fixNear(-1), fixNear(1), &derived);
        // Each second's sample is chosen once, so the copy can stand in for it.
        samples[std::size_t(at)].speedKmh = derived.speedKmh;
        samples[std::size_t(at)].course = derived.course;
        samples[std::size_t(at)].hasSpeed = samples[std::size_t(at)].hasCourse = true;
    }

    TextFile text(textPath);
    if (!text.isOpen())
        return -1;
    std::size_t accelCursor = 0;
    for (long s = 0; s < seconds; ++s) {
        const int at = chosen[std::size_t(s)];
        const int g = nearestAt(accel, &accelCursor, double(s));
        const AccelSample a = g >= 0 ? accel[std::size_t(g)] : AccelSample{};
        const GpsSample *sample = at >= 0 ? &samples[std::size_t(at)] : nullptr;
        const int64_t clock = sample && sample->clock != kNoClock
                                  ? sample->clock
                                  : clockAt(samples, withClock, double(s));
        const LineClock c = lineClock(clock);
        const bool fix = sample && sample->fix;
        std::fprintf(text.stream(), "%c20%.2d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d\n",
                     fix ? 'A' : 'V', c.year, c.month, c.day, c.hour, c.minute, c.second,
                     fix ? nmeaForm(sample->latitude) : 0.0,
                     fix && sample->latitude < 0 ? 'S' : 'N',
                     fix ? nmeaForm(sample->longitude) : 0.0,
                     fix && sample->longitude < 0 ? 'W' : 'E',
                     fix ? sample->speedKmh * kKnotsPerKmh : 0.0, fix ? sample->course : 0.0,
                     gCounts(a.x), gCounts(a.y), gCounts(a.z));
        text.lineWritten();
    }
    return int(std::min<long>(text.lines(), std::numeric_limits<int>::max()));
}
