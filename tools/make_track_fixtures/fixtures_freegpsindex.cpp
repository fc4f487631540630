// "freeGPS " blocks listed by a "gps " index in the movie box: the blocks sit at the end of the
// media data, one a second, 256 bytes each, and the index gives each block's offset and size.
// One fixture per variant of the block's content.
#include "fixtures_freegpsindex.h"

#include <cstdint>

namespace fixturekit {
using namespace freegpsindex;
namespace freegpsindex {

QByteArray expectedLine(const Expected &e)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, "%c20%.2d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d\n",
                  e.fix ? 'A' : 'V', e.year - 2000, e.month, e.day, e.hour, e.minute, e.second,
                  e.fix ? minutesForm(e.lat) : 0.0, e.fix && e.lat < 0 ? 'S' : 'N',
                  e.fix ? minutesForm(e.lon) : 0.0, e.fix && e.lon < 0 ? 'W' : 'E',
                  e.fix ? e.kmh * kKnotsPerKmh : 0.0, e.fix ? e.course : 0.0, counts(e.ax),
                  counts(e.ay), counts(e.az));
    return buf;
}

Sample sampleAt(int i, int n)
{
    if (i < 2)
        return Sample::NoFix;
    if (n >= 8 && i == n / 2)
        return Sample::ZeroPosition;
    return Sample::Fix;
}

std::vector<Fix> route(const City &city, int n, int startMinute)
{
    std::vector<Fix> fixes = drive(city, n, startMinute, lightsFor(n));
    for (Fix &f : fixes) {
        f.year = kYear % 100;
        f.month = kMonth;
        f.day = kDay;
    }
    return fixes;
}

Expected clockOf(const Fix &f)
{
    Expected e;
    e.hour = f.hour;
    e.minute = f.minute;
    e.second = f.second;
    return e;
}

// Pads a block to its size; a block that outgrew it is a generator bug.
QByteArray finished(QByteArray block)
{
    if (block.size() > kBlockSize)
        fail("freeGPS block too long");
    block.append(kBlockSize - block.size(), '\0');
    return block;
}

void putLEDouble(QByteArray &b, double d)
{
    quint64 v;
    std::memcpy(&v, &d, 8);
    putLE32(b, quint32(v));
    putLE32(b, quint32(v >> 32));
}

// The blocks appended to the media data, the index in the movie box after its header.
QByteArray withIndexedBlocks(const QByteArray &video, const std::vector<QByteArray> &blocks)
{
    TopLevel top = parseFile(video);
    Box *mdat = nullptr, *moov = nullptr;
    for (Box &b : top.boxes) {
        if (b.type == "mdat")
            mdat = &b;
        else if (b.type == "moov")
            moov = &b;
        if (moov && !mdat)
            fail("movie box before the media data");
    }
    if (!mdat || !moov)
        fail("base video without media data or movie box");
    qint64 at = top.mdatOffset + top.mdatSize;
    Box index;
    index.type = "gps ";
    putBE32(index.payload, 0x00000101); // version
    putBE32(index.payload, quint32(blocks.size()));
    for (const QByteArray &block : blocks) {
        putBE32(index.payload, quint32(at));
        putBE32(index.payload, quint32(block.size()));
        mdat->payload += block;
        at += block.size();
    }
    // Right after the movie header: ExifTool takes the index only where no track's or user
    // data's handler is in force, and a recording cut short in its movie box keeps it.
    auto before = moov->children.begin();
    while (before != moov->children.end() && before->type != "mvhd")
        ++before;
    if (before == moov->children.end())
        fail("movie box without a header");
    ++before;
    moov->children.insert(before, index);
    return serialize(top.boxes);
}

} // namespace freegpsindex
namespace {

// The fixture's blocks from the route, and its expected text, through one block writer.
using BlockWriter = std::function<QByteArray(const Fix &, Sample, Expected &)>;
QByteArray makeFixture(const QByteArray &video, const std::vector<Fix> &fixes,
                       const BlockWriter &write, QByteArray &expected)
{
    std::vector<QByteArray> blocks;
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i) {
        Expected e = clockOf(fixes[size_t(i)]);
        blocks.push_back(finished(write(fixes[size_t(i)], sampleAt(i, n), e)));
        expected += expectedLine(e);
    }
    return withIndexedBlocks(video, blocks);
}

// Time of day at 48, status word at 60, latitude and its hemisphere word, longitude and its
// hemisphere word, speed in km/h and the course turned by half a circle, then the date.
QByteArray hemisphereWordsBlock(const Fix &f, Sample kind, Expected &e)
{
    QByteArray block = blockHead();
    block.append(48 - block.size(), '\0');
    const float lat = kind == Sample::Fix ? nmea(f.lat) : 0.0f;
    const float lon = kind == Sample::Fix ? nmea(f.lon) : 0.0f;
    const float kmh = float(f.speedMs * 3.6);
    const float turned = float(std::fmod(f.course + 180, 360));
    for (qint32 v : {f.hour, f.minute, f.second})
        putLE32(block, quint32(v));
    putLE32(block, kind == Sample::NoFix ? 'V' : 'A');
    putLEFloat(block, lat);
    putLE32(block, quint32(latHemi(f.lat)));
    putLEFloat(block, lon);
    putLE32(block, quint32(lonHemi(f.lon)));
    putLEFloat(block, kmh);
    putLEFloat(block, turned);
    for (qint32 v : {kYear, kMonth, kDay})
        putLE32(block, quint32(v));
    e.fix = kind == Sample::Fix;
    e.lat = degreesOf(double(lat), f.lat < 0);
    e.lon = degreesOf(double(lon), f.lon < 0);
    e.kmh = double(kmh);
    e.course = std::fmod(double(turned) + 180, 360);
    return block;
}

// Status and hemispheres at 64, date and time (two-digit year), longitude, latitude, knots,
// course, altitude, then G-sensor thousandths of g at 112.
QByteArray statusFirstBlock(const Fix &f, Sample kind, Expected &e)
{
    QByteArray block = blockHead();
    block.append(64 - block.size(), '\0');
    const float lat = kind == Sample::Fix ? nmea(f.lat) : 0.0f;
    const float lon = kind == Sample::Fix ? nmea(f.lon) : 0.0f;
    const float knots = float(f.speedMs * 3600 / 1852);
    block.append(kind == Sample::NoFix ? 'V' : 'A').append(latHemi(f.lat)).append(lonHemi(f.lon));
    block.append('\0');
    for (qint32 v : {kYear % 100, kMonth, kDay, f.hour, f.minute, f.second})
        putLE32(block, quint32(v));
    putLEFloat(block, lon);
    putLEFloat(block, lat);
    putLEFloat(block, knots);
    putLEFloat(block, float(f.course));
    putLEFloat(block, 35.5f); // altitude
    for (qint32 v : {f.gx * 4, f.gy * 4, f.gz * 4})
        putLE32(block, quint32(v));
    e.fix = kind == Sample::Fix;
    e.lat = degreesOf(double(lat), f.lat < 0);
    e.lon = degreesOf(double(lon), f.lon < 0);
    e.kmh = double(knots) * 1.852;
    e.course = double(float(f.course));
    e.ax = f.gx * 4 / 1000.0;
    e.ay = f.gy * 4 / 1000.0;
    e.az = f.gz * 4 / 1000.0;
    return block;
}

// The shared binary record (time, date, status, hemispheres, four floats) at the given offset.
QByteArray recordBytes(const Fix &f, Sample kind, int year, float *lat, float *lon, float *knots)
{
    // Without a position, only the longitude is zero: a zero latitude after an 'A' is the
    // signature of a variant with a masked position.
    *lat = kind != Sample::NoFix ? nmea(f.lat) : 0.0f;
    *lon = kind == Sample::Fix ? nmea(f.lon) : 0.0f;
    *knots = float(f.speedMs * 3600 / 1852);
    QByteArray r;
    for (qint32 v : {f.hour, f.minute, f.second, year, kMonth, kDay})
        putLE32(r, quint32(v));
    r.append(kind == Sample::NoFix ? 'V' : 'A').append(latHemi(f.lat)).append(lonHemi(f.lon));
    r.append('\0');
    putLEFloat(r, *lat);
    putLEFloat(r, *lon);
    putLEFloat(r, *knots);
    putLEFloat(r, float(f.course));
    return r;
}

void expectRecord(const Fix &f, Sample kind, float lat, float lon, float knots, Expected &e)
{
    e.fix = kind == Sample::Fix;
    e.lat = degreesOf(double(lat), f.lat < 0);
    e.lon = degreesOf(double(lon), f.lon < 0);
    e.kmh = double(knots) * 1.852;
    e.course = double(float(f.course));
}

// The record at the block's start, whole year and local time, G-sensor counts at 60.
QByteArray localTimeBlock(const Fix &f, Sample kind, Expected &e)
{
    QByteArray block = blockHead();
    float lat, lon, knots;
    block += recordBytes(f, kind, kYear, &lat, &lon, &knots);
    for (qint32 g : {f.gx, f.gy, f.gz})
        putLE32(block, quint32(g));
    expectRecord(f, kind, lat, lon, knots, e);
    e.ax = f.gx / 256.0;
    e.ay = f.gy / 256.0;
    e.az = f.gz / 256.0;
    return block;
}

// The record 48 bytes in, G-sensor counts at 100 (52 bytes into the record); with doubles, the
// position again at 0x70 and 0x80, more precise, and the altitude at 0xa0.
QByteArray binaryBlock(const Fix &f, Sample kind, Expected &e, bool doubles)
{
    QByteArray block = blockHead();
    block.append(48 - block.size(), '\0');
    float lat, lon, knots;
    block += recordBytes(f, kind, doubles ? kYear : kYear % 100, &lat, &lon, &knots);
    block.append(100 - block.size(), '\0');
    for (qint32 g : {f.gx, f.gy, f.gz})
        putLE32(block, quint32(g));
    expectRecord(f, kind, lat, lon, knots, e);
    e.ax = f.gx / 256.0;
    e.ay = f.gy / 256.0;
    e.az = f.gz / 256.0;
    if (doubles) {
        const auto ddmm = [](double degrees) {
            const double a = std::fabs(degrees), whole = std::floor(a);
            return whole * 100 + (a - whole) * 60;
        };
        const double latD = kind != Sample::NoFix ? ddmm(f.lat) : 0.0;
        const double lonD = kind == Sample::Fix ? ddmm(f.lon) : 0.0;
        block.append(0x70 - block.size(), '\0');
        putLEDouble(block, latD);
        block.append(8, '\0');
        putLEDouble(block, lonD);
        block.append(0xa0 - block.size(), '\0');
        putLEDouble(block, 35.25);
        e.lat = degreesOf(latD, f.lat < 0);
        e.lon = degreesOf(lonD, f.lon < 0);
    }
    return block;
}

} // namespace

void addIndexedFreeGpsFixtures(const BaseVideos &base, const AddFixture &add)
{
    const int n = base.seconds;
    add("freegps-index-masked.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4, route(kBuenosAires, n, 5), maskedBlock, e);
    });
    add("freegps-index-nmea.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4Silent, route(kTokyo, n, 10), nmeaBlock, e);
    });
    add("freegps-index-offset.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4, route(kShenzhen, n, 15), offsetTextBlock, e);
    });
    // The first block's clock ends in 1, which puts an 'A' where the older index reader looks
    // for a record's status: the blocks' own form must win.
    add("freegps-index-offset-one.mp4", [&](QByteArray &e) {
        std::vector<Fix> fixes = route(kShenzhen, n + 1, 17);
        fixes.erase(fixes.begin());
        return makeFixture(base.mp4, fixes, offsetTextBlock, e);
    });
    add("freegps-index-hemiwords.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4, route(kBuenosAires, n, 20), hemisphereWordsBlock, e);
    });
    add("freegps-index-statusfirst.mp4", [&](QByteArray &e) {
        return makeFixture(base.mp4Silent, route(kBuenosAires, n, 25), statusFirstBlock, e);
    });
    // The binary records: in an MP4 the older index reader takes them, in a MOV this one.
    add("freegps-index-localtime.mov", [&](QByteArray &e) {
        return makeFixture(base.mov, route(kShenzhen, n, 30), localTimeBlock, e);
    });
    add("freegps-index-binary.mov", [&](QByteArray &e) {
        return makeFixture(
            base.mov, route(kBuenosAires, n, 35),
            [](const Fix &f, Sample k, Expected &x) { return binaryBlock(f, k, x, false); }, e);
    });
    add("freegps-index-doubles.mov", [&](QByteArray &e) {
        return makeFixture(
            base.mov, route(kBuenosAires, n, 40),
            [](const Fix &f, Sample k, Expected &x) { return binaryBlock(f, k, x, true); }, e);
    });
}

} // namespace fixturekit
