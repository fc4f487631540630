// Decoded samples at any rate become the cache's one line per second: the sample nearest each
// whole second, no-fix lines that keep the clock going through gaps, acceleration in counts.
#include "gpssample.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(DecodedTrack)

namespace {
// 2024-05-16 08:00:00 UTC.
const int64_t kEight = clockOf(2024, 5, 16, 8, 0, 0);

GpsSample fixAt(double time, int64_t clock, double lat, double lon, double kmh = 18.52)
{
    GpsSample s;
    s.time = time;
    s.clock = clock;
    s.fix = true;
    s.latitude = lat;
    s.longitude = lon;
    s.speedKmh = kmh;
    s.course = 90;
    return s;
}
} // namespace

class TestSecondsTrack : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void clockOfChecksEveryField_data()
    {
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<int>("hour");
        QTest::addColumn<double>("second");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("epoch") << 1970 << 1 << 1 << 0 << 0.0 << qint64(0);
        QTest::newRow("leap day") << 2024 << 2 << 29 << 0 << 0.0 << qint64(1709164800000);
        QTest::newRow("milliseconds") << 2024 << 5 << 16 << 8 << 1.25
                                      << qint64(kEight + 1250);
        QTest::newRow("no leap day in 2023") << 2023 << 2 << 29 << 0 << 0.0 << qint64(kNoClock);
        QTest::newRow("month 13") << 2024 << 13 << 1 << 0 << 0.0 << qint64(kNoClock);
        QTest::newRow("hour 24") << 2024 << 1 << 1 << 24 << 0.0 << qint64(kNoClock);
        QTest::newRow("second 61") << 2024 << 1 << 1 << 0 << 61.0 << qint64(kNoClock);
        QTest::newRow("year 0") << 0 << 1 << 1 << 0 << 0.0 << qint64(kNoClock);
    }
    void clockOfChecksEveryField()
    {
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(int, hour);
        QFETCH(double, second);
        QFETCH(qint64, expected);
        QCOMPARE(qint64(clockOf(year, month, day, hour, 0, second)), expected);
    }

    void oneLinePerSecond_data()
    {
        QTest::addColumn<DecodedTrack>("track");
        QTest::addColumn<QByteArray>("expected");

        DecodedTrack fast; // 10 Hz for 2.4 s, moving north
        for (int i = 0; i < 25; ++i)
            fast.samples.push_back(
                fixAt(i * 0.1, kEight + i * 100, 22.5 + i * 0.0001, 114.0));
        QTest::newRow("10 Hz: the sample at each whole second")
            << fast
            << QByteArray("A20240516080000,2230.000000,N,11400.000000,E,10.00,90.00,0,0,0\n"
                          "A20240516080001,2230.060000,N,11400.000000,E,10.00,90.00,0,0,0\n"
                          "A20240516080002,2230.120000,N,11400.000000,E,10.00,90.00,0,0,0\n");

        DecodedTrack gap; // a tunnel: nothing for two seconds
        gap.samples = {fixAt(0, kEight, -33.5, -70.25), fixAt(1, kEight + 1000, -33.5, -70.25),
                       fixAt(4, kEight + 4000, -33.5, -70.25)};
        QTest::newRow("gap: no-fix lines, the clock goes on")
            << gap
            << QByteArray("A20240516080000,3330.000000,S,7015.000000,W,10.00,90.00,0,0,0\n"
                          "A20240516080001,3330.000000,S,7015.000000,W,10.00,90.00,0,0,0\n"
                          "V20240516080002,0.000000,N,0.000000,E,0.00,0.00,0,0,0\n"
                          "V20240516080003,0.000000,N,0.000000,E,0.00,0.00,0,0,0\n"
                          "A20240516080004,3330.000000,S,7015.000000,W,10.00,90.00,0,0,0\n");

        DecodedTrack untimed; // blocks without a time: one a second, in order
        untimed.samples = {fixAt(-1, kEight + 7000, 10, 20), fixAt(-1, kNoClock, 0, 20),
                           fixAt(-1, kEight + 9000, 10, 20)};
        untimed.accel = {{1.0, 0.5, -0.25, 1.0}};
        QTest::newRow("untimed samples, a zero position, acceleration")
            << untimed
            << QByteArray("A20240516080007,1000.000000,N,2000.000000,E,10.00,90.00,0,0,0\n"
                          "V20240516080008,0.000000,N,0.000000,E,0.00,0.00,128,-64,256\n"
                          "A20240516080009,1000.000000,N,2000.000000,E,10.00,90.00,0,0,0\n");

        DecodedTrack stamped; // each sample stamped a little after its second, one missing
        stamped.samples = {fixAt(0.05, kEight, 10, 20), fixAt(1.05, kEight + 1000, 10, 20),
                           fixAt(3.05, kEight + 3000, 10, 20)};
        QTest::newRow("late stamps: the missing second keeps its own time")
            << stamped
            << QByteArray("A20240516080000,1000.000000,N,2000.000000,E,10.00,90.00,0,0,0\n"
                          "A20240516080001,1000.000000,N,2000.000000,E,10.00,90.00,0,0,0\n"
                          "V20240516080002,0.000000,N,0.000000,E,0.00,0.00,0,0,0\n"
                          "A20240516080003,1000.000000,N,2000.000000,E,10.00,90.00,0,0,0\n");

        DecodedTrack positionsOnly; // 10 m a second eastwards, then standing, heading kept
        for (int i = 0; i < 3; ++i)
            positionsOnly.samples.push_back(
                fixAt(i, kEight + i * 1000, 1.0, 10.0 + std::min(i, 1) * 0.0000898452));
        for (GpsSample &p : positionsOnly.samples) {
            p.hasSpeed = p.hasCourse = false;
            p.course = 45; // not recorded: must not show
        }
        QTest::newRow("positions only: speed and course from the way between fixes")
            << positionsOnly
            << QByteArray("A20240516080000,100.000000,N,1000.000000,E,19.44,90.00,0,0,0\n"
                          "A20240516080001,100.000000,N,1000.005391,E,19.44,90.00,0,0,0\n"
                          "A20240516080002,100.000000,N,1000.005391,E,0.00,90.00,0,0,0\n");

        DecodedTrack late; // the first fix comes late; the seconds before it have no clock
        late.samples = {fixAt(2, kNoClock, 1, 1)};
        QTest::newRow("no clock anywhere")
            << late
            << QByteArray("V20000000000000,0.000000,N,0.000000,E,0.00,0.00,0,0,0\n"
                          "V20000000000000,0.000000,N,0.000000,E,0.00,0.00,0,0,0\n"
                          "A20000000000000,100.000000,N,100.000000,E,10.00,90.00,0,0,0\n");

        DecodedTrack nothing;
        GpsSample empty;
        empty.time = 0;
        nothing.samples = {empty, empty};
        QTest::newRow("neither fix nor clock: no track") << nothing << QByteArray();
        QTest::newRow("no samples: no track") << DecodedTrack{} << QByteArray();

        DecodedTrack hostile;
        hostile.samples = {fixAt(0, kEight, 1, 1), fixAt(1e12, kEight, 1, 1),
                           fixAt(std::nan(""), kEight + 1000, 1, 1)};
        hostile.samples[0].speedKmh = std::nan("");
        QTest::newRow("absurd and undefined values")
            << hostile
            << QByteArray("A20240516080000,100.000000,N,100.000000,E,0.00,90.00,0,0,0\n"
                          "A20240516080001,100.000000,N,100.000000,E,10.00,90.00,0,0,0\n");
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
};

QTEST_GUILESS_MAIN(TestSecondsTrack)
#include "tst_secondstrack.moc"
