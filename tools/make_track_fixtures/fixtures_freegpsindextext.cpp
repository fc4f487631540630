// The blocks of the text variants listed by a "gps " index: masked ASCII, NMEA sentences, and
// NMEA sentences whose characters are raised by 16.
#include "fixtures_freegpsindex.h"

namespace fixturekit {
namespace freegpsindex {

// Masked ASCII text, XOR 0xAA from byte 18: date, label, position digits, speed digits (km/h)
// and G-sensor hundredths.
QByteArray maskedBlock(const Fix &f, Sample kind, Expected &e)
{
    const long lat = kind == Sample::Fix ? std::lround(double(nmea(f.lat)) * 1e4) : 0;
    const long lon = kind == Sample::Fix ? std::lround(double(nmea(f.lon)) * 1e4) : 0;
    const long kmh = kind == Sample::NoFix ? 0 : std::lround(f.speedMs * 3.6);
    QByteArray text(8, '\0'); // the head, overwritten by the masked signature below
    text += format("%04d%02d%02d%02d%02d%02d", kYear, kMonth, kDay, f.hour, f.minute, f.second);
    text += '\x0c';
    text += QByteArray(15, '\0');
    text += format("%c%08ld%c%09ld%08ld", latHemi(f.lat), lat, lonHemi(f.lon), lon, kmh);
    text += format("%+04d%+04d%+04d", f.gx, f.gy, f.gz / 3);
    text.append(kBlockSize - 18 - text.size(), '\0');
    QByteArray block = blockHead();
    block.append(2, '\0');
    for (char c : text)
        block += char(uchar(c) ^ 0xaa);
    static const char kSignature[] = {'\xaa', '\xaa', '\xf2', '\xe1', '\xf0', '\xee', 'T', 'T'};
    block.replace(18, 8, QByteArray(kSignature, 8));
    e.fix = lat != 0 && lon != 0;
    e.lat = degreesOf(lat / 1e4, f.lat < 0);
    e.lon = degreesOf(lon / 1e4, f.lon < 0);
    e.kmh = double(kmh);
    e.ax = f.gx / 100.0;
    e.ay = f.gy / 100.0;
    e.az = (f.gz / 3) / 100.0;
    return block;
}

// RMC (and GGA) sentences after the camera's date at 52 and G-sensor counts at 68.
QByteArray nmeaBlock(const Fix &f, Sample kind, Expected &e)
{
    QByteArray block = blockHead();
    block.append(52 - block.size(), '\0');
    block += format("%04d%02d%02d%02d%02d%02d", kYear, kMonth, kDay, f.hour, f.minute, f.second);
    block.append(2, '\0');
    for (qint32 g : {f.gx, f.gy, f.gz})
        putLE32(block, quint32(g));
    const QByteArray time = format("%02d%02d%02d.00", f.hour, f.minute, f.second);
    const QByteArray date = format("%02d%02d%02d", kDay, kMonth, kYear % 100);
    if (kind == Sample::NoFix) {
        block += withChecksum("$GPRMC," + time + ",V,,,,,,," + date + ",,,N");
        return block;
    }
    const bool zero = kind == Sample::ZeroPosition;
    const QByteArray lat = format("%09.4f", zero ? 0.0 : double(nmea(f.lat)));
    const QByteArray lon = format("%010.4f", zero ? 0.0 : double(nmea(f.lon)));
    const QByteArray knots = format("%.2f", f.speedMs * 3600 / 1852);
    const QByteArray course = format("%.1f", f.course);
    const QByteArray position = lat + ',' + latHemi(f.lat) + ',' + lon + ',' + lonHemi(f.lon);
    block += withChecksum("$GPRMC," + time + ",A," + position + ',' + knots + ',' + course + ',' +
                          date + ",,,A");
    block += withChecksum("$GPGGA," + time + ',' + position + ",1,09,0.9,21.4,M,0.0,M,,");
    e.fix = !zero;
    e.lat = degreesOf(lat.toDouble(), f.lat < 0);
    e.lon = degreesOf(lon.toDouble(), f.lon < 0);
    e.kmh = knots.toDouble() * 1.852;
    e.course = course.toDouble();
    e.ax = f.gx / 256.0;
    e.ay = f.gy / 256.0;
    e.az = f.gz / 256.0;
    return block;
}

// An RMC sentence at 60, every character raised by 16.
QByteArray offsetTextBlock(const Fix &f, Sample kind, Expected &e)
{
    QByteArray block = blockHead();
    block.append(60 - block.size(), '\0');
    const QByteArray time = format("%02d%02d%02d.000", f.hour, f.minute, f.second);
    const QByteArray date = format("%02d%02d%02d", kDay, kMonth, kYear % 100);
    QByteArray sentence;
    const bool zero = kind == Sample::ZeroPosition;
    const QByteArray lat = format("%09.4f", zero ? 0.0 : double(nmea(f.lat)));
    const QByteArray lon = format("%010.4f", zero ? 0.0 : double(nmea(f.lon)));
    const QByteArray knots = format("%.2f", f.speedMs * 3600 / 1852);
    const QByteArray course = format("%.1f", f.course);
    if (kind == Sample::NoFix) {
        sentence = withChecksum("$GPRMC," + time + ",V,,,,,,," + date + ",,,N");
    } else {
        sentence =
            withChecksum("$GPRMC," + time + ",A," + lat + ',' + latHemi(f.lat) + ',' + lon + ',' +
                         lonHemi(f.lon) + ',' + knots + ',' + course + ',' + date + ",,,A");
        e.fix = !zero;
        e.lat = degreesOf(lat.toDouble(), f.lat < 0);
        e.lon = degreesOf(lon.toDouble(), f.lon < 0);
        e.kmh = knots.toDouble() * 1.852;
        e.course = course.toDouble();
    }
    if (sentence.size() > 80)
        fail("offset sentence too long");
    for (char c : sentence)
        block += char(uchar(c) + 16);
    return block;
}

} // namespace freegpsindex
} // namespace fixturekit
