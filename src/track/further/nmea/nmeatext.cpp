#include "nmeatext.h"

#include <algorithm>

namespace {
namespace nmeatext {
constexpr uint32_t kFree = fourcc("free");
constexpr uint32_t kGps = fourcc("gps ");
constexpr uint32_t kStartTime = fourcc("sttm");
constexpr uint32_t kAccel = fourcc("3gf ");
// An hour of RMC and GGA lines a second is about half a megabyte; a day fits in these.
constexpr std::size_t kMaxSentences = 200000;
// A stamp longer than this is not one (milliseconds since 1970 take 13 digits).
constexpr std::size_t kMaxStampDigits = 15;
// A sentence is at most 82 characters; the parser is never shown more, so text without line
// ends costs no more than text with them.
constexpr std::size_t kMaxSentenceLength = 128;

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The "[digits]" that ends just before position at, if any.
bool stampBefore(const std::string &text, std::size_t at, int64_t *stamp)
{
    if (at < 3 || text[at - 1] != ']')
        return false;
    std::size_t first = at - 1; // the ']'
    std::size_t digits = 0;
    while (first > 0 && digits <= kMaxStampDigits && isDigit(text[first - 1])) {
        --first;
        ++digits;
    }
    if (digits == 0 || digits > kMaxStampDigits || first == 0 || text[first - 1] != '[')
        return false;
    int64_t value = 0;
    for (std::size_t i = first; i < first + digits; ++i)
        value = value * 10 + (text[i] - '0');
    *stamp = value;
    return true;
}

bool isWordCharacter(char c)
{
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

// The value of count digits at p, or -1.
int64_t digitsValue(const char *p, std::size_t count)
{
    int64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (!isDigit(p[i]))
            return -1;
        value = value * 10 + (p[i] - '0');
    }
    return value;
}

// The next "[...]" field at *at, at most maxLength characters inside; moves past it.
bool bracketField(const std::string &text, std::size_t *at, std::size_t maxLength,
                  std::string *field)
{
    if (*at >= text.size() || text[*at] != '[')
        return false;
    std::size_t close = *at + 1;
    while (close < text.size() && close - *at - 1 <= maxLength && text[close] != ']')
        ++close;
    if (close >= text.size() || text[close] != ']')
        return false;
    field->assign(text, *at + 1, close - *at - 1);
    *at = close + 1;
    return true;
}

// A field of digits, perhaps signed, perhaps empty (0).
bool numberField(const std::string &field, double *value)
{
    std::size_t i = field.size() > 0 && (field[0] == '+' || field[0] == '-') ? 1 : 0;
    const std::size_t digits = field.size() - i;
    if (digits > 9 || digitsValue(field.data() + i, digits) < 0)
        return false;
    const double v = double(digitsValue(field.data() + i, digits));
    *value = field[0] == '-' ? -v : v;
    return true;
}

// One camera text line whose date and time start at at.
bool cameraTextLine(const std::string &text, std::size_t at, GpsSample *sample)
{
    int d[6];
    for (int i = 0; i < 6; ++i)
        d[i] = int(digitsValue(text.data() + at + 2 * i, 2));
    std::size_t p = at + 12;
    std::string flag, latH, lat, lonH, lon, field;
    if (!bracketField(text, &p, 1, &flag) || !bracketField(text, &p, 1, &latH) ||
        !bracketField(text, &p, 8, &lat) || !bracketField(text, &p, 1, &lonH) ||
        !bracketField(text, &p, 9, &lon) || lat.size() != 8 || lon.size() != 9 ||
        (latH != "N" && latH != "S") || (lonH != "E" && lonH != "W"))
        return false;
    const int64_t latDegrees = digitsValue(lat.data(), 2),
                  latMinutes = digitsValue(lat.data() + 2, 6);
    const int64_t lonDegrees = digitsValue(lon.data(), 3),
                  lonMinutes = digitsValue(lon.data() + 3, 6);
    if (latDegrees < 0 || latMinutes < 0 || lonDegrees < 0 || lonMinutes < 0)
        return false;
    GpsSample s;
    s.clock = clockOf(2000 + d[0], d[1], d[2], d[3], d[4], d[5]);
    s.fix = flag == "1";
    s.latitude = double(latDegrees) + double(latMinutes) / 600000.0;
    s.longitude = double(lonDegrees) + double(lonMinutes) / 600000.0;
    if (latH == "S")
        s.latitude = -s.latitude;
    if (lonH == "W")
        s.longitude = -s.longitude;
    // Altitude (not kept), speed and course; a line may end before them.
    double altitude = 0;
    if (bracketField(text, &p, 10, &field) && numberField(field, &altitude) &&
        bracketField(text, &p, 10, &field) && numberField(field, &s.speedKmh) &&
        bracketField(text, &p, 10, &field))
        numberField(field, &s.course);
    *sample = s;
    return true;
}
} // namespace nmeatext
} // namespace

std::vector<GpsSample> cameraTextLines(const std::string &text)
{
    using namespace nmeatext;
    std::vector<GpsSample> samples;
    for (std::size_t at = 0; at + 12 < text.size() && samples.size() < kMaxSentences; ++at) {
        if (text[at + 12] != '[' || (at > 0 && isWordCharacter(text[at - 1])) ||
            digitsValue(text.data() + at, 12) < 0)
            continue;
        GpsSample s;
        if (cameraTextLine(text, at, &s)) {
            samples.push_back(s);
            at += 12;
        }
    }
    return samples;
}

bool findNmeaFreeBox(VideoIndex &video, NmeaFreeBox *box)
{
    using namespace nmeatext;
    *box = NmeaFreeBox{};
    InputFile &file = video.file();
    for (const BoxHead &head : video.topLevel()) {
        if (head.type != kFree)
            continue;
        // The free box of this layout is a list of atoms; any other content ends the walk of
        // its children at once.
        NmeaFreeBox found;
        bool hasGps = false;
        BoxWalker children(file, head.offset + head.headSize, head.end());
        BoxHead child;
        while (children.next(&child)) {
            children.skip(child);
            if (child.type == kGps && !hasGps) {
                found.gps = child;
                hasGps = true;
            } else if (child.type == kStartTime && !found.hasStartTime) {
                found.startTime = child;
                found.hasStartTime = true;
            } else if (child.type == kAccel && !found.hasAccel) {
                found.accel = child;
                found.hasAccel = true;
            }
        }
        if (hasGps) {
            *box = found;
            return true;
        }
    }
    return false;
}

bool readAtomBytes(InputFile &file, const BoxHead &atom, std::size_t bound, std::string *bytes,
                   bool dropPadding)
{
    using namespace nmeatext;
    bytes->clear();
    const int64_t payload = atom.size - atom.headSize;
    if (payload < 0)
        return false;
    const std::size_t length = payload > int64_t(bound) ? bound : std::size_t(payload);
    bytes->resize(length);
    if (length > 0 && !file.readAt(atom.offset + atom.headSize, &(*bytes)[0], length))
        return false;
    if (!dropPadding)
        return true;
    // Cameras reserve the atom's size up front and leave the rest zero.
    const std::size_t end = bytes->find_last_not_of('\0');
    bytes->resize(end == std::string::npos ? 0 : end + 1);
    return true;
}

std::vector<StampedRmc> rmcSentences(const std::string &text)
{
    using namespace nmeatext;
    std::vector<StampedRmc> found;
    for (std::size_t at = text.find('$'); at != std::string::npos && found.size() < kMaxSentences;
         at = text.find('$', at + 1)) {
        // Only RMC sentences are parsed, so a run of other text costs one look per '$'.
        if (text.size() - at < 7 || text.compare(at + 3, 4, "RMC,") != 0)
            continue;
        StampedRmc rmc;
        const std::size_t length = std::min(text.size() - at, kMaxSentenceLength);
        if (parseNmeaSentence(text.data() + at, length, &rmc.sentence) &&
            rmc.sentence.kind == NmeaSentence::Rmc) {
            rmc.stamped = stampBefore(text, at, &rmc.stamp);
            found.push_back(rmc);
        }
    }
    return found;
}

