#include "textforms.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
namespace textforms {
constexpr double kStandardGravity = 9.80665;
// A sample is a line or a few; longer texts are not the forms read here.
constexpr std::size_t kMaxSentences = 64;

bool isUpper(unsigned char c)
{
    return c >= 'A' && c <= 'Z';
}
bool isDigit(unsigned char c)
{
    return c >= '0' && c <= '9';
}

// The decimal number at text[at..end), or false when there is none; strtod needs a terminated
// copy, and a field is short.
bool number(const std::string &text, std::size_t at, std::size_t end, double *value)
{
    if (at >= end || end > text.size() || end - at > 31)
        return false;
    char buffer[32];
    std::memcpy(buffer, text.data() + at, end - at);
    buffer[end - at] = '\0';
    char *stop = nullptr;
    *value = std::strtod(buffer, &stop);
    return stop != buffer && std::isfinite(*value);
}

int digitsAt(const std::string &text, std::size_t at, int count)
{
    if (at + std::size_t(count) > text.size())
        return -1;
    int value = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[at + std::size_t(i)]);
        if (!isDigit(c))
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::vector<std::string> splitFields(const std::string &text, char separator)
{
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (fields.size() < 32) {
        const std::size_t end = text.find(separator, at);
        fields.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    return fields;
}

// ddmm.mmmm with the given count of degree digits, to degrees; false when it is not that form.
bool degreesMinutes(const std::string &field, int degreeDigits, double *degrees)
{
    const int whole = digitsAt(field, 0, degreeDigits);
    double minutes = 0;
    if (whole < 0 || !number(field, std::size_t(degreeDigits), field.size(), &minutes) ||
        minutes < 0 || minutes >= 60)
        return false;
    *degrees = whole + minutes / 60;
    return true;
}

// The sentence starting at a two-letter talker and "RMC"/"GGA", up to the next '$', ';' or line
// end, given the '$' the NMEA parser wants whether or not the camera wrote one.
std::string sentenceAt(const unsigned char *data, std::size_t size, std::size_t talker)
{
    std::string sentence = "$";
    for (std::size_t i = talker; i < size && sentence.size() < 120; ++i) {
        const char c = char(data[i]);
        if (c == '$' || c == ';' || c == '\r' || c == '\n' || c == '\0')
            break;
        sentence += c;
    }
    return sentence;
}

} // namespace textforms
} // namespace

bool decodeNmeaSentences(const TextSample &s, DecodedTrack *track)
{
    using namespace textforms;
    std::vector<NmeaSentence> rmc, gga;
    for (std::size_t i = 0; i + 6 <= s.size && rmc.size() + gga.size() < kMaxSentences; ++i) {
        const unsigned char *p = s.data + i;
        if (!isUpper(p[0]) || !isUpper(p[1]) || p[5] != ',' || (i > 0 && isUpper(p[-1])))
            continue;
        const bool isRmc = std::memcmp(p + 2, "RMC", 3) == 0;
        if (!isRmc && std::memcmp(p + 2, "GGA", 3) != 0)
            continue;
        const std::string text = sentenceAt(s.data, s.size, i);
        NmeaSentence n;
        if (!parseNmeaSentence(text.data(), text.size(), &n))
            continue;
        (isRmc ? rmc : gga).push_back(n);
    }
    // A GGA sentence has no date: it counts only where the sample has no RMC sentence.
    const std::vector<NmeaSentence> &used = rmc.empty() ? gga : rmc;
    if (used.empty())
        return false;
    const double step = s.duration > 0 ? s.duration / double(used.size()) : 0;
    for (std::size_t k = 0; k < used.size(); ++k)
        track->samples.push_back(nmeaSample(used[k], s.time + step * double(k)));
    return true;
}

bool decodeCommaLine(const TextSample &s, DecodedTrack *track)
{
    using namespace textforms;
    if (s.size < 20 || (s.data[0] != 'A' && s.data[0] != 'V') || s.data[1] != ',')
        return false;
    std::string text(reinterpret_cast<const char *>(s.data), std::min<std::size_t>(s.size, 200));
    const std::size_t end = text.find_first_of(";\r\n");
    if (end != std::string::npos)
        text.resize(end);
    const std::vector<std::string> f = splitFields(text, ',');
    if (f.size() < 7 || f[1].size() != 6 || f[2].size() < 6)
        return false;
    const int day = digitsAt(f[1], 0, 2), month = digitsAt(f[1], 2, 2), year = digitsAt(f[1], 4, 2);
    const int hour = digitsAt(f[2], 0, 2), minute = digitsAt(f[2], 2, 2);
    double second = 0;
    if (day < 0 || month < 0 || year < 0 || hour < 0 || minute < 0 ||
        !number(f[2], 4, f[2].size(), &second))
        return false;
    GpsSample g;
    g.time = s.time;
    g.clock = clockOf(2000 + year, month, day, hour, minute, second);
    if (g.clock == kNoClock)
        return false;
    double lat = 0, lon = 0;
    g.fix = text[0] == 'A' && degreesMinutes(f[3], 2, &lat) && degreesMinutes(f[5], 3, &lon) &&
            (f[4] == "N" || f[4] == "S") && (f[6] == "E" || f[6] == "W");
    if (g.fix) {
        g.latitude = f[4] == "S" ? -lat : lat;
        g.longitude = f[6] == "W" ? -lon : lon;
        if (f.size() > 7)
            number(f[7], 0, f[7].size(), &g.speedKmh);
    }
    track->samples.push_back(g);
    // The three accelerations, in m/s².
    double a[3];
    if (f.size() >= 12 && number(f[9], 0, f[9].size(), &a[0]) &&
        number(f[10], 0, f[10].size(), &a[1]) && number(f[11], 0, f[11].size(), &a[2]))
        track->accel.push_back({s.time, a[0] / kStandardGravity, a[1] / kStandardGravity,
                                a[2] / kStandardGravity});
    return true;
}

bool decodeDashLine(const TextSample &s, DecodedTrack *track)
{
    using namespace textforms;
    const std::string text(reinterpret_cast<const char *>(s.data), std::min<std::size_t>(s.size, 400));
    const std::size_t at = text.find("$G:");
    if (at == std::string::npos)
        return false;
    // "$G:yyyy-mm-dd hh:mm:ss-N22.5413-E114.0585-S50"
    const std::size_t d = at + 3;
    if (digitsAt(text, d, 4) < 0 || text.size() < d + 19 || text[d + 4] != '-' ||
        text[d + 7] != '-' || text[d + 10] != ' ' || text[d + 13] != ':' || text[d + 16] != ':')
        return false;
    GpsSample g;
    g.time = s.time;
    g.clock = clockOf(digitsAt(text, d, 4), digitsAt(text, d + 5, 2), digitsAt(text, d + 8, 2),
                      digitsAt(text, d + 11, 2), digitsAt(text, d + 14, 2),
                      digitsAt(text, d + 17, 2));
    if (g.clock == kNoClock)
        return false;
    std::string rest = text.substr(d + 19);
    const std::size_t stop = rest.find_first_of("$\r\n");
    if (stop != std::string::npos)
        rest.resize(stop);
    const std::vector<std::string> f = splitFields(rest, '-');
    // f[0] is empty: the text after the time starts with its separator.
    double lat = 0, lon = 0, speed = 0;
    if (f.size() >= 4 && f[1].size() > 1 && f[2].size() > 1 && f[3].size() > 1 &&
        (f[1][0] == 'N' || f[1][0] == 'S') && (f[2][0] == 'E' || f[2][0] == 'W') &&
        f[3][0] == 'S' && number(f[1], 1, f[1].size(), &lat) &&
        number(f[2], 1, f[2].size(), &lon) && number(f[3], 1, f[3].size(), &speed)) {
        g.fix = true;
        g.latitude = f[1][0] == 'S' ? -lat : lat;
        g.longitude = f[2][0] == 'W' ? -lon : lon;
        g.speedKmh = speed;
        g.hasCourse = false;
    }
    track->samples.push_back(g);
    // "$GS:x,y,z": counts around a resting offset, in thousandths of g, on axes other than ours.
    const std::size_t gs = text.find("$GS:");
    if (gs != std::string::npos) {
        std::string values = text.substr(gs + 4, 40);
        const std::size_t end = values.find_first_of("$\r\n");
        if (end != std::string::npos)
            values.resize(end);
        const std::vector<std::string> v = splitFields(values, ',');
        double x = 0, y = 0, z = 0;
        if (v.size() >= 3 && number(v[0], 0, v[0].size(), &x) &&
            number(v[1], 0, v[1].size(), &y) && number(v[2], 0, v[2].size(), &z))
            track->accel.push_back({s.time, (y + 2432) / 1000, (z + 361) / 1000, (x - 3708) / 1000});
    }
    return true;
}

namespace {
namespace textforms {
// The number after key (at the start or after a space), up to the next space or comma.
bool valueAfter(const std::string &text, const char *key, double *value)
{
    std::size_t at = text.find(key);
    while (at != std::string::npos && at > 0 && text[at - 1] != ' ' && text[at - 1] != '\n')
        at = text.find(key, at + 1);
    if (at == std::string::npos)
        return false;
    const std::size_t begin = at + std::strlen(key);
    const std::size_t end = std::min(text.find_first_of(" ,\r\n", begin), text.size());
    return number(text, begin, end, value);
}
} // namespace textforms
} // namespace

bool decodeKeyValue(const TextSample &s, DecodedTrack *track)
{
    using namespace textforms;
    const std::string text(reinterpret_cast<const char *>(s.data), std::min<std::size_t>(s.size, 400));
    double lat = 0, lon = 0;
    if (!valueAfter(text, "Lat:", &lat) || !valueAfter(text, "Lon:", &lon) ||
        std::fabs(lat) > 90 || std::fabs(lon) > 180)
        return false;
    GpsSample g;
    g.time = s.time;
    g.fix = true;
    g.latitude = lat;
    g.longitude = lon;
    g.hasSpeed = g.hasCourse = false;
    track->samples.push_back(g);
    return true;
}

bool decodeTelemetry(const TextSample &s, DecodedTrack *track)
{
    using namespace textforms;
    const std::string text(reinterpret_cast<const char *>(s.data), std::min<std::size_t>(s.size, 400));
    // "GPS (8.6499, 53.1665, 18)": longitude first.
    const std::size_t at = text.find("GPS (");
    if (at == std::string::npos)
        return false;
    const std::size_t comma = text.find(',', at);
    const std::size_t close = text.find_first_of(",)", comma == std::string::npos ? at : comma + 1);
    double lon = 0, lat = 0;
    if (comma == std::string::npos || close == std::string::npos ||
        !number(text, at + 5, comma, &lon) || !number(text, comma + 1, close, &lat) ||
        std::fabs(lat) > 90 || std::fabs(lon) > 180)
        return false;
    GpsSample g;
    g.time = s.time;
    g.fix = true;
    g.latitude = lat;
    g.longitude = lon;
    double speed = 0;
    const std::size_t hs = text.find("H.S ");
    g.hasCourse = false;
    g.hasSpeed = hs != std::string::npos && number(text, hs + 4, text.find("m/s", hs), &speed);
    g.speedKmh = speed * 3.6;
    track->samples.push_back(g);
    return true;
}

TextForm decodeTextSample(const TextSample &s, DecodedTrack *track)
{
    using namespace textforms;
    if (!s.data || s.size == 0)
        return TextForm::None;
    if (decodeXorBinary(s, track))
        return TextForm::XorBinary;
    if (decodeShifted(s, track))
        return TextForm::Shifted;
    if (decodeSubstitution(s, track))
        return TextForm::Substitution;
    if (decodeDashLine(s, track))
        return TextForm::DashLine;
    if (decodeCommaLine(s, track))
        return TextForm::CommaLine;
    if (decodeNmeaSentences(s, track))
        return TextForm::Nmea;
    if (decodeTelemetry(s, track))
        return TextForm::Telemetry;
    if (decodeKeyValue(s, track))
        return TextForm::KeyValue;
    return TextForm::None;
}

const char *textFormName(TextForm form)
{
    using namespace textforms;
    switch (form) {
    case TextForm::None:
        return "text without GPS";
    case TextForm::Nmea:
        return "NMEA sentences";
    case TextForm::CommaLine:
        return "comma-separated fix lines with accelerations";
    case TextForm::DashLine:
        return "dash-separated fix lines in decimal degrees";
    case TextForm::XorBinary:
        return "ASCII digit fields masked with 0xaa";
    case TextForm::Substitution:
        return "NMEA with substituted characters";
    case TextForm::Shifted:
        return "NMEA with shifted bytes";
    case TextForm::KeyValue:
        return "Lat:/Lon: pairs timed from the movie's creation";
    case TextForm::Telemetry:
        return "telemetry lines timed back from the movie's creation at its end";
    }
    return "";
}

bool textFormIsLocalTime(TextForm form)
{
    using namespace textforms;
    return form == TextForm::DashLine || form == TextForm::XorBinary;
}

MovieClock textFormMovieClock(TextForm form)
{
    using namespace textforms;
    return form == TextForm::KeyValue    ? MovieClock::FromStart
           : form == TextForm::Telemetry ? MovieClock::FromEnd
                                         : MovieClock::None;
}
