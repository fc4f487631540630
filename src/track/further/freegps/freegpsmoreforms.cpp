// Block forms beside the shared record: the record behind a longer head naming the camera model,
// the record with its position as 20-byte strings (plain, or RC4-masked and Base64-encoded),
// the record of 16 KiB blocks in decimal degrees and km/h, and the labelled text line.
#include "freegpsvariantparts.h"

#include <array>
#include <string>

namespace freegpsvariant {
namespace {
namespace freegpsmoreforms {
constexpr std::size_t kLongHead = 48;  // what the longer head adds before the record
constexpr std::size_t kStringsEnd = 0x78;
constexpr std::size_t kLatString = 0x2c, kLonString = 0x40, kStringSize = 20;
constexpr std::size_t kSpeedAt = 0x54, kCourseAt = 0x58;
// The keys the masked strings are tried with: one fixed, then the letters a to s, each twice,
// in another.
constexpr char kFirstKey[] = "luckychip gps";
constexpr char kLetterKey[] = "customer ## gps";
constexpr int kLetterKeys = 19;
constexpr uint32_t kSixteenKiB = 0x4000;

// A number as the cameras write it: digits, optionally a point and more digits.
bool isNumberText(const std::string &s)
{
    const std::size_t point = s.find('.');
    if (s.empty() || point == 0 || point + 1 == s.size())
        return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i != point && (s[i] < '0' || s[i] > '9'))
            return false;
    }
    return true;
}

// The record's signature at 16: three zero bytes at 37, the status, the hemispheres and a zero.
bool recordSignature(const unsigned char *block, std::size_t size, unsigned char status)
{
    return size >= 44 && allZero(block + 37, 3) && block[40] == status &&
           isLatHemisphere(block[41]) && isLonHemisphere(block[42]) && block[43] == 0;
}

// The characters before the zero padding of a field of n bytes; empty when a non-zero byte
// follows the padding.
std::string fieldText(const unsigned char *p, std::size_t n)
{
    std::size_t length = 0;
    while (length < n && p[length] != 0)
        ++length;
    return allZero(p + length, n - length) ? std::string(reinterpret_cast<const char *>(p), length)
                                           : std::string();
}

// The value of text that isNumberText or isDecimalText accepted, free of the locale.
double numberOf(const std::string &s)
{
    double whole = 0, fraction = 0, scale = 1;
    bool afterPoint = false;
    for (char c : s) {
        if (c == '.') {
            afterPoint = true;
        } else if (afterPoint) {
            fraction = fraction * 10 + (c - '0');
            scale *= 10;
        } else {
            whole = whole * 10 + (c - '0');
        }
    }
    return whole + fraction / scale;
}

// Digits, a point and digits, with at most maxWhole digits before the point.
bool isDecimalText(const std::string &s, std::size_t maxWhole)
{
    const std::size_t point = s.find('.');
    if (point == std::string::npos || point == 0 || point > maxWhole || point + 1 == s.size())
        return false;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i != point && (s[i] < '0' || s[i] > '9'))
            return false;
    }
    return true;
}

int base64Value(char c)
{
    if (c >= 'A' && c <= 'Z')
        return c - 'A';
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 26;
    if (c >= '0' && c <= '9')
        return c - '0' + 52;
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}

// 8 to 20 Base64 characters and at most two '=' after them.
bool isBase64Text(const std::string &s)
{
    std::size_t n = 0;
    while (n < s.size() && base64Value(s[n]) >= 0)
        ++n;
    const std::size_t pad = s.size() - n;
    return n >= 8 && n <= 20 && pad <= 2 && s.find_first_not_of('=', n) == std::string::npos;
}

std::string base64Decoded(const std::string &s)
{
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : s) {
        const int v = base64Value(c);
        if (v < 0)
            break;
        bits = bits << 6 | uint32_t(v);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out.push_back(char((bits >> count) & 0xff));
        }
    }
    return out;
}

// The RC4 stream cipher's state once a key is scheduled.
using Rc4State = std::array<unsigned char, 256>;

Rc4State scheduled(const std::string &key)
{
    Rc4State state;
    for (std::size_t i = 0; i < state.size(); ++i)
        state[i] = static_cast<unsigned char>(i);
    unsigned j = 0;
    for (std::size_t i = 0; i < state.size(); ++i) {
        j = (j + state[i] + static_cast<unsigned char>(key[i % key.size()])) & 0xff;
        std::swap(state[i], state[j]);
    }
    return state;
}

// RC4 from a scheduled state: the same call masks and unmasks.
std::string rc4(const std::string &text, Rc4State state)
{
    std::string out = text;
    unsigned a = 0, b = 0;
    for (char &c : out) {
        a = (a + 1) & 0xff;
        b = (b + state[a]) & 0xff;
        std::swap(state[a], state[b]);
        c = char(static_cast<unsigned char>(c) ^ state[(state[a] + state[b]) & 0xff]);
    }
    return out;
}

// The known keys, scheduled once: the fixed key first, then the letter keys from a. Every block
// tries them, and scheduling costs far more than unmasking a 20-byte string.
const std::array<Rc4State, kLetterKeys + 1> &knownKeys()
{
    static const std::array<Rc4State, kLetterKeys + 1> keys = [] {
        std::array<Rc4State, kLetterKeys + 1> k;
        k[0] = scheduled(kFirstKey);
        for (int i = 1; i <= kLetterKeys; ++i) {
            std::string key = kLetterKey;
            for (char &c : key) {
                if (c == '#')
                    c = char('a' + i - 1);
            }
            k[std::size_t(i)] = scheduled(key);
        }
        return k;
    }();
    return keys;
}

// Tries the known keys on the decoded strings; false when none gives two numbers.
bool unmaskPosition(const std::string &lat, const std::string &lon, std::string *latText,
                    std::string *lonText)
{
    for (const Rc4State &key : knownKeys()) {
        *latText = rc4(lat, key);
        *lonText = rc4(lon, key);
        if (isDecimalText(*latText, 4) && isDecimalText(*lonText, 5))
            return true;
    }
    return false;
}
} // namespace freegpsmoreforms
} // namespace

// The shared record at 16 whose latitude and longitude are 20-byte strings at 0x2c and 0x40
// (ddmm.mmmm), either as digits or masked with RC4 and Base64-encoded; speed (knots) and course
// floats at 0x54 and 0x58. The G-sensor words after them are in a unit not known, so not read.
FreeGpsOutcome stringRecord(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out)
{
    using namespace freegpsmoreforms;
    // Without a fix the block is of this form all the same: its words are no G-sensor counts.
    if (size < kStringsEnd ||
        !(recordSignature(block, size, 'A') || recordSignature(block, size, 'V')))
        return FreeGpsOutcome::NotThisVariant;
    const std::string lat = fieldText(block + kLatString, kStringSize);
    const std::string lon = fieldText(block + kLonString, kStringSize);
    const bool digits = isDecimalText(lat, 5) && isDecimalText(lon, 5);
    if (!digits && !(isBase64Text(lat) && isBase64Text(lon)))
        return FreeGpsOutcome::NotThisVariant;
    std::string latText = lat, lonText = lon;
    if (digits) {
        out->variant = "listed by a gps index, record with the position as text";
    } else {
        out->variant = "listed by a gps index, record with the position masked as Base64 text";
        if (!unmaskPosition(base64Decoded(lat), base64Decoded(lon), &latText, &lonText)) {
            if (block[40] == 'A') {
                out->problem = kPositionMasked;
                return FreeGpsOutcome::Masked;
            }
            latText = lonText = "0.0"; // no fix: the clock is all there is to read
        }
    }
    const int hour = le32s(block + 16), minute = le32s(block + 20), second = le32s(block + 24);
    const int year = le32s(block + 28), month = le32s(block + 32), day = le32s(block + 36);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60 ||
        month < 1 || month > 12 || day < 1 || day > 31 || year < 0 || year > 2999)
        return FreeGpsOutcome::Decoded; // this form, but no sample in it
    GpsSample &s = out->sample;
    // Unlike the float record, a whole year here is not the local time.
    s.clock = clockOf(wholeYear(year), month, day, hour, minute, second);
    s.latitude = degreesOf(numberOf(latText), block[41], 'S');
    s.longitude = degreesOf(numberOf(lonText), block[42], 'W');
    s.fix = block[40] == 'A' && s.latitude != 0 && s.longitude != 0;
    s.speedKmh = leFloat(block + kSpeedAt) * kKmhPerKnot;
    s.course = leFloat(block + kCourseAt);
    return FreeGpsOutcome::Decoded;
}

// The shared record at 16 behind a head 48 bytes longer, which names the camera model; read
// as the record at the start of a block that begins 48 bytes later.
FreeGpsOutcome longHeadRecord(const unsigned char *block, std::size_t size,
                              FreeGpsBlockSample *out, unsigned char status)
{
    using namespace freegpsmoreforms;
    if (size < kLongHead + 72 || !recordSignature(block + kLongHead, size - kLongHead, status))
        return FreeGpsOutcome::NotThisVariant;
    FreeGpsOutcome outcome = stringRecord(block + kLongHead, size - kLongHead, out);
    if (outcome == FreeGpsOutcome::NotThisVariant)
        outcome = recordAt16(block + kLongHead, size - kLongHead, out, status);
    if (outcome == FreeGpsOutcome::NotThisVariant)
        return outcome;
    out->variant = "listed by a gps index, record behind a longer head with the camera model";
    // Not the record the older index reader looks for at the block's start.
    out->recordForm = false;
    return outcome;
}

// The shared record 48 bytes in, in blocks of 16 KiB whose latitude and longitude floats are
// decimal degrees (within ±90 and ±180) and whose speed is in km/h; where the block holds them,
// the position again as doubles at 0x70 and 0x80. Only records with a fix carry this form.
FreeGpsOutcome decimalRecord(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out)
{
    using namespace freegpsmoreforms;
    constexpr std::size_t kAt = 48;
    constexpr std::size_t kLatDouble = 0x70, kLonDouble = 0x80, kDoublesEnd = 0xb0;
    const uint32_t declared = uint32_t(block[0]) << 24 | uint32_t(block[1]) << 16 |
                              uint32_t(block[2]) << 8 | block[3];
    if (size < 92 || declared != kSixteenKiB || block[kAt + 24] != 'A' ||
        block[kAt + 27] != 0)
        return FreeGpsOutcome::NotThisVariant;
    int year = 0;
    GpsSample s;
    if (!decodeFreeGpsRecord(block + kAt, &s, &year))
        return FreeGpsOutcome::NotThisVariant;
    double lat = leFloat(block + kAt + 28), lon = leFloat(block + kAt + 32);
    if (!(std::fabs(lat) <= 90 && std::fabs(lon) <= 180))
        return FreeGpsOutcome::NotThisVariant;
    out->variant = "listed by a gps index, 16 KiB blocks in decimal degrees";
    if (size >= kDoublesEnd) {
        const double latDouble = leDouble(block + kLatDouble);
        const double lonDouble = leDouble(block + kLonDouble);
        if (std::fabs(latDouble - lat) < 0.001 && std::fabs(lonDouble - lon) < 0.001) {
            lat = latDouble;
            lon = lonDouble;
        }
    }
    s.latitude = block[kAt + 25] == 'S' ? -lat : lat;
    s.longitude = block[kAt + 26] == 'W' ? -lon : lon;
    s.fix = lat != 0 && lon != 0;
    s.speedKmh = leFloat(block + kAt + 36);
    out->sample = s;
    return FreeGpsOutcome::Decoded;
}

// A text line at 16: "normal:yyyy/mm/dd hh:mm:ss", then space-separated fields: "N:" or "S:"
// and "E:" or "W:" with decimal degrees, a bare number (the speed, in knots whatever unit word
// follows it), "x:", "y:", "z:" in g and "A:" the course; other fields are passed over.
FreeGpsOutcome labelledText(const unsigned char *block, std::size_t size, FreeGpsBlockSample *out)
{
    using namespace freegpsmoreforms;
    constexpr std::size_t kDateAt = 23, kFieldsAt = 43;
    if (size < kFieldsAt || block[kDateAt + 4] != '/' || block[kDateAt + 7] != '/' ||
        block[kDateAt + 10] != ' ' || block[kDateAt + 13] != ':' || block[kDateAt + 16] != ':' ||
        block[kDateAt + 19] != ' ' ||
        (block[kDateAt + 20] != 'N' && block[kDateAt + 20] != 'S' && block[kDateAt + 20] != '|'))
        return FreeGpsOutcome::NotThisVariant;
    const long year = digitsAt(block + kDateAt, 4), month = digitsAt(block + kDateAt + 5, 2),
               day = digitsAt(block + kDateAt + 8, 2), hour = digitsAt(block + kDateAt + 11, 2),
               minute = digitsAt(block + kDateAt + 14, 2),
               second = digitsAt(block + kDateAt + 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return FreeGpsOutcome::NotThisVariant;
    out->variant = "listed by a gps index, labelled text";
    if (month < 1 || month > 12)
        return FreeGpsOutcome::Decoded; // this form, but no sample in it
    std::size_t end = kFieldsAt;
    while (end < size && block[end] != 0)
        ++end;
    const std::string text(reinterpret_cast<const char *>(block + kFieldsAt), end - kFieldsAt);
    GpsSample &s = out->sample;
    s.clock = clockOf(int(year), int(month), int(day), int(hour), int(minute), double(second));
    bool hasLat = false, hasLon = false, hasSpeed = false;
    int axes = 0;
    double accel[3] = {};
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t stop = std::min(text.find(' ', at), text.size());
        const std::string field = text.substr(at, stop - at);
        at = stop + 1;
        const bool labelled = field.size() > 2 && field[1] == ':' &&
                              ((field[0] >= 'A' && field[0] <= 'Z') ||
                               (field[0] >= 'a' && field[0] <= 'z'));
        if (!labelled) {
            // Only a plain decimal after the longitude is the speed.
            if (hasLon && !hasSpeed && isDecimalText(field, field.size())) {
                s.speedKmh = numberOf(field) * kKmhPerKnot;
                hasSpeed = true;
            }
            continue;
        }
        const std::string number = field.substr(isSign(uint8_t(field[2])) ? 3 : 2);
        if (!isNumberText(number))
            continue;
        const double value = field[2] == '-' ? -numberOf(number) : numberOf(number);
        switch (field[0]) {
        // The labels are told apart by their case: 'n' or 'X' label nothing read.
        case 'N':
        case 'S':
            s.latitude = field[0] == 'S' ? -value : value;
            hasLat = true;
            break;
        case 'E':
        case 'W':
            s.longitude = field[0] == 'W' ? -value : value;
            hasLon = true;
            break;
        case 'x':
        case 'y':
        case 'z':
            if (axes < 3)
                accel[axes++] = value;
            break;
        case 'A':
            s.course = value;
            break;
        default:
            break;
        }
    }
    s.fix = hasLat && hasLon && s.latitude != 0 && s.longitude != 0;
    s.hasSpeed = hasSpeed;
    if (axes == 3) {
        out->accel.x = accel[0];
        out->accel.y = accel[1];
        out->accel.z = accel[2];
        out->hasAccel = true;
    }
    return FreeGpsOutcome::Decoded;
}

} // namespace freegpsvariant
