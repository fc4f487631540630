#include "nmeasentence.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {
namespace nmeasentence {
double field(const char *begin, const char *end)
{
    // strtod needs a terminated string; a field is short.
    char buffer[32];
    const std::size_t n = std::min<std::size_t>(std::size_t(end - begin), sizeof buffer - 1);
    std::memcpy(buffer, begin, n);
    buffer[n] = '\0';
    return std::strtod(buffer, nullptr);
}

int digits(const char *p, int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        if (p[i] < '0' || p[i] > '9')
            return -1;
        value = value * 10 + (p[i] - '0');
    }
    return value;
}

// ddmm.mmmm (or dddmm.mmmm) with its hemisphere letter to signed degrees; a position without
// its letter is no position.
bool nmeaDegrees(const char *begin, const char *end, char hemisphere, char positive,
                 char negative, double *degrees)
{
    if (begin == end || (hemisphere != positive && hemisphere != negative))
        return false;
    const double v = field(begin, end);
    const double whole = std::floor(v / 100);
    const double d = whole + (v - whole * 100) / 60;
    if (!std::isfinite(d) || v < 0)
        return false;
    *degrees = hemisphere == negative ? -d : d;
    return true;
}
} // namespace nmeasentence
} // namespace

bool parseNmeaSentence(const char *text, std::size_t length, NmeaSentence *sentence)
{
    using namespace nmeasentence;
    *sentence = NmeaSentence{};
    if (!text || length < 7 || text[0] != '$')
        return false;
    // The sentence ends at a line end, a zero byte or the checksum.
    std::size_t end = 1;
    unsigned char sum = 0;
    while (end < length && text[end] != '*' && text[end] != '\r' && text[end] != '\n' &&
           text[end] != '\0') {
        sum ^= static_cast<unsigned char>(text[end]);
        ++end;
    }
    if (end + 2 < length && text[end] == '*') {
        const char hex[3] = {text[end + 1], text[end + 2], '\0'};
        char *stop = nullptr;
        const long given = std::strtol(hex, &stop, 16);
        if (stop == hex + 2 && given != long(sum))
            return false;
    }
    // Split into at most 16 fields.
    constexpr int kMaxFields = 16;
    const char *begins[kMaxFields];
    const char *ends[kMaxFields];
    int fields = 0;
    const char *p = text + 1;
    const char *const stop = text + end;
    while (fields < kMaxFields) {
        const char *q = p;
        while (q < stop && *q != ',')
            ++q;
        begins[fields] = p;
        ends[fields] = q;
        ++fields;
        if (q >= stop)
            break;
        p = q + 1;
    }
    if (ends[0] - begins[0] != 5)
        return false;
    const auto width = [&](int i) { return int(ends[i] - begins[i]); };
    const bool rmc = std::memcmp(begins[0] + 2, "RMC", 3) == 0;
    const bool gga = std::memcmp(begins[0] + 2, "GGA", 3) == 0;
    if ((!rmc && !gga) || fields < (rmc ? 10 : 7) || width(1) < 6)
        return false;
    sentence->hour = digits(begins[1], 2);
    sentence->minute = digits(begins[1] + 2, 2);
    sentence->second = field(begins[1] + 4, ends[1]);
    if (sentence->hour < 0 || sentence->minute < 0 || digits(begins[1] + 4, 2) < 0)
        return false;
    const int lat = rmc ? 3 : 2;
    const auto hemisphere = [&](int i) { return width(i) > 0 ? *begins[i] : '\0'; };
    const bool position =
        nmeaDegrees(begins[lat], ends[lat], hemisphere(lat + 1), 'N', 'S',
                    &sentence->latitude) &&
        nmeaDegrees(begins[lat + 2], ends[lat + 2], hemisphere(lat + 3), 'E', 'W',
                    &sentence->longitude);
    if (rmc) {
        sentence->kind = NmeaSentence::Rmc;
        sentence->fix = position && hemisphere(2) == 'A';
        sentence->speedKnots = field(begins[7], ends[7]);
        sentence->course = field(begins[8], ends[8]);
        if (width(9) != 6)
            return false;
        sentence->day = digits(begins[9], 2);
        sentence->month = digits(begins[9] + 2, 2);
        const int year = digits(begins[9] + 4, 2);
        if (sentence->day < 0 || sentence->month < 0 || year < 0)
            return false;
        sentence->year = 2000 + year;
    } else {
        sentence->kind = NmeaSentence::Gga;
        sentence->fix = position && width(6) > 0 && *begins[6] != '0';
    }
    if (!sentence->fix)
        sentence->latitude = sentence->longitude = 0;
    return true;
}

int64_t nmeaClock(const NmeaSentence &sentence)
{
    if (sentence.kind != NmeaSentence::Rmc)
        return kNoClock;
    return clockOf(sentence.year, sentence.month, sentence.day, sentence.hour, sentence.minute,
                   sentence.second);
}

GpsSample nmeaSample(const NmeaSentence &sentence, double time)
{
    GpsSample s;
    s.time = time;
    s.clock = nmeaClock(sentence);
    s.fix = sentence.fix;
    s.latitude = sentence.latitude;
    s.longitude = sentence.longitude;
    s.speedKmh = sentence.speedKnots * 1.852;
    s.course = sentence.course;
    return s;
}
