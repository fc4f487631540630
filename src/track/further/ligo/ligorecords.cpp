// The LIGOGPSINFO records and their schemes. A record is 0x84 bytes: clear text behind a 4-byte
// counter ("2024/06/03 08:15:00 N:35.675600 E:139.760120 45.20 km/h x:0.1 y:0.2 z:1.0 A:181.0"),
// or "####" and a length word before bytes that a steering byte decrypts four (or one) at a
// time, or "####" and 4 bytes before the text with every character from '0' to '_' substituted.
// The substitution is not stored: it is learnt from the seconds' last digit counting up from
// record to record, and the enciphered '2' that starts the year fixes where the cycle begins.
// Until it is learnt the records wait; a file too short to teach it gives no track.
// Positions are fuzzed unless the directory's head says otherwise: the decimal parts past the
// tens of degrees are swapped between latitude and longitude and divided by a scale, and the
// speed is then in a unit a little off knots. ExifTool 13.59 reads them the same way.
#include "ligorecords.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

namespace {
namespace ligorecords {
constexpr double kKmhPerKnot = 1.852;
// The speed's factor of fuzzed records, and the two fuzz scales the cameras use.
constexpr double kFuzzedSpeed = 1.85407333;
constexpr double kFirstScale = 1.524855137;
constexpr double kThirdScale = 1.15368;
// Records kept waiting for the cipher: a day at one a second; past that the file is not one.
constexpr std::size_t kMaxWaiting = 86400;
constexpr std::size_t kMaxSamples = 864000;

bool isEnciphered(char c)
{
    return uint8_t(c) >= 0x30 && uint8_t(c) <= 0x5f;
}
bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}
bool isWordChar(char c)
{
    return isDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

// A run of characters from at while keep(c) holds; at moves past it.
template <typename Keep>
std::string runOf(const std::string &s, std::size_t *at, Keep keep)
{
    const std::size_t from = *at;
    while (*at < s.size() && keep(s[*at]))
        ++*at;
    return s.substr(from, *at - from);
}

bool skipSpaces(const std::string &s, std::size_t *at)
{
    const std::size_t from = *at;
    while (*at < s.size() && isSpace(s[*at]))
        ++*at;
    return *at > from;
}

// "yyyy/mm/dd" and "hh:mm:ss" to the clock; kNoClock when they are not.
int64_t clockOfText(const std::string &date, const std::string &time)
{
    if (date.size() != 10 || time.size() != 8 || date[4] != '/' || date[7] != '/' ||
        time[2] != ':' || time[5] != ':')
        return kNoClock;
    const auto number = [](const std::string &s, std::size_t at, std::size_t n) {
        int v = 0;
        for (std::size_t i = at; i < at + n; ++i) {
            if (!isDigit(s[i]))
                return -1;
            v = v * 10 + (s[i] - '0');
        }
        return v;
    };
    const int fields[6] = {number(date, 0, 4), number(date, 5, 2), number(date, 8, 2),
                           number(time, 0, 2), number(time, 3, 2), number(time, 6, 2)};
    for (int f : fields)
        if (f < 0)
            return kNoClock;
    return clockOf(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]);
}

// The value after "A:" where a word does not run into it, as ExifTool finds the course.
bool labelledValue(const std::string &s, char label, double *value)
{
    for (std::size_t at = 0; at + 2 < s.size(); ++at) {
        if (s[at] != label || s[at + 1] != ':' || (at > 0 && isWordChar(s[at - 1])) ||
            isSpace(s[at + 2]))
            continue;
        *value = ligo::leadingNumber(s, at + 2);
        return true;
    }
    return false;
}

// "x:X y:Y z:Z", the three separated by one white-space character each.
bool accelValues(const std::string &s, double v[3])
{
    for (std::size_t start = s.find("x:"); start != std::string::npos;
         start = s.find("x:", start + 1)) {
        std::size_t at = start;
        bool ok = true;
        for (int axis = 0; axis < 3 && ok; ++axis) {
            const char name = char('x' + axis);
            if (axis > 0)
                ok = at < s.size() && isSpace(s[at++]);
            ok = ok && at + 1 < s.size() && s[at] == name && s[at + 1] == ':';
            at += 2;
            const std::size_t from = at;
            while (ok && at < s.size() && !isSpace(s[at]))
                ++at;
            ok = ok && at > from;
            if (ok)
                v[axis] = ligo::leadingNumber(s.substr(from, at - from));
        }
        if (ok)
            return true;
    }
    return false;
}

// The digit cycle of the seconds' last digit: from ch, following next, every digit once and
// back to the first. Where a digit had more than one successor (seconds the camera skipped),
// each is tried in turn.
bool orderDigits(int ch, const std::vector<std::vector<char>> &next, std::vector<int> *order,
                 std::vector<bool> did)
{
    while (ch >= 0 && ch < int(next.size()) && !next[std::size_t(ch)].empty()) {
        if (order->size() < 10) {
            if (did[std::size_t(ch)])
                break;
        } else {
            return order->size() == 10 && ch == order->front();
        }
        order->push_back(ch);
        did[std::size_t(ch)] = true;
        const std::vector<char> &successors = next[std::size_t(ch)];
        if (successors.size() == 1) {
            ch = successors.front() - 0x30;
            continue;
        }
        const std::size_t kept = order->size();
        for (char s : successors) {
            if (orderDigits(s - 0x30, next, order, did))
                return true;
            order->resize(kept);
        }
        break;
    }
    return false;
}

// The head of an enciphered record: "####", 4 bytes, then "Yyyy/mm/dd hh:mm:ss " with every
// character but the separators substituted. Gives the year's first character, the colon and
// the seconds' last digit.
bool encipheredHead(const std::string &r, char *millennium, char *colon, char *secondsDigit)
{
    if (r.size() < 28 || r.compare(0, 4, "####") != 0)
        return false;
    const char *t = r.data() + 8;
    static constexpr int kEnciphered[] = {0, 1, 2, 3, 5, 6, 8, 9, 13, 16, 18};
    for (int i : kEnciphered)
        if (!isEnciphered(t[i]))
            return false;
    if (t[4] != '/' || t[7] != '/' || t[10] != ' ' || t[19] != ' ' || t[13] != t[16])
        return false;
    *millennium = t[0];
    *colon = t[13];
    *secondsDigit = t[18];
    return true;
}
} // namespace ligorecords
} // namespace

namespace ligo {

// A number's value as its text starts: digits, a point, digits (what Perl takes of "1.2.3").
double leadingNumber(std::string_view s, std::size_t from)
{
    using namespace ligorecords;
    std::size_t at = from;
    const bool negative = at < s.size() && s[at] == '-';
    if (negative || (at < s.size() && s[at] == '+'))
        ++at;
    double whole = 0, fraction = 0, scale = 1;
    while (at < s.size() && isDigit(s[at]))
        whole = whole * 10 + (s[at++] - '0');
    if (at < s.size() && s[at] == '.') {
        ++at;
        while (at < s.size() && isDigit(s[at])) {
            fraction = fraction * 10 + (s[at++] - '0');
            scale *= 10;
        }
    }
    const double v = whole + fraction / scale;
    return negative ? -v : v;
}

bool decryptRecord(const unsigned char *record, std::size_t size, std::string *text)
{
    if (size < 8)
        return false;
    uint32_t count = uint32_t(record[4]) | uint32_t(record[5]) << 8 | uint32_t(record[6]) << 16 |
                     uint32_t(record[7]) << 24;
    if (count < 4)
        return false;
    const std::size_t n = std::min<std::size_t>({count, kRecordSize, size - 8});
    const unsigned char *in = record + 8;
    text->clear();
    for (std::size_t i = 0; i < n;) {
        const unsigned b = in[i++];
        const unsigned steering = b & 0xe0;
        const std::size_t left = n - i;
        const auto put = [&](unsigned v) { text->push_back(char(v & 0xff)); };
        if (steering >= 0xc0) {
            if (left < 4)
                return false;
            put((in[i] | (b & 0x01)) ^ 0x20);
            put((in[i + 1] | (b & 0x02)) ^ 0x20);
            put((in[i + 2] | (b & 0x0c)) ^ 0x20);
            put((in[i + 3] ^ 0x20) | (b & 0x30));
            i += 4;
        } else if (steering >= 0x40) {
            if (left < 3)
                return false;
            const unsigned x = in[i], y = in[i + 1], z = in[i + 2];
            i += 3;
            if (steering == 0x40) {
                put(0x20), put((x | (b & 0x01)) ^ 0x20), put((y | (b & 0x06)) ^ 0x20),
                    put((z | (b & 0x18)) ^ 0x20);
            } else if (steering == 0x60) {
                put((x | (b & 0x03)) ^ 0x20), put(0x20), put((y | (b & 0x04)) ^ 0x20),
                    put((z | (b & 0x18)) ^ 0x20);
            } else if (steering == 0x80) {
                put((x | (b & 0x03)) ^ 0x20), put((y | (b & 0x0c)) ^ 0x20), put(0x20),
                    put((z | (b & 0x10)) ^ 0x20);
            } else {
                put((x | (b & 0x01)) ^ 0x20), put((y | (b & 0x06)) ^ 0x20),
                    put((z | (b & 0x18)) ^ 0x20), put(0x20);
            }
        } else if (steering == 0x00) {
            if (left < 1)
                return false;
            put(in[i++] | (b & 0x13));
        } else {
            return false; // 0x20: no steering byte starts so
        }
    }
    return true;
}

void unfuzz(double *lat, double *lon, double scale)
{
    const double lat10 = std::trunc(*lat / 10) * 10;
    const double lon10 = std::trunc(*lon / 10) * 10;
    const double a = lat10 + (*lon - lon10) * scale;
    const double b = lon10 + (*lat - lat10) * scale;
    *lat = a;
    *lon = b;
}

void Decoder::addDirectory(const unsigned char *data, std::size_t size, std::size_t start,
                           bool notFuzzed)
{
    if (start > size || size - start < kRecordsAt ||
        std::memcmp(data + start, kTag, kTagSize) != 0)
        return;
    const unsigned char *head = data + start + kTagSize;
    notFuzzed = notFuzzed ||
                (head[0] == 0 && head[1] == 0 && head[2] == 0 && (head[3] == 0x01 || head[3] == 0x14));
    for (std::size_t at = start + kRecordsAt; at <= size && size - at >= kRecordSize;
         at += kRecordSize)
        addRecord(data + at, notFuzzed);
}

void Decoder::addRecord(const unsigned char *record, bool notFuzzed)
{
    using namespace ligorecords;
    const std::string raw(reinterpret_cast<const char *>(record), kRecordSize);
    if (raw.compare(0, 4, "####") != 0) {
        // Clear text, as some cameras write it: a date at 4, km/h, never fuzzed. Blank records
        // (zeros) are passed over.
        const char *d = raw.data() + 4;
        if (!(isDigit(d[0]) && isDigit(d[1]) && isDigit(d[2]) && isDigit(d[3]) && d[4] == '/' &&
              isDigit(d[5]) && isDigit(d[6]) && d[7] == '/' && isDigit(d[8]) && isDigit(d[9]) &&
              d[10] == ' '))
            return;
        ++m_records;
        m_schemes |= ClearText;
        std::string text = raw;
        text.erase(text.find_last_not_of('\0') + 1);
        parseText(text, NotFuzzed | SpeedInKmh);
        return;
    }
    ++m_records;
    const unsigned flags = notFuzzed ? NotFuzzed : 0u;
    if (!notFuzzed)
        m_schemes |= Fuzzed;
    if (m_cipher.learnt && decipherRecord(raw, flags))
        return;
    std::string text;
    if (decryptRecord(record, kRecordSize, &text)) {
        m_schemes |= Encrypted;
        parseText(text, flags);
        return;
    }
    if (!decipherRecord(raw, flags))
        ++m_damaged;
}

// Deciphers the record, or keeps it until the cipher is learnt; false when it is not of the
// enciphered form.
bool Decoder::decipherRecord(const std::string &record, unsigned flags)
{
    using namespace ligorecords;
    char millennium = 0, colon = 0, digit = 0;
    if (!encipheredHead(record, &millennium, &colon, &digit))
        return false;
    m_schemes |= Enciphered;
    if (!m_cipher.learnt) {
        if (m_cipher.cache.size() >= kMaxWaiting)
            return true;
        m_cipher.cache.push_back(record);
        m_cachedFlags.push_back(flags);
        if (!learnCipher(record))
            return true;
    } else {
        m_cipher.cache.assign(1, record);
        m_cachedFlags.assign(1, flags);
    }
    // The cipher is known: every waiting record in turn, oldest first.
    for (std::size_t i = 0; i < m_cipher.cache.size(); ++i) {
        std::string text = m_cipher.cache[i].substr(4, 4);
        std::string body = m_cipher.cache[i].substr(8);
        body.erase(body.find_last_not_of('\0') + 1);
        for (char &c : body)
            if (isEnciphered(c))
                c = m_cipher.table[uint8_t(c) - 0x30];
        parseText(text + body, m_cachedFlags[i]);
    }
    m_cipher.cache.clear();
    m_cachedFlags.clear();
    return true;
}

// Adds what the record's seconds digit says of the cycle; true once the table is known.
bool Decoder::learnCipher(const std::string &record)
{
    using namespace ligorecords;
    char millennium = 0, colon = 0, digit = 0;
    encipheredHead(record, &millennium, &colon, &digit);
    Cipher &c = m_cipher;
    const int now = uint8_t(digit) - 0x30;
    const int before = c.previous;
    c.previous = now;
    if (before < 0 || before == now)
        return false;
    std::vector<char> &successors = c.next[std::size_t(before)];
    if (std::find(successors.begin(), successors.end(), digit) != successors.end())
        return false;
    if (successors.empty())
        ++c.keys;
    successors.push_back(digit);
    if (c.keys < 10)
        return false;
    if (c.keys > 10) {
        // More than ten characters counting: not the seconds; start again.
        for (std::vector<char> &s : c.next)
            s.clear();
        c.keys = 0;
        return false;
    }
    std::vector<int> order;
    if (!orderDigits(before, c.next, &order, std::vector<bool>(c.next.size(), false)))
        return false;
    const auto two = std::find(order.begin(), order.end(), uint8_t(millennium) - 0x30);
    if (two == order.end())
        return false;
    const int twoAt = int(two - order.begin());
    std::fill(std::begin(c.table), std::end(c.table), '?');
    c.table[uint8_t(colon) - 0x30] = ':';
    for (int d = 0; d < 10; ++d)
        c.table[order[std::size_t((d + twoAt - 2 + 10) % 10)]] = char('0' + d);
    // The hemispheres: the letters before the first two colons after the clock, told apart by
    // the minus signs of signed coordinates (north and east when there is none).
    std::size_t hemisphere[2] = {};
    std::size_t found = 0;
    for (std::size_t at = 1; found < 2 && at + 2 < record.size(); ++at) {
        if (record[at - 1] == ' ' && isEnciphered(record[at]) && record[at + 1] == colon)
            hemisphere[found++] = at;
    }
    if (found == 2) {
        const bool south = record[hemisphere[0] + 2] == '-';
        const bool west = record[hemisphere[1] + 2] == '-';
        c.table[uint8_t(record[hemisphere[0]]) - 0x30] = south ? 'S' : 'N';
        c.table[uint8_t(record[hemisphere[1]]) - 0x30] = west ? 'W' : 'E';
    }
    c.learnt = true;
    c.next.clear();
    return true;
}

void Decoder::parseText(const std::string &text, unsigned flags)
{
    using namespace ligorecords;
    // counter(4) date ' ' time, white space, N:lat, white space, E:lon, white space, speed.
    // Whatever is not of the form below counts as damaged.
    ++m_damaged;
    if (text.size() < 4)
        return;
    std::size_t at = 4;
    const auto notSpace = [](char c) { return !isSpace(c); };
    const auto numberChar = [](char c) { return c == '.' || isDigit(c); };
    const std::string date = runOf(text, &at, notSpace);
    if (date.empty() || at >= text.size() || text[at++] != ' ')
        return;
    const std::string time = runOf(text, &at, notSpace);
    if (time.empty() || !skipSpaces(text, &at) || at + 2 > text.size())
        return;
    const char latRef = text[at];
    if ((latRef != 'N' && latRef != 'S' && latRef != '?') || text[at + 1] != ':')
        return;
    at += 2;
    const bool latNegative = at < text.size() && text[at] == '-';
    at += latNegative ? 1 : 0;
    const std::string latText = runOf(text, &at, numberChar);
    if (latText.empty() || !skipSpaces(text, &at) || at + 2 > text.size())
        return;
    const char lonRef = text[at];
    if ((lonRef != 'E' && lonRef != 'W' && lonRef != '?') || text[at + 1] != ':')
        return;
    at += 2;
    const bool lonNegative = at < text.size() && text[at] == '-';
    at += lonNegative ? 1 : 0;
    const std::string lonText = runOf(text, &at, numberChar);
    if (lonText.empty() || !skipSpaces(text, &at))
        return;
    const std::string speedText = runOf(text, &at, numberChar);
    if (speedText.empty())
        return;

    double lat = ligo::leadingNumber(latText), lon = ligo::leadingNumber(lonText);
    double speedFactor = flags & NotFuzzed ? (flags & SpeedInKmh ? 1.0 : kKmhPerKnot) : kFuzzedSpeed;
    if (latText.size() >= 3 && isDigit(latText[0]) && isDigit(latText[1]) && isDigit(latText[2])) {
        // Degrees and minutes (ddmm.mmmm) instead of degrees; the speed then unscaled.
        const auto degrees = [](double v) {
            const double d = std::trunc(v / 100);
            return d + (v - d * 100) / 60;
        };
        lat = degrees(lat);
        lon = degrees(lon);
        speedFactor = 1;
        m_schemes |= DegreesMinutes;
    }
    if (!(flags & NotFuzzed))
        unfuzz(&lat, &lon, m_thirdScale ? kThirdScale : kFirstScale);
    if (lat > 90 || lon > 180)
        return; // what no unfuzzing explains: not a position (counted as damaged)

    --m_damaged;
    Parsed p;
    p.sample.clock = clockOfText(date, time);
    p.sample.latitude = (latNegative || latRef == 'S') ? -lat : lat;
    p.sample.longitude = (lonNegative || lonRef == 'W') ? -lon : lon;
    p.sample.fix = p.sample.latitude != 0 && p.sample.longitude != 0;
    if (!p.sample.fix)
        p.sample.latitude = p.sample.longitude = 0;
    p.sample.speedKmh = ligo::leadingNumber(speedText) * speedFactor;
    double course = 0;
    p.sample.hasCourse = labelledValue(text, 'A', &course);
    p.sample.course = p.sample.hasCourse ? course : 0;
    double g[3] = {};
    p.hasAccel = accelValues(text, g);
    p.accel = AccelSample{0, g[0], g[1], g[2]};
    keep(p);
}

void Decoder::keep(const Parsed &p)
{
    if (p.sample.clock != kNoClock && m_parsed.size() < ligorecords::kMaxSamples)
        m_parsed.push_back(p);
}

DecodedTrack Decoder::takeTrack()
{
    DecodedTrack track;
    track.clock = m_schemes & Json ? TrackClock::Utc : TrackClock::LocalTime;
    if (m_parsed.empty())
        return track;
    const int64_t first = m_parsed.front().sample.clock;
    for (Parsed &p : m_parsed) {
        // A clock that runs backwards places nothing; the writer puts such a sample after the
        // one before.
        if (p.sample.clock >= first)
            p.sample.time = double(p.sample.clock - first) / 1000.0;
        if (p.hasAccel && p.sample.time >= 0) {
            p.accel.time = p.sample.time;
            track.accel.push_back(p.accel);
        }
        track.samples.push_back(p.sample);
    }
    m_parsed.clear();
    return track;
}

std::string Decoder::schemeWords() const
{
    std::string words;
    const auto add = [&](unsigned scheme, const char *word) {
        if (m_schemes & scheme)
            words += (words.empty() ? "" : ", ") + std::string(word);
    };
    add(Json, m_schemes & CameraClock ? "the receiver's UTC clock and the camera's"
                                      : "the receiver's UTC clock");
    add(ClearText, "clear text");
    add(Encrypted, "encrypted with steering bytes");
    add(Enciphered, "digits enciphered");
    add(DegreesMinutes, "degrees and minutes");
    add(Fuzzed, m_thirdScale ? "positions fuzzed (third scale)" : "positions fuzzed");
    return words;
}

} // namespace ligo
