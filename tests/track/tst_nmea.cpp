// The NMEA sentence parser on its edge cases, and the two readers of NMEA text kept in atoms on
// files built byte by byte: stamps, start times, accelerometer records, and damaged atoms.
#include "bytebuilders.h"
#include "nmeatext.h"

#include <QDateTime>
#include <QtTest>

#include <cmath>

namespace {

using namespace bytebuilders;

// The sentence with its checksum appended.
QByteArray withSum(const QByteArray &body)
{
    unsigned char sum = 0;
    for (int i = 1; i < body.size(); ++i)
        sum ^= static_cast<unsigned char>(body[i]);
    return body + '*' + QByteArray::number(sum, 16).rightJustified(2, '0').toUpper();
}

const QByteArray kFtyp = ftyp(0x200, "isommp41");
// Two seconds of a drive, then a sentence without a fix.
const QByteArray kRmc0 =
    withSum("$GPRMC,081200.00,A,3351.88200,S,15112.45000,E,10.000,90.0,010724,,,A");
const QByteArray kRmc1 =
    withSum("$GPRMC,081201.00,A,3351.88300,S,15112.45600,E,12.000,91.0,010724,,,A");
const QByteArray kRmc2 = withSum("$GPRMC,081202.00,V,,,,,,,010724,,,N");
// 2024-07-01 18:11:59.900 as milliseconds since 1970, and stamps after it.
constexpr qint64 kStart = Q_INT64_C(1719857519900);

QByteArray stamped(qint64 stamp, const QByteArray &sentence)
{
    return '[' + QByteArray::number(stamp) + ']' + sentence + "\r\n";
}

QByteArray accel(quint32 ms, qint16 x, qint16 y, qint16 z)
{
    return be32(ms) + be16(quint16(x)) + be16(quint16(y)) + be16(quint16(z));
}

// A clock as UTC text in format, empty for none.
QString utc(int64_t clock, const char *format)
{
    return clock == kNoClock ? QString()
                             : QDateTime::fromMSecsSinceEpoch(clock, Qt::UTC)
                                   .toString(QString::fromLatin1(format));
}

QByteArray freeBox(const QByteArray &children)
{
    return box("free", children);
}

} // namespace

class TestNmea : public QObject
{
    Q_OBJECT

private slots:
    void sentences_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("kind"); // None: not parsed
        QTest::addColumn<bool>("fix");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("knots");
        QTest::addColumn<QString>("clock"); // yyyy-MM-dd hh:mm:ss.zzz UTC, empty: none

        const int rmc = NmeaSentence::Rmc, gga = NmeaSentence::Gga;
        const double lat = -(33 + 51.882 / 60), lon = 151 + 12.45 / 60;
        const QString t0 = QStringLiteral("2024-07-01 08:12:00.000");
        const auto refused = [](const char *name, const QByteArray &text) {
            QTest::newRow(name) << text << int(NmeaSentence::None) << false << 0.0 << 0.0 << 0.0
                                << QString();
        };
        QTest::newRow("north and east")
            << withSum("$GPRMC,081200.50,A,2232.47680,N,11403.51000,E,5.500,12.5,010724,,,A") << rmc
            << true << 22 + 32.4768 / 60 << 114 + 3.51 / 60 << 5.5 << "2024-07-01 08:12:00.500";
        QTest::newRow("north and west, three-digit degrees")
            << withSum("$GNRMC,235959,A,3843.20000,N,12209.30000,W,0.0,,311224,,,A") << rmc << true
            << 38 + 43.2 / 60 << -(122 + 9.3 / 60) << 0.0 << "2024-12-31 23:59:59.000";
        refused("checksum wrong",
                "$GPRMC,081200.00,A,3351.88200,S,15112.45000,E,10.000,90.0,010724,,,A*00");
        QTest::newRow("checksum in lower case")
            << kRmc0.left(kRmc0.size() - 2) + kRmc0.right(2).toLower() << rmc << true << lat << lon
            << 10.0 << t0;
        QTest::newRow("no checksum")
            << QByteArray("$GPRMC,081200,A,3351.882,S,15112.45,E,1,2,010724") << rmc << true << lat
            << lon << 1.0 << t0;
        refused("truncated in a field", "$GPRMC,081200.00,A,3351.88200,S,151");
        QTest::newRow("truncated checksum is not checked")
            << QByteArray("$GPRMC,081200,A,3351.882,S,15112.45,E,1,2,010724,,,A*7") << rmc << true
            << lat << lon << 1.0 << t0;
        QTest::newRow("no fix, empty fields")
            << kRmc2 << rmc << false << 0.0 << 0.0 << 0.0 << "2024-07-01 08:12:02.000";
        QTest::newRow("fix without a position") << withSum("$GPRMC,081200.00,A,,,,,3.0,,010724,,,A")
                                                << rmc << false << 0.0 << 0.0 << 3.0 << t0;
        QTest::newRow("position without its hemisphere")
            << withSum("$GPRMC,081200.00,A,3351.88200,,15112.45000,E,1.0,,010724,,,A") << rmc
            << false << 0.0 << 0.0 << 1.0 << t0;
        refused("no date", withSum("$GPRMC,081200.00,A,3351.882,S,15112.45,E,1,2,,,,A"));
        refused("letter in the time",
                withSum("$GPRMC,08a200.00,A,3351.882,S,15112.45,E,1,2,010724,,,A"));
        QTest::newRow("impossible date")
            << withSum("$GPRMC,081200.00,A,3351.882,S,15112.45,E,1,2,310224,,,A") << rmc << true
            << lat << lon << 1.0 << "";
        QTest::newRow("ends at the line end")
            << QByteArray("$GPRMC,081200,A,3351.882,S,15112.45,E,1,2,010724\r\n,,,garbage*00")
            << rmc << true << lat << lon << 1.0 << t0;
        QTest::newRow("GGA with a fix")
            << withSum("$GPGGA,081200.00,3351.88200,S,15112.45000,E,1,08,0.9,25.0,M,21.0,M,,")
            << gga << true << lat << lon << 0.0 << "";
        QTest::newRow("GGA without a fix") << withSum("$GPGGA,081200.00,,,,,0,00,99.9,,,,,,") << gga
                                           << false << 0.0 << 0.0 << 0.0 << "";
        refused("another sentence", withSum("$GPGSV,3,1,11,03,03,111,00,04,15,270,00"));
        refused("not a sentence", "GPRMC,081200,A");
    }

    void sentences()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, kind);
        QFETCH(bool, fix);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, knots);
        QFETCH(QString, clock);
        NmeaSentence s;
        const bool parsed = kind != NmeaSentence::None;
        QCOMPARE(parseNmeaSentence(text.constData(), std::size_t(text.size()), &s), parsed);
        if (!parsed)
            return;
        QCOMPARE(int(s.kind), kind);
        QCOMPARE(s.fix, fix);
        QVERIFY2(std::fabs(s.latitude - latitude) < 1e-9, qPrintable(QString::number(s.latitude)));
        QVERIFY2(std::fabs(s.longitude - longitude) < 1e-9,
                 qPrintable(QString::number(s.longitude)));
        QCOMPARE(s.speedKnots, knots);
        QCOMPARE(utc(nmeaClock(s), "yyyy-MM-dd hh:mm:ss.zzz"), clock);
    }

    void stamps_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QString>("stamps"); // one per RMC sentence found, "-" for none
        QTest::newRow("GGA lines pass")
            << stamped(1000, kRmc0) + stamped(1000, withSum("$GPGGA,081200.00,,,,,0,00,,,,,,,"))
            << "1000";
        QTest::newRow("no stamps") << kRmc0 + "\n" + kRmc1 << "- -";
        QTest::newRow("empty brackets") << "\n[]" + kRmc0 << "-";
        QTest::newRow("no opening bracket") << "123]" + kRmc0 << "-";
        QTest::newRow("letters in the stamp") << "[12a3]" + kRmc0 << "-";
        QTest::newRow("fifteen digits") << "[123456789012345]" + kRmc0 << "123456789012345";
        QTest::newRow("sixteen digits") << "[1234567890123456]" + kRmc0 << "-";
        QTest::newRow("checksum wrong passed over")
            << stamped(5, kRmc0.left(kRmc0.size() - 2) + "00") + stamped(6, kRmc1) << "6";
    }

    void stamps()
    {
        QFETCH(QByteArray, text);
        QFETCH(QString, stamps);
        QStringList got;
        for (const StampedRmc &r : rmcSentences(text.toStdString()))
            got << (r.stamped ? QString::number(r.stamp) : QStringLiteral("-"));
        QCOMPARE(got.join(QLatin1Char(' ')), stamps);
    }

    void cameraText_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("count");
        QTest::addColumn<bool>("fix");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("kmh");
        QTest::addColumn<double>("course");
        QTest::addColumn<QString>("clock");
        const QByteArray tail = "[+00315][050][325][C000000]+012-003+098";
        const QByteArray fix = "240701082400[1][N][38431234][W][009085089]";
        const double lat = 38 + 431234 / 600000.0, lon = -(9 + 85089 / 600000.0);
        const QString t0 = QStringLiteral("2024-07-01 08:24:00");
        const auto refused = [](const char *name, const QByteArray &text) {
            QTest::newRow(name) << text << 0 << false << 0.0 << 0.0 << 0.0 << 0.0 << QString();
        };
        QTest::newRow("north and west")
            << fix + tail << 1 << true << lat << lon << 50.0 << 325.0 << t0;
        QTest::newRow("no fix flag") << "240701082400[0][N][00000000][E][000000000]" + tail << 1
                                     << false << 0.0 << 0.0 << 50.0 << 325.0 << t0;
        QTest::newRow("line ends after the longitude")
            << fix << 1 << true << lat << lon << 0.0 << 0.0 << t0;
        QTest::newRow("impossible month") << "241301082400[1][N][38431234][W][009085089]" + tail
                                          << 1 << true << lat << lon << 50.0 << 325.0 << "";
        refused("latitude of seven digits", "240701082400[1][N][3843123][W][009085089]" + tail);
        refused("no hemisphere", "240701082400[1][][38431234][W][009085089]" + tail);
        refused("inside a word", 'x' + fix + tail);
        refused("eleven digits", "24070108240[1][N][38431234][W][009085089]" + tail);
    }

    void cameraText()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, count);
        QFETCH(bool, fix);
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(double, kmh);
        QFETCH(double, course);
        QFETCH(QString, clock);
        const std::vector<GpsSample> samples = cameraTextLines(text.toStdString());
        QCOMPARE(int(samples.size()), count);
        if (count == 0)
            return;
        const GpsSample &s = samples.front();
        QCOMPARE(s.fix, fix);
        QVERIFY(std::fabs(s.latitude - latitude) < 1e-12);
        QVERIFY(std::fabs(s.longitude - longitude) < 1e-12);
        QCOMPARE(s.speedKmh, kmh);
        QCOMPARE(s.course, course);
        QCOMPARE(s.time, -1.0);
        QCOMPARE(utc(s.clock, "yyyy-MM-dd hh:mm:ss"), clock);
    }

    // The readers on whole (small) files: which one reads it, what it says, and the first line.
    void readers_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("freeBox"); // readNmeaFreeBox, else readNmeaAtom
        QTest::addColumn<int>("lines");    // -1: nothing read
        QTest::addColumn<QString>("variant");
        QTest::addColumn<QString>("problem");
        QTest::addColumn<QByteArray>("firstLine");

        const QByteArray lines = stamped(kStart + 150, kRmc0) + stamped(kStart + 1160, kRmc1) +
                                 stamped(kStart + 2170, kRmc2);
        const QByteArray sttm = box("sttm", be32(quint32(kStart >> 32)) + be32(quint32(kStart)));
        const QByteArray g = box("3gf ", accel(0, 128, -64, 12) + accel(1000, 130, 0, 0) +
                                             accel(0xffffffffu, 1, 1, 1) + accel(2000, 5, 5, 5));
        const QByteArray first = "A20240701081200,3351.882000,S,15112.450000,E,10.00,90.00,";
        const QByteArray pad(64, '\0');
        QTest::newRow("stamped, start time, accelerometer")
            << kFtyp + freeBox(sttm + box("gps ", lines + pad) + g) << true << 3
            << "stamped lines timed from the start time atom, accelerometer"
            << "" << first + "256,-128,24\n";
        QTest::newRow("stamped, no start time") << kFtyp + freeBox(box("gps ", lines)) << true << 3
                                                << "stamped lines timed from the first stamp"
                                                << "" << first + "0,0,0\n";
        QTest::newRow("start time of another clock is not used")
            << kFtyp + freeBox(box("sttm", be32(0) + be32(5000)) + box("gps ", lines)) << true << 3
            << "stamped lines timed from the first stamp"
            << "" << first + "0,0,0\n";
        QTest::newRow("accelerometer atom cut inside a record")
            << kFtyp + freeBox(sttm + box("gps ", lines) + box("3gf ", accel(0, 2, 4, 6) + "\1\2"))
            << true << 3 << "stamped lines timed from the start time atom, accelerometer"
            << "" << first + "4,8,12\n";
        QTest::newRow("stamps 20 s after the start time")
            << kFtyp + freeBox(sttm + box("gps ", stamped(kStart + 20100, kRmc0))) << true << 21
            << "stamped lines timed from the start time atom"
            << "" << QByteArray("V20240701081140,0.000000,N,0.000000,E,0.00,0.00,0,0,0\n");
        QTest::newRow("lines without stamps are not this layout")
            << kFtyp + freeBox(box("gps ", kRmc0 + "\n" + kRmc1)) << true << -1 << ""
            << "" << QByteArray();
        QTest::newRow("gps atom larger than its free box")
            << kFtyp + freeBox(be32(4000) + "gps " + lines) << true << -1 << ""
            << "" << QByteArray();
        QTest::newRow("stamped lines, no date or position")
            << kFtyp + freeBox(box("gps ", stamped(1, withSum("$GPRMC,081200,V,,,,,,,000000,,,N"))))
            << true << -1 << ""
            << "NMEA text in a gps atom inside a free box found, but no sentence holds a date or "
               "a position"
            << QByteArray();

        QTest::newRow("udat, a gap and a sentence before the first date")
            << kFtyp + box("mdat", pad) +
                   box("udat", withSum("$GPRMC,,V,,,,,,,,,,N") + "\r\n" + kRmc0 + "\r\n" + kRmc2 +
                                   "\r\n" + pad)
            << false << 3 << "NMEA text in a top-level udat atom"
            << "" << first + "0,0,0\n";
        QTest::newRow("udat without RMC")
            << kFtyp + box("udat", "hello" + pad) << false << -1
            << "NMEA text in a top-level udat atom"
            << "a top-level udat atom found, but it holds neither RMC sentences nor camera text "
               "lines"
            << QByteArray();
        QTest::newRow("udat cut short is not seen")
            << QByteArray(kFtyp + box("udat", kRmc0 + "\n" + kRmc1)).left(60) << false << -1 << ""
            << "" << QByteArray();
        QTest::newRow("udat inside another box is not seen")
            << kFtyp + box("moov", box("udat", kRmc0)) << false << -1 << ""
            << "" << QByteArray();
        QTest::newRow("clock running backwards")
            << kFtyp + box("udat", kRmc1 + "\n" + kRmc0 + "\n") << false << 2
            << "NMEA text in a top-level udat atom"
            << "" << QByteArray("A20240701081201,3351.883000,S,15112.456000,E,12.00,91.00,0,0,0\n");
    }

    void readers()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, freeBox);
        QFETCH(int, lines);
        QFETCH(QString, variant);
        QFETCH(QString, problem);
        QFETCH(QByteArray, firstLine);
        QByteArray text;
        TrackReport report;
        const int result =
            runReader(freeBox ? readNmeaFreeBox : readNmeaAtom, file, &report, &text);
        QCOMPARE(result, lines);
        QCOMPARE(QString::fromStdString(report.problem), problem);
        if (lines < 0)
            return;
        QCOMPARE(QString::fromStdString(report.variant), variant);
        QCOMPARE(report.hasAccel, variant.endsWith(QLatin1String("accelerometer")));
        QCOMPARE(text.left(text.indexOf('\n') + 1), firstLine);
        QCOMPARE(text.count('\n'), lines);
    }
};

QTEST_GUILESS_MAIN(TestNmea)
#include "tst_nmea.moc"
