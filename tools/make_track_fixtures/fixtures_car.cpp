// The car recorder's saved clips: six cameras a recording, each frame's H.264 carrying an SEI
// unit of user data (payload type 5) whose payload is a run of 0x42 bytes, 0x69, and a protobuf
// message of the car's telemetry. ffmpeg writes the pictures as raw Annex B, the SEI units go in
// before each frame's slice here, and ffmpeg wraps the stream into MP4 without re-encoding.
#include "fixturekit.h"

#include <QDateTime>

namespace fixturekit {
namespace {

// ---------------------------------------------------------------- protobuf

void pbVarint(QByteArray &b, quint64 v)
{
    do {
        b.append(char((v & 0x7f) | (v > 0x7f ? 0x80 : 0)));
        v >>= 7;
    } while (v);
}
void pbUint(QByteArray &b, int field, quint64 v)
{
    pbVarint(b, quint64(field) << 3);
    pbVarint(b, v);
}
void pbFloat(QByteArray &b, int field, float f)
{
    pbVarint(b, quint64(field) << 3 | 5);
    putLEFloat(b, f);
}
void pbDouble(QByteArray &b, int field, double d)
{
    pbVarint(b, quint64(field) << 3 | 1);
    quint64 v;
    std::memcpy(&v, &d, 8);
    putLE32(b, quint32(v));
    putLE32(b, quint32(v >> 32));
}

// One frame's telemetry, as the car states it.
struct CarFrame
{
    int gear = 0;   // 0 park, 1 drive
    int assist = 0; // 0 none, 2 autosteer, 3 TACC
    bool brake = false, left = false, right = false;
    double speed = 0, pedal = 0, steering = 0;
    double lat = 0, lon = 0, heading = 0, accel = 0;
};

QByteArray message(const CarFrame &f, quint64 frame)
{
    QByteArray b;
    pbUint(b, 1, 1);
    pbUint(b, 2, quint64(f.gear));
    pbUint(b, 3, frame);
    pbFloat(b, 4, float(f.speed));
    pbFloat(b, 5, float(f.pedal));
    pbFloat(b, 6, float(f.steering));
    pbUint(b, 7, f.left);
    pbUint(b, 8, f.right);
    pbUint(b, 9, f.brake);
    pbUint(b, 10, quint64(f.assist));
    pbDouble(b, 11, f.lat);
    pbDouble(b, 12, f.lon);
    pbDouble(b, 13, f.heading);
    pbDouble(b, 14, f.accel);
    pbDouble(b, 15, 0.0);
    pbDouble(b, 16, kGravity);
    return b;
}

// ---------------------------------------------------------------- H.264

// An SEI NAL unit in Annex B form holding the message as user data unregistered, with the
// emulation-prevention bytes a decoder takes out again.
QByteArray seiUnit(const QByteArray &protobuf)
{
    QByteArray payload(15, '\x42');
    payload += '\x69';
    payload += protobuf;
    QByteArray rbsp;
    rbsp += char(5);
    for (int n = payload.size();; n -= 255) {
        rbsp += char(n >= 255 ? 255 : n);
        if (n < 255)
            break;
    }
    rbsp += payload;
    rbsp += char(0x80); // stop bit
    QByteArray unit("\x00\x00\x00\x01\x06", 5);
    int zeros = 0;
    for (const char c : rbsp) {
        if (zeros >= 2 && quint8(c) <= 3) {
            unit += '\x03';
            zeros = 0;
        }
        unit += c;
        zeros = c == 0 ? zeros + 1 : 0;
    }
    return unit;
}

// The stream with sei(k) put in before the k-th frame's slice. x264 writes one slice a frame
// here (one thread), so every slice starts a frame.
QByteArray withSei(const QByteArray &annexB, const std::function<QByteArray(int)> &sei, int *frames)
{
    QVector<int> starts; // where each start code begins
    for (int i = 0; i + 3 <= annexB.size(); ++i) {
        if (annexB[i] == 0 && annexB[i + 1] == 0 && annexB[i + 2] == 1) {
            starts << (i > 0 && annexB[i - 1] == 0 ? i - 1 : i);
            i += 2;
        }
    }
    QByteArray out;
    *frames = 0;
    for (int n = 0; n < starts.size(); ++n) {
        const int end = n + 1 < starts.size() ? starts[n + 1] : annexB.size();
        const QByteArray unit = annexB.mid(starts[n], end - starts[n]);
        const int head = unit.indexOf('\x01') + 1;
        const int type = head > 0 && head < unit.size() ? unit[head] & 0x1f : 0;
        if (type == 1 || type == 5)
            out += sei((*frames)++);
        out += unit;
    }
    return out;
}

QByteArray muxed(const QString &work, const QByteArray &annexB, int fps)
{
    const QString in = work + QStringLiteral("/car-sei.h264"),
                  out = work + QStringLiteral("/car.mp4");
    QFile f(in);
    if (!f.open(QIODevice::WriteOnly) || f.write(annexB) != annexB.size())
        fail("cannot write", in.toLocal8Bit());
    f.close();
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
             QStringLiteral("-y"), QStringLiteral("-framerate"), QString::number(fps),
             QStringLiteral("-f"), QStringLiteral("h264"), QStringLiteral("-i"), in,
             QStringLiteral("-c"), QStringLiteral("copy"), QStringLiteral("-map_metadata"),
             QStringLiteral("-1"), QStringLiteral("-fflags"), QStringLiteral("+bitexact"),
             QStringLiteral("-flags"), QStringLiteral("+bitexact"), QStringLiteral("-use_editlist"),
             QStringLiteral("0"),
             // Frame k at exactly k / fps: the raw stream's own stamps drift from it.
             QStringLiteral("-bsf:v"), QStringLiteral("setts=ts=N*512"),
             QStringLiteral("-video_track_timescale"), QString::number(fps * 512), out});
    if (!p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        fail("ffmpeg failed:", p.readAllStandardError());
    QFile r(out);
    if (!r.open(QIODevice::ReadOnly))
        fail("cannot read ffmpeg output");
    const QByteArray bytes = r.readAll();
    r.close();
    QFile::remove(in);
    QFile::remove(out);
    return bytes;
}

// ---------------------------------------------------------------- the drive

struct CarSet
{
    const char *name;
    const City *city;
    QDateTime event; // the moment saved: the recording ends there
};

// A course change (degrees, -180 to 180): below 0 to the left.
double turnOf(double from, double to)
{
    return std::remainder(to - from, 360.0);
}

// The drive frame by frame, between the route's seconds. Gear P for the first second; the brake
// while slowing by more than 0.5 m/s a second or standing in D; the left blinker from three
// seconds before the second in which the course turns left to one second after it, the wheel
// turning with it; autosteer from second 5 until the lights, TACC after them.
CarFrame carFrame(const std::vector<Fix> &fixes, double t, int lights)
{
    const int n = int(fixes.size());
    const int i = std::min(n - 1, int(std::floor(t)));
    const Fix &a = fixes[std::size_t(i)], &b = fixes[std::size_t(std::min(n - 1, i + 1))];
    const double u = t - i;
    CarFrame f;
    f.lat = a.lat + (b.lat - a.lat) * u;
    f.lon = a.lon + (b.lon - a.lon) * u;
    f.speed = a.speedMs + (b.speedMs - a.speedMs) * u;
    f.heading = a.course;
    f.accel = b.speedMs - a.speedMs;
    f.gear = t < 1 ? 0 : 1;
    f.brake = f.accel < -0.5 || (f.gear == 1 && a.speedMs == 0 && b.speedMs == 0);
    f.pedal = f.accel > 0.2 ? std::min(1.0, 0.15 + f.accel / 2.5 * 0.6) : f.brake ? 0.0 : 0.15;
    f.assist = t < 5 ? 0 : lights >= 0 && t >= lights ? 3 : 2;
    for (int k = 1; k < n; ++k) {
        const double turn = turnOf(fixes[std::size_t(k - 1)].course, fixes[std::size_t(k)].course);
        if (fixes[std::size_t(k)].speedMs <= 0 || std::fabs(turn) < 30 || t < k - 4 || t >= k + 1)
            continue;
        (turn < 0 ? f.left : f.right) = true;
        if (t >= k - 1)
            f.steering = turn * 4 * std::sin(kPi * (t - (k - 1)) / 2);
    }
    return f;
}

void writeText(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        fail("cannot write", path.toLocal8Bit());
}

void writeSet(const Options &o, const QString &work, const CarSet &set, const QByteArray &annexB)
{
    const int n = o.seconds;
    const int lights = lightsFor(n);
    const std::vector<Fix> fixes = drive(*set.city, n, 0, lights);
    const QDateTime start = set.event.addSecs(-n);
    const QString stamp = set.event.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    const QString stem = start.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
    const QString folder = QStringLiteral("SavedClips/") + stamp;
    if (!QDir().mkpath(o.outDir + QLatin1Char('/') + folder) ||
        !QDir().mkpath(o.outDir + QStringLiteral("/expected/car")))
        fail("cannot create the output folder");

    int frames = 0;
    const QByteArray stream = withSei(
        annexB,
        [&](int k) {
            return seiUnit(message(carFrame(fixes, double(k) / o.fps, lights), quint64(k)));
        },
        &frames);
    const QByteArray mp4 = muxed(work, stream, o.fps);
    for (const char *camera :
         {"front", "back", "left_repeater", "right_repeater", "left_pillar", "right_pillar"})
        writeText(
            QStringLiteral("%1/%2/%3-%4.mp4").arg(o.outDir, folder, stem, QLatin1String(camera)),
            mp4);

    const QString city = QString::fromLatin1(set.city->name).section(QStringLiteral(", "), 0, 0);
    const QString street = QString::fromLatin1(set.city->name).section(QStringLiteral(", "), 1);
    const Fix &last = fixes.back();
    writeText(
        o.outDir + QLatin1Char('/') + folder + QStringLiteral("/event.json"),
        format("{\"timestamp\":\"%s\",\"city\":\"%s\",\"street\":\"%s\",\"est_lat\":\"%.6f\","
               "\"est_lon\":\"%.6f\",\"reason\":\"user_interaction_dashcam_icon_tapped\","
               "\"camera\":\"0\"}\n",
               set.event.toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toUtf8().constData(),
               city.toUtf8().constData(), street.toUtf8().constData(), last.lat, last.lon));

    // What the tests compare with: the files, the hard braking's first second (slowing by 4 m/s
    // or more in it), the left blinker's span, then the route's seconds.
    QByteArray expected =
        format("folder %s\nfront %s-front.mp4\nfps %d\nframes %d\n", folder.toUtf8().constData(),
               stem.toUtf8().constData(), o.fps, frames);
    for (int i = 0; i + 1 < n; ++i)
        if (fixes[std::size_t(i)].speedMs - fixes[std::size_t(i + 1)].speedMs >= 4) {
            expected += format("hard-brake %d\n", i);
            break;
        }
    int first = -1, lastOn = -1;
    for (int k = 0; k < frames; ++k)
        if (carFrame(fixes, double(k) / o.fps, lights).left) {
            first = first < 0 ? k : first;
            lastOn = k;
        }
    if (first >= 0)
        expected += format("left-blinker %d %d\n", first, lastOn);
    expected += "route\n";
    for (int i = 0; i < n; ++i) {
        const Fix &f = fixes[std::size_t(i)];
        expected += format("%d,%.8f,%.8f,%.4f,%.1f\n", i, f.lat, f.lon, f.speedMs, f.course);
    }
    writeText(QStringLiteral("%1/expected/car/%2.txt").arg(o.outDir, QLatin1String(set.name)),
              expected);
}

} // namespace

void writeCarRecordings(const Options &o, const QString &work)
{
    const CarSet sets[] = {
        {"car-west", &kNewYork, QDateTime({2025, 11, 20}, {14, 3, 40}, Qt::UTC)},
        {"car-south", &kBuenosAires, QDateTime({2025, 11, 21}, {9, 12, 30}, Qt::UTC)},
    };
    bool any = false;
    for (const CarSet &set : sets)
        any = any || o.only.isEmpty() || o.only == QLatin1String(set.name);
    if (!any)
        return;
    if (!QDir().mkpath(work))
        fail("cannot create the output folder");
    const QByteArray annexB = runFfmpeg(o, work, QStringLiteral("car.h264"), {},
                                        {QStringLiteral("-f"), QStringLiteral("h264")});
    for (const CarSet &set : sets)
        if (o.only.isEmpty() || o.only == QLatin1String(set.name))
            writeSet(o, work, set, annexB);
}

} // namespace fixturekit
