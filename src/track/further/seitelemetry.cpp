// Vehicle telemetry in the H.264 SEI of the video track (see seiframes.h), as a GPS track: a
// frame's message gives position, heading, speed and linear acceleration. The message carries no
// date; a file name of the form YYYY-MM-DD_HH-MM-SS-<camera>.mp4 gives the local time the
// recording starts.
#include "coveredseconds.h"
#include "furtherlayouts.h"
#include "rmcinfo.h"
#include "secondstrack.h"
#include "seiframes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {
namespace seitelemetry {
constexpr std::size_t kMaxPoints = 1u << 20;
constexpr double kStandardGravity = 9.80665;
constexpr double kKmhPerMs = 3.6;
// Far beyond any recording; keeps the clock arithmetic in range.
constexpr double kMaxTime = 1e7;

// The local time a file name of the form YYYY-MM-DD_HH-MM-SS-<camera>.mp4 gives; kNoClock for
// any other name.
int64_t clockOfName(const char *path)
{
    if (!path)
        return kNoClock;
    const char *slash = std::strrchr(path, '/');
    const std::string name = slash ? slash + 1 : path;
    static const char kForm[] = "dddd-dd-dd_dd-dd-dd-";
    constexpr std::size_t kFormSize = sizeof kForm - 1;
    if (name.size() < kFormSize + 4)
        return kNoClock;
    for (std::size_t i = 0; i < kFormSize; ++i) {
        const bool digit = std::isdigit(static_cast<unsigned char>(name[i])) != 0;
        if (kForm[i] == 'd' ? !digit : name[i] != kForm[i])
            return kNoClock;
    }
    std::string extension = name.substr(name.size() - 4);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    const std::string camera = name.substr(kFormSize, name.size() - kFormSize - 4);
    static const char *const kCameras[] = {"front",         "back",        "left_repeater",
                                           "right_repeater", "left_pillar", "right_pillar"};
    if (extension != ".mp4" ||
        std::none_of(std::begin(kCameras), std::end(kCameras),
                     [&camera](const char *c) { return camera == c; }))
        return kNoClock;
    const auto number = [&name](std::size_t at, std::size_t digits) {
        return std::stoi(name.substr(at, digits));
    };
    return clockOf(number(0, 4), number(5, 2), number(8, 2), number(11, 2), number(14, 2),
                   number(17, 2));
}

void addFrame(const SeiTelemetry &t, double time, int64_t startClock, DecodedTrack *track)
{
    GpsSample s;
    s.time = time;
    if (startClock != kNoClock && time >= 0 && time < kMaxTime)
        s.clock = startClock + int64_t(std::llround(time * 1000));
    s.latitude = t.latitude;
    s.longitude = t.longitude;
    s.fix = std::isfinite(t.latitude) && std::isfinite(t.longitude) && t.latitude != 0 &&
            t.longitude != 0 && std::fabs(t.latitude) <= 90 && std::fabs(t.longitude) <= 180;
    if (!s.fix)
        s.latitude = s.longitude = 0;
    s.hasSpeed = std::isfinite(t.speedMps);
    s.speedKmh = s.hasSpeed ? std::fabs(double(t.speedMps)) * kKmhPerMs : 0;
    s.hasCourse = std::isfinite(t.heading);
    if (s.hasCourse) {
        s.course = std::fmod(t.heading, 360.0);
        if (s.course < 0)
            s.course += 360;
    }
    track->samples.push_back(s);
    const double *a = t.acceleration;
    if (t.hasAcceleration && std::isfinite(a[0]) && std::isfinite(a[1]) && std::isfinite(a[2])) {
        AccelSample g;
        g.time = time;
        g.x = a[0] / kStandardGravity;
        g.y = a[1] / kStandardGravity;
        g.z = a[2] / kStandardGravity;
        track->accel.push_back(g);
    }
}
} // namespace seitelemetry
} // namespace

bool readSeiTelemetry(VideoIndex &video, LayoutRead *read)
{
    using namespace seitelemetry;
    SeiTelemetryWalk walk(video);
    const int64_t startClock = clockOfName(video.path());
    for (std::size_t k = 0; k < walk.tracks(); ++k) {
        DecodedTrack track;
        track.clock = startClock != kNoClock ? TrackClock::LocalTime : TrackClock::Utc;
        double end = 0;
        const std::size_t found = walk.walk(k, [&](const SeiFrame &frame) {
            end = std::max(end, frame.end);
            if (frame.fields > 0)
                addFrame(frame.message, frame.time, startClock, &track);
            return track.samples.size() < kMaxPoints;
        });
        if (found == 0)
            continue;
        // Frames stored out of order are shown in order: the samples follow the pictures.
        const auto byTime = [](const auto &a, const auto &b) { return a.time < b.time; };
        std::stable_sort(track.samples.begin(), track.samples.end(), byTime);
        std::stable_sort(track.accel.begin(), track.accel.end(), byTime);
        keepCoveredSeconds(end, &track);
        const bool positions = std::any_of(track.samples.begin(), track.samples.end(),
                                           [](const GpsSample &s) { return s.fix; });
        if (!positions || !isWritableTrack(track)) {
            read->problem = "vehicle telemetry in the video's SEI found, but no frame holds a "
                            "position";
            continue;
        }
        read->variant = "vehicle telemetry in the video's SEI, per frame";
        if (startClock != kNoClock)
            read->variant += ", local time from the file name";
        read->problem.clear();
        read->track = std::move(track);
        return true;
    }
    return false;
}
