// Text records in the PES units of PID 0x300 of an MPEG transport stream, one a second, each
// behind a tag word: "yyyy/mm/dd hh:mm:ss" (UTC), "N:"/"S:" and "E:"/"W:" before decimal
// degrees, the speed and "km/h", the course, the altitude, a field not known, then "x:", "y:",
// "z:" and the accelerometer in g. Zeros or padding may follow the record.
#include "furtherlayouts.h"
#include "secondstrack.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
namespace tstextrecords {
constexpr int kGpsPid = 0x300;
constexpr char kTagWord[] = "Viidure";
constexpr std::size_t kTagLength = sizeof kTagWord - 1;
// A record is about a hundred characters; more of a unit is not looked at.
constexpr std::size_t kMaxRecord = 256;

// Splits the record's text into its space-separated words.
std::vector<std::string> wordsOf(const std::vector<unsigned char> &unit)
{
    const std::size_t length = std::min(unit.size(), kMaxRecord);
    std::string text(reinterpret_cast<const char *>(unit.data()) + kTagLength, length - kTagLength);
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t space = text.find(' ', at);
        const std::size_t end = space == std::string::npos ? text.size() : space;
        if (end > at)
            words.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

// The whole word as a number.
bool numberOf(const std::string &word, double *value)
{
    if (word.empty())
        return false;
    char *end = nullptr;
    *value = std::strtod(word.c_str(), &end);
    return end == word.c_str() + word.size() && std::isfinite(*value);
}

// "X:number" with X one of the two letters; the sign from the letter.
bool signedAfter(const std::string &word, char positive, char negative, double *value)
{
    if (word.size() < 3 || word[1] != ':' || (word[0] != positive && word[0] != negative))
        return false;
    if (!numberOf(word.substr(2), value))
        return false;
    *value = word[0] == negative ? -*value : *value;
    return true;
}

// "yyyy/mm/dd" and "hh:mm:ss".
int64_t clockOfWords(const std::string &date, const std::string &time)
{
    if (date.size() != 10 || time.size() != 8 || date[4] != '/' || date[7] != '/' ||
        time[2] != ':' || time[5] != ':')
        return kNoClock;
    const auto digits = [](const std::string &s, std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i) {
            if (s[i] < '0' || s[i] > '9')
                return -1;
            v = v * 10 + (s[i] - '0');
        }
        return v;
    };
    return clockOf(digits(date, 0, 4), digits(date, 5, 2), digits(date, 8, 2), digits(time, 0, 2),
                   digits(time, 3, 2), digits(time, 6, 2));
}

// One record: the sample, and the accelerometer when its three axes are there.
bool recordOf(const std::vector<unsigned char> &unit, GpsSample *s, AccelSample *a, bool *hasAccel)
{
    if (unit.size() < kTagLength || std::memcmp(unit.data(), kTagWord, kTagLength) != 0)
        return false;
    const std::vector<std::string> w = wordsOf(unit);
    if (w.size() < 2)
        return false;
    *s = GpsSample{};
    s->clock = clockOfWords(w[0], w[1]);
    double lat = 0, lon = 0, kmh = 0, course = 0;
    const bool position =
        w.size() >= 4 && signedAfter(w[2], 'N', 'S', &lat) && signedAfter(w[3], 'E', 'W', &lon);
    s->fix = position && lat != 0 && lon != 0 && std::fabs(lat) <= 90 && std::fabs(lon) <= 180;
    if (s->fix) {
        s->latitude = lat;
        s->longitude = lon;
        s->hasSpeed = w.size() >= 6 && w[5] == "km/h" && numberOf(w[4], &kmh) && kmh >= 0;
        s->speedKmh = s->hasSpeed ? kmh : 0;
        s->hasCourse = w.size() >= 7 && numberOf(w[6], &course);
        s->course = s->hasCourse ? course : 0;
    }
    double g[3];
    *hasAccel = w.size() >= 12 && signedAfter(w[9], 'x', '\0', &g[0]) &&
                signedAfter(w[10], 'y', '\0', &g[1]) && signedAfter(w[11], 'z', '\0', &g[2]);
    if (*hasAccel) {
        a->x = g[0];
        a->y = g[1];
        a->z = g[2];
    }
    return true;
}
} // namespace tstextrecords
} // namespace

bool readTsTextRecords(VideoIndex &video, LayoutRead *read)
{
    using namespace tstextrecords;
    const std::vector<std::vector<unsigned char>> &units = video.transportUnits(kGpsPid);
    DecodedTrack track;
    std::vector<AccelSample> accel;
    std::vector<bool> withAccel;
    for (const std::vector<unsigned char> &unit : units) {
        GpsSample s;
        AccelSample a;
        bool hasAccel = false;
        if (!recordOf(unit, &s, &a, &hasAccel))
            continue;
        track.samples.push_back(s);
        accel.push_back(a);
        withAccel.push_back(hasAccel);
    }
    if (track.samples.empty())
        return false;
    read->variant = "text records behind a tag word on PID 0x300 of a transport stream";
    // The stream carries no index: a record's time is its clock's distance from the first one's.
    int64_t first = kNoClock;
    for (const GpsSample &s : track.samples) {
        if (s.clock != kNoClock) {
            first = s.clock;
            break;
        }
    }
    if (first == kNoClock) {
        read->problem = "text records found on PID 0x300, but none holds a date";
        return false;
    }
    for (std::size_t i = 0; i < track.samples.size(); ++i) {
        GpsSample &s = track.samples[i];
        if (s.clock == kNoClock || s.clock < first)
            continue; // placed by the writer a second after the one before
        s.time = double(s.clock - first) / 1000.0;
        if (withAccel[i]) {
            accel[i].time = s.time;
            track.accel.push_back(accel[i]);
        }
    }
    read->track = std::move(track);
    return isWritableTrack(read->track);
}
