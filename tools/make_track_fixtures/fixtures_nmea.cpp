// NMEA text kept in atoms: a "gps " atom of lines stamped in milliseconds inside a top-level
// "free" box before the media data, with the recording's start time ("sttm") and accelerometer
// readings ("3gf ") beside it; the same kind of box after the movie box holding lines without
// stamps; and logs of NMEA sentences or camera text lines in a top-level "udat" atom after the
// movie box.
#include "fixturekit.h"

#include <array>

namespace fixturekit {
namespace {

// Avenida da Liberdade, north and west: the longitude negative.
const City kLisbon{"Lisbon, Avenida da Liberdade",
                   {{38.71580, -9.14180}, {38.72000, -9.14550}, {38.72520, -9.14990}}};

// 2024-07-01 is day 19905 since 1970-01-01.
constexpr qint64 kDay = 19905;
constexpr qint64 kBuenosAiresOffsetMs = -3 * 3600 * 1000; // the camera's clock runs on local time

struct Second
{
    Fix f;
    enum Kind
    {
        Fixed,
        NoFix,        // 'V', empty fields
        ZeroPosition, // 'A' with a position of zeros
        Missing,      // no sentence at all
    } kind = Fixed;
};

// The route of one fixture on the fixtures' day: no fix for two seconds, then, in longer runs,
// one fix of zeros and one second without any sentence.
std::vector<Second> seconds(const City &city, int count, int startMinute, int zeroAt, int gapAt)
{
    std::vector<Second> out;
    for (const Fix &f : drive(city, count, startMinute, lightsFor(count))) {
        Second s;
        s.f = f;
        s.f.year = 24;
        s.f.month = 7;
        s.f.day = 1;
        const int i = int(out.size());
        if (i < 2)
            s.kind = Second::NoFix;
        else if (count >= 8 && i == zeroAt)
            s.kind = Second::ZeroPosition;
        else if (count >= 8 && i == gapAt)
            s.kind = Second::Missing;
        out.push_back(s);
    }
    return out;
}

qint64 utcMs(const Fix &f)
{
    return (kDay * 86400 + f.hour * 3600 + f.minute * 60 + f.second) * 1000;
}

// ddmm.mmmmm (dddmm.mmmmm) of the absolute value.
QByteArray nmeaAngle(double degrees, int degreeDigits)
{
    const qint64 t = std::llround(std::fabs(degrees) * 60 * 100000);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%0*lld%02lld.%05lld", degreeDigits, t / 6000000,
                  (t % 6000000) / 100000, t % 100000);
    return buf;
}

QByteArray withChecksum(const QByteArray &body)
{
    unsigned char sum = 0;
    for (int i = 1; i < body.size(); ++i)
        sum ^= static_cast<unsigned char>(body[i]);
    char buf[8];
    std::snprintf(buf, sizeof buf, "*%02X", sum);
    return body + buf;
}

// The fields as the sentences carry them; the expected text is computed from these very
// strings, the way a reader sees them.
struct Fields
{
    QByteArray time, date, lat, latH, lon, lonH, knots, course;
};

Fields fieldsOf(const Second &s)
{
    const Fix &f = s.f;
    Fields x;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d%02d%02d.00", f.hour, f.minute, f.second);
    x.time = buf;
    std::snprintf(buf, sizeof buf, "%02d%02d%02d", f.day, f.month, f.year);
    x.date = buf;
    const bool zero = s.kind == Second::ZeroPosition;
    x.lat = zero ? QByteArray("0000.00000") : nmeaAngle(f.lat, 2);
    x.lon = zero ? QByteArray("00000.00000") : nmeaAngle(f.lon, 3);
    x.latH = QByteArray(1, zero ? 'N' : latHemi(f.lat));
    x.lonH = QByteArray(1, zero ? 'E' : lonHemi(f.lon));
    std::snprintf(buf, sizeof buf, "%.3f", zero ? 0.0 : f.speedMs * 3600.0 / 1852.0);
    x.knots = buf;
    std::snprintf(buf, sizeof buf, "%.1f", zero ? 0.0 : f.course);
    x.course = buf;
    return x;
}

QByteArray rmc(const char *talker, const Second &s)
{
    const Fields x = fieldsOf(s);
    if (s.kind == Second::NoFix)
        return withChecksum("$" + QByteArray(talker) + "RMC," + x.time + ",V,,,,,,," + x.date +
                            ",,,N");
    return withChecksum("$" + QByteArray(talker) + "RMC," + x.time + ",A," + x.lat + ',' + x.latH +
                        ',' + x.lon + ',' + x.lonH + ',' + x.knots + ',' + x.course + ',' + x.date +
                        ",,,A");
}

// A GGA beside each RMC; none where the RMC has no position, so the two always agree.
QByteArray gga(const char *talker, const Second &s)
{
    const Fields x = fieldsOf(s);
    if (s.kind != Second::Fixed)
        return withChecksum("$" + QByteArray(talker) + "GGA," + x.time + ",,,,,0,00,99.99,,,,,,");
    return withChecksum("$" + QByteArray(talker) + "GGA," + x.time + ',' + x.lat + ',' + x.latH +
                        ',' + x.lon + ',' + x.lonH + ",1,09,0.9,31.5,M,19.2,M,,");
}

// What the reader decodes from one sentence, placed at a time into the recording.
struct Expected
{
    double time = 0;
    qint64 clock = 0;
    bool fix = false;
    double lat = 0, lon = 0, kmh = 0, course = 0;
};

double parsedDegrees(const QByteArray &field, const QByteArray &hemisphere)
{
    const double v = std::strtod(field.constData(), nullptr);
    const double whole = std::floor(v / 100);
    const double d = whole + (v - whole * 100) / 60;
    return hemisphere == "S" || hemisphere == "W" ? -d : d;
}

Expected expectedOf(const Second &s, double time)
{
    const Fields x = fieldsOf(s);
    Expected e;
    e.time = time;
    e.clock = utcMs(s.f);
    e.fix = s.kind == Second::Fixed;
    if (e.fix) {
        e.lat = parsedDegrees(x.lat, x.latH);
        e.lon = parsedDegrees(x.lon, x.lonH);
        e.kmh = std::strtod(x.knots.constData(), nullptr) * 1.852;
        e.course = std::strtod(x.course.constData(), nullptr);
    }
    return e;
}

double lineForm(double degrees)
{
    const double a = std::fabs(degrees);
    const double whole = std::floor(a);
    return whole * 100 + (a - whole) * 60;
}

// One line a second: the sample nearest the second within half a second, else a no-fix line
// whose clock is the nearest sample's moved by the difference; the accelerometer reading at the
// whole second (raw at 128 per g, written at 256 counts per g).
QByteArray secondsText(const std::vector<Expected> &samples,
                       const std::vector<std::array<int, 3>> &accelPerSecond)
{
    QByteArray text;
    const int count = int(std::floor(samples.back().time + 0.5)) + 1;
    for (int s = 0; s < count; ++s) {
        const Expected *at = nullptr;
        for (const Expected &e : samples) {
            if (std::fabs(e.time - s) <= 0.5 &&
                (!at || std::fabs(e.time - s) < std::fabs(at->time - s)))
                at = &e;
        }
        qint64 clock = 0;
        if (at) {
            clock = at->clock;
        } else {
            const Expected *near = nullptr;
            for (const Expected &e : samples) {
                if (!near || std::fabs(e.time - s) < std::fabs(near->time - s))
                    near = &e;
            }
            clock = (near->clock / 1000 + std::llround(s - near->time)) * 1000;
        }
        const qint64 sec = clock / 1000 - kDay * 86400;
        const bool fix = at && at->fix;
        const std::array<int, 3> g =
            size_t(s) < accelPerSecond.size() ? accelPerSecond[size_t(s)] : std::array<int, 3>{};
        char buf[256];
        std::snprintf(buf, sizeof buf,
                      "%c20%.2d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d\n",
                      fix ? 'A' : 'V', 24, 7, 1, int(sec / 3600), int(sec / 60 % 60), int(sec % 60),
                      fix ? lineForm(at->lat) : 0.0, fix && at->lat < 0 ? 'S' : 'N',
                      fix ? lineForm(at->lon) : 0.0, fix && at->lon < 0 ? 'W' : 'E',
                      fix ? at->kmh * (1.0 / 1.852) : 0.0, fix ? at->course : 0.0, 2 * g[0],
                      2 * g[1], 2 * g[2]);
        text += buf;
    }
    return text;
}

// Moves every chunk offset of the movie's tracks by delta (bytes inserted before the media).
void shiftChunks(Box &moov, qint64 delta)
{
    for (Box &trak : moov.children) {
        if (trak.type != "trak")
            continue;
        Box &stbl = stblOf(trak);
        QVector<quint32> offsets = chunkOffsets(stbl);
        for (quint32 &o : offsets)
            o = quint32(o + delta);
        need(stbl, "stco").payload = stcoPayload(offsets);
    }
}

// Stamped lines with the start time and accelerometer readings, in the free box ffmpeg leaves
// before the media data.
QByteArray makeStampedFreeBox(const QByteArray &mp4, int count, QByteArray &expected)
{
    const std::vector<Second> route = seconds(kBuenosAires, count, 12, count / 2, count / 2 + 3);
    const qint64 start = utcMs(route[0].f) + kBuenosAiresOffsetMs - 40;
    QByteArray lines;
    std::vector<Expected> samples;
    for (size_t i = 0; i < route.size(); ++i) {
        const Second &s = route[i];
        if (s.kind == Second::Missing)
            continue;
        // The line is written a little after the fix's second, at a varying delay.
        const qint64 stamp = utcMs(s.f) + kBuenosAiresOffsetMs + 60 + qint64(i % 4) * 25;
        const QByteArray prefix = '[' + QByteArray::number(stamp) + ']';
        lines += prefix + rmc("GP", s) + "\r\n" + prefix + gga("GP", s) + "\r\n";
        samples.push_back(expectedOf(s, double(stamp - start) / 1000.0));
    }
    // Ten readings a second from the recording's start, vertical axis first.
    QByteArray accel;
    std::vector<std::array<int, 3>> perSecond;
    for (int k = 0; k < count * 10; ++k) {
        const std::array<int, 3> raw{128 + int(std::lround(10 * std::sin(k * 0.3))),
                                     int(std::lround(30 * std::sin(k * 0.11))),
                                     int(std::lround(20 * std::cos(k * 0.07)))};
        putBE32(accel, quint32(k * 100));
        for (int v : raw)
            putBE16(accel, quint16(qint16(v)));
        if (k % 10 == 0)
            perSecond.push_back(raw);
    }
    putBE32(accel, 0xffffffffu);
    accel.append(6, '\0');
    QByteArray sttm;
    putBE32(sttm, quint32(quint64(start) >> 32));
    putBE32(sttm, quint32(quint64(start)));
    // The camera reserves room in both atoms and leaves it zero.
    const QByteArray children = box("sttm", sttm) + box("gps ", lines + QByteArray(512, '\0')) +
                                box("3gf ", accel + QByteArray(100, '\0'));
    expected = secondsText(samples, perSecond);

    TopLevel top = parseFile(mp4);
    QByteArray out;
    bool replaced = false;
    const qint64 growth = children.size();
    for (Box &b : top.boxes) {
        if (b.type == "moov")
            shiftChunks(b, growth);
    }
    for (Box &b : top.boxes) {
        if (b.type == "free" && b.payload.isEmpty() && !replaced) {
            b.payload = children;
            replaced = true;
        }
        out += serialize(b);
    }
    if (!replaced)
        fail("no free box before the media data");
    return out;
}

// Sentences without stamps, one RMC (and GGA with the gga flag) a second; each second's sample
// lies at its clock's distance from the first sentence's.
QByteArray plainLines(const std::vector<Second> &route, const char *talker, bool withGga,
                      std::vector<Expected> *samples)
{
    QByteArray lines;
    const qint64 first = utcMs(route[0].f);
    for (const Second &s : route) {
        if (s.kind == Second::Missing)
            continue;
        lines += rmc(talker, s) + "\r\n";
        if (withGga)
            lines += gga(talker, s) + "\r\n";
        samples->push_back(expectedOf(s, double(utcMs(s.f) - first) / 1000.0));
    }
    return lines;
}

// Camera text lines: date and time, a fix flag, the position in whole degrees and
// ten-thousandths of minutes, altitude in decimetres, km/h, course, a counter and accelerometer
// values; the expected samples are computed from the digits written.
QByteArray cameraTextLines(const std::vector<Second> &route, std::vector<Expected> *samples)
{
    QByteArray lines;
    const qint64 first = utcMs(route[0].f);
    for (size_t i = 0; i < route.size(); ++i) {
        const Second &s = route[i];
        if (s.kind == Second::Missing)
            continue;
        const Fix &f = s.f;
        const bool fixed = s.kind == Second::Fixed;
        const bool flag = s.kind != Second::NoFix;
        const qint64 lat = fixed ? std::llround(std::fabs(f.lat) * 600000) : 0;
        const qint64 lon = fixed ? std::llround(std::fabs(f.lon) * 600000) : 0;
        const int kmh = fixed ? int(std::lround(f.speedMs * 3.6)) : 0;
        const int course = fixed ? int(std::lround(f.course)) : 0;
        char buf[256];
        std::snprintf(buf, sizeof buf,
                      "%02d%02d%02d%02d%02d%02d[%d][%c][%02lld%06lld][%c][%03lld%06lld][%+06d]"
                      "[%03d][%03d][C%06d]%+04d%+04d%+04d\n",
                      f.year, f.month, f.day, f.hour, f.minute, f.second, flag ? 1 : 0,
                      fixed ? latHemi(f.lat) : 'N', lat / 600000, lat % 600000,
                      fixed ? lonHemi(f.lon) : 'E', lon / 600000, lon % 600000, fixed ? 315 : 0,
                      kmh, course, int(i) * 7, f.gx / 4, f.gy / 4, f.gz / 4);
        lines += buf;
        Expected e;
        e.time = double(utcMs(f) - first) / 1000.0;
        e.clock = utcMs(f);
        e.fix = fixed;
        if (fixed) {
            e.lat = double(lat / 600000) + double(lat % 600000) / 600000.0;
            e.lon = double(lon / 600000) + double(lon % 600000) / 600000.0;
            e.lat = f.lat < 0 ? -e.lat : e.lat;
            e.lon = f.lon < 0 ? -e.lon : e.lon;
            e.kmh = kmh;
            e.course = course;
        }
        samples->push_back(e);
    }
    return lines;
}

} // namespace

void addNmeaFixtures(const BaseVideos &base, const AddFixture &add)
{
    const int n = base.seconds;
    add("nmea-free-box.mp4", [&](QByteArray &e) { return makeStampedFreeBox(base.mp4, n, e); });
    add("nmea-udat.mp4", [&](QByteArray &e) -> QByteArray {
        std::vector<Expected> samples;
        // A receiver without time yet writes an empty sentence first; it dates nothing.
        const QByteArray lines =
            withChecksum("$GNRMC,,V,,,,,,,,,,N") + "\r\n" +
            plainLines(seconds(kLisbon, n, 24, n / 2 + 2, n / 2), "GN", true, &samples);
        e = secondsText(samples, {});
        return base.mp4Silent + box("udat", lines + QByteArray(256, '\0'));
    });
    add("udat-camera-text.mp4", [&](QByteArray &e) -> QByteArray {
        std::vector<Expected> samples;
        const QByteArray lines =
            cameraTextLines(seconds(kLisbon, n, 48, n / 2 + 1, n / 2 - 2), &samples);
        e = secondsText(samples, {});
        return base.mp4 + box("udat", lines + QByteArray(64, '\0'));
    });
    add("nmea-gps-atom.mov", [&](QByteArray &e) -> QByteArray {
        std::vector<Expected> samples;
        const QByteArray lines =
            plainLines(seconds(kTokyo, n, 36, n / 2 - 1, n / 2 + 1), "GP", false, &samples);
        e = secondsText(samples, {});
        return base.mov + box("free", box("gps ", lines + QByteArray(128, '\0')));
    });
}

} // namespace fixturekit
