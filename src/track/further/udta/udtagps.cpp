// GPS in a top-level user-data box: after a "VIDEO" and "U" padding head, one text record a
// second, each opened by two 0xfe bytes: two 14-digit local times, the position as hemisphere
// letters and ddmm.mmmm without its point, altitude and speed, then accelerations in
// thousandths of g. Else the binary records of the movie's user data (udtabinary.cpp).
#include "udtagps.h"
#include "furtherlayouts.h"
#include "rmcinfo.h"
#include "secondstrack.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {
namespace udtagps {
constexpr uint32_t kUdta = fourcc("udta");
constexpr char kHead[] = "VIDEOUUUUUUUUUUUUUUUUUUUUUU";
constexpr std::size_t kHeadSize = sizeof kHead - 1;
// An hour of records is far below this; a larger box is not one of these.
constexpr int64_t kMaxBox = 32 * 1024 * 1024;
constexpr unsigned char kSeparator = 0xfe;
constexpr int kMaxAccelPerRecord = 64;

// The digits at text[*at..], at most maxDigits of them; false when there are none.
bool digitsRun(const std::string &text, std::size_t *at, std::size_t maxDigits, long long *value)
{
    std::size_t i = *at;
    long long v = 0;
    while (i < text.size() && i - *at < maxDigits && text[i] >= '0' && text[i] <= '9')
        v = v * 10 + (text[i++] - '0');
    if (i == *at)
        return false;
    *at = i;
    *value = v;
    return true;
}

// yyyyMMddhhmmss and one character after it.
int64_t clockAt(const std::string &text, std::size_t *at)
{
    if (*at + 15 > text.size())
        return kNoClock;
    const auto two = [&](std::size_t i) {
        const char a = text[*at + i], b = text[*at + i + 1];
        return a >= '0' && a <= '9' && b >= '0' && b <= '9' ? (a - '0') * 10 + (b - '0') : -1;
    };
    const int century = two(0), year = two(2);
    if (century < 0 || year < 0)
        return kNoClock;
    const int64_t clock =
        clockOf(century * 100 + year, two(4), two(6), two(8), two(10), two(12));
    *at += 15;
    return clock;
}

// ddmm.mmmm times 10000 to degrees.
double fromScaledMinutes(long long value)
{
    const double v = double(value) / 1e4;
    const double whole = std::floor(v / 100);
    return whole + (v - whole * 100) / 60;
}

bool decodeRecord(const std::string &text, double time, DecodedTrack *track)
{
    std::size_t at = 0;
    GpsSample g;
    g.time = time;
    g.clock = clockAt(text, &at);
    // The second time is not the sample's (it runs a second ahead).
    if (g.clock == kNoClock || clockAt(text, &at) == kNoClock)
        return false;
    long long lat = 0, lon = 0;
    if (at < text.size() && (text[at] == 'N' || text[at] == 'S')) {
        const char latHemisphere = text[at++];
        if (digitsRun(text, &at, 10, &lat) && at < text.size() &&
            (text[at] == 'E' || text[at] == 'W')) {
            const char lonHemisphere = text[at++];
            if (digitsRun(text, &at, 11, &lon)) {
                g.fix = true;
                g.latitude = fromScaledMinutes(lat) * (latHemisphere == 'S' ? -1 : 1);
                g.longitude = fromScaledMinutes(lon) * (lonHemisphere == 'W' ? -1 : 1);
            }
        }
    }
    // "+0058" altitude, then the speed in km/h up to the next sign.
    long long altitude = 0, speed = 0;
    if (g.fix && at < text.size() && (text[at] == '+' || text[at] == '-')) {
        ++at;
        if (digitsRun(text, &at, 4, &altitude) && digitsRun(text, &at, 6, &speed)) {
            g.speedKmh = double(speed);
            std::vector<double> values;
            long long v = 0;
            while (at < text.size() && (text[at] == '+' || text[at] == '-') &&
                   values.size() < 3 * kMaxAccelPerRecord) {
                const double sign = text[at++] == '-' ? -1 : 1;
                if (!digitsRun(text, &at, 6, &v))
                    break;
                values.push_back(sign * double(v) / 1000);
            }
            const std::size_t triples = values.size() / 3;
            for (std::size_t k = 0; k < triples; ++k)
                track->accel.push_back({time + double(k) / double(triples), values[3 * k],
                                        values[3 * k + 1], values[3 * k + 2]});
        }
    }
    track->samples.push_back(g);
    return true;
}

bool findRecordBox(VideoIndex &video, BoxHead *found)
{
    InputFile &file = video.file();
    for (const BoxHead &box : video.topLevel()) {
        char head[kHeadSize];
        if (box.type == kUdta && box.size - box.headSize >= int64_t(kHeadSize) &&
            file.readAt(box.offset + box.headSize, head, kHeadSize) &&
            std::memcmp(head, kHead, kHeadSize) == 0) {
            *found = box;
            return true;
        }
    }
    return false;
}

bool readTextRecords(InputFile &file, const BoxHead &box, LayoutRead *read)
{
    const int64_t size = box.size - box.headSize - int64_t(kHeadSize);
    if (size > kMaxBox) {
        read->problem = "GPS records in a user-data box found, but the box is implausibly large";
        return false;
    }
    std::string bytes(std::size_t(size), '\0');
    if (size > 0 && !file.readAt(box.offset + box.headSize + int64_t(kHeadSize), &bytes[0],
                                 bytes.size()))
        return false;
    DecodedTrack &track = read->track;
    track.clock = TrackClock::LocalTime;
    std::size_t at = bytes.find("\xfe\xfe");
    while (at != std::string::npos) {
        std::size_t begin = at;
        while (begin < bytes.size() && static_cast<unsigned char>(bytes[begin]) == kSeparator)
            ++begin;
        const std::size_t end = bytes.find(char(kSeparator), begin);
        decodeRecord(bytes.substr(begin, end == std::string::npos ? std::string::npos : end - begin),
                     double(track.samples.size()), &track);
        at = end == std::string::npos ? end : bytes.find("\xfe\xfe", end);
    }
    if (track.samples.empty()) {
        read->problem = "a user-data box of GPS records found, but no record could be read";
        return false;
    }
    read->variant = "text records in a top-level user-data box";
    return isWritableTrack(track);
}
} // namespace udtagps
} // namespace

bool readUdtaGps(VideoIndex &video, LayoutRead *read)
{
    using namespace udtagps;
    BoxHead box;
    if (findRecordBox(video, &box))
        return readTextRecords(video.file(), box, read);
    if (!readUdtaBinaryRecords(video, &read->track, &read->problem))
        return false;
    read->variant = "typed binary records in the movie's user data";
    return isWritableTrack(read->track);
}
