// Timed-metadata tracks beside the video: GPMF samples ("gpmd") with GPS5 or GPS9 points many
// times a second and accelerometer readings, and camera motion metadata ("camm") records. Each
// is a real track in the movie box with its own sample tables; its samples sit in a second media
// data box after the movie box.
#include "sampletrack.h"

namespace fixturekit {
namespace {

constexpr qint64 kGpsEpoch = 315964800; // 1970-01-01 to 1980-01-06, seconds

// Seconds since 1970 of a route fix on the fixtures' day.
qint64 unixTime(const Fix &f)
{
    // 2024-08-02 is day 19937 since 1970-01-01.
    return 19937LL * 86400 + f.hour * 3600 + f.minute * 60 + f.second;
}

// The route on the metadata fixtures' day, 2024-08-02.
std::vector<Fix> route(const City &city, int count, int startMinute)
{
    std::vector<Fix> fixes = drive(city, count, startMinute, lightsFor(count));
    for (Fix &f : fixes) {
        f.month = 8;
        f.day = 2;
    }
    return fixes;
}

// A route point k/perSecond of the way from fix i to fix i+1.
Fix between(const std::vector<Fix> &fixes, size_t i, int k, int perSecond)
{
    Fix f = fixes[i];
    if (i + 1 < fixes.size()) {
        const double t = double(k) / perSecond;
        const Fix &g = fixes[i + 1];
        f.lat += (g.lat - f.lat) * t;
        f.lon += (g.lon - f.lon) * t;
        f.speedMs += (g.speedMs - f.speedMs) * t;
    }
    return f;
}

QByteArray trackLine(bool fix, const Fix &when, double lat, double lon, double kmh, double course,
                     const int g[3])
{
    char buf[256];
    std::snprintf(buf, sizeof buf, "%c20%.2d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d\n",
                  fix ? 'A' : 'V', when.year, when.month, when.day, when.hour, when.minute,
                  when.second, fix ? minutesForm(lat) : 0.0, fix && lat < 0 ? 'S' : 'N',
                  fix ? minutesForm(lon) : 0.0, fix && lon < 0 ? 'W' : 'E',
                  fix ? kmh * kKnotsPerKmh : 0.0, fix ? course : 0.0, g[0], g[1], g[2]);
    return buf;
}

// Telemetry as these writers store it: every sample of the track in one chunk.
SampleTrackKind telemetry(const char *format, qint64 created)
{
    SampleTrackKind kind{"meta", format};
    kind.name = "Telemetry";
    kind.oneChunk = true;
    kind.created = created;
    return kind;
}

// Avenida Paulista, south and west of the equator and the meridian: both signs negative.
const City kSaoPaulo{"Sao Paulo, Avenida Paulista",
                     {{-23.56817, -46.64740}, {-23.56140, -46.65590}, {-23.55700, -46.66150}}};

// ---------------------------------------------------------------- GPMF samples

QByteArray klv(const char *key, char type, int structSize, int repeat, const QByteArray &payload)
{
    if (payload.size() != structSize * repeat)
        fail("GPMF item size", key);
    QByteArray b(key, 4);
    b.append(type);
    b.append(char(structSize));
    putBE16(b, quint16(repeat));
    b += payload;
    while (b.size() % 4)
        b.append('\0');
    return b;
}
QByteArray nested(const char *key, const QByteArray &items)
{
    return klv(key, '\0', 4, items.size() / 4, items);
}
QByteArray text(const char *key, const QByteArray &s)
{
    return klv(key, 'c', 1, s.size(), s);
}
QByteArray be32Of(quint32 v)
{
    QByteArray b;
    putBE32(b, v);
    return b;
}
QByteArray be16Of(quint16 v)
{
    QByteArray b;
    putBE16(b, v);
    return b;
}
QByteArray device(const QByteArray &streams)
{
    return nested("DEVC", klv("DVID", 'L', 4, 1, be32Of(1)) + text("DVNM", "Camera") + streams);
}

// The accelerometer stream of one sample: readings m/s² times 418, in the stored order; g gets
// the counts our track keeps for the first reading.
QByteArray accelStream(const Fix &f, int readings, int g[3])
{
    QByteArray values;
    for (int k = 0; k < readings; ++k) {
        const int counts[3] = {f.gx + k, f.gy - k, f.gz + k % 3};
        for (int i = 0; i < 3; ++i) {
            const auto raw = qint16(std::lround(counts[i] / 256.0 * kGravity * 418));
            putBE16(values, quint16(raw));
            if (k == 0)
                g[i] = int(std::round(double(raw) / 418.0 / kGravity * 256.0));
        }
    }
    return nested("STRM", text("STNM", "Accelerometer") + text("SIUN", "m/s2") +
                              klv("SCAL", 's', 2, 1, be16Of(418)) +
                              klv("ACCL", 's', 6, readings, values));
}

QByteArray gpsu(const Fix &f)
{
    char t[20];
    std::snprintf(t, sizeof t, "%.2d%.2d%.2d%.2d%.2d%.2d.000", f.year, f.month, f.day, f.hour,
                  f.minute, f.second);
    return QByteArray(t, 16);
}

// GPS5 at 18 points a second with the accelerometer at 20 readings: two seconds of cold start
// (GPSF 0, no position), a second that loses the fix (GPSF 0, the last position still written),
// a second with a fix but a zero position. The last sample is half a second long.
QByteArray makeGps5(const QByteArray &mp4, int n, QByteArray &expected)
{
    constexpr int kRate = 18, kAccelRate = 20;
    const std::vector<Fix> fixes = route(kSaoPaulo, n + 1, 12);
    std::vector<TimedSample> samples;
    for (int s = 0; s < n; ++s) {
        const bool last = s == n - 1;
        const bool coldStart = s < 2;
        const bool zeroPosition = s == 10 && n > 12;
        const int gpsf = coldStart || (s == 6 && n > 8) ? 0 : 3;
        const int points = last ? kRate / 2 : kRate;
        QByteArray gps5;
        qint32 first[5] = {};
        for (int k = 0; k < points; ++k) {
            const Fix p = between(fixes, size_t(s), k, kRate);
            const bool none = coldStart || zeroPosition;
            const qint32 v[5] = {none ? 0 : qint32(std::lround(p.lat * 1e7)),
                                 none ? 0 : qint32(std::lround(p.lon * 1e7)),
                                 qint32(std::lround((760 + s * 0.5) * 1000)),
                                 qint32(std::lround(p.speedMs * 1000)),
                                 qint32(std::lround(p.speedMs * 100))};
            for (int i = 0; i < 5; ++i) {
                putBE32(gps5, quint32(v[i]));
                if (k == 0)
                    first[i] = v[i];
            }
        }
        QByteArray scal;
        for (quint32 d : {10000000u, 10000000u, 1000u, 1000u, 100u})
            putBE32(scal, d);
        int g[3];
        const QByteArray accel =
            accelStream(fixes[size_t(s)], last ? kAccelRate / 2 : kAccelRate, g);
        const QByteArray gps =
            nested("STRM", text("STNM", "GPS (Lat., Long., Alt., 2D speed, 3D speed)") +
                               klv("GPSF", 'L', 4, 1, be32Of(quint32(gpsf))) +
                               klv("GPSU", 'U', 16, 1, gpsu(fixes[size_t(s)])) +
                               klv("GPSP", 'S', 2, 1, be16Of(160)) + klv("SCAL", 'l', 4, 5, scal) +
                               klv("GPS5", 'l', 20, points, gps5));
        samples.push_back({device(accel + gps), last ? 500u : 1000u});
        const bool fix = gpsf >= 2 && first[0] != 0 && first[1] != 0;
        expected += trackLine(fix, fixes[size_t(s)], double(first[0]) / 1e7, double(first[1]) / 1e7,
                              double(first[3]) / 1000.0 * 3.6, 0, g);
    }
    return withSampleTrack(mp4, telemetry("gpmd", 0), samples);
}

// GPS9 at 10 points a second, each with its own date, time and fix type, described by a TYPE
// string; no GPSU. The first two seconds have no fix, one second reports fix type 0 while
// still writing a position, one a 2D fix.
QByteArray makeGps9(const QByteArray &mp4, int n, QByteArray &expected)
{
    constexpr int kRate = 10;
    const std::vector<Fix> fixes = route(kSaoPaulo, n + 1, 17);
    const int daysSince2000 = 19937 - 10957;
    std::vector<TimedSample> samples;
    for (int s = 0; s < n; ++s) {
        const bool last = s == n - 1;
        const int points = last ? kRate / 2 : kRate;
        const Fix &f = fixes[size_t(s)];
        const int fixType = s < 2 || (s == 5 && n > 7) ? 0 : (s == 9 ? 2 : 3);
        QByteArray gps9;
        qint32 first[5] = {};
        for (int k = 0; k < points; ++k) {
            const Fix p = between(fixes, size_t(s), k, kRate);
            const bool none = s < 2;
            const qint32 v[7] = {none ? 0 : qint32(std::lround(p.lat * 1e7)),
                                 none ? 0 : qint32(std::lround(p.lon * 1e7)),
                                 qint32(std::lround(812.25 * 1000)),
                                 qint32(std::lround(p.speedMs * 1000)),
                                 qint32(std::lround(p.speedMs * 100)),
                                 daysSince2000,
                                 (f.hour * 3600 + f.minute * 60 + f.second) * 1000 + k * 100};
            for (int i = 0; i < 7; ++i) {
                putBE32(gps9, quint32(v[i]));
                if (k == 0 && i < 5)
                    first[i] = v[i];
            }
            putBE16(gps9, 135);              // DOP times 100
            putBE16(gps9, quint16(fixType)); // 0, 2 or 3
        }
        QByteArray scal;
        for (quint32 d : {10000000u, 10000000u, 1000u, 1000u, 100u, 1u, 1000u, 100u, 1u})
            putBE32(scal, d);
        const QByteArray gps =
            nested("STRM", text("STNM", "GPS (Lat., Long., Alt., 2D, 3D, days, secs, DOP, fix)") +
                               klv("SCAL", 'l', 4, 9, scal) + text("TYPE", "lllllllSS") +
                               klv("GPS9", '?', 32, points, gps9));
        samples.push_back({device(gps), last ? 500u : 1000u});
        const int g[3] = {0, 0, 0};
        const bool fix = fixType >= 2 && first[0] != 0 && first[1] != 0;
        expected += trackLine(fix, f, double(first[0]) / 1e7, double(first[1]) / 1e7,
                              double(first[3]) / 1000.0 * 3.6, 0, g);
    }
    return withSampleTrack(mp4, telemetry("gpmd", 0), samples);
}

// ---------------------------------------------------------------- camera motion records

void putLE16(QByteArray &b, quint16 v)
{
    b.append(char(v)).append(char(v >> 8));
}
void putLEDouble(QByteArray &b, double d)
{
    quint64 v;
    std::memcpy(&v, &d, 8);
    putLE32(b, quint32(v));
    putLE32(b, quint32(v >> 32));
}
QByteArray recordHead(quint16 type)
{
    QByteArray b;
    putLE16(b, 0);
    putLE16(b, type);
    return b;
}

// Positions with GPS time and velocity five times a second, each followed 50 ms later by an
// acceleration record. Two seconds without a fix, one that reports no fix with a position, one
// with a fix but a zero position. The movie's creation time is set, as cameras do.
QByteArray makeCammTimed(const QByteArray &mp4, int n, QByteArray &expected)
{
    constexpr int kRate = 5;
    const std::vector<Fix> fixes = route(kTokyo, n + 1, 22);
    std::vector<TimedSample> samples;
    for (int s = 0; s < n; ++s) {
        const Fix &f = fixes[size_t(s)];
        const int mode = s < 2 || (s == 4 && n > 6) ? 0 : 3;
        const bool zero = s < 2 || (s == 8 && n > 10);
        for (int j = 0; j < (s == n - 1 ? 1 : kRate); ++j) {
            const Fix p = between(fixes, size_t(s), j, kRate);
            const double rad = f.course * kPi / 180;
            const float east = float(p.speedMs * std::sin(rad));
            const float north = float(p.speedMs * std::cos(rad));
            QByteArray r = recordHead(6);
            putLEDouble(r, double(unixTime(f) - kGpsEpoch) + j * 0.2);
            putLE32(r, quint32(mode));
            putLEDouble(r, zero ? 0.0 : p.lat);
            putLEDouble(r, zero ? 0.0 : p.lon);
            for (float v : {40.5f, 3.5f, 5.0f, east, north, 0.0f, 0.5f})
                putLEFloat(r, v);
            samples.push_back({r, 50});
            QByteArray a = recordHead(3);
            const int counts[3] = {f.gx + j, f.gy, f.gz - j};
            float ms2[3];
            for (int i = 0; i < 3; ++i) {
                ms2[i] = float(counts[i] / 256.0 * kGravity);
                putLEFloat(a, ms2[i]);
            }
            samples.push_back({a, 150});
            if (j != 0)
                continue;
            int g[3];
            for (int i = 0; i < 3; ++i)
                g[i] = int(std::round(double(ms2[i]) / kGravity * 256.0));
            double course = std::atan2(double(east), double(north)) * 180 / kPi;
            if (course < 0)
                course += 360;
            expected += trackLine(mode >= 2 && !zero, f, p.lat, p.lon,
                                  std::hypot(double(east), double(north)) * 3.6, course, g);
        }
    }
    return withSampleTrack(mp4, telemetry("camm", unixTime(fixes[0])), samples);
}

// Positions only, twice a second: their time is the movie's creation time plus the sample's.
QByteArray makeCammPositions(const QByteArray &mp4, int n, QByteArray &expected)
{
    const std::vector<Fix> fixes = route(kTokyo, n + 1, 27);
    std::vector<TimedSample> samples;
    for (int s = 0; s < n; ++s) {
        const bool zero = s < 1 || (s == 7 && n > 9);
        for (int j = 0; j < (s == n - 1 ? 1 : 2); ++j) {
            const Fix p = between(fixes, size_t(s), j, 2);
            QByteArray r = recordHead(5);
            putLEDouble(r, zero ? 0.0 : p.lat);
            putLEDouble(r, zero ? 0.0 : p.lon);
            putLEDouble(r, 35.25);
            samples.push_back({r, 500});
        }
        const int g[3] = {0, 0, 0};
        expected +=
            trackLine(!zero, fixes[size_t(s)], fixes[size_t(s)].lat, fixes[size_t(s)].lon, 0, 0, g);
    }
    return withSampleTrack(mp4, telemetry("camm", unixTime(fixes[0])), samples);
}

} // namespace

void addGpmfFixtures(const BaseVideos &base, const AddFixture &add)
{
    const int n = base.seconds;
    const QByteArray &mp4 = base.mp4;
    add("gpmf-gps5.mp4", [&](QByteArray &e) { return makeGps5(mp4, n, e); });
    add("gpmf-gps9.mp4", [&](QByteArray &e) { return makeGps9(mp4, n, e); });
    add("camm.mp4", [&](QByteArray &e) { return makeCammTimed(mp4, n, e); });
    add("camm-positions.mp4", [&](QByteArray &e) { return makeCammPositions(mp4, n, e); });
}

} // namespace fixturekit
