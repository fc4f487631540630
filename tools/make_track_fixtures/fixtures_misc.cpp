// The smaller layouts: text records in a top-level user-data box, 20-byte records in a uuid
// atom of the movie box, FMAS records in a timed-metadata track, and a RIFF chunk list after
// the movie box.
#include "sampletrack.h"

#include <QDateTime>

namespace fixturekit {
namespace {

constexpr double kKmhPerMph = 1.609344;

double fromMinutesForm(double v)
{
    const double whole = std::floor(v / 100);
    return whole + (v - whole * 100) / 60;
}

// One expected line in the readers' form; no position when it is zero.
QByteArray expectedLine(const Fix &f, double lat, double lon, double knots, double course,
                        int gx = 0, int gy = 0, int gz = 0)
{
    const bool fix = f.status == 'A' && lat != 0 && lon != 0;
    return format("%c20%.2d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d\n", fix ? 'A' : 'V',
                  f.year, f.month, f.day, f.hour, f.minute, f.second, fix ? minutesForm(lat) : 0.0,
                  fix && lat < 0 ? 'S' : 'N', fix ? minutesForm(lon) : 0.0,
                  fix && lon < 0 ? 'W' : 'E', fix ? knots : 0.0, fix ? course : 0.0, gx, gy, gz);
}

// This family's day; no fix for the first two seconds, a zero position in the middle.
std::vector<Fix> route(const City &city, int n, int startMinute)
{
    std::vector<Fix> fixes = drive(city, n, startMinute, lightsFor(n));
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        fixes[i].year = 24;
        fixes[i].month = 9;
        fixes[i].day = 5;
        if (i < 2)
            fixes[i].status = 'V';
        if (n >= 8 && int(i) == n / 2)
            fixes[i].lat = fixes[i].lon = 0;
        if (fixes[i].status != 'A')
            fixes[i].lat = fixes[i].lon = 0;
    }
    return fixes;
}

QDateTime utcOf(const Fix &f)
{
    return QDateTime(QDate(2000 + f.year, f.month, f.day), QTime(f.hour, f.minute, f.second),
                     Qt::UTC);
}

// ---------------------------------------------------------------- user-data records

QByteArray userDataRecord(const Fix &f, double *lat, double *lon, int g[3])
{
    const QByteArray clock = utcOf(f).toString(QStringLiteral("yyyyMMddhhmmss")).toLatin1();
    const QByteArray next =
        utcOf(f).addSecs(1).toString(QStringLiteral("yyyyMMddhhmmss")).toLatin1();
    const long long la = std::llround(minutesForm(f.lat) * 1e4);
    const long long lo = std::llround(minutesForm(f.lon) * 1e4);
    *lat = fromMinutesForm(double(la) / 1e4) * (f.lat < 0 ? -1 : 1);
    *lon = fromMinutesForm(double(lo) / 1e4) * (f.lon < 0 ? -1 : 1);
    QByteArray r = "\xfe\xfe" + clock + "." + next + "\x03" + latHemi(f.lat) +
                   format("%lld", la) + lonHemi(f.lon) + format("%lld", lo) + "+0058" +
                   format("%03d", int(std::lround(f.speedMs * 3.6)));
    // Three accelerations a record, thousandths of g; the first is read for the second.
    for (int k = 0; k < 3; ++k) {
        int v[3];
        int i = 0;
        for (int c : {f.gx + k, f.gy - k, f.gz}) {
            v[i] = int(std::lround(c / 256.0 * 1000));
            if (k == 0)
                g[i] = int(std::lround(v[i] / 1000.0 * 256));
            ++i;
        }
        r += format("%+04d%+04d%+04d", v[0], v[1], v[2]);
    }
    return r;
}

QByteArray withUserDataRecords(const QByteArray &mp4, const std::vector<Fix> &fixes,
                               QByteArray &expected)
{
    TopLevel top = parseFile(mp4);
    QByteArray payload = "VIDEO" + QByteArray(22, 'U');
    for (const Fix &f : fixes) {
        double lat = 0, lon = 0;
        int g[3] = {};
        payload += userDataRecord(f, &lat, &lon, g);
        expected += expectedLine(f, lat, lon, std::lround(f.speedMs * 3.6) * kKnotsPerKmh, 0,
                                 g[0], g[1], g[2]);
    }
    // Before the movie box, so the chunk offsets into the media data stay.
    QByteArray out;
    for (const Box &b : top.boxes) {
        if (b.type == "moov")
            out += box("udta", payload);
        out += serialize(b);
    }
    return out;
}

// ---------------------------------------------------------------- typed binary user data

void putLEDouble(QByteArray &b, double v)
{
    quint64 bits;
    std::memcpy(&bits, &v, 8);
    putLE32(b, quint32(bits));
    putLE32(b, quint32(bits >> 32));
}

// moov/udta/TTMD/TTAD: a 76-byte head, then per second a timecode, an acceleration and a fix.
QByteArray withBinaryUserData(const QByteArray &mp4, const std::vector<Fix> &fixes,
                              QByteArray &expected)
{
    QByteArray records(76, '\0');
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        const Fix &f = fixes[i];
        records.append('\xff');
        putLE32(records, quint32(i * 1000));
        records.append('\x03');
        int g[3] = {};
        int axis = 0;
        for (int c : {f.gx, f.gy, f.gz}) {
            const qint32 milli = qint32(std::lround(c / 256.0 * 1000));
            putLE32(records, quint32(milli));
            g[axis++] = int(std::lround(milli / 1000.0 * 256));
        }
        records.append('\x05');
        QByteArray fix;
        const double speed = std::round(f.speedMs * 100) / 100;
        putLEDouble(fix, double(utcOf(f).toSecsSinceEpoch()));
        putLE32(fix, 3);
        putLEDouble(fix, speed);
        putLEDouble(fix, 42.5);
        putLEDouble(fix, f.lat);
        putLEDouble(fix, f.lon);
        putLE32(fix, 0);
        putLEDouble(fix, f.course);
        fix.append(92 - fix.size(), '\0');
        records += fix;
        expected +=
            expectedLine(f, f.lat, f.lon, speed * 3.6 * kKnotsPerKmh, f.course, g[0], g[1], g[2]);
    }
    TopLevel top = parseFile(mp4);
    Box &moov = top.boxes.back();
    if (moov.type != "moov")
        fail("movie box is not last");
    need(moov, "udta").payload += box("TTMD", box("TTAD", records));
    return serialize(top.boxes);
}

// ---------------------------------------------------------------- uuid records

QByteArray withUuidRecords(const QByteArray &mp4, const std::vector<Fix> &fixes,
                           QByteArray &expected)
{
    constexpr double kDegreesPerUnit = 180.0 / 2147483648.0;
    constexpr qint64 kEpoch1904 = 2082844800;
    QByteArray payload("\x9b\x63\x0f\x8d\x63\x74\x40\xec\x82\x04\xbc\x5f\xf5\x09\x17\x28", 16);
    payload += QByteArray(17, '\0');
    for (const Fix &f : fixes) {
        const qint32 la = qint32(std::lround(f.lat / kDegreesPerUnit));
        const qint32 lo = qint32(std::lround(f.lon / kDegreesPerUnit));
        const int mph = int(std::lround(f.speedMs * 3.6 / kKmhPerMph));
        putBE32(payload, quint32(utcOf(f).toSecsSinceEpoch() + kEpoch1904));
        putBE16(payload, quint16(mph));
        payload.append(6, '\0');
        putBE32(payload, quint32(la));
        putBE32(payload, quint32(lo));
        expected += expectedLine(f, la * kDegreesPerUnit, lo * kDegreesPerUnit,
                                 mph * kKmhPerMph * kKnotsPerKmh, 0);
    }
    TopLevel top = parseFile(mp4);
    Box &moov = top.boxes.back();
    if (moov.type != "moov")
        fail("movie box is not last");
    moov.children.push_back(Box{"uuid", payload, {}, false});
    return serialize(top.boxes);
}

// ---------------------------------------------------------------- FMAS records

QByteArray fmasRecord(const Fix &f, double *lat, double *lon)
{
    QByteArray r(160, '\0');
    r.replace(0, 4, "FMAS");
    r.replace(80, 4, "SAMM");
    r[84] = 1;
    const auto put16 = [&r](int at, int v) {
        r[at] = char(v & 0xff);
        r[at + 1] = char((v >> 8) & 0xff);
    };
    put16(96, 2000 + f.year);
    const int date[] = {f.month, f.day, f.hour, f.minute, f.second};
    for (int i = 0; i < 5; ++i)
        r[98 + i] = char(date[i]);
    // The vertical axis first.
    int at = 0x6c;
    for (int c : {f.gz, f.gx, f.gy}) {
        QByteArray le;
        putLEFloat(le, float(c / 256.0));
        r.replace(at, 4, le);
        at += 4;
    }
    r[120] = f.status;
    r[121] = lonHemi(f.lon);
    r[122] = latHemi(f.lat);
    const auto parts = [](double degrees, int *whole, int *minutes, int *fraction) {
        const double a = std::fabs(degrees);
        *whole = int(std::floor(a));
        const double m = (a - *whole) * 60;
        *minutes = int(std::floor(m));
        *fraction = int(std::lround((m - *minutes) * 6000));
        if (*fraction == 6000) {
            *fraction = 0;
            ++*minutes;
        }
        return *whole + (*minutes + *fraction / 6000.0) / 60;
    };
    int d = 0, m = 0, frac = 0;
    *lon = parts(f.lon, &d, &m, &frac) * (f.lon < 0 ? -1 : 1);
    r[123] = char(d);
    r[124] = char(m);
    put16(126, frac);
    *lat = parts(f.lat, &d, &m, &frac) * (f.lat < 0 ? -1 : 1);
    r[128] = char(d);
    r[129] = char(m);
    put16(130, frac);
    put16(132, int(std::lround(f.speedMs * 3.6 / kKmhPerMph)));
    put16(134, int(std::lround(f.course)));
    return r;
}

// ---------------------------------------------------------------- RIFF trailer

QByteArray riffChunk(const char *tag, const QByteArray &data)
{
    QByteArray c(tag, 4);
    putLE32(c, quint32(data.size()));
    return c + data;
}

QByteArray withRiffTrailer(const QByteArray &mp4, const std::vector<Fix> &fixes,
                           QByteArray &expected)
{
    QByteArray gps0, gsen;
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        const Fix &f = fixes[i];
        QByteArray r("AITG");
        const double la = std::round(minutesForm(f.lat) * 1e4) / 1e4;
        const double lo = std::round(minutesForm(f.lon) * 1e4) / 1e4;
        for (double v : {la, lo}) {
            quint64 bits;
            std::memcpy(&bits, &v, 8);
            putLE32(r, quint32(bits));
            putLE32(r, quint32(bits >> 32));
        }
        r += QByteArray("\xff\xff\0\0", 4);
        const int knots = int(std::lround(f.speedMs * 3600 / 1852));
        r.append(char(knots & 0xff)).append(char(knots >> 8));
        for (int v : {100 + f.year, f.month, f.day, f.hour, f.minute, f.second})
            r.append(char(v));
        const int halfCourse = int(std::lround(f.course / 2));
        r.append(char(halfCourse)).append(char(f.lat < 0 ? 2 : 1)).append(char(f.lon < 0 ? 2 : 1));
        r.append('\x40');
        putLE32(r, quint32(i * 1000));
        gps0 += r;
        // Five accelerations a second, in 1/24 g.
        int g[3] = {};
        for (int k = 0; k < 5; ++k) {
            QByteArray a("AITS");
            int axis = 0;
            for (int c : {f.gx + 3 * k, f.gy, f.gz - 2 * k}) {
                const int counts = int(std::lround(c / 256.0 * 24));
                a.append(char(counts));
                if (k == 0)
                    g[axis] = int(std::lround(counts / 24.0 * 256));
                ++axis;
            }
            a.append('\xff');
            putLE32(a, quint32(i * 1000 + quint32(k) * 200));
            gsen += a;
        }
        expected += expectedLine(f, fromMinutesForm(la) * (f.lat < 0 ? -1 : 1),
                                 fromMinutesForm(lo) * (f.lon < 0 ? -1 : 1),
                                 knots * 1.852 * kKnotsPerKmh, halfCourse * 2.0, g[0], g[1], g[2]);
    }
    // Each list ends in a few bytes that hold no record.
    return mp4 + riffChunk("gpsa", QByteArray("\x01\x20\0\0\x08\x03\x02\x08", 8)) +
           riffChunk("gps0", gps0 + QByteArray(4, '\0')) +
           riffChunk("gsen", gsen + QByteArray(4, '\0')) + riffChunk("gsea", QByteArray(20, '\0'));
}

} // namespace

void addMiscFixtures(const BaseVideos &base, const AddFixture &add)
{
    const int n = base.seconds;
    add("udta-gps.mp4", [&](QByteArray &e) {
        return withUserDataRecords(base.mp4, route(kBuenosAires, n, 50), e);
    });
    add("udta-binary.mp4", [&](QByteArray &e) {
        return withBinaryUserData(base.mp4, route(kTokyo, n, 58), e);
    });
    add("uuid-gps.mp4", [&](QByteArray &e) {
        return withUuidRecords(base.mp4Silent, route(kTokyo, n, 52), e);
    });
    add("fmas-track.mp4", [&](QByteArray &e) {
        std::vector<QByteArray> samples;
        for (const Fix &f : route(kBuenosAires, n, 54)) {
            double lat = 0, lon = 0;
            samples.push_back(fmasRecord(f, &lat, &lon));
            e += expectedLine(f, lat, lon,
                              std::lround(f.speedMs * 3.6 / kKmhPerMph) * kKmhPerMph *
                                  kKnotsPerKmh,
                              double(std::lround(f.course)), f.gx, f.gy, f.gz);
        }
        return withSampleTrack(base.mp4, {"meta", "gpmd", false}, samples);
    });
    add("riff-trailer.mp4", [&](QByteArray &e) {
        return withRiffTrailer(base.mp4, route(kBuenosAires, n, 56), e);
    });
}

} // namespace fixturekit
