// The text forms whose characters are hidden: a mask, a substitution, a constant shift. Each is
// unmasked into plain text first, then read like the plain forms.
#include "textforms.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {
namespace textmasked {
constexpr unsigned char kMask = 0xaa;
// Where the fields of the masked binary form sit, and its smallest size.
constexpr std::size_t kXorMinSize = 282;
constexpr std::size_t kXorClockAt = 8;      // yyyyMMddhhmmss
constexpr std::size_t kXorLatitudeAt = 38;  // N or S, dd, minutes times 10000 in 6 digits
constexpr std::size_t kXorLongitudeAt = 47; // E or W, ddd, minutes times 10000 in 6 digits
constexpr std::size_t kXorSpeedAt = 62;     // km/h, 3 digits

// The plain character of each substituted one from '+' on.
constexpr char kSubstitution[] = "-I8XQWRVNZOYPUTA0B1C2SJ9K.L,M$D3E4F5G6H7";
constexpr unsigned char kSubstitutionFirst = '+';
constexpr std::size_t kMaxText = 4096;

std::string unmasked(const unsigned char *data, std::size_t at, std::size_t count)
{
    std::string text(count, '\0');
    for (std::size_t i = 0; i < count; ++i)
        text[i] = char(data[at + i] ^ kMask);
    return text;
}

bool allDigits(const std::string &text, std::size_t from)
{
    if (from >= text.size())
        return false;
    for (std::size_t i = from; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

int digits(const std::string &text, std::size_t at, std::size_t count)
{
    return std::atoi(text.substr(at, count).c_str());
}

// "N" and dd then 6 digits of minutes times 10000 (degreeDigits 2), or "E" and ddd then 6.
bool maskedDegrees(const std::string &field, std::size_t degreeDigits, char positive,
                   char negative, double *degrees)
{
    if (field.size() != 1 + degreeDigits + 6 || (field[0] != positive && field[0] != negative) ||
        !allDigits(field, 1))
        return false;
    const double d = digits(field, 1, degreeDigits) +
                     std::atof(field.substr(1 + degreeDigits).c_str()) / 600000.0;
    *degrees = field[0] == negative ? -d : d;
    return true;
}

// The number at the start of text (strtod stops at the next letter), or false.
bool leadingNumber(const std::string &text, double *value)
{
    if (text.empty() || text.size() > 31)
        return false;
    char *stop = nullptr;
    *value = std::strtod(text.c_str(), &stop);
    return stop != text.c_str();
}
} // namespace textmasked
} // namespace

bool decodeXorBinary(const TextSample &s, DecodedTrack *track)
{
    using namespace textmasked;
    if (s.size < kXorMinSize || s.data[0] != 0 || s.data[1] != 0)
        return false;
    const bool paired = s.data[4] == kMask && s.data[5] == kMask;
    const bool tagged = std::memcmp(s.data + 2, "\xf2\xe1\xf0\xee", 4) == 0;
    if (!paired && !tagged)
        return false;
    const std::string clock = unmasked(s.data, kXorClockAt, 14);
    if (!allDigits(clock, 0))
        return false;
    GpsSample g;
    g.time = s.time;
    g.clock = clockOf(digits(clock, 0, 4), digits(clock, 4, 2), digits(clock, 6, 2),
                      digits(clock, 8, 2), digits(clock, 10, 2), digits(clock, 12, 2));
    if (g.clock == kNoClock)
        return false;
    g.fix = maskedDegrees(unmasked(s.data, kXorLatitudeAt, 9), 2, 'N', 'S', &g.latitude) &&
            maskedDegrees(unmasked(s.data, kXorLongitudeAt, 10), 3, 'E', 'W', &g.longitude);
    const std::string speed = unmasked(s.data, kXorSpeedAt, 3);
    if (g.fix && allDigits(speed, 0))
        g.speedKmh = digits(speed, 0, 3);
    if (!g.fix)
        g.latitude = g.longitude = 0;
    track->samples.push_back(g);
    return true;
}

bool decodeSubstitution(const TextSample &s, DecodedTrack *track)
{
    using namespace textmasked;
    // The last four characters, "*hh~" (a line end may follow), stay as written.
    std::size_t size = std::min(s.size, kMaxText);
    while (size > 0 && (s.data[size - 1] == '\n' || s.data[size - 1] == '\r'))
        --size;
    const auto hex = [](unsigned char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); };
    if (size < 5 || s.data[size - 1] != '~' || s.data[size - 4] != '*' ||
        !hex(s.data[size - 3]) || !hex(s.data[size - 2]))
        return false;
    std::string plain(size - 4, '\0');
    for (std::size_t i = 0; i + 4 < size; ++i) {
        const unsigned char c = s.data[i];
        const std::size_t n = std::size_t(c) - kSubstitutionFirst;
        plain[i] = c >= kSubstitutionFirst && n < sizeof kSubstitution - 1 ? kSubstitution[n]
                                                                           : char(c);
    }
    // "X<x>Y<y>Z<z>G<total>$GPRMC,...": the accelerations in g, then the sentence.
    const std::size_t x = plain.find('X'), y = plain.find('Y'), z = plain.find('Z'),
                      total = plain.find('G'), dollar = plain.find('$');
    if (x != 0 || y == std::string::npos || z == std::string::npos ||
        total == std::string::npos || dollar == std::string::npos || !(y < z && z < total &&
                                                                       total < dollar))
        return false;
    double a[3];
    if (!leadingNumber(plain.substr(1, y - 1), &a[0]) ||
        !leadingNumber(plain.substr(y + 1, z - y - 1), &a[1]) ||
        !leadingNumber(plain.substr(z + 1, total - z - 1), &a[2]))
        return false;
    TextSample sentences = s;
    sentences.data = reinterpret_cast<const unsigned char *>(plain.data()) + dollar;
    sentences.size = plain.size() - dollar;
    if (!decodeNmeaSentences(sentences, track))
        return false;
    track->accel.push_back({s.time, a[0], a[1], a[2]});
    return true;
}

bool decodeShifted(const TextSample &s, DecodedTrack *track)
{
    using namespace textmasked;
    // A zero byte, the shifted text, a line end; the shift makes the checksum's '*' appear
    // three places before the line end.
    if (s.size <= 5 || s.size > kMaxText || s.data[0] != 0 || s.data[s.size - 1] != '\n')
        return false;
    const unsigned char shift = static_cast<unsigned char>('*' - s.data[s.size - 4]);
    std::string plain(s.size - 2, '\0');
    for (std::size_t i = 1; i + 1 < s.size; ++i)
        plain[i - 1] = char(static_cast<unsigned char>(s.data[i] + shift));
    std::size_t at = plain.find('$');
    while (at != std::string::npos &&
           (at + 6 > plain.size() || plain.compare(at + 3, 3, "RMC") != 0))
        at = plain.find('$', at + 1);
    if (at == std::string::npos)
        return false;
    TextSample sentences = s;
    sentences.data = reinterpret_cast<const unsigned char *>(plain.data()) + at;
    sentences.size = plain.size() - at;
    return decodeNmeaSentences(sentences, track);
}
