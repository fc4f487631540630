// ASCII records after the movie box, behind a run of 'C' bytes where the next box head would
// be: each record 121 bytes, "GPSDATA--", the camera's clock as yyyymmddhhmmss (no zone given),
// then seven fields of 14 characters: latitude and longitude in decimal degrees (each perhaps
// led by its hemisphere letter), the speed in km/h, one field not known, and the accelerometer's
// three axes in g. A field that is not a decimal number is not read; the records end at the
// first that does not start "GPSDATA--" and a clock. Nothing ties a record to the recording's
// timeline but its clock, so its time into the recording is its clock's distance from the
// first one's.
#include "furtherlayouts.h"
#include "secondstrack.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {
namespace gpsdatatrailer {
constexpr uint32_t kMoov = fourcc("moov");
constexpr uint32_t kRunOfC = fourcc("CCCC");
constexpr char kMark[] = "GPSDATA--";
constexpr std::size_t kMarkSize = sizeof kMark - 1;
constexpr std::size_t kClockDigits = 14;
constexpr std::size_t kFieldSize = 14;
constexpr std::size_t kFields = 7;
constexpr std::size_t kRecordSize = kMarkSize + kClockDigits + kFields * kFieldSize;
static_assert(kRecordSize == 121, "a record is 121 bytes");
// The run of 'C' bytes before the first record: at least a box head's worth, at most this.
constexpr std::size_t kMinRun = 8, kMaxRun = 4096;
// A day of records ten a second.
constexpr std::size_t kMaxRecords = 864000;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int digitsAt(const char *p, std::size_t count)
{
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!isDigit(p[i]))
            return -1;
        value = value * 10 + (p[i] - '0');
    }
    return value;
}

// A field of 14 characters: an optional hemisphere letter (returned in *hemisphere, else 0),
// then an optional sign, digits, a point and digits filling the rest. False otherwise.
bool fieldValue(const char *p, char *hemisphere, double *value)
{
    std::size_t at = 0;
    *hemisphere = 0;
    if (p[0] == 'N' || p[0] == 'S' || p[0] == 'E' || p[0] == 'W')
        *hemisphere = p[at++];
    const bool negative = p[at] == '-';
    if (p[at] == '-' || p[at] == '+')
        ++at;
    double whole = 0, fraction = 0, scale = 1;
    std::size_t before = 0, after = 0;
    while (at < kFieldSize && isDigit(p[at])) {
        whole = whole * 10 + (p[at++] - '0');
        ++before;
    }
    if (before == 0 || at >= kFieldSize || p[at++] != '.')
        return false;
    while (at < kFieldSize && isDigit(p[at])) {
        fraction = fraction * 10 + (p[at++] - '0');
        scale *= 10;
        ++after;
    }
    if (after == 0 || at != kFieldSize)
        return false;
    *value = (whole + fraction / scale) * (negative ? -1 : 1);
    return true;
}

// Where the trailer would start: a top-level box named by the run itself (a file large enough
// for its bogus size), else the end of the last box walked, which must lie after the movie box.
bool trailerStart(VideoIndex &video, int64_t *start)
{
    const BoxHead *movie = video.movie();
    if (!movie || video.topLevel().empty())
        return false;
    for (const BoxHead &head : video.topLevel()) {
        if (head.type == kRunOfC && head.offset >= movie->end()) {
            *start = head.offset;
            return true;
        }
    }
    *start = video.topLevel().back().end();
    return *start >= movie->end();
}

// The offset of the first record after the run of 'C' bytes at start; false without one.
bool firstRecord(InputFile &file, int64_t start, int64_t *record)
{
    char buffer[kMaxRun + kMarkSize];
    if (start < 0 || start >= file.size())
        return false;
    const std::size_t available =
        std::size_t(std::min<int64_t>(int64_t(sizeof buffer), file.size() - start));
    if (available < kMinRun + kMarkSize || !file.readAt(start, buffer, available))
        return false;
    std::size_t run = 0;
    while (run < available && run < kMaxRun && buffer[run] == 'C')
        ++run;
    if (run < kMinRun || run + kMarkSize > available ||
        std::memcmp(buffer + run, kMark, kMarkSize) != 0)
        return false;
    *record = start + int64_t(run);
    return true;
}

// One record; false when it is not one (the end of the records).
bool readRecord(const char *r, GpsSample *sample, AccelSample *accel, bool *hasAccel)
{
    if (std::memcmp(r, kMark, kMarkSize) != 0)
        return false;
    const char *clock = r + kMarkSize;
    const int year = digitsAt(clock, 4), month = digitsAt(clock + 4, 2),
              day = digitsAt(clock + 6, 2), hour = digitsAt(clock + 8, 2),
              minute = digitsAt(clock + 10, 2), second = digitsAt(clock + 12, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return false;
    *sample = GpsSample{};
    sample->clock = clockOf(year, month, day, hour, minute, second);
    double values[kFields] = {};
    bool read[kFields] = {};
    char hemispheres[kFields] = {};
    for (std::size_t i = 0; i < kFields; ++i)
        read[i] = fieldValue(clock + kClockDigits + i * kFieldSize, &hemispheres[i], &values[i]);
    const double lat = hemispheres[0] == 'S' ? -values[0] : values[0];
    const double lon = hemispheres[1] == 'W' ? -values[1] : values[1];
    sample->fix =
        read[0] && read[1] && lat != 0 && lon != 0 && std::fabs(lat) <= 90 && std::fabs(lon) <= 180;
    if (sample->fix) {
        sample->latitude = lat;
        sample->longitude = lon;
    }
    sample->hasSpeed = read[2];
    sample->speedKmh = read[2] ? values[2] : 0;
    sample->hasCourse = false;
    *hasAccel = read[4] && read[5] && read[6];
    if (*hasAccel) {
        accel->x = values[4];
        accel->y = values[5];
        accel->z = values[6];
    }
    return true;
}
} // namespace gpsdatatrailer
} // namespace

bool readGpsDataTrailer(VideoIndex &video, LayoutRead *read)
{
    using namespace gpsdatatrailer;
    InputFile &file = video.file();
    int64_t start = 0, at = 0;
    if (!trailerStart(video, &start) || !firstRecord(file, start, &at))
        return false;
    read->variant = "GPSDATA records after the movie box, behind a run of C bytes";
    DecodedTrack &track = read->track;
    track.clock = TrackClock::LocalTime;
    char record[kRecordSize];
    int64_t first = kNoClock;
    for (std::size_t n = 0; n < kMaxRecords && file.readAt(at, record, sizeof record);
         ++n, at += int64_t(kRecordSize)) {
        GpsSample sample;
        AccelSample accel;
        bool hasAccel = false;
        if (!readRecord(record, &sample, &accel, &hasAccel))
            break;
        if (sample.clock == kNoClock)
            continue; // a record the camera left unfilled: nothing places it
        if (first == kNoClock)
            first = sample.clock;
        // A clock that runs backwards places nothing; the writer puts such a sample a second
        // after the one before.
        if (sample.clock >= first)
            sample.time = double(sample.clock - first) / 1000.0;
        if (hasAccel && sample.time >= 0) {
            accel.time = sample.time;
            track.accel.push_back(accel);
        }
        track.samples.push_back(sample);
    }
    if (!isWritableTrack(track)) {
        read->problem = "GPSDATA records found after the movie box, but none holds a date";
        return false;
    }
    return true;
}
