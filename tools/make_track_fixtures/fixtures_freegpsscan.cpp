// "freeGPS " blocks that no index lists: one block a second, inside the media data between the
// video and audio chunks, found only by scanning. Some fixtures start every block on a 32 KiB
// boundary of the file (as the cameras do), the others anywhere, so both ways of scanning are
// covered. One fixture per layout of the block's content.
#include "mediadatablocks.h"

#include <cstdint>

namespace fixturekit {
namespace {

constexpr int kYear = 2024, kMonth = 6, kDay = 10;

// ---------------------------------------------------------------- expected text

// One second of the track text as the reader decodes it.
struct Expected
{
    bool fix = false;
    int hour = 0, minute = 0, second = 0;
    double lat = 0, lon = 0; // signed degrees
    double kmh = 0, course = 0;
    double ax = 0, ay = 0, az = 0; // g
    bool clock = true; // false: the layout holds no clock, the line's date and time are zeros
};

QByteArray expectedLine(const Expected &e)
{
    const bool fix = e.fix && e.lat != 0 && e.lon != 0;
    char buf[256];
    std::snprintf(buf, sizeof buf, "%c20%.2d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d\n",
                  fix ? 'A' : 'V', e.clock ? kYear - 2000 : 0, e.clock ? kMonth : 0,
                  e.clock ? kDay : 0, e.clock ? e.hour : 0, e.clock ? e.minute : 0,
                  e.clock ? e.second : 0, fix ? minutesForm(e.lat) : 0.0, fix && e.lat < 0 ? 'S' : 'N',
                  fix ? minutesForm(e.lon) : 0.0, fix && e.lon < 0 ? 'W' : 'E',
                  fix ? e.kmh * kKnotsPerKmh : 0.0, fix ? e.course : 0.0, counts(e.ax),
                  counts(e.ay), counts(e.az));
    return buf;
}

// ddmm.mmmm the way the camera stores it, and back to degrees the way the reader reads it.
double ddmm(double degrees)
{
    return minutesForm(degrees);
}
double fromDdmm(double value, bool negative)
{
    const double a = std::fabs(value);
    const double whole = std::floor(a / 100);
    const double d = whole + (a - whole * 100) / 60;
    return negative ? -d : d;
}

// The route of one fixture on the fixtures' day. No fix in the first two seconds (status 'V',
// no position); in the middle an 'A' without a position.
std::vector<Fix> route(const City &city, int n, int startMinute)
{
    std::vector<Fix> fixes = drive(city, n, startMinute, lightsFor(n));
    for (size_t i = 0; i < fixes.size(); ++i) {
        Fix &f = fixes[i];
        f.year = kYear % 100;
        f.month = kMonth;
        f.day = kDay;
        if (i < 2) {
            f.status = 'V';
            f.lat = f.lon = 0;
        }
        if (n >= 8 && int(i) == n / 2)
            f.lat = f.lon = 0;
    }
    return fixes;
}

Expected expectedOf(const Fix &f)
{
    Expected e;
    e.fix = f.status == 'A';
    e.hour = f.hour;
    e.minute = f.minute;
    e.second = f.second;
    return e;
}

// Accelerometer words in thousandths of g, from the route's 256-per-g counts.
qint32 milliG(int counts256)
{
    return qint32(std::lround(counts256 * 1000.0 / 256.0));
}

// ---------------------------------------------------------------- block bytes

void putLE16(QByteArray &b, quint16 v)
{
    const char c[2] = {char(v), char(v >> 8)};
    b.append(c, 2);
}
void putLEDouble(QByteArray &b, double d)
{
    quint64 v;
    std::memcpy(&v, &d, 8);
    putLE32(b, quint32(v));
    putLE32(b, quint32(v >> 32));
}
void padTo(QByteArray &b, int size)
{
    if (b.size() > size)
        fail("block content overruns its place");
    b.append(size - b.size(), '\0');
}

// The block head: size, tag, a length word, then header text up to 0x30 (or only 16 bytes for
// the layouts whose fields start there).
QByteArray blockHead(int size, bool shortHead = false)
{
    QByteArray b;
    putBE32(b, quint32(size));
    b.append("freeGPS ", 8);
    putLE32(b, quint32(size / 2));
    if (shortHead)
        return b;
    b.append("20240610.01");
    padTo(b, 0x20);
    b.append("Jun 10 2024, 08:");
    padTo(b, 0x30);
    return b;
}

void putClockWords(QByteArray &b, const Fix &f, bool dateToo)
{
    for (int v : {f.hour, f.minute, f.second})
        putLE32(b, quint32(v));
    if (dateToo)
        for (int v : {f.year, f.month, f.day})
            putLE32(b, quint32(v));
}
void putDateWords(QByteArray &b, const Fix &f)
{
    for (int v : {f.year, f.month, f.day})
        putLE32(b, quint32(v));
}
void putAccelWords(QByteArray &b, const Fix &f, Expected *e)
{
    const qint32 g[3] = {milliG(f.gx), milliG(f.gy), milliG(f.gz)};
    for (qint32 v : g)
        putLE32(b, quint32(v));
    e->ax = g[0] / 1000.0;
    e->ay = g[1] / 1000.0;
    e->az = g[2] / 1000.0;
}

double knotsOf(const Fix &f)
{
    return f.speedMs * 3600.0 / 1852.0;
}

// Clock words, status word, then ddmm.mmmm doubles with hemisphere words, knots, course, the
// date words and the accelerometer.
QByteArray doubleWordsBlock(const Fix &f, Expected *e)
{
    QByteArray b = blockHead(0x100);
    putClockWords(b, f, false);
    putLE32(b, quint32(uchar(f.status)));
    const double lat = ddmm(f.lat), lon = ddmm(f.lon), knots = knotsOf(f);
    putLEDouble(b, lat);
    putLE32(b, quint32(uchar(latHemi(f.lat))));
    padTo(b, 0x50);
    putLEDouble(b, lon);
    putLE32(b, quint32(uchar(lonHemi(f.lon))));
    padTo(b, 0x60);
    putLEDouble(b, knots);
    putLEDouble(b, f.course);
    putDateWords(b, f);
    putAccelWords(b, f, e);
    padTo(b, 0x100);
    e->lat = fromDdmm(lat, f.lat < 0);
    e->lon = fromDdmm(lon, f.lon < 0);
    e->kmh = knots * 1.852;
    e->course = f.course;
    return b;
}

// Clock and date words, status and hemisphere bytes, then degrees * 1e7 (without sign),
// m/s * 100 and the altitude in millimetres as a float.
QByteArray scaledIntegersBlock(const Fix &f, Expected *e)
{
    QByteArray b = blockHead(0x100);
    b.replace(16, 15, "IQS_20240610_01");
    putClockWords(b, f, true);
    b.append(f.status).append(latHemi(f.lat)).append(lonHemi(f.lon)).append('\0');
    const qint32 lat = qint32(std::lround(std::fabs(f.lat) * 1e7));
    const qint32 lon = qint32(std::lround(std::fabs(f.lon) * 1e7));
    const qint32 speed = qint32(std::lround(f.speedMs * 100));
    putLE32(b, quint32(lat));
    putLE32(b, quint32(lon));
    putLE32(b, quint32(speed));
    putLEFloat(b, 41500.0f); // 41.5 m
    padTo(b, 0x100);
    e->lat = f.lat < 0 ? -(lat / 1e7) : lat / 1e7;
    e->lon = f.lon < 0 ? -(lon / 1e7) : lon / 1e7;
    e->kmh = speed / 100.0 * 3.6;
    e->course = 0;
    return b;
}

// The 80-byte record of the older layouts right after the head.
QByteArray floatRecordBlock(const Fix &f, Expected *e)
{
    QByteArray b = blockHead(0x100);
    const Record r = recordOf(f);
    b += encode(r);
    padTo(b, 0x100);
    e->lat = fromDdmm(double(r.lat), f.lat < 0);
    e->lon = fromDdmm(double(r.lon), f.lon < 0);
    e->kmh = double(r.knots) * 1.852;
    e->course = double(r.course);
    return b;
}

// Clock words, status word, ddmm.mmmm floats with hemisphere words, km/h and course as floats,
// date words, accelerometer.
QByteArray floatWordsBlock(const Fix &f, Expected *e)
{
    QByteArray b = blockHead(0x100);
    putClockWords(b, f, false);
    putLE32(b, quint32(uchar(f.status)));
    const float lat = float(ddmm(f.lat)), lon = float(ddmm(f.lon));
    const float kmh = float(f.speedMs * 3.6), course = float(f.course);
    putLEFloat(b, lat);
    putLE32(b, quint32(uchar(latHemi(f.lat))));
    putLEFloat(b, lon);
    putLE32(b, quint32(uchar(lonHemi(f.lon))));
    putLEFloat(b, kmh);
    putLEFloat(b, course);
    putDateWords(b, f);
    putAccelWords(b, f, e);
    padTo(b, 0x100);
    e->lat = fromDdmm(double(lat), f.lat < 0);
    e->lon = fromDdmm(double(lon), f.lon < 0);
    e->kmh = double(kmh);
    e->course = double(course);
    return b;
}

QByteArray rmcSentence(const Fix &f)
{
    char body[160];
    std::snprintf(body, sizeof body,
                  "GNRMC,%02d%02d%02d.000,%c,%010.5f,%c,%011.5f,%c,%.3f,%.2f,%02d%02d%02d,,,A",
                  f.hour, f.minute, f.second, f.status, ddmm(f.lat), latHemi(f.lat), ddmm(f.lon),
                  lonHemi(f.lon), knotsOf(f), f.course, f.day, f.month, f.year);
    unsigned char sum = 0;
    for (const char *p = body; *p; ++p)
        sum ^= uchar(*p);
    char line[200];
    std::snprintf(line, sizeof line, " $%s*%02X\r\n", body, sum);
    return line;
}

// Clock words from 16, status word, ddmm.mmmm doubles with hemisphere words, knots, course,
// date words, accelerometer, then the same fix as an NMEA sentence.
QByteArray doublesWithTextBlock(const Fix &f, Expected *e)
{
    QByteArray b = blockHead(0x100, true);
    putClockWords(b, f, false);
    putLE32(b, quint32(uchar(f.status)));
    const double lat = ddmm(f.lat), lon = ddmm(f.lon), knots = knotsOf(f);
    putLEDouble(b, lat);
    putLE32(b, quint32(uchar(latHemi(f.lat))));
    padTo(b, 0x30);
    putLEDouble(b, lon);
    putLE32(b, quint32(uchar(lonHemi(f.lon))));
    padTo(b, 0x40);
    putLEDouble(b, knots);
    putLEDouble(b, f.course);
    putDateWords(b, f);
    putAccelWords(b, f, e);
    b += rmcSentence(f);
    padTo(b, 0x100);
    e->lat = fromDdmm(lat, f.lat < 0);
    e->lon = fromDdmm(lon, f.lon < 0);
    e->kmh = knots * 1.852;
    e->course = f.course;
    return b;
}

// One 32-byte record without a clock from 16: status, hemispheres, a zero byte, ddmm.mmmm
// floats, knots and course as floats, three accelerometer words of a scale not known (not read).
QByteArray timelessBlock(const Fix &f, Expected *e)
{
    QByteArray b = blockHead(0x100, true);
    b.append(f.status).append(latHemi(f.lat)).append(lonHemi(f.lon)).append('\0');
    const float lat = float(ddmm(f.lat)), lon = float(ddmm(f.lon));
    const float knots = float(knotsOf(f)), course = float(f.course);
    for (float v : {lat, lon, knots, course})
        putLEFloat(b, v);
    for (int v : {f.gx, f.gy, f.gz})
        putLE32(b, quint32(v));
    padTo(b, 0x100);
    e->lat = fromDdmm(double(lat), f.lat < 0);
    e->lon = fromDdmm(double(lon), f.lon < 0);
    e->kmh = double(knots) * 1.852;
    e->course = double(course);
    e->clock = false;
    return b;
}

// Course as the cameras keep it in a signed 16-bit word: hundredths of a degree, -180 to 180.
qint16 signedCourse(double course)
{
    int c = int(std::lround(course * 100));
    if (c > 18000)
        c -= 36000;
    return qint16(c);
}
double courseRead(qint16 c)
{
    double d = c / 100.0;
    return d < 0 ? d + 360 : d;
}

// One big-endian 32-byte record after a short header, then an empty record that ends the run.
QByteArray bigEndianBlock(const Fix &f, Expected *e)
{
    QByteArray b = blockHead(0x100, true);
    b.append("1.00");
    padTo(b, 0x20);
    b.append("00000");
    padTo(b, 0x30);
    const quint16 speed = quint16(std::lround(f.speedMs * 100));
    const qint16 course = signedCourse(f.course);
    const qint32 lat = qint32(std::lround(f.lat * 1e7)), lon = qint32(std::lround(f.lon * 1e7));
    b.append("$S", 2);
    putBE16(b, speed);
    putBE16(b, quint16(course));
    putBE16(b, quint16(kYear));
    b.append(char(f.month)).append(char(f.day)).append(char(f.hour)).append(char(f.minute));
    putBE16(b, quint16(f.second * 10));
    b.append(char(2));
    putBE32(b, quint32(lat));
    putBE32(b, quint32(lon));
    b.append(char(16));
    padTo(b, 0x100);
    e->lat = lat / 1e7;
    e->lon = lon / 1e7;
    e->kmh = speed / 100.0 * 3.6;
    e->course = courseRead(course);
    e->fix = true; // no status: a position of zero is no fix
    return b;
}

// ---------------------------------------------------------------- the masked ring

constexpr int kRingSlots = 8;
constexpr int kRingRecord = 52;
constexpr int kRingBlock = 0x200;

// The 52-byte record of one second, unmasked.
QByteArray ringRecord(const Fix &f, int second, Expected *e)
{
    QByteArray r;
    r.append(char(1)).append(char(second)).append(char(second % kRingSlots)).append('\0');
    r.append(8, '\0');
    r.append(char(f.status == 'A' ? 2 : 0));
    r.append(char((f.hour + 255) % 256)).append(char(f.minute)).append(char(f.second));
    const qint32 lat = qint32(std::lround(f.lat * 1e7)), lon = qint32(std::lround(f.lon * 1e7));
    const qint32 speed = qint32(std::lround(f.speedMs * 100));
    const qint16 course = signedCourse(f.course);
    putLE32(r, quint32(lat));
    r.append('\0').append("ATC", 3);
    putLE32(r, quint32(lon));
    r.append('\0').append("001", 3);
    putLE32(r, quint32(speed));
    putLE16(r, quint16(course));
    putLE16(r, 0);
    putLE32(r, quint32(35000)); // altitude, mm
    putLE16(r, quint16(kYear));
    r.append(char(f.month)).append(char(f.day));
    r.append(char(7)).append('\0');
    putLE16(r, 0);
    if (r.size() != kRingRecord)
        fail("ring record size");
    e->lat = lat / 1e7;
    e->lon = lon / 1e7;
    e->kmh = speed / 100.0 * 3.6;
    e->course = courseRead(course);
    e->fix = true;
    return r;
}

QByteArray masked(QByteArray r, int key1, int key2)
{
    r[0x14] = char(key1);
    r[0x1c] = char(key2);
    for (int i = 0; i < 0x14; ++i)
        r[i] = char(r[i] ^ key1);
    for (int i = 0x18; i <= 0x1b; ++i)
        r[i] = char(r[i] ^ key1);
    for (int i = 0x20; i <= 0x32; ++i)
        r[i] = char(r[i] ^ key2);
    return r;
}

// Block k holds the ring as it stood at second k: slot k % 8 holds second k, the slots before
// it the seconds before, the slots after it the seconds of the previous round (or nothing yet).
QByteArray ringBlock(const std::vector<Fix> &fixes, int k, Expected *e)
{
    QByteArray b = blockHead(kRingBlock);
    const int w = k % kRingSlots;
    for (int slot = 0; slot < kRingSlots; ++slot) {
        const int second = slot <= w ? k - w + slot : k - w + slot - kRingSlots;
        if (second < 0) {
            b.append(kRingRecord, '\0');
            continue;
        }
        Expected unused;
        const QByteArray r = ringRecord(fixes[size_t(second)], second, second == k ? e : &unused);
        b += masked(r, 0x5b ^ (second * 37 & 0xff), 0xa4 ^ (second * 11 & 0xff));
    }
    padTo(b, kRingBlock);
    return b;
}

using BlockOf = QByteArray (*)(const Fix &, Expected *);

QByteArray makeFixture(const QByteArray &base, const std::vector<Fix> &fixes, BlockOf blockOf,
                       bool aligned, QByteArray &expected, qint64 spacing = kMinSpacing)
{
    std::vector<QByteArray> blocks;
    for (const Fix &f : fixes) {
        Expected e = expectedOf(f);
        blocks.push_back(blockOf(f, &e));
        if (blocks.back().mid(0x45, 3) == "ATC")
            fail("block looks like a masked ring");
        expected += expectedLine(e);
    }
    return withBlocksInMediaData(base, blocks, aligned, spacing);
}

QByteArray makeRingFixture(const QByteArray &base, const std::vector<Fix> &fixes,
                           QByteArray &expected)
{
    std::vector<QByteArray> blocks;
    for (size_t k = 0; k < fixes.size(); ++k) {
        Expected e = expectedOf(fixes[k]);
        blocks.push_back(ringBlock(fixes, int(k), &e));
        expected += expectedLine(e);
    }
    return withBlocksInMediaData(base, blocks, true);
}

} // namespace

void addScannedFreeGpsFixtures(const BaseVideos &base, const AddFixture &add)
{
    const int n = base.seconds;
    add("freegps-scan-ring.mov",
        [&](QByteArray &e) { return makeRingFixture(base.mov, route(kTokyo, n, 2), e); });
    add("freegps-scan-doubles.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4, route(kBuenosAires, n, 12), doubleWordsBlock, true, e);
    });
    add("freegps-scan-scaled.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4, route(kBuenosAires, n, 22), scaledIntegersBlock, false, e);
    });
    add("freegps-scan-floats.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4Silent, route(kBuenosAires, n, 32), floatRecordBlock, false, e);
    });
    add("freegps-scan-floatwords.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4, route(kBuenosAires, n, 42), floatWordsBlock, false, e);
    });
    add("freegps-scan-nmea.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4, route(kBuenosAires, n, 52), doublesWithTextBlock, false, e);
    });
    // ExifTool reads every record of this layout anywhere in the 32 KiB after the block head (and
    // what it read ahead): the blocks sit 64 KiB apart so that it sees each record once.
    add("freegps-scan-timeless.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4, route(kBuenosAires, n, 7), timelessBlock, false, e,
                           2 * kMinSpacing);
    });
    add("freegps-scan-bigendian.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4Silent, route(kTokyo, n, 57), bigEndianBlock, true, e);
    });
}

} // namespace fixturekit
