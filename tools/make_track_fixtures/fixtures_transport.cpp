// GPS on PID 0x300 of an MPEG transport stream, one PES unit a second between the stream's
// packets: text records behind a tag word, with the program map listing the PID as private
// data (New York); big-endian "$S" records behind a 32-byte head, the PID not in the program
// map (Tokyo). The first two seconds have no fix (one in a short run), one in the middle a
// position of zeros.
#include "fixturekit.h"

namespace fixturekit {
namespace {
namespace fixturestransport {

constexpr int kProgramMapPid = 0x1000; // where ffmpeg puts it
constexpr int kGpsPid = 0x300;

int pidOf(const QByteArray &packet)
{
    return (uchar(packet[1]) & 0x1f) << 8 | uchar(packet[2]);
}

quint32 mpegCrc(const QByteArray &bytes)
{
    quint32 crc = 0xffffffff;
    for (char c : bytes) {
        crc ^= quint32(uchar(c)) << 24;
        for (int k = 0; k < 8; ++k)
            crc = crc & 0x80000000 ? crc << 1 ^ 0x04c11db7 : crc << 1;
    }
    return crc;
}

// The program map packet with PID 0x300 listed as private data (stream type 6).
QByteArray withGpsListed(const QByteArray &packet)
{
    const int section = 5 + uchar(packet[4]); // after the pointer field
    const int length = (uchar(packet[section + 1]) & 0x0f) << 8 | uchar(packet[section + 2]);
    const int crcAt = section + 3 + length - 4;
    QByteArray body = packet.mid(section, crcAt - section);
    body += char(6);
    putBE16(body, quint16(0xe000 | kGpsPid));
    putBE16(body, 0xf000);
    const int newLength = length + 5;
    body[1] = char((uchar(body[1]) & 0xf0) | (newLength >> 8));
    body[2] = char(newLength & 0xff);
    putBE32(body, mpegCrc(body));
    QByteArray out = packet.left(section) + body;
    if (out.size() > 188)
        fail("program map does not fit its packet");
    return out + QByteArray(188 - out.size(), char(0xff));
}

// One packet on PID 0x300 holding a whole private PES unit of payload: an adaptation field of
// stuffing before it fills the packet, so that the unit ends where the payload does (readers
// take the packet's rest as the unit). The bytes the older reader looks at (34 and 66) must not
// read as its status letters.
QByteArray gpsPacket(const QByteArray &payload, int counter)
{
    const int room = 188 - 4 - 9 - payload.size();
    if (room < 1)
        fail("GPS unit does not fit its packet");
    QByteArray p;
    p.append(char(0x47)).append(char(0x40 | kGpsPid >> 8)).append(char(kGpsPid & 0xff));
    p.append(char(0x30 | (counter & 0x0f)));
    p.append(char(room - 1)); // adaptation field length
    if (room > 1)
        p.append(char(0)).append(room - 2, char(0xff));
    p.append(char(0)).append(char(0)).append(char(1)).append(char(0xbd));
    putBE16(p, quint16(3 + payload.size()));
    p.append(char(0x80)).append(char(0)).append(char(0));
    p += payload;
    if (p.size() != 188)
        fail("GPS packet is not 188 bytes");
    for (int at : {34, 66}) {
        if (p[at] == 'A' || p[at] == 'V')
            fail("GPS packet reads as a record of the older layout");
    }
    return p;
}

// The stream with one unit a second spread among its packets.
QByteArray interleaved(const QByteArray &ts, const std::vector<QByteArray> &units, bool listGps)
{
    if (ts.size() % 188 != 0)
        fail("transport stream is not whole packets");
    const int packets = ts.size() / 188;
    const int n = int(units.size());
    QByteArray out;
    int next = 0;
    for (int p = 0; p < packets; ++p) {
        while (next < n && qint64(next + 1) * packets / (n + 1) <= p) {
            out += gpsPacket(units[size_t(next)], next);
            ++next;
        }
        QByteArray packet = ts.mid(p * 188, 188);
        if (listGps && pidOf(packet) == kProgramMapPid && (uchar(packet[1]) & 0x40))
            packet = withGpsListed(packet);
        out += packet;
    }
    for (; next < n; ++next)
        out += gpsPacket(units[size_t(next)], next);
    return out;
}

// "yyyy/mm/dd hh:mm:ss N:dd.dddddd W:ddd.dddddd kmh km/h course altitude 10 x:… y:… z:…"
QByteArray textRecords(const QByteArray &ts, const std::vector<Fix> &fixes, QByteArray &expected)
{
    std::vector<QByteArray> units;
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i) {
        const Fix &f = fixes[size_t(i)];
        const SecondKind kind = secondKindAt(i, n);
        const QByteArray lat = format("%.6f", kind == SecondKind::Fix ? std::fabs(f.lat) : 0.0);
        const QByteArray lon = format("%.6f", kind == SecondKind::Fix ? std::fabs(f.lon) : 0.0);
        const QByteArray kmh = format("%.1f", kind == SecondKind::NoFix ? 0.0 : f.speedMs * 3.6);
        const QByteArray course = format("%.2f", f.course);
        const double g[3] = {f.gx / 256.0, f.gy / 256.0, f.gz / 256.0};
        const QByteArray axes[3] = {format("%.3f", g[0]), format("%.3f", g[1]),
                                    format("%.3f", g[2])};
        units.push_back(format("Viidure20%.2d/%.2d/%.2d %.2d:%.2d:%.2d %c:%s %c:%s %s km/h %s "
                               "31.50 10 x:%s y:%s z:%s",
                               f.year, f.month, f.day, f.hour, f.minute, f.second, latHemi(f.lat),
                               lat.constData(), lonHemi(f.lon), lon.constData(), kmh.constData(),
                               course.constData(), axes[0].constData(), axes[1].constData(),
                               axes[2].constData()));
        const double la = lat.toDouble() * (f.lat < 0 ? -1 : 1);
        const double lo = lon.toDouble() * (f.lon < 0 ? -1 : 1);
        expected += expectedFixLine(f, kind == SecondKind::Fix, la, lo, kmh.toDouble(), course.toDouble(),
                         axes[0].toDouble(), axes[1].toDouble(), axes[2].toDouble());
    }
    return interleaved(ts, units, true);
}

// A 32-byte head, one record, 32 bytes beginning with ten of accelerometer: speed in metres per 100
// s, course in hundredths, the clock with tenths, latitude and longitude in 1e-7 degrees.
QByteArray bigEndianRecords(const QByteArray &ts, const std::vector<Fix> &fixes,
                            QByteArray &expected)
{
    std::vector<QByteArray> units;
    const int n = int(fixes.size());
    for (int i = 0; i < n; ++i) {
        const Fix &f = fixes[size_t(i)];
        const SecondKind kind = secondKindAt(i, n);
        QByteArray u(32, '\0');
        u.append("$S");
        const quint16 speed = quint16(std::lround(f.speedMs * 100));
        const quint16 course = quint16(std::lround(f.course * 100));
        putBE16(u, speed);
        putBE16(u, course);
        putBE16(u, quint16(2000 + f.year));
        u.append(char(f.month)).append(char(f.day)).append(char(f.hour)).append(char(f.minute));
        putBE16(u, quint16(f.second * 10));
        u.append(char(kind == SecondKind::NoFix ? 0 : 1));
        const qint32 lat = kind == SecondKind::Fix ? qint32(std::lround(f.lat * 1e7)) : 0;
        const qint32 lon = kind == SecondKind::Fix ? qint32(std::lround(f.lon * 1e7)) : 0;
        putBE32(u, quint32(lat));
        putBE32(u, quint32(lon));
        u.append(char(0)).append(6, '\0');
        u.append(QByteArray("\xfd\xff\x00\x00\xff\xff\x00\x00\x01\x00", 10));
        u.append(22, '\0'); // the unit's last 32 bytes hold no record
        units.push_back(u);
        expected +=
            expectedFixLine(f, kind == SecondKind::Fix, lat * 1e-7, lon * 1e-7, speed * 0.036, course / 100.0);
    }
    return interleaved(ts, units, false);
}

} // namespace fixturestransport
} // namespace

QByteArray transportWithGpsUnits(const QByteArray &ts, const std::vector<QByteArray> &units,
                                 bool listGps)
{
    return fixturestransport::interleaved(ts, units, listGps);
}

void addTransportFixtures(const BaseVideos &base, const AddFixture &add)
{
    using namespace fixturestransport;
    const int n = base.seconds;
    add("ts-text-records.ts",
        [&](QByteArray &e) { return textRecords(base.ts, datedRoute(kNewYork, n, 45), e); });
    add("ts-s-records.ts",
        [&](QByteArray &e) { return bigEndianRecords(base.ts, datedRoute(kTokyo, n, 48), e); });
}

} // namespace fixturekit
