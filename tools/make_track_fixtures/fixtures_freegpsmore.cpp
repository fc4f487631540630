// "freeGPS " block forms listed by a "gps " index that only ExifTool's 13 series reads: the
// record behind a longer head naming the camera model, the record with its position as
// 20-byte strings (plain, or RC4-masked and Base64-encoded), the record of 16 KiB blocks in
// decimal degrees and km/h, the labelled text line, and the run of 36-byte records at tenths of
// a second.
#include "fixtures_freegpsindex.h"

#include <cstdint>

namespace fixturekit {
using namespace freegpsindex;
namespace {
namespace fixturesfreegpsmore {

constexpr int kSixteenKiB = 0x4000;

// The 16-byte head with another block size than the fixtures' usual one.
QByteArray headOfSize(int size)
{
    QByteArray b;
    putBE32(b, quint32(size));
    b.append("freeGPS ", 8);
    putLE32(b, quint32(size - 12));
    return b;
}

// Time of day, date (two-digit year), status, hemispheres and a zero byte: 28 bytes.
QByteArray clockAndStatus(const Fix &f, Sample kind)
{
    QByteArray r;
    for (qint32 v : {f.hour, f.minute, f.second, kYear % 100, kMonth, kDay})
        putLE32(r, quint32(v));
    r.append(kind == Sample::NoFix ? 'V' : 'A').append(latHemi(f.lat)).append(lonHemi(f.lon));
    r.append('\0');
    return r;
}

// Without a position only the longitude is zero, as the cameras write it.
double latOf(const Fix &f, Sample kind)
{
    return kind != Sample::NoFix ? std::fabs(f.lat) : 0.0;
}
double lonOf(const Fix &f, Sample kind)
{
    return kind == Sample::Fix ? std::fabs(f.lon) : 0.0;
}

// The record behind a head 48 bytes longer: the camera's model and firmware at 16, a start
// mark at 0x38, then the record and G-sensor counts (256 per g).
QByteArray longHeadBlock(const Fix &f, Sample kind, Expected &e)
{
    QByteArray block = blockHead();
    block += QByteArray("MN:QM-200@V2.1_Q");
    block.append(0x38 - block.size(), '\0');
    block += "::start@";
    block.append(64 - block.size(), '\0');
    block += clockAndStatus(f, kind);
    const float lat = float(minutesForm(latOf(f, kind)));
    const float lon = float(minutesForm(lonOf(f, kind)));
    const float knots = float(f.speedMs * 3600 / 1852);
    putLEFloat(block, lat);
    putLEFloat(block, lon);
    putLEFloat(block, knots);
    putLEFloat(block, float(f.course));
    for (qint32 g : {f.gx, f.gy, f.gz})
        putLE32(block, quint32(g));
    e.fix = kind == Sample::Fix;
    e.lat = degreesOf(double(lat), f.lat < 0);
    e.lon = degreesOf(double(lon), f.lon < 0);
    e.kmh = double(knots) * 1.852;
    e.course = double(float(f.course));
    e.ax = f.gx / 256.0;
    e.ay = f.gy / 256.0;
    e.az = f.gz / 256.0;
    return block;
}

QByteArray rc4(const QByteArray &text, const QByteArray &key)
{
    unsigned char state[256];
    for (int i = 0; i < 256; ++i)
        state[i] = uchar(i);
    int j = 0;
    for (int i = 0; i < 256; ++i) {
        j = (j + state[i] + uchar(key[i % key.size()])) & 0xff;
        std::swap(state[i], state[j]);
    }
    QByteArray out = text;
    int a = 0, b = 0;
    for (char &c : out) {
        a = (a + 1) & 0xff;
        b = (b + state[a]) & 0xff;
        std::swap(state[a], state[b]);
        c = char(uchar(c) ^ state[(state[a] + state[b]) & 0xff]);
    }
    return out;
}

QByteArray field20(const QByteArray &text)
{
    if (text.size() > 20)
        fail("position string too long");
    return text + QByteArray(20 - text.size(), '\0');
}

// The record at 16 with latitude and longitude (ddmm.mmmm) as 20-byte strings at 0x2c and
// 0x40, masked with RC4 under the key and Base64-encoded when one is given; speed (knots) and
// course floats at 0x54, raw G-sensor words, and a serial string at 0x68.
QByteArray stringsBlock(const Fix &f, Sample kind, Expected &e, const QByteArray &key)
{
    QByteArray block = blockHead();
    block += clockAndStatus(f, kind);
    const QByteArray lat = format("%.6f", minutesForm(latOf(f, kind)));
    const QByteArray lon = format("%.6f", minutesForm(lonOf(f, kind)));
    const auto stored = [&key](const QByteArray &text) {
        return field20(key.isEmpty() ? text : rc4(text, key).toBase64());
    };
    block += stored(lat) + stored(lon);
    const float knots = float(f.speedMs * 3600 / 1852);
    putLEFloat(block, knots);
    putLEFloat(block, float(f.course));
    for (qint32 g : {f.gx, f.gy, f.gz})
        putLE32(block, quint32(g));
    block += "2J71PpUH7ihf";
    e.fix = kind == Sample::Fix;
    e.lat = degreesOf(lat.toDouble(), f.lat < 0);
    e.lon = degreesOf(lon.toDouble(), f.lon < 0);
    e.kmh = double(knots) * 1.852;
    e.course = double(float(f.course));
    return block;
}

// 16 KiB blocks: the record 48 bytes in with decimal degrees and km/h as floats, the position
// again as doubles at 0x70 and 0x80.
QByteArray decimalBlock(const Fix &f, Sample kind, Expected &e)
{
    QByteArray block = headOfSize(kSixteenKiB);
    block.append(48 - block.size(), '\0');
    block += clockAndStatus(f, kind);
    const double lat = latOf(f, kind), lon = lonOf(f, kind);
    const float kmh = float(f.speedMs * 3.6);
    putLEFloat(block, float(lat));
    putLEFloat(block, float(lon));
    putLEFloat(block, kmh);
    putLEFloat(block, float(f.course));
    block.append(0x70 - block.size(), '\0');
    putLEDouble(block, lat);
    block.append(8, '\0');
    putLEDouble(block, lon);
    block.append(0xa0 - block.size(), '\0');
    putLEDouble(block, 35.25); // altitude
    block.append(kSixteenKiB - block.size(), '\0');
    e.fix = kind == Sample::Fix;
    e.lat = f.lat < 0 ? -lat : lat;
    e.lon = f.lon < 0 ? -lon : lon;
    e.kmh = double(kmh);
    e.course = double(float(f.course));
    return block;
}

// "normal:" and the date and time, then labelled fields: decimal degrees after N/S and E/W,
// the speed in knots (the camera writes "km/h" after it), the G-sensor in g and the course.
QByteArray labelledTextBlock(const Fix &f, Sample kind, Expected &e)
{
    QByteArray block = blockHead();
    const double lat = kind == Sample::Fix ? std::fabs(f.lat) : 0.0;
    const double lon = kind == Sample::Fix ? std::fabs(f.lon) : 0.0;
    const QByteArray knots = format("%.1f", f.speedMs * 3600 / 1852);
    const double gx = f.gx / 256.0, gy = f.gy / 256.0, gz = f.gz / 256.0;
    block += format("normal:%.4d/%.2d/%.2d %.2d:%.2d:%.2d %c:%.6f %c:%.6f %s km/h x:%.2f y:%.2f "
                    "z:%.2f A:%.1f H:245.5",
                    kYear, kMonth, kDay, f.hour, f.minute, f.second, latHemi(f.lat), lat,
                    lonHemi(f.lon), lon, knots.constData(), gx, gy, gz, f.course);
    e.fix = kind == Sample::Fix;
    e.lat = f.lat < 0 ? -format("%.6f", lat).toDouble() : format("%.6f", lat).toDouble();
    e.lon = f.lon < 0 ? -format("%.6f", lon).toDouble() : format("%.6f", lon).toDouble();
    e.kmh = knots.toDouble() * 1.852;
    e.course = format("%.1f", f.course).toDouble();
    e.ax = format("%.2f", gx).toDouble();
    e.ay = format("%.2f", gy).toDouble();
    e.az = format("%.2f", gz).toDouble();
    return block;
}

// Ten 36-byte records a second from 16, at tenths .0 to .9: the clock as bytes (year after
// 2000), status and hemisphere letters, ddmm.mmmm * 1e4 as 32-bit integers, whole km/h as a
// 16-bit word; the bytes whose meaning is not known hold what a camera's do. The tenths move on
// along the course at the second's speed; the record at .0 is the second's sample.
QByteArray tenthsBlock(const Fix &f, Sample kind, Expected &e)
{
    constexpr int kRecords = 10, kRecordSize = 36;
    QByteArray block = headOfSize(16 + kRecords * kRecordSize);
    const int kmh = int(std::lround(f.speedMs * 3.6));
    for (int k = 0; k < kRecords; ++k) {
        const double metres = f.speedMs * k / 10.0;
        const double course = f.course * kPi / 180;
        const double lat = latOf(f, kind) + metres * std::cos(course) / 111320.0;
        const double lon = lonOf(f, kind) == 0.0
                               ? 0.0
                               : lonOf(f, kind) + metres * std::sin(course) /
                                                      (111320.0 * std::cos(f.lat * kPi / 180));
        QByteArray r(1, '\0');
        for (int v : {f.year, f.month, f.day, f.hour, f.minute, f.second, k})
            r.append(char(v));
        r.append(kind == Sample::NoFix ? 'V' : 'A').append(latHemi(f.lat)).append(lonHemi(f.lon));
        r.append("d\x83?\0\0", 5);
        const quint32 latWord = quint32(std::lround(minutesForm(lat) * 1e4));
        const quint32 lonWord = quint32(std::lround(minutesForm(lon) * 1e4));
        putLE32(r, latWord);
        putLE32(r, lonWord);
        putLE32(r, 991);
        r.append(char(kmh & 0xff)).append(char(kmh >> 8));
        r.append(6, '\0');
        block += r;
        if (k == 0) {
            e.lat = degreesOf(latWord / 1e4, f.lat < 0);
            e.lon = degreesOf(lonWord / 1e4, f.lon < 0);
        }
    }
    e.fix = kind == Sample::Fix;
    e.kmh = kmh;
    e.course = 0; // none stored: worked out from the way
    return block;
}

using BlockWriter = std::function<QByteArray(const Fix &, Sample, Expected &)>;
// Blocks of any size (padded to the usual one when shorter), listed by the index.
QByteArray makeFixture(const QByteArray &video, const std::vector<Fix> &fixes,
                       const BlockWriter &write, QByteArray &expected)
{
    std::vector<QByteArray> blocks;
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i) {
        Expected e = clockOf(fixes[size_t(i)]);
        const QByteArray block = write(fixes[size_t(i)], sampleAt(i, n), e);
        blocks.push_back(block.size() > kBlockSize ? block : finished(block));
        expected += expectedLine(e);
    }
    return withIndexedBlocks(video, blocks);
}

} // namespace fixturesfreegpsmore
} // namespace

void addMoreFreeGpsFixtures(const BaseVideos &base, const AddFixture &add)
{
    using namespace fixturesfreegpsmore;
    const int n = base.seconds;
    add("freegps-index-longhead.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4, route(kShenzhen, n, 45), longHeadBlock, e);
    });
    add("freegps-index-strings.mp4", [&](QByteArray &e) {
        return makeFixture(
            base.mp4, route(kBuenosAires, n, 50),
            [](const Fix &f, Sample k, Expected &x) { return stringsBlock(f, k, x, {}); }, e);
    });
    add("freegps-index-rc4.mp4", [&](QByteArray &e) {
        return makeFixture(
            base.mp4Silent, route(kTokyo, n, 55),
            [](const Fix &f, Sample k, Expected &x) {
                return stringsBlock(f, k, x, "customer cc gps");
            },
            e);
    });
    // In a MOV: in an MP4 the older index reader takes the blocks without a fix.
    add("freegps-index-decimal.mov", [&](QByteArray &e) {
        return makeFixture(base.mov, route(kShenzhen, n, 5), decimalBlock, e);
    });
    add("freegps-index-labelled.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4, route(kBuenosAires, n, 10), labelledTextBlock, e);
    });
    // North and east: ExifTool 13.59 takes the hemisphere letters of this form for numbers and
    // never signs the position, so it can judge only a route there.
    add("freegps-index-tenths.mp4",
        [&](QByteArray &e) { return makeFixture(base.mp4, route(kTokyo, n, 20), tenthsBlock, e); });
}

} // namespace fixturekit
