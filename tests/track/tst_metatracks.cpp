// The timed-metadata tracks of fixed records and of protobuf messages, and GPMF records no track
// lists, on files built byte by byte: which line holds what, the clock, and what damaged or
// foreign input gives.
#include "bytebuilders.h"

#include <QtTest>

#include <cmath>

namespace {

using namespace bytebuilders;

QByteArray le64(qint64 v)
{
    return le32(quint32(quint64(v))) + le32(quint32(quint64(v) >> 32));
}

// Signed ddmm.mmmm of signed degrees.
double minutesOf(double degrees)
{
    const double a = std::fabs(degrees), whole = std::floor(a);
    return (whole * 100 + (a - whole) * 60) * (degrees < 0 ? -1 : 1);
}

// A 352-byte record of scaled pairs at hh:mm:ss on 2024-06-03.
QByteArray pairsRecord(int second, double lat, double lon, bool address = false, double knots = 10,
                       qint64 scale = 100000)
{
    QByteArray r(352, '\0');
    const quint32 date[3] = {3, 6, 2024}, time[3] = {8, 15, quint32(second)};
    for (int k = 0; k < 3; ++k) {
        setLe32(r, 104 + 4 * k, date[k]);
        setLe32(r, 160 + 4 * k, time[k]);
    }
    const auto pair = [&r](int at, qint64 v, qint64 d) { r.replace(at, 16, le64(v) + le64(d)); };
    pair(0x48, qint64(std::llround(knots * 1000)), 1000);
    pair(0x58, 9050, 100);
    pair(0xb0, qint64(std::llround(minutesOf(lat) * double(scale))), scale);
    pair(0xc0, qint64(std::llround(minutesOf(lon) * double(scale))), scale);
    r.replace(136, 21,
              address ? QByteArray("https://www.redtiger", 21)
                      : QByteArray("0000000000000000ABCD\0", 21));
    return r;
}

// A 32-byte fix: ddmm.mmmm doubles, knots, the clock as bytes.
QByteArray ssmdFix(int second, double latMinutes, double lonMinutes, int knots = 10)
{
    QByteArray r = leDouble(latMinutes) + leDouble(lonMinutes) + le32(0);
    r += char(knots & 0xff);
    r += char(knots >> 8);
    for (int v : {24, 6, 3, 8, 15, second})
        r += char(v);
    return r + QByteArray(4, '\0');
}

QByteArray varint(quint64 v)
{
    QByteArray b;
    for (; v >= 0x80; v >>= 7)
        b += char(0x80 | (v & 0x7f));
    return b + char(v);
}
QByteArray field(int number, const QByteArray &payload)
{
    return varint(quint64(number) << 3 | 2) + varint(quint64(payload.size())) + payload;
}
QByteArray doubleField(int number, double d)
{
    return varint(quint64(number) << 3 | 1) + leDouble(d);
}
// A message with the position (in degrees, or radians when units is 0) and the clock.
QByteArray djmdMessage(int second, double lat, double lon, int units = 1,
                       const QByteArray &protocol = "dvtm_ac204.proto", bool position = true)
{
    const QByteArray coordinates =
        varint(1 << 3) + varint(quint64(units)) + doubleField(2, lat) + doubleField(3, lon);
    const QByteArray when =
        QByteArray("2024-06-03 08:15:") + QByteArray::number(second).rightJustified(2, '0');
    const QByteArray gps =
        (position ? field(1, coordinates) : QByteArray()) + field(6, field(1, when));
    return field(1, field(1, field(1, protocol))) + field(3, field(4, field(2, gps)));
}

QByteArray klv(const char *key, char type, int structSize, int repeat, const QByteArray &payload)
{
    QByteArray b = QByteArray(key, 4) + type + char(structSize) + be16(quint16(repeat)) + payload;
    return b + QByteArray((4 - payload.size() % 4) % 4, '\0');
}
// A GPMF record as it lies in the media data: the 16-byte head, then a device container with a
// GPS stream of one GPS5 point in 1e-7 degrees and m/s, its UTC time and fix.
QByteArray gpmfRecord(const char *gpsu, double lat, double lon, quint32 fix = 3)
{
    const QByteArray gps5 = be32(quint32(qint32(std::llround(lat * 1e7)))) +
                            be32(quint32(qint32(std::llround(lon * 1e7)))) + be32(31500) +
                            be32(10000) + be32(10000);
    const QByteArray scal = be32(10000000) + be32(10000000) + be32(1000) + be32(1000) + be32(100);
    const QByteArray strm = klv("GPSF", 'L', 4, 1, be32(fix)) + klv("GPSU", 'U', 16, 1, gpsu) +
                            klv("SCAL", 'l', 4, 5, scal) + klv("GPS5", 'l', 20, 1, gps5);
    const QByteArray inner = klv("STRM", '\0', 4, strm.size() / 4, strm);
    const QByteArray devc = klv("DEVC", '\0', 4, inner.size() / 4, inner);
    return QByteArray("GP\x06\x00", 4) + be32(quint32(devc.size())) + QByteArray(8, '\0') + devc;
}

} // namespace

class TestMetaTracks : public QObject
{
    Q_OBJECT

private slots:
    void reads_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines"); // -1: refused
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("line");
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<double>("latitude"); // 0: no fix on that line
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("kmh"); // -1: not looked at
        const auto row = [](const char *name, const char *layout, const QByteArray &file, int lines,
                            const char *problem = "", int line = 0, const QByteArray &time = {},
                            double lat = 0, double lon = 0, double kmh = -1) {
            QTest::newRow(name) << QString::fromLatin1(layout) << file << lines
                                << QString::fromLatin1(problem) << line << time << lat << lon
                                << kmh;
        };
        const double ny = 40.749710, nyW = -73.984450;
        const double ba = -34.603720, baW = -58.381590;
        const double north = 69.649600, east = 18.956000;

        // Scaled pairs in a gpmd track.
        const QList<QByteArray> pairs{pairsRecord(0, 0, 0), pairsRecord(1, ba, baW),
                                      pairsRecord(2, north, east, false, 0)};
        const QByteArray pairsFile = oneTrackFile(pairs, "gpmd", "meta");
        row("pairs, first record zeros: no fix", "gpmd-scaled-pairs", pairsFile, 3, "", 0,
            "20240603081500");
        row("pairs, second, south and west", "gpmd-scaled-pairs", pairsFile, 3, "", 1,
            "20240603081501", ba, baW, 18.52);
        row("pairs, last, high north and east, standing", "gpmd-scaled-pairs", pairsFile, 3, "", 2,
            "20240603081502", north, east, 0);
        row("pairs, the address marker, divisor 10000", "gpmd-scaled-pairs",
            oneTrackFile({pairsRecord(5, ny, nyW, true, 10, 10000)}, "gpmd", "meta"), 1, "", 0,
            "20240603081505", ny, nyW, 18.52);
        row("pairs, record cut to 247 bytes", "gpmd-scaled-pairs",
            oneTrackFile({pairsRecord(1, ny, nyW).left(247)}, "gpmd", "meta"), -1);
        row("pairs, no marker: another layout", "gpmd-scaled-pairs",
            oneTrackFile({pairsRecord(1, ny, nyW).replace(152, 4, "abcd")}, "gpmd", "meta"), -1);
        QByteArray badDate = pairsRecord(1, 0, 0);
        setLe32(badDate, 108, 13);
        row("pairs, no fix and no date", "gpmd-scaled-pairs",
            oneTrackFile({badDate}, "gpmd", "meta"), -1,
            "gpmd records with scaled pairs found, but none holds a fix or a date");

        // 32-byte ssmd fixes.
        const QList<QByteArray> ssmd{ssmdFix(0, 4294967295.0, 0),
                                     ssmdFix(1, -3436.2232, -5822.8954), QByteArray(12, '\1'),
                                     ssmdFix(3, 6938.976, 1857.36, 0)};
        const QByteArray ssmdFile = oneTrackFile(ssmd, "ssmd", "meta");
        row("ssmd, first: the no-fix latitude", "ssmd-track", ssmdFile, 4, "", 0, "20240603081500");
        row("ssmd, second, south and west, knots", "ssmd-track", ssmdFile, 4, "", 1,
            "20240603081501", -(34 + 36.2232 / 60), -(58 + 22.8954 / 60), 18.52);
        row("ssmd, last, high north, the accelerometer sample passed over", "ssmd-track", ssmdFile,
            4, "", 3, "20240603081503", 69 + 38.976 / 60, 18 + 57.36 / 60, 0);
        row("ssmd, zero bytes", "ssmd-track", oneTrackFile({QByteArray(32, '\0')}, "ssmd", "meta"),
            -1, "ssmd track found, but none of its 32-byte samples holds a fix or a date");
        row("ssmd, fix cut to 31 bytes", "ssmd-track",
            oneTrackFile({ssmdFix(1, 4044.9826, -7359.067).chopped(1)}, "ssmd", "meta"), -1,
            "ssmd track found, but none of its 32-byte samples holds a fix or a date");

        // djmd protobuf messages.
        const QList<QByteArray> djmd{djmdMessage(0, 0, 0, 1, "dvtm_ac204.proto", false),
                                     djmdMessage(1, ba, baW),
                                     djmdMessage(2, north * M_PI / 180, east * M_PI / 180, 0)};
        const QByteArray djmdFile = oneTrackFile(djmd, "djmd", "meta");
        row("djmd, first without a position", "djmd-track", djmdFile, 3, "", 0, "20240603081500");
        row("djmd, second, south and west, degrees", "djmd-track", djmdFile, 3, "", 1,
            "20240603081501", ba, baW);
        row("djmd, last, high north, radians", "djmd-track", djmdFile, 3, "", 2, "20240603081502",
            north, east);
        row("djmd, another protocol", "djmd-track",
            oneTrackFile({djmdMessage(1, ba, baW, 1, "dvtm_wm265e.proto")}, "djmd", "meta"), -1,
            "djmd track found, but its protocol is not one whose position is known");
        row("djmd, message cut short", "djmd-track",
            oneTrackFile({djmdMessage(1, ba, baW).chopped(12)}, "djmd", "meta"), -1,
            "djmd track found, but none of its messages holds a position or a date");
        row("djmd, zero bytes", "djmd-track", oneTrackFile({QByteArray(40, '\0')}, "djmd", "meta"),
            -1, "djmd track found, but its protocol is not one whose position is known");
        QByteArray overlong = djmdMessage(1, ba, baW);
        overlong[1] = char(0x7f); // the first field claims more than the message holds
        row("djmd, a length past the end", "djmd-track", oneTrackFile({overlong}, "djmd", "meta"),
            -1, "djmd track found, but its protocol is not one whose position is known");

        // GPMF records in the media data, listed by no picture or sound track.
        const QByteArray junk(1000, 'G');
        const QByteArray three = gpmfRecord("240603081500.000", 0, 0, 0) +
                                 gpmfRecord("240603081501.000", ba, baW) + junk +
                                 gpmfRecord("240603081502.000", north, east);
        const QByteArray scanned = oneTrackFile({junk, three, junk}, "abcd", "meta");
        row("GPMF scanned, first without a fix", "gpmf-scanned", scanned, 3, "", 0,
            "20240603081500");
        row("GPMF scanned, second, south and west, m/s", "gpmf-scanned", scanned, 3, "", 1,
            "20240603081501", ba, baW, 36);
        row("GPMF scanned, last after bytes between, high north", "gpmf-scanned", scanned, 3, "", 2,
            "20240603081502", north, east, 36);
        row("GPMF scanned, inside the picture's samples: not looked at", "gpmf-scanned",
            oneTrackFile({junk, three}, "avc1", "vide"), -1);
        row("GPMF scanned, the last record cut short", "gpmf-scanned",
            oneTrackFile({three.chopped(4)}, "abcd", "meta"), 2, "", 1, "20240603081501", ba, baW);
        row("GPMF scanned, a size past the end", "gpmf-scanned",
            oneTrackFile({gpmfRecord("240603081501.000", ba, baW).replace(4, 4, be32(0xffffff))},
                         "abcd", "meta"),
            -1);
        row("GPMF scanned, no GPS time", "gpmf-scanned",
            oneTrackFile({gpmfRecord("2406030815xx.000", ba, baW)}, "abcd", "meta"), -1,
            "GPMF records found in the media data, but none holds a GPS time");
        row("GPMF scanned, zero bytes", "gpmf-scanned",
            oneTrackFile({QByteArray(4096, '\0')}, "abcd", "meta"), -1);
    }

    void reads()
    {
        QFETCH(QString, layout);
        QFETCH(QByteArray, file);
        QFETCH(int, lines);
        QFETCH(QString, problem);
        QFETCH(int, line);
        QFETCH(QByteArray, time);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, kmh);
        ReaderReport report;
        QByteArray text;
        compareRead(furtherReader(qPrintable(layout)), file, lines, problem, &report, &text);
        if (QTest::currentTestFailed() || lines < 0)
            return;
        QVERIFY(!report.localTime);
        compareLine(text, line, time, latitude, longitude, kmh);
    }
};

QTEST_GUILESS_MAIN(TestMetaTracks)
#include "tst_metatracks.moc"
