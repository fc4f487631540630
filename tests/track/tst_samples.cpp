// The shared sample machinery and the NMEA text readers, on files built byte by byte.
#include "bytebuilders.h"
#include "nmeatext.h"

#include <QDateTime>
#include <QtTest>

#include <cmath>

namespace {

using namespace bytebuilders;

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
// 2024-05-16 08:00:00 UTC.
const int64_t kEight = clockOf(2024, 5, 16, 8, 0, 0);

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

GpsSample fixAt(double time, int64_t clock, double lat, double lon, double kmh = 18.52)
{
    return GpsSample{time, clock, true, lat, lon, kmh, 90, true, true};
}

// Lines of the seconds track on 2024-05-16 08:00:0s: "A" lines at position pos, "V" no-fix lines.
QByteArray secondLines(const char *kinds, int from, const QByteArray &pos)
{
    QByteArray b;
    for (int s = from; *kinds; ++kinds, ++s)
        b += *kinds + QByteArray("2024051608000") + char('0' + s) +
             (*kinds == 'A' ? pos : QByteArray(",0.000000,N,0.000000,E,0.00,0.00,0,0,0\n"));
    return b;
}

// What a sentence or a camera text line is expected to give; kind None or count 0: refused.
struct Parsed
{
    int kind; // sentences: NmeaSentence::Kind; camera text: the count of samples
    bool fix;
    double latitude, longitude, speed, course;
    QString clock; // UTC text, empty: none
};

} // namespace

Q_DECLARE_METATYPE(DecodedTrack)
Q_DECLARE_METATYPE(Parsed)

class TestSamples : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void clockOfChecksEveryField_data()
    {
        using Date = QList<int>;
        QTest::addColumn<Date>("date"); // year, month, day, hour
        QTest::addColumn<double>("second");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("epoch") << Date{1970, 1, 1, 0} << 0.0 << qint64(0);
        QTest::newRow("leap day") << Date{2024, 2, 29, 0} << 0.0 << qint64(1709164800000);
        QTest::newRow("milliseconds") << Date{2024, 5, 16, 8} << 1.25 << qint64(kEight + 1250);
        QTest::newRow("no leap day in 2023") << Date{2023, 2, 29, 0} << 0.0 << qint64(kNoClock);
        QTest::newRow("month 13") << Date{2024, 13, 1, 0} << 0.0 << qint64(kNoClock);
        QTest::newRow("hour 24") << Date{2024, 1, 1, 24} << 0.0 << qint64(kNoClock);
        QTest::newRow("second 61") << Date{2024, 1, 1, 0} << 61.0 << qint64(kNoClock);
        QTest::newRow("year 0") << Date{0, 1, 1, 0} << 0.0 << qint64(kNoClock);
    }
    void clockOfChecksEveryField()
    {
        QFETCH(QList<int>, date);
        QFETCH(double, second);
        QFETCH(qint64, expected);
        QCOMPARE(qint64(clockOf(date[0], date[1], date[2], date[3], 0, second)), expected);
    }

    void oneLinePerSecond_data()
    {
        QTest::addColumn<DecodedTrack>("track");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray p1020 = ",1000.000000,N,2000.000000,E,10.00,90.00,0,0,0\n";

        DecodedTrack fast; // 10 Hz for 2.4 s, moving north
        for (int i = 0; i < 25; ++i)
            fast.samples.push_back(fixAt(i * 0.1, kEight + i * 100, 22.5 + i * 0.0001, 114.0));
        QByteArray north;
        for (const char *lat : {"2230.000000", "2230.060000", "2230.120000"})
            north += secondLines("A", north.count('\n'),
                                 ',' + QByteArray(lat) + ",N,11400.000000,E,10.00,90.00,0,0,0\n");
        QTest::newRow("10 Hz: the sample at each whole second") << fast << north;

        DecodedTrack gap; // a tunnel: nothing for two seconds
        gap.samples = {fixAt(0, kEight, -33.5, -70.25), fixAt(1, kEight + 1000, -33.5, -70.25),
                       fixAt(4, kEight + 4000, -33.5, -70.25)};
        QTest::newRow("gap: no-fix lines, the clock goes on")
            << gap << secondLines("AAVVA", 0, ",3330.000000,S,7015.000000,W,10.00,90.00,0,0,0\n");

        DecodedTrack untimed; // blocks without a time: one a second, in order
        untimed.samples = {fixAt(-1, kEight + 7000, 10, 20), fixAt(-1, kNoClock, 0, 20),
                           fixAt(-1, kEight + 9000, 10, 20)};
        untimed.accel = {{1.0, 0.5, -0.25, 1.0}};
        QTest::newRow("untimed samples, a zero position, acceleration")
            << untimed
            << secondLines("A", 7, p1020) +
                   "V20240516080008,0.000000,N,0.000000,E,0.00,0.00,128,-64,256\n" +
                   secondLines("A", 9, p1020);

        DecodedTrack stamped; // each sample stamped a little after its second, one missing
        stamped.samples = {fixAt(0.05, kEight, 10, 20), fixAt(1.05, kEight + 1000, 10, 20),
                           fixAt(3.05, kEight + 3000, 10, 20)};
        QTest::newRow("late stamps: the missing second keeps its own time")
            << stamped << secondLines("AAVA", 0, p1020);

        DecodedTrack positionsOnly; // 10 m a second eastwards, then standing, heading kept
        for (int i = 0; i < 3; ++i) // course not recorded: must not show
            positionsOnly.samples.push_back({double(i), kEight + i * 1000, true, 1.0,
                                             10.0 + std::min(i, 1) * 0.0000898452, 18.52, 45, false,
                                             false});
        QTest::newRow("positions only: speed and course from the way between fixes")
            << positionsOnly
            << QByteArray("A20240516080000,100.000000,N,1000.000000,E,19.44,90.00,0,0,0\n"
                          "A20240516080001,100.000000,N,1000.005391,E,19.44,90.00,0,0,0\n"
                          "A20240516080002,100.000000,N,1000.005391,E,0.00,90.00,0,0,0\n");

        DecodedTrack late; // the first fix comes late; the seconds before it have no clock
        late.samples = {fixAt(2, kNoClock, 1, 1)};
        QTest::newRow("no clock anywhere")
            << late
            << QByteArray("V20000000000000,0.000000,N,0.000000,E,0.00,0.00,0,0,0\n").repeated(2) +
                   "A20000000000000,100.000000,N,100.000000,E,10.00,90.00,0,0,0\n";

        DecodedTrack nothing;
        nothing.samples = {GpsSample(), GpsSample()};
        nothing.samples[0].time = nothing.samples[1].time = 0;
        QTest::newRow("neither fix nor clock: no track") << nothing << QByteArray();
        QTest::newRow("no samples: no track") << DecodedTrack{} << QByteArray();

        DecodedTrack hostile;
        hostile.samples = {fixAt(0, kEight, 1, 1, std::nan("")), fixAt(1e12, kEight, 1, 1),
                           fixAt(std::nan(""), kEight + 1000, 1, 1)};
        QTest::newRow("absurd and undefined values")
            << hostile
            << secondLines("A", 0, ",100.000000,N,100.000000,E,0.00,90.00,0,0,0\n") +
                   secondLines("A", 1, ",100.000000,N,100.000000,E,10.00,90.00,0,0,0\n");
    }
    void oneLinePerSecond()
    {
        QFETCH(DecodedTrack, track);
        QFETCH(QByteArray, expected);
        const QString path = m_dir.filePath(QStringLiteral("track.txt"));
        QFile::remove(path);
        const int lines = writeSecondsTrack(track, QFile::encodeName(path).constData());
        QCOMPARE(lines, expected.isEmpty() ? -1 : int(expected.count('\n')));
        QFile f(path);
        if (expected.isEmpty())
            return;
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), expected);
    }

    void sentences_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Parsed>("expected");
        const int rmc = NmeaSentence::Rmc, gga = NmeaSentence::Gga;
        const double lat = -(33 + 51.882 / 60), lon = 151 + 12.45 / 60;
        const QString t0 = QStringLiteral("2024-07-01 08:12:00.000");
        const auto row = [](const char *name, const QByteArray &text,
                            const Parsed &p = {NmeaSentence::None, false, 0, 0, 0, 0, {}}) {
            QTest::newRow(name) << text << p;
        };
        row("north and east",
            withSum("$GPRMC,081200.50,A,2232.47680,N,11403.51000,E,5.500,12.5,010724,,,A"),
            {rmc, true, 22 + 32.4768 / 60, 114 + 3.51 / 60, 5.5, 0, "2024-07-01 08:12:00.500"});
        row("north and west, three-digit degrees",
            withSum("$GNRMC,235959,A,3843.20000,N,12209.30000,W,0.0,,311224,,,A"),
            {rmc, true, 38 + 43.2 / 60, -(122 + 9.3 / 60), 0, 0, "2024-12-31 23:59:59.000"});
        row("checksum wrong",
            "$GPRMC,081200.00,A,3351.88200,S,15112.45000,E,10.000,90.0,010724,,,A*00");
        row("checksum in lower case", kRmc0.left(kRmc0.size() - 2) + kRmc0.right(2).toLower(),
            {rmc, true, lat, lon, 10, 0, t0});
        row("no checksum", "$GPRMC,081200,A,3351.882,S,15112.45,E,1,2,010724",
            {rmc, true, lat, lon, 1, 0, t0});
        row("truncated in a field", "$GPRMC,081200.00,A,3351.88200,S,151");
        row("truncated checksum is not checked",
            "$GPRMC,081200,A,3351.882,S,15112.45,E,1,2,010724,,,A*7",
            {rmc, true, lat, lon, 1, 0, t0});
        row("no fix, empty fields", kRmc2, {rmc, false, 0, 0, 0, 0, "2024-07-01 08:12:02.000"});
        row("fix without a position", withSum("$GPRMC,081200.00,A,,,,,3.0,,010724,,,A"),
            {rmc, false, 0, 0, 3, 0, t0});
        row("position without its hemisphere",
            withSum("$GPRMC,081200.00,A,3351.88200,,15112.45000,E,1.0,,010724,,,A"),
            {rmc, false, 0, 0, 1, 0, t0});
        row("no date", withSum("$GPRMC,081200.00,A,3351.882,S,15112.45,E,1,2,,,,A"));
        row("letter in the time",
            withSum("$GPRMC,08a200.00,A,3351.882,S,15112.45,E,1,2,010724,,,A"));
        row("impossible date", withSum("$GPRMC,081200.00,A,3351.882,S,15112.45,E,1,2,310224,,,A"),
            {rmc, true, lat, lon, 1, 0, {}});
        row("ends at the line end",
            "$GPRMC,081200,A,3351.882,S,15112.45,E,1,2,010724\r\n,,,garbage*00",
            {rmc, true, lat, lon, 1, 0, t0});
        row("GGA with a fix",
            withSum("$GPGGA,081200.00,3351.88200,S,15112.45000,E,1,08,0.9,25.0,M,21.0,M,,"),
            {gga, true, lat, lon, 0, 0, {}});
        row("GGA without a fix", withSum("$GPGGA,081200.00,,,,,0,00,99.9,,,,,,"),
            {gga, false, 0, 0, 0, 0, {}});
        row("another sentence", withSum("$GPGSV,3,1,11,03,03,111,00,04,15,270,00"));
        row("not a sentence", "GPRMC,081200,A");
    }

    void sentences()
    {
        QFETCH(QByteArray, text);
        QFETCH(Parsed, expected);
        NmeaSentence s;
        const bool parsed = expected.kind != NmeaSentence::None;
        QCOMPARE(parseNmeaSentence(text.constData(), std::size_t(text.size()), &s), parsed);
        if (!parsed)
            return;
        QCOMPARE(int(s.kind), expected.kind);
        QCOMPARE(s.fix, expected.fix);
        QVERIFY2(std::fabs(s.latitude - expected.latitude) < 1e-9,
                 qPrintable(QString::number(s.latitude)));
        QVERIFY2(std::fabs(s.longitude - expected.longitude) < 1e-9,
                 qPrintable(QString::number(s.longitude)));
        QCOMPARE(s.speedKnots, expected.speed);
        QCOMPARE(utc(nmeaClock(s), "yyyy-MM-dd hh:mm:ss.zzz"), expected.clock);
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
        QTest::addColumn<Parsed>("expected");
        const QByteArray tail = "[+00315][050][325][C000000]+012-003+098";
        const QByteArray fix = "240701082400[1][N][38431234][W][009085089]";
        const double lat = 38 + 431234 / 600000.0, lon = -(9 + 85089 / 600000.0);
        const QString t0 = QStringLiteral("2024-07-01 08:24:00");
        const auto row = [](const char *name, const QByteArray &text,
                            const Parsed &p = {0, false, 0, 0, 0, 0, {}}) {
            QTest::newRow(name) << text << p;
        };
        row("north and west", fix + tail, {1, true, lat, lon, 50, 325, t0});
        row("no fix flag", "240701082400[0][N][00000000][E][000000000]" + tail,
            {1, false, 0, 0, 50, 325, t0});
        row("line ends after the longitude", fix, {1, true, lat, lon, 0, 0, t0});
        row("impossible month", "241301082400[1][N][38431234][W][009085089]" + tail,
            {1, true, lat, lon, 50, 325, {}});
        // Refused:
        row("latitude of seven digits", "240701082400[1][N][3843123][W][009085089]" + tail);
        row("no hemisphere", "240701082400[1][][38431234][W][009085089]" + tail);
        row("inside a word", 'x' + fix + tail);
        row("eleven digits", "24070108240[1][N][38431234][W][009085089]" + tail);
    }

    void cameraText()
    {
        QFETCH(QByteArray, text);
        QFETCH(Parsed, expected);
        const std::vector<GpsSample> samples = cameraTextLines(text.toStdString());
        QCOMPARE(int(samples.size()), expected.kind);
        if (expected.kind == 0)
            return;
        const GpsSample &s = samples.front();
        QCOMPARE(s.fix, expected.fix);
        QVERIFY(std::fabs(s.latitude - expected.latitude) < 1e-12);
        QVERIFY(std::fabs(s.longitude - expected.longitude) < 1e-12);
        QCOMPARE(s.speedKmh, expected.speed);
        QCOMPARE(s.course, expected.course);
        QCOMPARE(s.time, -1.0);
        QCOMPARE(utc(s.clock, "yyyy-MM-dd hh:mm:ss"), expected.clock);
    }

    // The readers on whole (small) files: which one reads it, what it says, and the first line.
    void readers_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("freeBox"); // readNmeaFreeBox, else readNmeaAtom
        QTest::addColumn<int>("lines");    // -1: nothing read
        QTest::addColumn<QString>("said"); // the variant read, or the problem when nothing was
        QTest::addColumn<QByteArray>("firstLine");
        const auto row = [](const char *name, const QByteArray &afterFtyp, bool freeBox, int lines,
                            const char *said = "", const QByteArray &firstLine = {}) {
            QTest::newRow(name) << kFtyp + afterFtyp << freeBox << lines
                                << QString::fromLatin1(said) << firstLine;
        };

        const QByteArray lines = stamped(kStart + 150, kRmc0) + stamped(kStart + 1160, kRmc1) +
                                 stamped(kStart + 2170, kRmc2);
        const QByteArray sttm = box("sttm", be32(quint32(kStart >> 32)) + be32(quint32(kStart)));
        const QByteArray g = box("3gf ", accel(0, 128, -64, 12) + accel(1000, 130, 0, 0) +
                                             accel(0xffffffffu, 1, 1, 1) + accel(2000, 5, 5, 5));
        const QByteArray first = "A20240701081200,3351.882000,S,15112.450000,E,10.00,90.00,";
        const QByteArray pad(64, '\0');
        const char *fromStamp = "stamped lines timed from the first stamp";
        const char *withAccel = "stamped lines timed from the start time atom, accelerometer";
        const char *udat = "NMEA text in a top-level udat atom";
        row("stamped, start time, accelerometer", box("free", sttm + box("gps ", lines + pad) + g),
            true, 3, withAccel, first + "256,-128,24\n");
        row("stamped, no start time", box("free", box("gps ", lines)), true, 3, fromStamp,
            first + "0,0,0\n");
        row("start time of another clock is not used",
            box("free", box("sttm", be32(0) + be32(5000)) + box("gps ", lines)), true, 3, fromStamp,
            first + "0,0,0\n");
        row("accelerometer atom cut inside a record",
            box("free", sttm + box("gps ", lines) + box("3gf ", accel(0, 2, 4, 6) + "\1\2")), true,
            3, withAccel, first + "4,8,12\n");
        row("stamps 20 s after the start time",
            box("free", sttm + box("gps ", stamped(kStart + 20100, kRmc0))), true, 21,
            "stamped lines timed from the start time atom",
            "V20240701081140,0.000000,N,0.000000,E,0.00,0.00,0,0,0\n");
        row("lines without stamps are not this layout",
            box("free", box("gps ", kRmc0 + "\n" + kRmc1)), true, -1);
        row("gps atom larger than its free box", box("free", be32(4000) + "gps " + lines), true,
            -1);
        row("stamped lines, no date or position",
            box("free", box("gps ", stamped(1, withSum("$GPRMC,081200,V,,,,,,,000000,,,N")))), true,
            -1,
            "NMEA text in a gps atom inside a free box found, but no sentence holds a date or a "
            "position");

        row("udat, a gap and a sentence before the first date",
            box("mdat", pad) + box("udat", withSum("$GPRMC,,V,,,,,,,,,,N") + "\r\n" + kRmc0 +
                                               "\r\n" + kRmc2 + "\r\n" + pad),
            false, 3, udat, first + "0,0,0\n");
        row("udat without RMC", box("udat", "hello" + pad), false, -1,
            "a top-level udat atom found, but it holds neither RMC sentences nor camera text "
            "lines");
        // 60 bytes of the file in all.
        row("udat cut short is not seen", box("udat", kRmc0 + "\n" + kRmc1).left(60 - kFtyp.size()),
            false, -1);
        row("udat inside another box is not seen", box("moov", box("udat", kRmc0)), false, -1);
        row("clock running backwards", box("udat", kRmc1 + "\n" + kRmc0 + "\n"), false, 2, udat,
            "A20240701081201,3351.883000,S,15112.456000,E,12.00,91.00,0,0,0\n");
    }

    void readers()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, freeBox);
        QFETCH(int, lines);
        QFETCH(QString, said);
        QFETCH(QByteArray, firstLine);
        QByteArray text;
        ReaderReport report;
        QCOMPARE(runReader(furtherReader(freeBox ? "nmea-free-box" : "nmea-atom"), file, &report, &text), lines);
        QCOMPARE(QString::fromStdString(lines < 0 ? report.problem : report.variant), said);
        if (lines < 0)
            return;
        QVERIFY2(report.problem.empty(), report.problem.c_str());
        QCOMPARE(report.hasAccel, said.endsWith(QLatin1String("accelerometer")));
        QCOMPARE(text.left(text.indexOf('\n') + 1), firstLine);
        QCOMPARE(text.count('\n'), lines);
    }
};

QTEST_GUILESS_MAIN(TestSamples)
#include "tst_samples.moc"
