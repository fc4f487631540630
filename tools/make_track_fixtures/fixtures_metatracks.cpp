// Timed-metadata tracks of fixed records and of protobuf messages: "gpmd" samples of 352 bytes
// with scaled 64-bit pairs, marked by sixteen zeros and four capitals (New York) or by a web
// address (Buenos Aires); an "ssmd" track of 32-byte fixes (Tokyo); a "djmd" track of protobuf
// messages with the position at 3-4-2 (Buenos Aires); GPMF records in the media data that no
// track lists, one GPS5 point a second (New York). The first two seconds have no fix (one in
// a short run) and one in the middle a position of zeros.
#include "mediadatablocks.h"
#include "sampletrack.h"

namespace fixturekit {
namespace {
namespace fixturesmetatracks {

SampleTrackKind metaTrack(const char *format)
{
    SampleTrackKind kind{"meta", format};
    kind.name = "Metadata";
    kind.oneChunk = true;
    return kind;
}

void putLE64(QByteArray &b, qint64 v)
{
    putLE32(b, quint32(quint64(v)));
    putLE32(b, quint32(quint64(v) >> 32));
}
void putLEDouble(QByteArray &b, double d)
{
    qint64 v;
    std::memcpy(&v, &d, 8);
    putLE64(b, v);
}
void setLE32(QByteArray &b, int at, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (8 * i));
}
void setPair(QByteArray &b, int at, qint64 value, qint64 divisor)
{
    QByteArray p;
    putLE64(p, value);
    putLE64(p, divisor);
    b.replace(at, 16, p);
}

// Signed ddmm.mmmm, as the records store it.
double signedMinutes(double degrees)
{
    return minutesForm(degrees) * (degrees < 0 ? -1 : 1);
}
// Back from signed ddmm.mmmm to degrees, as a reader sees it.
double degreesBack(double minutes)
{
    const double whole = std::trunc(minutes / 100);
    return whole + (minutes - whole * 100) / 60;
}

// 352-byte records: day, month, year at 104; hour, minute, second at 160; scaled pairs of speed
// in knots, course, latitude, longitude, altitude; the marker at 136.
QByteArray scaledPairs(const QByteArray &video, const std::vector<Fix> &fixes, bool address,
                       QByteArray &expected)
{
    const qint64 scale = address ? 10000 : 100000;
    std::vector<QByteArray> samples;
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i) {
        const Fix &f = fixes[size_t(i)];
        const SecondKind kind = secondKindAt(i, n);
        QByteArray r(352, '\0');
        const quint32 date[3] = {quint32(f.day), quint32(f.month), quint32(2000 + f.year)};
        const quint32 time[3] = {quint32(f.hour), quint32(f.minute), quint32(f.second)};
        for (int k = 0; k < 3; ++k) {
            setLE32(r, 104 + 4 * k, date[k]);
            setLE32(r, 160 + 4 * k, time[k]);
        }
        const qint64 lat = kind == SecondKind::Fix ? std::llround(signedMinutes(f.lat) * scale) : 0;
        const qint64 lon = kind == SecondKind::Fix ? std::llround(signedMinutes(f.lon) * scale) : 0;
        const qint64 knots = std::llround(f.speedMs * 3600 / 1852 * 1000);
        const qint64 course = std::llround(f.course * 100);
        setPair(r, 0x48, knots, 1000);
        setPair(r, 0x58, course, 100);
        setPair(r, 0xb0, lat, scale);
        setPair(r, 0xc0, lon, scale);
        setPair(r, 0xe8, 31500, 1000);
        r.replace(136, 21,
                  address ? QByteArray("https://www.redtiger", 21)
                          : QByteArray("0000000000000000QMAR\0", 21));
        samples.push_back(r);
        expected +=
            expectedFixLine(f, kind == SecondKind::Fix, degreesBack(double(lat) / double(scale)),
                 degreesBack(double(lon) / double(scale)), knots / 1000.0 * 1.852, course / 100.0);
    }
    return withSampleTrack(video, metaTrack("gpmd"), samples);
}

// 32-byte fixes: latitude and longitude as doubles in signed ddmm.mmmm, knots as a 16-bit word,
// the clock as six bytes; 4294967295 as the latitude of a second without a fix.
QByteArray ssmdTrack(const QByteArray &video, const std::vector<Fix> &fixes, QByteArray &expected)
{
    std::vector<QByteArray> samples;
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i) {
        const Fix &f = fixes[size_t(i)];
        const SecondKind kind = secondKindAt(i, n);
        QByteArray r;
        const double lat = kind == SecondKind::NoFix ? 4294967295.0
                           : kind == SecondKind::Fix ? signedMinutes(f.lat)
                                               : 0.0;
        const double lon = kind == SecondKind::Fix ? signedMinutes(f.lon) : 0.0;
        putLEDouble(r, lat);
        putLEDouble(r, lon);
        putLE32(r, 0);
        const quint16 knots = quint16(std::lround(f.speedMs * 3600 / 1852));
        r.append(char(knots & 0xff)).append(char(knots >> 8));
        for (int v : {f.year, f.month, f.day, f.hour, f.minute, f.second})
            r.append(char(v));
        r.append(4, '\0');
        samples.push_back(r);
        expected +=
            expectedFixLine(f, kind == SecondKind::Fix, degreesBack(lat), degreesBack(lon), knots * 1.852, 0);
    }
    return withSampleTrack(video, metaTrack("ssmd"), samples);
}

// ---------------------------------------------------------------- protobuf

QByteArray varint(quint64 v)
{
    QByteArray b;
    while (v >= 0x80) {
        b.append(char(0x80 | (v & 0x7f)));
        v >>= 7;
    }
    b.append(char(v));
    return b;
}
QByteArray bytesField(int number, const QByteArray &payload)
{
    return varint(quint64(number) << 3 | 2) + varint(quint64(payload.size())) + payload;
}
QByteArray varintField(int number, quint64 v)
{
    return varint(quint64(number) << 3) + varint(v);
}
QByteArray doubleField(int number, double d)
{
    QByteArray b = varint(quint64(number) << 3 | 1);
    putLEDouble(b, d);
    return b;
}

// One message a second: the protocol at 1-1-1, a frame number at 3-1-1, the position in degrees
// at 3-4-2-1, the altitude at 3-4-2-2 and the date and time at 3-4-2-6-1. Seconds without a fix
// hold no position.
QByteArray djmdTrack(const QByteArray &video, const std::vector<Fix> &fixes, QByteArray &expected)
{
    std::vector<QByteArray> samples;
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i) {
        const Fix &f = fixes[size_t(i)];
        const SecondKind kind = secondKindAt(i, n);
        const QByteArray when = format("20%.2d-%.2d-%.2d %.2d:%.2d:%.2d", f.year, f.month, f.day,
                                       f.hour, f.minute, f.second);
        const double lat = kind == SecondKind::Fix ? f.lat : 0.0, lon = kind == SecondKind::Fix ? f.lon : 0.0;
        const QByteArray position = varintField(1, 1) + doubleField(2, lat) + doubleField(3, lon);
        const QByteArray gps = (kind == SecondKind::NoFix ? QByteArray() : bytesField(1, position)) +
                               varintField(2, 31500) + bytesField(6, bytesField(1, when));
        const QByteArray head = bytesField(
            1, bytesField(1, bytesField(1, "dvtm_ac203.proto") + bytesField(10, "QM-Action")));
        const QByteArray frame = bytesField(1, varintField(1, quint64(i * 30)));
        samples.push_back(head + bytesField(3, frame + bytesField(4, bytesField(2, gps))));
        expected += expectedFixLine(f, kind == SecondKind::Fix, lat, lon, 0, 0);
    }
    return withSampleTrack(video, metaTrack("djmd"), samples);
}

// ---------------------------------------------------------------- GPMF records in the media data

QByteArray klv(const char *key, char type, int structSize, int repeat, const QByteArray &payload)
{
    QByteArray b(key, 4);
    b.append(type).append(char(structSize));
    putBE16(b, quint16(repeat));
    b += payload;
    b.append((4 - payload.size() % 4) % 4, '\0');
    return b;
}

// One record a second: the 16-byte head, then a device container with a GPS stream of one GPS5
// point, its divisors, the UTC time and the fix (none the first seconds, 3 after).
QByteArray gpmfInMediaData(const QByteArray &video, const std::vector<Fix> &fixes,
                           QByteArray &expected)
{
    std::vector<QByteArray> blocks;
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i) {
        const Fix &f = fixes[size_t(i)];
        const SecondKind kind = secondKindAt(i, n);
        const qint32 lat = kind == SecondKind::Fix ? qint32(std::lround(f.lat * 1e7)) : 0;
        const qint32 lon = kind == SecondKind::Fix ? qint32(std::lround(f.lon * 1e7)) : 0;
        const qint32 ms = qint32(std::lround(f.speedMs * 1000));
        QByteArray gps5, scal, fix;
        for (qint32 v : {lat, lon, qint32(31500), ms, ms})
            putBE32(gps5, quint32(v));
        for (quint32 d : {10000000u, 10000000u, 1000u, 1000u, 100u})
            putBE32(scal, d);
        putBE32(fix, kind == SecondKind::NoFix ? 0 : 3);
        const QByteArray gpsu = format("%.2d%.2d%.2d%.2d%.2d%.2d.000", f.year, f.month, f.day,
                                       f.hour, f.minute, f.second);
        const QByteArray strm = klv("GPSF", 'L', 4, 1, fix) + klv("GPSU", 'U', 16, 1, gpsu) +
                                klv("SCAL", 'l', 4, 5, scal) + klv("GPS5", 'l', 20, 1, gps5);
        const QByteArray inner = klv("STRM", '\0', 4, strm.size() / 4, strm);
        const QByteArray payload = klv("DEVC", '\0', 4, inner.size() / 4, inner);
        QByteArray head("GP\x06\x00", 4);
        putBE32(head, quint32(payload.size()));
        head.append(8, '\0');
        blocks.push_back(head + payload);
        expected += expectedFixLine(f, kind == SecondKind::Fix, lat / 1e7, lon / 1e7, ms / 1000.0 * 3.6, 0);
    }
    return withBlocksInMediaData(video, blocks, false);
}

} // namespace fixturesmetatracks
} // namespace

void addMetaTrackFixtures(const BaseVideos &base, const AddFixture &add)
{
    using namespace fixturesmetatracks;
    const int n = base.seconds;
    add("gpmd-pairs-zeros.mp4",
        [&](QByteArray &e) { return scaledPairs(base.mp4, datedRoute(kNewYork, n, 33), false, e); });
    add("gpmd-pairs-address.mp4", [&](QByteArray &e) {
        return scaledPairs(base.mp4Silent, datedRoute(kBuenosAires, n, 36), true, e);
    });
    add("ssmd-track.mp4",
        [&](QByteArray &e) { return ssmdTrack(base.mp4, datedRoute(kTokyo, n, 39), e); });
    add("gpmf-scanned.mp4",
        [&](QByteArray &e) { return gpmfInMediaData(base.mp4, datedRoute(kNewYork, n, 51), e); });
    add("djmd-track.mp4",
        [&](QByteArray &e) { return djmdTrack(base.mp4, datedRoute(kBuenosAires, n, 42), e); });
}

} // namespace fixturekit
