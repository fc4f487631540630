// GPS kept whole in a box or after the movie, and NMEA in a subtitle track with seconds of GGA
// alone: RMC and GGA sentences in a top-level "nbmt" atom, its last second GGA alone; Base64
// JSON fixes in a top-level "gdat" atom (speed in mph); 121-byte "GPSDATA--" records after the
// movie box behind a run of 'C' bytes (decimal degrees, km/h, accelerometer in g); and a tx3g
// track of RMC and GGA sentences where every third second carries the GGA sentence alone.
#include "sampletrack.h"

namespace fixturekit {
namespace {
namespace fixturesatoms {

QByteArray checksummed(const QByteArray &body) // body without '$'
{
    unsigned sum = 0;
    for (char c : body)
        sum ^= uchar(c);
    return "$" + body + format("*%02X", sum);
}

// ddmm.mmmm (dddmm.mmmm) as written, and the signed degrees it reads back as.
QByteArray nmeaField(double degrees, int degreeDigits, double *back)
{
    const QByteArray field = format("%0*.4f", degreeDigits + 5, minutesForm(degrees));
    const double v = field.toDouble();
    const double whole = std::floor(v / 100);
    *back = (whole + (v - whole * 100) / 60) * (degrees < 0 ? -1 : 1);
    return field;
}

// What one second's sentences say, as a reader sees them.
struct Sentences
{
    QByteArray rmc, gga;
    double lat = 0, lon = 0, kmh = 0, course = 0;
};

Sentences sentencesOf(const Fix &f, SecondKind kind)
{
    Sentences s;
    const QByteArray time = format("%.2d%.2d%.2d.00", f.hour, f.minute, f.second);
    const QByteArray date = format("%.2d%.2d%.2d", f.day, f.month, f.year);
    if (kind == SecondKind::NoFix) {
        s.rmc = checksummed("GPRMC," + time + ",V,,,,,,," + date + ",,,N");
        s.gga = checksummed("GPGGA," + time + ",,,,,0,00,99.9,,M,,M,,");
        return s;
    }
    const bool zero = kind == SecondKind::ZeroPosition;
    const QByteArray la = nmeaField(zero ? 0 : f.lat, 2, &s.lat);
    const QByteArray lo = nmeaField(zero ? 0 : f.lon, 3, &s.lon);
    const QByteArray position = la + ',' + latHemi(f.lat) + ',' + lo + ',' + lonHemi(f.lon);
    const QByteArray knots = format("%.2f", f.speedMs * 3600 / 1852);
    const QByteArray course = format("%.1f", f.course);
    s.kmh = knots.toDouble() * 1.852;
    s.course = course.toDouble();
    s.rmc = checksummed("GPRMC," + time + ",A," + position + ',' + knots + ',' + course + ',' +
                        date + ",,,A");
    s.gga = checksummed("GPGGA," + time + ',' + position + ",1,09,0.9,31.5,M,19.2,M,,");
    return s;
}

// RMC and GGA sentences a second in a top-level atom after the movie; the last second the GGA
// sentence alone, which takes the date of the RMC sentence before it and has no speed.
QByteArray nbmtAtom(const QByteArray &video, const std::vector<Fix> &fixes, QByteArray &expected)
{
    QByteArray text;
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i) {
        const SecondKind kind = secondKindAt(i, n);
        const Sentences s = sentencesOf(fixes[size_t(i)], kind);
        const bool ggaAlone = i == n - 1 && i >= 2;
        text += (ggaAlone ? QByteArray() : s.rmc + "\r\n") + s.gga + "\r\n";
        expected += expectedFixLine(fixes[size_t(i)], kind != SecondKind::NoFix, s.lat, s.lon, ggaAlone ? 0 : s.kmh,
                         ggaAlone ? 0 : s.course);
    }
    return video + box("nbmt", text + QByteArray(128, '\0'));
}

// A subtitle track of RMC and GGA sentences a second; every third second from the third on
// (not the one of zeros; in a short run the last) carries the GGA sentence alone.
QByteArray ggaTrack(const QByteArray &video, const std::vector<Fix> &fixes, QByteArray &expected)
{
    std::vector<QByteArray> samples;
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i) {
        const SecondKind kind = secondKindAt(i, n);
        const Sentences s = sentencesOf(fixes[size_t(i)], kind);
        const bool ggaAlone =
            kind == SecondKind::Fix && (n >= 8 ? i >= 3 && i % 3 == 0 : i == n - 1 && i >= 2);
        const QByteArray text = (ggaAlone ? QByteArray() : s.rmc + "\r\n") + s.gga + "\r\n";
        QByteArray sample;
        putBE16(sample, quint16(text.size()));
        samples.push_back(sample + text);
        expected += expectedFixLine(fixes[size_t(i)], kind != SecondKind::NoFix, s.lat, s.lon, ggaAlone ? 0 : s.kmh,
                         ggaAlone ? 0 : s.course);
    }
    return withSampleTrack(video, {"text", "tx3g", false}, samples);
}

// One JSON fix a second, Base64-encoded: the first two without a fix, one of zeros.
QByteArray gdatAtom(const QByteArray &video, const std::vector<Fix> &fixes, QByteArray &expected)
{
    QByteArray json = "{\"cameraModel\":\"QM-622\",\"gpsData\":[";
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i) {
        const Fix &f = fixes[size_t(i)];
        const SecondKind kind = secondKindAt(i, n);
        const QByteArray lat = format("%.7f", kind == SecondKind::Fix ? f.lat : 0.0);
        const QByteArray lon = format("%.7f", kind == SecondKind::Fix ? f.lon : 0.0);
        const QByteArray mph = format("%.2f", f.speedMs * 3600 / 1609.344);
        const QByteArray bearing = format("%.1f", f.course);
        json += format("%s{\"gpsStatus\":\"%c\",\"datetime\":\"20%.2d-%.2d-%.2dT%.2d:%.2d:%.2d\","
                       "\"lat\":%s,\"lon\":%s,\"speed\":%s,\"bearing\":%s,\"xAcc\":%d,"
                       "\"yAcc\":%d,\"zAcc\":%d}",
                       i > 0 ? "," : "", kind == SecondKind::NoFix ? 'V' : 'A', f.year, f.month, f.day,
                       f.hour, f.minute, f.second, lat.constData(), lon.constData(),
                       mph.constData(), bearing.constData(), f.gx, f.gy, f.gz);
        expected += expectedFixLine(f, kind == SecondKind::Fix, lat.toDouble(), lon.toDouble(),
                         mph.toDouble() * 1.609344, bearing.toDouble());
    }
    json += "]}";
    return video + box("gdat", json.toBase64());
}

// v as exactly 14 characters, after the hemisphere letter when one is given.
QByteArray field14(double v, char hemisphere = 0)
{
    const int whole = int(QByteArray::number(qint64(std::floor(std::fabs(v)))).size());
    const int room = 14 - (hemisphere ? 1 : 0) - (v < 0 ? 1 : 0) - whole - 1;
    QByteArray text = format("%.*f", room, v);
    if (hemisphere)
        text.prepend(hemisphere);
    if (text.size() != 14)
        fail("a GPSDATA field is not 14 characters", text);
    return text;
}

// Read back as the reader sees it (the letter taken off).
double backOf(const QByteArray &field)
{
    const bool letter = field[0] >= 'A' && field[0] <= 'Z';
    return field.mid(letter ? 1 : 0).toDouble();
}

// 121-byte records after the movie box, behind 22 'C' bytes: the clock, the position in
// decimal degrees behind hemisphere letters, km/h, a field not known and the accelerometer in g.
QByteArray gpsDataTrailer(const QByteArray &video, const std::vector<Fix> &fixes,
                          QByteArray &expected)
{
    QByteArray trailer(22, 'C');
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i) {
        const Fix &f = fixes[size_t(i)];
        const SecondKind kind = secondKindAt(i, n);
        const QByteArray lat = field14(kind == SecondKind::Fix ? std::fabs(f.lat) : 0, latHemi(f.lat));
        const QByteArray lon = field14(kind == SecondKind::Fix ? std::fabs(f.lon) : 0, lonHemi(f.lon));
        const QByteArray kmh = field14(kind == SecondKind::NoFix ? 0 : f.speedMs * 3.6);
        const double g[3] = {f.gx / 256.0, f.gy / 256.0, f.gz / 256.0};
        QByteArray axes;
        for (double v : g)
            axes += field14(v);
        trailer += format("GPSDATA--20%.2d%.2d%.2d%.2d%.2d%.2d", f.year, f.month, f.day, f.hour,
                          f.minute, f.second) +
                   lat + lon + kmh + field14(0) + axes;
        const double la = backOf(lat) * (f.lat < 0 ? -1 : 1);
        const double lo = backOf(lon) * (f.lon < 0 ? -1 : 1);
        expected += expectedFixLine(f, kind == SecondKind::Fix, la, lo, backOf(kmh), 0, backOf(axes.mid(0, 14)),
                         backOf(axes.mid(14, 14)), backOf(axes.mid(28, 14)));
    }
    return video + trailer;
}

} // namespace fixturesatoms
} // namespace

void addAtomFixtures(const BaseVideos &base, const AddFixture &add)
{
    using namespace fixturesatoms;
    const int n = base.seconds;
    add("nmea-nbmt.mp4",
        [&](QByteArray &e) { return nbmtAtom(base.mp4, datedRoute(kNewYork, n, 12), e); });
    add("texttrack-gga.mp4",
        [&](QByteArray &e) { return ggaTrack(base.mp4Silent, datedRoute(kBuenosAires, n, 18), e); });
    add("gdat-json.mp4",
        [&](QByteArray &e) { return gdatAtom(base.mp4, datedRoute(kTokyo, n, 24), e); });
    add("gpsdata-trailer.mov",
        [&](QByteArray &e) { return gpsDataTrailer(base.mov, datedRoute(kBuenosAires, n, 30), e); });
}

} // namespace fixturekit
