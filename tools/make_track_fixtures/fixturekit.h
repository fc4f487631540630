#pragma once
// What the fixture writers share: byte helpers, the box tree of ffmpeg's output, the route model
// and the 80-byte camera record, and the ffmpeg runner.
#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace fixturekit {

[[noreturn]] inline void fail(const char *what, const QByteArray &detail = QByteArray())
{
    std::fprintf(stderr, "make_track_fixtures: %s %s\n", what, detail.constData());
    std::exit(1);
}

// ---------------------------------------------------------------- byte helpers

inline void putBE32(QByteArray &b, quint32 v)
{
    const char c[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    b.append(c, 4);
}
inline void putBE16(QByteArray &b, quint16 v)
{
    const char c[2] = {char(v >> 8), char(v)};
    b.append(c, 2);
}
inline void putLE32(QByteArray &b, quint32 v)
{
    const char c[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    b.append(c, 4);
}
inline void putLEFloat(QByteArray &b, float f)
{
    quint32 v;
    std::memcpy(&v, &f, 4);
    putLE32(b, v);
}
inline void setBE32(QByteArray &b, int at, quint32 v)
{
    b[at] = char(v >> 24);
    b[at + 1] = char(v >> 16);
    b[at + 2] = char(v >> 8);
    b[at + 3] = char(v);
}
inline quint32 be32(const QByteArray &b, qint64 at)
{
    if (at < 0 || at + 4 > b.size())
        fail("read past the end of a buffer");
    const auto *p = reinterpret_cast<const uchar *>(b.constData() + at);
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}
inline quint16 be16(const QByteArray &b, qint64 at)
{
    return quint16(be32(b, at - 2) & 0xffff);
}

inline QByteArray box(const char *type, const QByteArray &payload)
{
    QByteArray b;
    putBE32(b, quint32(payload.size() + 8));
    b.append(type, 4);
    b.append(payload);
    return b;
}

// ---------------------------------------------------------------- box tree

struct Box
{
    QByteArray type;
    QByteArray payload; // leaves only
    std::vector<Box> children;
    bool container = false;
};

inline bool isContainer(const QByteArray &type)
{
    static const char *const kinds[] = {"moov", "trak", "mdia", "minf", "stbl", "dinf", "edts"};
    for (const char *k : kinds)
        if (type == k)
            return true;
    return false;
}

inline std::vector<Box> parseBoxes(const QByteArray &data, qint64 begin, qint64 end)
{
    std::vector<Box> out;
    qint64 at = begin;
    while (at + 8 <= end) {
        const qint64 size = be32(data, at);
        if (size < 8 || at + size > end)
            fail("bad box size in ffmpeg output");
        Box b;
        b.type = data.mid(int(at + 4), 4);
        b.container = isContainer(b.type);
        if (b.container)
            b.children = parseBoxes(data, at + 8, at + size);
        else
            b.payload = data.mid(int(at + 8), int(size - 8));
        out.push_back(std::move(b));
        at += size;
    }
    if (at != end)
        fail("trailing bytes in a box");
    return out;
}

inline QByteArray serialize(const Box &b)
{
    if (!b.container)
        return box(b.type.constData(), b.payload);
    QByteArray inner;
    for (const Box &c : b.children)
        inner += serialize(c);
    return box(b.type.constData(), inner);
}

inline Box *find(Box &parent, const char *type)
{
    for (Box &c : parent.children)
        if (c.type == type)
            return &c;
    return nullptr;
}
inline Box &need(Box &parent, const char *type)
{
    Box *b = find(parent, type);
    if (!b)
        fail("missing box", type);
    return *b;
}
inline Box &stblOf(Box &trak)
{
    return need(need(need(trak, "mdia"), "minf"), "stbl");
}
inline bool hasMediaHeader(Box &trak, const char *type)
{
    return find(need(need(trak, "mdia"), "minf"), type);
}

struct TopLevel
{
    std::vector<Box> boxes; // moov parsed, the others as leaves
    qint64 mdatOffset = -1, mdatSize = 0;
};

inline TopLevel parseFile(const QByteArray &file)
{
    TopLevel t;
    qint64 at = 0;
    while (at + 8 <= file.size()) {
        const qint64 size = be32(file, at);
        if (size < 8 || at + size > file.size())
            fail("bad top-level box");
        Box b;
        b.type = file.mid(int(at + 4), 4);
        if (b.type == "moov") {
            b.container = true;
            b.children = parseBoxes(file, at + 8, at + size);
        } else {
            b.payload = file.mid(int(at + 8), int(size - 8));
        }
        if (b.type == "mdat") {
            t.mdatOffset = at;
            t.mdatSize = size;
        }
        t.boxes.push_back(std::move(b));
        at += size;
    }
    if (at != file.size() || t.mdatOffset < 0)
        fail("unexpected ffmpeg container layout");
    return t;
}

inline QByteArray serialize(const std::vector<Box> &boxes)
{
    QByteArray out;
    for (const Box &b : boxes)
        out += serialize(b);
    return out;
}

inline QVector<quint32> chunkOffsets(Box &stbl)
{
    const QByteArray &p = need(stbl, "stco").payload;
    QVector<quint32> v;
    const quint32 n = be32(p, 4);
    for (quint32 i = 0; i < n; ++i)
        v << be32(p, 8 + 4 * i);
    return v;
}
inline QByteArray stcoPayload(const QVector<quint32> &offsets)
{
    QByteArray p;
    putBE32(p, 0);
    putBE32(p, quint32(offsets.size()));
    for (quint32 o : offsets)
        putBE32(p, o);
    return p;
}

// ---------------------------------------------------------------- route model

struct City
{
    const char *name;
    std::vector<std::pair<double, double>> waypoints; // lat, lon in WGS-84 degrees
};

// Real streets, driven at city speed.
inline const City kShenzhen{"Shenzhen, Shennan Boulevard turning into Yitian Road",
                     {{22.54128, 114.05850}, {22.54135, 114.06020}, {22.54900, 114.06060}}};
inline const City kTokyo{"Tokyo, Marunouchi along Hibiya-dori",
                  {{35.67560, 139.76012}, {35.67410, 139.76000}, {35.67290, 139.75830}}};
// West of Greenwich, north of the equator; the car turns left (west) into 42nd Street.
inline const City kNewYork{"New York, Fifth Avenue turning into West 42nd Street",
                    {{40.74971, -73.98445}, {40.75345, -73.98178}, {40.75507, -73.98446}}};
// South and west: both signs negative.
inline const City kBuenosAires{"Buenos Aires, Avenida 9 de Julio into Avenida de Mayo",
                        {{-34.60372, -58.38159}, {-34.60880, -58.38140}, {-34.60850, -58.37580}}};

constexpr double kEarthRadius = 6378137.0;
constexpr double kPi = 3.141592653589793;

inline double haversine(double lat1, double lon1, double lat2, double lon2)
{
    const double r1 = lat1 * kPi / 180, r2 = lat2 * kPi / 180;
    const double da = r1 - r2, db = (lon1 - lon2) * kPi / 180;
    const double s = std::sin(da / 2) * std::sin(da / 2) +
                     std::cos(r1) * std::cos(r2) * std::sin(db / 2) * std::sin(db / 2);
    return 2 * std::asin(std::sqrt(s)) * kEarthRadius;
}

struct Fix
{
    int year = 24, month = 5, day = 16, hour = 8, minute = 15, second = 0;
    char status = 'A';
    double lat = 0, lon = 0; // signed degrees
    double speedMs = 0, course = 0;
    int gx = 0, gy = 0, gz = 256;
};

// One sample per second: a stop at the lights, a start, cruising at about 50 km/h with the
// turns of the route, then braking. With lightsAt, the car also stops hard at second lightsAt
// (about 5 m/s², a hard braking) and waits four seconds before going on.
inline std::vector<Fix> drive(const City &city, int count, int startMinute, int lightsAt = -1)
{
    std::vector<Fix> fixes;
    double travelled = 0, speed = 0;
    for (int i = 0; i < count; ++i) {
        Fix f;
        const int total = startMinute * 60 + i;
        f.hour = 8 + total / 3600;
        f.minute = (total / 60) % 60;
        f.second = total % 60;
        const bool atTheLights = lightsAt >= 0 && i >= lightsAt && i < lightsAt + 7;
        const double target = i < 2 || atTheLights
                                  ? 0.0
                                  : (i > count - 4 ? 4.0 : 13.9 + 2.0 * std::sin(i * 0.7));
        speed += std::max(atTheLights ? -5.0 : -3.0, std::min(2.5, target - speed));
        if (speed < 0)
            speed = 0;
        travelled += speed;
        // Walk the polyline to the travelled distance.
        double left = travelled;
        size_t seg = 0;
        double lat = city.waypoints[0].first, lon = city.waypoints[0].second, course = 0;
        for (seg = 0; seg + 1 < city.waypoints.size(); ++seg) {
            const auto [la1, lo1] = city.waypoints[seg];
            const auto [la2, lo2] = city.waypoints[seg + 1];
            const double len = haversine(la1, lo1, la2, lo2);
            const double dy = (la2 - la1), dx = (lo2 - lo1) * std::cos(la1 * kPi / 180);
            course = std::fmod(std::atan2(dx, dy) * 180 / kPi + 360.0, 360.0);
            if (left <= len || seg + 2 == city.waypoints.size()) {
                const double t = std::min(1.0, left / len);
                lat = la1 + (la2 - la1) * t;
                lon = lo1 + (lo2 - lo1) * t;
                break;
            }
            left -= len;
        }
        f.lat = lat;
        f.lon = lon;
        f.speedMs = speed;
        f.course = std::round(course * 10) / 10;
        f.gx = int(std::lround(40 * std::sin(i * 1.3)));
        f.gy = int(std::lround(25 * std::cos(i * 0.9))) + 3;
        f.gz = 250 + (i % 7);
        fixes.push_back(f);
    }
    return fixes;
}

// Where the further layouts' fixtures stop hard at the lights (a hard-braking event), so that
// every layout shows one; short fixtures (the fuzzers' seeds) drive on.
inline int lightsFor(int count)
{
    return count >= 16 ? count / 2 - 3 : -1;
}

inline constexpr double kKnotsPerKmh = 1.0 / 1.852;
inline constexpr double kGravity = 9.80665; // m/s^2 in one g

// The writer's ddmm.mmmmmm of signed degrees, the sign left to the hemisphere.
inline double minutesForm(double degrees)
{
    const double a = std::fabs(degrees);
    const double whole = std::floor(a);
    return whole * 100 + (a - whole) * 60;
}

// An acceleration in g as the track line's counts, 256 to the g.
inline int counts(double g)
{
    return int(std::round(g * 256.0));
}

inline QByteArray format(const char *pattern, ...) __attribute__((format(printf, 1, 2)));
inline QByteArray format(const char *pattern, ...)
{
    char buffer[512];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(buffer, sizeof buffer, pattern, args);
    va_end(args);
    return QByteArray(buffer);
}

inline float nmea(double degrees)
{
    const double a = std::fabs(degrees);
    const double d = std::floor(a);
    return float(d * 100 + (a - d) * 60);
}
inline char latHemi(double lat)
{
    return lat < 0 ? 'S' : 'N';
}
inline char lonHemi(double lon)
{
    return lon < 0 ? 'W' : 'E';
}

// ---------------------------------------------------------------- RMCINFO records

struct Record
{
    qint32 hour = 0, minute = 0, second = 0, year = 0, month = 0, day = 0;
    char status = 'V', latH = 'N', lonH = 'E';
    float lat = 0, lon = 0, knots = 0, course = 0;
    qint32 gx = 0, gy = 0, gz = 0;
};

inline Record recordOf(const Fix &f)
{
    Record r;
    r.hour = f.hour;
    r.minute = f.minute;
    r.second = f.second;
    r.year = f.year;
    r.month = f.month;
    r.day = f.day;
    r.status = f.status;
    r.latH = latHemi(f.lat);
    r.lonH = lonHemi(f.lon);
    r.lat = f.status == 'A' || f.lat != 0 ? nmea(f.lat) : 0.0f;
    r.lon = f.status == 'A' || f.lon != 0 ? nmea(f.lon) : 0.0f;
    r.knots = float(f.speedMs * 3600.0 / 1852.0);
    r.course = float(f.course);
    r.gx = f.gx;
    r.gy = f.gy;
    r.gz = f.gz;
    return r;
}

inline QByteArray encode(const Record &r)
{
    QByteArray b;
    for (qint32 v : {r.hour, r.minute, r.second, r.year, r.month, r.day})
        putLE32(b, quint32(v));
    b.append(r.status).append(r.latH).append(r.lonH).append('\0');
    putLEFloat(b, r.lat);
    putLEFloat(b, r.lon);
    putLEFloat(b, r.knots);
    putLEFloat(b, r.course);
    b.append(8, '\0'); // unused by the readers
    for (qint32 v : {r.gx, r.gy, r.gz})
        putLE32(b, quint32(v));
    b.append(16, '\0');
    if (b.size() != 80)
        fail("record size");
    return b;
}

inline QByteArray line(const Record &r, bool withSixteenth = false)
{
    char buf[256];
    std::snprintf(buf, sizeof buf, "%c20%.2d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d",
                  r.status, r.year, r.month, r.day, r.hour, r.minute, r.second, double(r.lat),
                  r.latH, double(r.lon), r.lonH, double(r.knots), double(r.course), r.gx, r.gy,
                  r.gz);
    QByteArray l(buf);
    if (withSixteenth)
        l += ",0.000000";
    return l + '\n';
}

// An 'A' record without a position is written as a void one.
inline Record voidedIfNoPosition(Record r)
{
    if (r.status != 'V' && (r.lat == 0.0f || r.lon == 0.0f)) {
        r.status = 'V';
        r.lat = r.lon = 0;
    }
    return r;
}

// The expected text of the readers that filter position jumps: a fix further from the last
// accepted one than 40 m per second since then repeats the last accepted record. The route is
// built with wide margins on both sides of the limit, so the decision never depends on rounding.
inline QByteArray filteredText(const std::vector<Record> &records)
{
    QByteArray text;
    bool haveFix = false;
    double lastLat = 0, lastLon = 0;
    Record lastAccepted;
    int misses = 0;
    for (Record r : records) {
        r = voidedIfNoPosition(r);
        if (r.status != 'A') {
            ++misses;
            text += line(r);
            continue;
        }
        const auto deg = [](float v, char hemi, char negative) {
            const int whole = int(v / 100);
            const double d = whole + (double(v) - whole * 100.0) / 60.0;
            return hemi == negative ? -d : d;
        };
        const double lat = deg(r.lat, r.latH, 'S'), lon = deg(r.lon, r.lonH, 'W');
        const double limit = 40.0 * (misses + 1);
        const double distance = haveFix ? haversine(lat, lon, lastLat, lastLon) : 0;
        if (haveFix && distance > limit * 0.85 && distance < limit * 1.3)
            fail("route sample too close to the jump limit");
        if (!haveFix || distance <= limit) {
            haveFix = true;
            lastLat = lat;
            lastLon = lon;
            lastAccepted = r;
            misses = 0;
            text += line(r);
        } else {
            ++misses;
            text += line(lastAccepted);
        }
    }
    return text;
}

// The recorded track of one fixture: no fix for the first two seconds, one glitch that jumps
// 300 m off the road, one fix that reports 'A' without a position.
inline std::vector<Record> cameraRecords(const City &city, int count, int startMinute)
{
    std::vector<Fix> fixes = drive(city, count, startMinute);
    std::vector<Record> records;
    for (size_t i = 0; i < fixes.size(); ++i) {
        Fix f = fixes[i];
        if (i < 2) {
            f.status = 'V';
            f.lat = f.lon = 0;
        }
        if (i == fixes.size() / 2 && count >= 8)
            f.lat += 0.0027; // about 300 m north: multipath glitch
        Record r = recordOf(f);
        if (i == fixes.size() / 2 + 3 && count >= 8)
            r.lat = 0;
        records.push_back(r);
    }
    return records;
}

// ---------------------------------------------------------------- ffmpeg

struct Options
{
    int seconds = 20;
    QString size = QStringLiteral("320x240");
    int fps = 10;
    QString only;
    QString outDir;
    bool demo = false;
    bool clock = false;
    qint64 padMiB = 0; // zeros appended to the media data of the MP4 and MOV bases (benchmarks)
    // lavfi sources: the video's picture (with any options of its own) and the sound.
    QString picture = QStringLiteral("testsrc2"); // name[=options], then size and rate follow
    QString sound = QStringLiteral("sine=frequency=440:sample_rate=8000");
};

inline QByteArray runFfmpeg(const Options &o, const QString &dir, const QString &name,
                     const QStringList &audio, const QStringList &container)
{
    const QString path = dir + QLatin1Char('/') + name;
    QStringList args{
        QStringLiteral("-nostdin"),
        QStringLiteral("-v"),
        QStringLiteral("error"),
        QStringLiteral("-y"),
        QStringLiteral("-f"),
        QStringLiteral("lavfi"),
        QStringLiteral("-i"),
        // A whole filter graph brings its own size and rate.
        o.picture.contains(QLatin1Char(';'))
            ? o.picture
            : QStringLiteral("%1%2size=%3:rate=%4")
                  .arg(o.picture)
                  .arg(o.picture.contains(QLatin1Char('=')) ? QLatin1Char(':') : QLatin1Char('='))
                  .arg(o.size)
                  .arg(o.fps)};
    // Not every source knows "duration": the fixtures' test pictures end by themselves, any
    // other picture (the demo's) ends at the output's "-t".
    if (o.picture == QLatin1String("testsrc2"))
        args.last() += QStringLiteral(":duration=%1").arg(o.seconds);
    if (!audio.isEmpty())
        args << QStringLiteral("-f") << QStringLiteral("lavfi") << QStringLiteral("-i")
             << QStringLiteral("%1:duration=%2").arg(o.sound).arg(o.seconds);
    if (o.picture != QLatin1String("testsrc2"))
        args << QStringLiteral("-t") << QString::number(o.seconds);
    args << QStringLiteral("-c:v") << QStringLiteral("libx264") << QStringLiteral("-preset")
         << QStringLiteral("veryfast") << QStringLiteral("-threads") << QStringLiteral("1")
         << QStringLiteral("-bf") << QStringLiteral("0") << QStringLiteral("-g")
         << QString::number(o.fps) << QStringLiteral("-pix_fmt") << QStringLiteral("yuv420p");
    args << audio;
    args << QStringLiteral("-map_metadata") << QStringLiteral("-1") << QStringLiteral("-fflags")
         << QStringLiteral("+bitexact") << QStringLiteral("-flags") << QStringLiteral("+bitexact");
    args << container << path;
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), args);
    // Large pictures (the benchmarks' 1080p channels) take minutes; ffmpeg ends by itself.
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        fail("ffmpeg failed:", p.readAllStandardError());
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        fail("cannot read ffmpeg output");
    const QByteArray bytes = f.readAll();
    f.close();
    QFile::remove(path);
    return bytes;
}


// The plain recordings every layout is wrapped around, made once per run by ffmpeg.
struct BaseVideos
{
    int seconds = 0;
    QByteArray mp4;       // H.264 and mono AAC, no edit list
    QByteArray mp4Silent; // H.264 only
    QByteArray mov;       // H.264 and mono 16-bit PCM at 8 kHz
    QByteArray ts;        // H.264 and mono AAC in an MPEG transport stream
};

// Adds one fixture: its file name and a writer that returns the file's bytes and sets the
// expected track text.
using AddFixture = std::function<void(const char *name,
                                      const std::function<QByteArray(QByteArray &expected)> &make)>;

// The families of further layouts, one file each.
void addIndexedFreeGpsFixtures(const BaseVideos &base, const AddFixture &add);
void addMoreFreeGpsFixtures(const BaseVideos &base, const AddFixture &add);
void addScannedFreeGpsFixtures(const BaseVideos &base, const AddFixture &add);
void addNmeaFixtures(const BaseVideos &base, const AddFixture &add);
void addGpmfFixtures(const BaseVideos &base, const AddFixture &add);
void addTextTrackFixtures(const BaseVideos &base, const AddFixture &add);
void addMiscFixtures(const BaseVideos &base, const AddFixture &add);
void addAtomFixtures(const BaseVideos &base, const AddFixture &add);
void addMetaTrackFixtures(const BaseVideos &base, const AddFixture &add);
void addTransportFixtures(const BaseVideos &base, const AddFixture &add);
// The stream with one PES unit a second on PID 0x300 among its packets, each unit in one packet
// (174 bytes at most), the PID listed in the program map as private data when listGps.
QByteArray transportWithGpsUnits(const QByteArray &ts, const std::vector<QByteArray> &units,
                                 bool listGps);
void addLigoFixtures(const BaseVideos &base, const AddFixture &add);

// The car recorder's saved clips: six cameras of one recording with the car's telemetry in each
// frame's SEI, in SavedClips/<event time>/ with the event's event.json, one west of Greenwich
// and one south of the equator; what the route says lands in expected/car/. only: a set's name
// ("car-west", "car-south") or empty for both.
void writeCarRecordings(const Options &o, const QString &work);

// The newer fixtures' seconds: no fix in the first two (one in a short run, so that a fix comes
// soon), a position of zeros in the middle, fixes elsewhere.
enum class SecondKind
{
    Fix,
    NoFix,
    ZeroPosition,
};
inline SecondKind secondKindAt(int i, int n)
{
    if (i < (n >= 8 ? 2 : 1))
        return SecondKind::NoFix;
    return n >= 8 && i == n / 2 ? SecondKind::ZeroPosition : SecondKind::Fix;
}

// A drive through the city on 3 June 2024.
inline std::vector<Fix> datedRoute(const City &city, int n, int startMinute)
{
    std::vector<Fix> fixes = drive(city, n, startMinute, lightsFor(n));
    for (Fix &f : fixes) {
        f.year = 24;
        f.month = 6;
        f.day = 3;
    }
    return fixes;
}

// One expected track line from km/h and g; no position unless a fix (and then not a zero one).
inline QByteArray expectedFixLine(const Fix &f, bool fix, double lat, double lon, double kmh,
                                  double course, double gx = 0, double gy = 0, double gz = 0)
{
    fix = fix && lat != 0 && lon != 0;
    return format("%c20%.2d%.2d%.2d%.2d%.2d%.2d,%f,%c,%f,%c,%.2f,%.2f,%d,%d,%d\n", fix ? 'A' : 'V',
                  f.year, f.month, f.day, f.hour, f.minute, f.second, fix ? minutesForm(lat) : 0.0,
                  fix && lat < 0 ? 'S' : 'N', fix ? minutesForm(lon) : 0.0,
                  fix && lon < 0 ? 'W' : 'E', fix ? kmh * kKnotsPerKmh : 0.0, fix ? course : 0.0,
                  counts(gx), counts(gy), counts(gz));
}

} // namespace fixturekit
