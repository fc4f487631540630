// GPS as text in a subtitle track: a real text track ("tx3g" in MP4, "text" in MOV) with its own
// sample tables, its samples in a second "mdat" after the movie box, one a second.
#include "sampletrack.h"

#include <QDateTime>

#include <string>

namespace fixturekit {
namespace {

QByteArray lengthWord(const QByteArray &text)
{
    QByteArray b;
    putBE16(b, quint16(text.size()));
    return b + text;
}

QByteArray checksummed(const QByteArray &body) // body without '$'
{
    unsigned sum = 0;
    for (char c : body)
        sum ^= uchar(c);
    return "$" + body + format("*%02X", sum);
}

// One expected line in the form the readers write; no position when fix is false.
QByteArray expectedLine(const Fix &f, bool fix, double lat, double lon, double knots,
                        double course, double gx = 0, double gy = 0, double gz = 0)
{
    fix = fix && lat != 0 && lon != 0;
    return format("%c20%.2d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d\n", fix ? 'A' : 'V',
                  f.year, f.month, f.day, f.hour, f.minute, f.second,
                  fix ? minutesForm(lat) : 0.0, fix && lat < 0 ? 'S' : 'N',
                  fix ? minutesForm(lon) : 0.0, fix && lon < 0 ? 'W' : 'E', fix ? knots : 0.0,
                  fix ? course : 0.0, counts(gx), counts(gy), counts(gz));
}

// The route of one fixture on this family's day: no fix for the first two seconds, one fix
// with a zero position in the middle.
std::vector<Fix> route(const City &city, int n, int startMinute)
{
    std::vector<Fix> fixes = drive(city, n, startMinute, lightsFor(n));
    for (std::size_t i = 0; i < fixes.size(); ++i) {
        fixes[i].year = 24;
        fixes[i].month = 9;
        fixes[i].day = 5;
        if (i < 2)
            fixes[i].status = 'V';
    }
    return fixes;
}
bool zeroAt(int n, std::size_t i)
{
    return n >= 8 && int(i) == n / 2;
}

// ddmm.mmmm as written, and the degrees it reads back as.
QByteArray nmeaField(double degrees, int degreeDigits)
{
    return format("%0*.4f", degreeDigits + 7, double(minutesForm(degrees)));
}
double readBack(const QByteArray &field)
{
    const double v = field.toDouble();
    const double whole = std::floor(v / 100);
    return whole + (v - whole * 100) / 60;
}

// Text samples of an RMC and a GGA sentence each; withDollar false writes the bare sentences
// between other fields.
QByteArray nmeaSample(const Fix &f, bool zero, bool withDollar, double *lat, double *lon,
                      double *knots)
{
    const QByteArray time = format("%.2d%.2d%.2d.000", f.hour, f.minute, f.second);
    const QByteArray date = format("%.2d%.2d%.2d", f.day, f.month, f.year);
    const bool fix = f.status == 'A';
    const QByteArray la = nmeaField(zero ? 0 : f.lat, 2), lo = nmeaField(zero ? 0 : f.lon, 3);
    *lat = readBack(la) * (f.lat < 0 ? -1 : 1);
    *lon = readBack(lo) * (f.lon < 0 ? -1 : 1);
    const QByteArray speed = format("%.1f", f.speedMs * 3600 / 1852);
    *knots = speed.toDouble() * 1.852 * kKnotsPerKmh;
    const QByteArray position = la + "," + latHemi(f.lat) + "," + lo + "," + lonHemi(f.lon);
    const QByteArray rmc =
        fix ? QByteArray("GPRMC," + time + ",A," + position + "," + speed + "," +
                         format("%.1f", f.course) + "," + date + ",,,A")
            : QByteArray("GPRMC," + time + ",V,,,,,,," + date + ",,,N");
    const QByteArray gga = fix ? QByteArray("GPGGA," + time + "," + position + ",1,08,0.9,25.0,M,0.0,M,,")
                               : QByteArray("GPGGA," + time + ",,,,,0,00,99.9,,M,,M,,");
    if (withDollar)
        return checksummed(rmc) + "\r\n" + checksummed(gga) + "\r\n";
    return "gsensori,4,512,-67,-12,100;" + checksummed(rmc).mid(1) +
           "\r\n;CAR,0,0,0,0.0,0,0,0,0,0,0,0,0";
}

// Fixed fields of ASCII digits, every byte masked with 0xaa; the clock is local time.
QByteArray xorSample(const Fix &f, bool zero, double *lat, double *lon, bool tagged = false)
{
    QByteArray plain(300, '\0');
    plain[0] = plain[1] = char(0xaa);
    if (tagged)
        plain.replace(2, 4, "XKZD");
    plain[6] = plain[7] = char(0xfe);
    const auto put = [&plain](int at, const QByteArray &text) { plain.replace(at, text.size(), text); };
    put(8, format("20%.2d%.2d%.2d%.2d%.2d%.2d", f.year, f.month, f.day, f.hour, f.minute, f.second));
    *lat = *lon = 0;
    if (f.status == 'A') {
        const auto field = [](double degrees, int degreeDigits, char hemisphere,
                              double *back) -> QByteArray {
            const double a = std::fabs(degrees);
            const double whole = std::floor(a);
            const double m = std::round((a - whole) * 600000.0);
            *back = (whole + m / 600000.0) * (degrees < 0 ? -1 : 1);
            return QByteArray(1, hemisphere) + format("%0*d%06d", degreeDigits, int(whole), int(m));
        };
        put(38, field(zero ? 0 : f.lat, 2, latHemi(f.lat), lat));
        put(47, field(zero ? 0 : f.lon, 3, lonHemi(f.lon), lon));
    }
    put(57, "+0035");
    put(62, format("%03d", int(std::lround(f.speedMs * 3.6))));
    for (char &c : plain)
        c = char(uchar(c) ^ 0xaa);
    return plain;
}

// "X..Y..Z..G..$GPRMC,..." with each character from '+' on substituted, then "*hh~".
QByteArray substitutedSample(const Fix &f, bool zero, double *lat, double *lon, double *knots,
                             double g[3])
{
    static const char kPlain[] = "-I8XQWRVNZOYPUTA0B1C2SJ9K.L,M$D3E4F5G6H7";
    QByteArray text = "X";
    const char *axes = "YZG";
    int k = 0;
    for (int c : {f.gx, f.gy, f.gz}) {
        const QByteArray v = format("%09.4f", c / 256.0);
        g[k] = v.toDouble();
        text += v + axes[k];
        ++k;
    }
    text += "0001.0000";
    const QByteArray la = nmeaField(zero ? 0 : f.lat, 2), lo = nmeaField(zero ? 0 : f.lon, 3);
    *lat = readBack(la) * (f.lat < 0 ? -1 : 1);
    *lon = readBack(lo) * (f.lon < 0 ? -1 : 1);
    const QByteArray speed = format("%05.1f", f.speedMs * 3600 / 1852);
    *knots = speed.toDouble() * 1.852 * kKnotsPerKmh;
    const QByteArray time = format("%.2d%.2d%.2d", f.hour, f.minute, f.second);
    const QByteArray date = format("%.2d%.2d%.2d", f.day, f.month, f.year);
    text += f.status == 'A' ? QByteArray("$GPRMC," + time + ",A," + la + "," + latHemi(f.lat) +
                                         "," + lo + "," + lonHemi(f.lon) + "," + speed + "," +
                                         format("%.2f", f.course) + "," + date + ",002.1,A")
                            : QByteArray("$GPRMC," + time + ",V,,,,,,," + date + ",002.1,N");
    unsigned sum = 0;
    for (char &c : text) {
        sum ^= uchar(c);
        const char *at = std::strchr(kPlain, c);
        if (!at || c == '\0')
            fail("character without substitute");
        c = char('+' + (at - kPlain));
    }
    return text + format("*%02X~", sum & 0xff);
}

// "\0", the sentences with every byte moved down by 7, "\n".
QByteArray shiftedSample(const Fix &f, bool zero, double *lat, double *lon, double *knots)
{
    QByteArray plain = format("%d\t%d\t%d\t", f.gx * 4, f.gy * 4, f.gz * 4);
    plain += nmeaSample(f, zero, true, lat, lon, knots);
    plain.truncate(plain.indexOf("\r\n")); // the RMC sentence only, ending in its checksum
    for (char &c : plain)
        c = char(uchar(c) - 7);
    return QByteArray(1, '\0') + plain + '\n';
}

// The recording with the movie's creation time set (UTC seconds since 1970); its length in ms.
QByteArray createdAt(const QByteArray &base, qint64 seconds, qint64 *durationMs)
{
    TopLevel top = parseFile(base);
    Box &mvhd = need(top.boxes.back(), "mvhd");
    if (mvhd.payload.at(0) != char(0))
        fail("movie header version");
    setBE32(mvhd.payload, 4, quint32(seconds + 2082844800));
    *durationMs = qint64(be32(mvhd.payload, 16)) * 1000 / be32(mvhd.payload, 12);
    return serialize(top.boxes);
}

// The clock of second i of a recording whose start is startMs.
Fix clockAt(const Fix &f, qint64 startMs, std::size_t i)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(startMs + qint64(i) * 1000, Qt::UTC);
    Fix c = f;
    c.year = t.date().year() - 2000;
    c.month = t.date().month();
    c.day = t.date().day();
    c.hour = t.time().hour();
    c.minute = t.time().minute();
    c.second = t.time().second();
    return c;
}

void addMovieTimedFixtures(int n, const BaseVideos &base, const AddFixture &add)
{
    const qint64 created = QDateTime(QDate(2024, 9, 5), QTime(9, 0, 0), Qt::UTC).toSecsSinceEpoch();
    // "Lat:... Lon:..." pairs in a subtitle track, timed from the movie's creation.
    add("texttrack-keyvalue.mp4", [&, created](QByteArray &e) {
        qint64 length = 0;
        const QByteArray video = createdAt(base.mp4, created, &length);
        std::vector<QByteArray> samples;
        const std::vector<Fix> fixes = route(kShenzhen, n, 0);
        for (std::size_t i = 0; i < fixes.size(); ++i) {
            const bool zero = zeroAt(n, i) || fixes[i].status != 'A';
            const QByteArray la = format("%.6f", zero ? 0.0 : fixes[i].lat);
            const QByteArray lo = format("%.6f", zero ? 0.0 : fixes[i].lon);
            samples.push_back(lengthWord("Lat:" + la + " Lon:" + lo +
                                         " Alt:35.2 m Yaw:12.5 Pitch:-1.0 Roll:0.4"));
            e += expectedLine(clockAt(fixes[i], created * 1000, i), true, la.toDouble(),
                              lo.toDouble(), 0, 0);
        }
        return withSampleTrack(video, {"sbtl", "tx3g", false}, samples);
    });
    // Telemetry lines, the movie's creation time at its end.
    add("texttrack-telemetry.mp4", [&, created](QByteArray &e) {
        qint64 length = 0;
        const QByteArray video = createdAt(base.mp4, created, &length);
        std::vector<QByteArray> samples;
        const std::vector<Fix> fixes = route(kTokyo, n, 0);
        for (std::size_t i = 0; i < fixes.size(); ++i) {
            const Fix &f = fixes[i];
            const QByteArray speed = format("%.2f", f.speedMs);
            const bool zero = zeroAt(n, i);
            const QByteArray la = format("%.6f", zero ? 0.0 : f.lat);
            const QByteArray lo = format("%.6f", zero ? 0.0 : f.lon);
            // No position before the first fix: the line leaves the GPS part out.
            samples.push_back(lengthWord(
                "F/2.8, SS 1000, ISO 100, EV 0, " +
                (f.status == 'A' ? "GPS (" + lo + ", " + la + ", 18), " : QByteArray()) +
                "D 24.26m, H 6.00m, H.S " + speed + "m/s, V.S 0.00m/s \n"));
            e += expectedLine(clockAt(f, created * 1000 - length, i), f.status == 'A',
                              la.toDouble(), lo.toDouble(), speed.toDouble() * 3.6 * kKnotsPerKmh,
                              0);
        }
        return withSampleTrack(video, {"text", "tx3g", false}, samples);
    });
}

void addMaskedFixtures(int n, const BaseVideos &base, const AddFixture &add)
{
    add("texttrack-masked.mov", [&](QByteArray &e) {
        std::vector<QByteArray> samples;
        const std::vector<Fix> fixes = route(kTokyo, n, 35);
        for (std::size_t i = 0; i < fixes.size(); ++i) {
            double lat = 0, lon = 0;
            samples.push_back(xorSample(fixes[i], zeroAt(n, i), &lat, &lon));
            e += expectedLine(fixes[i], fixes[i].status == 'A', lat, lon,
                              std::lround(fixes[i].speedMs * 3.6) * kKnotsPerKmh, 0);
        }
        return withSampleTrack(base.mov, {"text", "text", true}, samples);
    });
    // The same in a timed-metadata track, with the tagged head.
    add("texttrack-gpmdmasked.mp4", [&](QByteArray &e) {
        std::vector<QByteArray> samples;
        const std::vector<Fix> fixes = route(kBuenosAires, n, 50);
        for (std::size_t i = 0; i < fixes.size(); ++i) {
            double lat = 0, lon = 0;
            samples.push_back(xorSample(fixes[i], zeroAt(n, i), &lat, &lon, true));
            e += expectedLine(fixes[i], fixes[i].status == 'A', lat, lon,
                              std::lround(fixes[i].speedMs * 3.6) * kKnotsPerKmh, 0);
        }
        return withSampleTrack(base.mp4, {"meta", "gpmd", false}, samples);
    });
    add("texttrack-substituted.mov", [&](QByteArray &e) {
        std::vector<QByteArray> samples;
        const std::vector<Fix> fixes = route(kShenzhen, n, 40);
        for (std::size_t i = 0; i < fixes.size(); ++i) {
            double lat = 0, lon = 0, knots = 0, g[3] = {};
            samples.push_back(lengthWord(
                substitutedSample(fixes[i], zeroAt(n, i), &lat, &lon, &knots, g)));
            e += expectedLine(fixes[i], fixes[i].status == 'A', lat, lon, knots,
                              format("%.2f", fixes[i].course).toDouble(), g[0], g[1], g[2]);
        }
        return withSampleTrack(base.mov, {"text", "text", true}, samples);
    });
    add("texttrack-shifted.mp4", [&](QByteArray &e) {
        std::vector<QByteArray> samples;
        const std::vector<Fix> fixes = route(kBuenosAires, n, 45);
        for (std::size_t i = 0; i < fixes.size(); ++i) {
            double lat = 0, lon = 0, knots = 0;
            samples.push_back(lengthWord(shiftedSample(fixes[i], zeroAt(n, i), &lat, &lon, &knots)));
            e += expectedLine(fixes[i], fixes[i].status == 'A', lat, lon, knots, fixes[i].course);
        }
        return withSampleTrack(base.mp4, {"text", "tx3g", false}, samples);
    });
}

} // namespace

void addTextTrackFixtures(const BaseVideos &base, const AddFixture &add)
{
    const int n = base.seconds;
    // NMEA sentences in a tx3g track.
    for (const bool bare : {false, true}) {
        add(bare ? "texttrack-rmcline.mov" : "texttrack-nmea.mp4", [&, bare](QByteArray &e) {
            std::vector<QByteArray> samples;
            const std::vector<Fix> fixes = route(kBuenosAires, n, bare ? 25 : 10);
            for (std::size_t i = 0; i < fixes.size(); ++i) {
                double lat = 0, lon = 0, knots = 0;
                samples.push_back(lengthWord(nmeaSample(fixes[i], zeroAt(n, i), !bare, &lat, &lon, &knots)));
                e += expectedLine(fixes[i], fixes[i].status == 'A', lat, lon, knots,
                                  fixes[i].course);
            }
            return bare ? withSampleTrack(base.mov, {"text", "text", true}, samples)
                        : withSampleTrack(base.mp4, {"text", "tx3g", false}, samples);
        });
    }
    // "A,ddmmyy,hhmmss.sss,lat,N,lon,E,km/h,altM,ax,ay,az;" lines, accelerations in m/s².
    add("texttrack-camera.mov", [&](QByteArray &e) {
        std::vector<QByteArray> samples;
        const std::vector<Fix> fixes = route(kTokyo, n, 15);
        for (std::size_t i = 0; i < fixes.size(); ++i) {
            const Fix &f = fixes[i];
            const bool zero = zeroAt(n, i) || f.status != 'A';
            const QByteArray la = nmeaField(zero ? 0 : f.lat, 2), lo = nmeaField(zero ? 0 : f.lon, 3);
            const QByteArray speed = format("%05.1f", f.speedMs * 3.6);
            QByteArray a[3];
            double g[3];
            int k = 0;
            for (int c : {f.gx, f.gy, f.gz}) {
                a[k] = format("%+06.2f", c / 256.0 * kGravity);
                g[k] = a[k].toDouble() / kGravity;
                ++k;
            }
            samples.push_back(lengthWord(
                format("%c,%.2d%.2d%.2d,%.2d%.2d%.2d.000,", f.status, f.day, f.month, f.year,
                       f.hour, f.minute, f.second) +
                la + "," + latHemi(f.lat) + "," + lo + "," + lonHemi(f.lon) + "," + speed +
                ",35.0M," + a[0] + "," + a[1] + "," + a[2] + ";\n"));
            e += expectedLine(f, f.status == 'A', readBack(la), readBack(lo),
                              speed.toDouble() * kKnotsPerKmh, 0, g[0], g[1], g[2]);
        }
        return withSampleTrack(base.mov, {"text", "text", true}, samples);
    });
    // "$G:yyyy-mm-dd hh:mm:ss-Nlat-Elon-Skm/h" with "$GS:x,y,z" counts.
    add("texttrack-dash.mp4", [&](QByteArray &e) {
        std::vector<QByteArray> samples;
        const std::vector<Fix> fixes = route(kShenzhen, n, 20);
        for (std::size_t i = 0; i < fixes.size(); ++i) {
            const Fix &f = fixes[i];
            const bool zero = zeroAt(n, i) || f.status != 'A';
            const QByteArray la = format("%.6f", zero ? 0.0 : f.lat);
            const QByteArray lo = format("%.6f", zero ? 0.0 : f.lon);
            const int kmh = int(std::lround(f.speedMs * 3.6));
            const int y = int(std::lround(f.gx / 256.0 * 1000)) - 2432;
            const int z = int(std::lround(f.gy / 256.0 * 1000)) - 361;
            const int x = int(std::lround(f.gz / 256.0 * 1000)) + 3708;
            samples.push_back(lengthWord(
                format("$G:20%.2d-%.2d-%.2d %.2d:%.2d:%.2d-N", f.year, f.month, f.day, f.hour,
                       f.minute, f.second) +
                la + "-E" + lo + format("-S%d$GS:%d,%d,%d\r\n", kmh, x, y, z)));
            e += expectedLine(f, true, la.toDouble(), lo.toDouble(), kmh * kKnotsPerKmh, 0,
                              (y + 2432) / 1000.0, (z + 361) / 1000.0, (x - 3708) / 1000.0);
        }
        return withSampleTrack(base.mp4, {"text", "tx3g", false}, samples);
    });
    addMaskedFixtures(n, base, add);
    addMovieTimedFixtures(n, base, add);
}

} // namespace fixturekit
