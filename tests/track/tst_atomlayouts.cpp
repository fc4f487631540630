// The layouts kept whole in one box or after the movie, and the subtitle track with seconds of GGA
// alone, on files built byte by byte: which line holds what, the clock, and what damaged or
// foreign input gives.
#include "bytebuilders.h"

#include <QtTest>

namespace {

using namespace bytebuilders;

QByteArray movie()
{
    return box("moov", full("mvhd", QByteArray(96, '\0')));
}

QByteArray sentence(const QByteArray &body)
{
    unsigned sum = 0;
    for (char c : body)
        sum ^= uchar(c);
    return "$" + body + "*" + QByteArray::number(sum | 0x100, 16).right(2).toUpper() + "\r\n";
}
QByteArray rmc(const char *time, const char *position, const char *date = "030624")
{
    return sentence(QByteArray("GPRMC,") + time + ",A," + position + ",12.5,90.0," + date + ",,,A");
}
QByteArray voidRmc(const char *time)
{
    return sentence(QByteArray("GPRMC,") + time + ",V,,,,,,,030624,,,N");
}
QByteArray gga(const char *time, const char *position)
{
    return sentence(QByteArray("GPGGA,") + time + "," + position + ",1,08,0.9,20.0,M,0.0,M,,");
}
// Fifth Avenue, New York: north and west.
const char *const kNewYork = "4044.9826,N,07359.0670,W";
// Avenida 9 de Julio, Buenos Aires: south and west.
const char *const kBuenosAires = "3436.2232,S,05822.8954,W";
QByteArray pairAt(const char *time, const char *position = kNewYork)
{
    return rmc(time, position) + gga(time, position);
}

QByteArray nbmtFile(const QByteArray &text)
{
    return ftyp() + movie() + box("nbmt", text + QByteArray(16, '\0'));
}

QByteArray gdatFile(const QByteArray &fixes, bool base64 = true)
{
    const QByteArray json = "{\"cameraModel\":\"QM\",\"gpsData\":[" + fixes + "]}";
    return ftyp() + movie() + box("gdat", base64 ? json.toBase64() : json);
}
QByteArray gdatFix(const char *status, const char *time, double lat, double lon, double mph = 20)
{
    return QByteArray("{\"gpsStatus\":\"") + status + "\",\"datetime\":\"" + time +
           "\",\"lat\":" + QByteArray::number(lat, 'f', 7) +
           ",\"lon\":" + QByteArray::number(lon, 'f', 7) +
           ",\"speed\":" + QByteArray::number(mph, 'f', 2) +
           ",\"bearing\":180.5,\"xAcc\":1,\"yAcc\":2,\"zAcc\":3}";
}

// A field of exactly 14 characters.
QByteArray f14(const QByteArray &text)
{
    return text.leftJustified(14, '0', true);
}
QByteArray gpsDataRecord(const char *clock, const QByteArray &lat, const QByteArray &lon,
                         const QByteArray &kmh = "36.0")
{
    return QByteArray("GPSDATA--") + clock + f14(lat) + f14(lon) + f14(kmh) + f14("0.0") +
           f14("0.5") + f14("-0.25") + f14("1.0");
}
QByteArray trailerFile(const QByteArray &records, int cs = 22)
{
    return ftyp() + movie() + QByteArray(cs, 'C') + records;
}

} // namespace

class TestAtomLayouts : public QObject
{
    Q_OBJECT

private slots:
    void reads_data()
    {
        QTest::addColumn<QString>("layout");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("lines"); // -1: refused
        QTest::addColumn<QString>("problem");
        QTest::addColumn<int>("line"); // the line looked at
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<double>("latitude"); // 0: no fix on that line
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("kmh"); // -1: not looked at
        QTest::addColumn<bool>("localTime");
        const auto row = [](const char *name, const char *layout, const QByteArray &file, int lines,
                            const char *problem = "", int line = 0, const QByteArray &time = {},
                            double lat = 0, double lon = 0, double kmh = -1, bool local = false) {
            QTest::newRow(name) << QString::fromLatin1(layout) << file << lines
                                << QString::fromLatin1(problem) << line << time << lat << lon << kmh
                                << local;
        };
        const double ny = 40.0 + 44.9826 / 60, nyW = -(73.0 + 59.067 / 60);
        const double ba = -(34.0 + 36.2232 / 60), baW = -(58.0 + 22.8954 / 60);

        // nbmt: sentences of one time make one line; GGA alone takes the RMC's date.
        const QByteArray pair = pairAt("081500.00");
        row("nbmt, first line, north and west", "nmea-nbmt",
            nbmtFile(pair + rmc("081501.00", kBuenosAires) + gga("081502.00", kNewYork)), 3, "", 0,
            "20240603081500", ny, nyW, 12.5 * 1.852);
        row("nbmt, second line, south and west", "nmea-nbmt",
            nbmtFile(pair + rmc("081501.00", kBuenosAires) + gga("081502.00", kNewYork)), 3, "", 1,
            "20240603081501", ba, baW, 12.5 * 1.852);
        row("nbmt, last line GGA alone, dated by the RMC", "nmea-nbmt",
            nbmtFile(pair + gga("081501.00", kBuenosAires)), 2, "", 1, "20240603081501", ba, baW);
        row("nbmt, GGA alone past midnight, the next day", "nmea-nbmt",
            nbmtFile(rmc("235959.00", kNewYork) + gga("000000.00", kNewYork)), 2, "", 1,
            "20240604000000", ny, nyW);
        row("nbmt, GGA before any RMC, no place", "nmea-nbmt",
            nbmtFile(gga("081459.00", kNewYork) + pair), 1, "", 0, "20240603081500", ny, nyW);
        row("nbmt, void RMC, no fix but the clock", "nmea-nbmt",
            nbmtFile(voidRmc("081500.00") + pairAt("081501.00")), 2, "", 0, "20240603081500");
        row("nbmt, zero bytes only", "nmea-nbmt", nbmtFile(QByteArray(64, '\0')), -1,
            "a top-level nbmt atom found, but it holds no RMC or GGA sentences");
        row("nbmt, checksum wrong", "nmea-nbmt",
            nbmtFile(rmc("081500.00", kNewYork).replace("12.5", "12.6")), -1,
            "a top-level nbmt atom found, but it holds no RMC or GGA sentences");
        // The walk stops at a head running past the end: no atom, no claim.
        row("nbmt, cut short", "nmea-nbmt", nbmtFile(pair).chopped(30), -1);
        row("nbmt, in another atom", "nmea-nbmt", ftyp() + movie() + box("nbmx", pair), -1);

        // gdat: Base64 JSON, mph, the camera's clock.
        const QByteArray two = gdatFix("V", "2024-06-03T08:15:00", 0, 0) + "," +
                               gdatFix("A", "2024-06-03T08:15:01", -34.6037200, -58.3815900) + "," +
                               gdatFix("A", "2024-06-03T08:15:02", 69.6496, 18.956, 0);
        row("gdat, first fix void", "gdat-json", gdatFile(two), 3, "", 0, "20240603081500", 0, 0,
            -1, true);
        row("gdat, second, south and west, mph", "gdat-json", gdatFile(two), 3, "", 1,
            "20240603081501", -34.60372, -58.38159, 20 * 1.609344, true);
        row("gdat, last, high north and east, standing", "gdat-json", gdatFile(two), 3, "", 2,
            "20240603081502", 69.6496, 18.956, 0, true);
        row("gdat, not Base64", "gdat-json", gdatFile(two, false), -1,
            "a top-level gdat atom found, but it holds no Base64 JSON with gpsData");
        const QByteArray json = "{\"gpsData\":[" + two + "]}";
        row("gdat, cut in its text", "gdat-json",
            ftyp() + movie() + box("gdat", json.toBase64().chopped(40)), -1,
            "a top-level gdat atom found, but it holds no Base64 JSON with gpsData");
        row("gdat, fixes without a date", "gdat-json",
            gdatFile(gdatFix("A", "yesterday", 35.0, 139.0)), -1,
            "a top-level gdat atom found, but none of its fixes holds a date");

        // GPSDATA records behind a run of C bytes.
        const QByteArray three = gpsDataRecord("20240603081500", "N0.0", "E0.0", "0.0") +
                                 gpsDataRecord("20240603081501", "S34.6037200", "W58.3815900") +
                                 gpsDataRecord("20240603081502", "N69.6496000", "E18.9560000");
        row("GPSDATA, first record without a fix", "gpsdata-trailer", trailerFile(three), 3, "", 0,
            "20240603081500", 0, 0, -1, true);
        row("GPSDATA, second, south and west", "gpsdata-trailer", trailerFile(three), 3, "", 1,
            "20240603081501", -34.60372, -58.38159, 36, true);
        row("GPSDATA, last, high north and east", "gpsdata-trailer", trailerFile(three), 3, "", 2,
            "20240603081502", 69.6496, 18.956, 36, true);
        row("GPSDATA, last record cut short", "gpsdata-trailer", trailerFile(three).chopped(5), 2,
            "", 1, "20240603081501", -34.60372, -58.38159, -1, true);
        row("GPSDATA, a longer run of C bytes", "gpsdata-trailer", trailerFile(three, 300), 3, "",
            1, "20240603081501", -34.60372, -58.38159, -1, true);
        QByteArray zeros = gpsDataRecord("20240603081500", "N1.0", "E1.0");
        zeros.replace(23, 28, QByteArray(28, '\0'));
        row("GPSDATA, position of zero bytes", "gpsdata-trailer", trailerFile(zeros), 1, "", 0,
            "20240603081500", 0, 0, -1, true);
        row("GPSDATA, run too short", "gpsdata-trailer", trailerFile(three, 7), -1);
        row("GPSDATA, clock not digits", "gpsdata-trailer",
            trailerFile(gpsDataRecord("2024060308150x", "N1.0", "E1.0")), -1,
            "GPSDATA records found after the movie box, but none holds a date");
        row("GPSDATA, no movie box before", "gpsdata-trailer", ftyp() + QByteArray(22, 'C') + three,
            -1);

        // A subtitle track where a second holds GGA alone.
        const QList<QByteArray> samples{be16(quint16(pair.size())) + pair,
                                        be16(quint16(gga("081501.00", kBuenosAires).size())) +
                                            gga("081501.00", kBuenosAires),
                                        be16(quint16(pair.size())) + pairAt("081502.00")};
        row("text, GGA alone dated by the RMC before", "text-track-gga",
            oneTrackFile(samples, "tx3g", "text"), 3, "", 1, "20240603081501", ba, baW);
        row("text, the RMC after it", "text-track-gga", oneTrackFile(samples, "tx3g", "text"), 3,
            "", 2, "20240603081502", ny, nyW, 12.5 * 1.852);
        row("text, every second with RMC: left to the text track", "text-track-gga",
            oneTrackFile({samples[0], samples[2]}, "tx3g", "text"), -1);
        row("text, GGA alone before any RMC: left to the text track", "text-track-gga",
            oneTrackFile({samples[1], samples[0]}, "tx3g", "text"), -1);
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
        QFETCH(bool, localTime);
        ReaderReport report;
        QByteArray text;
        compareRead(furtherReader(qPrintable(layout)), file, lines, problem, &report, &text);
        if (QTest::currentTestFailed() || lines < 0)
            return;
        QCOMPARE(report.localTime, localTime);
        compareLine(text, line, time, latitude, longitude, kmh);
    }

    // The accelerometer's axes in g become 256 counts to the g; a record without them none.
    void gpsDataAccelerometer()
    {
        ReaderReport report;
        QByteArray text;
        const QByteArray file =
            trailerFile(gpsDataRecord("20240603081501", "S34.6037200", "W58.3815900"));
        QCOMPARE(runReader(furtherReader("gpsdata-trailer"), file, &report, &text), 1);
        QVERIFY(report.hasAccel);
        QCOMPARE(lineAt(text, 0).g[0], 128);
    }
};

QTEST_GUILESS_MAIN(TestAtomLayouts)
#include "tst_atomlayouts.moc"
