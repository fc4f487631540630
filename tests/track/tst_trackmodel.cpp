// Parsed samples, the China region, coordinate conversions, distances and driving events.
#include "coordinates.h"
#include "drivingevents.h"
#include "extracttrack.h"
#include "lugpsmodel.h"

#include <QVariant>
#include <QtTest>

#include <cstring>
#include <memory>

class TestTrackModel : public QObject
{
    Q_OBJECT

    static bool near(double a, double b, double tolerance = 1e-9)
    {
        return std::fabs(a - b) <= tolerance;
    }

    // A track along a meridian, each sample where its speed has taken the car. "V" for a sample
    // without a fix; a jump puts one sample a kilometre off.
    struct Track
    {
        QObject owner;
        QList<LuGPSModel *> samples;

        Track(const QVector<double> &speedsKmh, const QString &fixes = QString(), int jumpAt = -1,
              const QVector<int> &gRawZ = {})
        {
            double latitude = 22.5;
            for (int i = 0; i < speedsKmh.size(); ++i) {
                auto *sample = new LuGPSModel("", &owner);
                latitude += speedsKmh[i] / 3.6 / 111320.0;
                sample->speedKmh = float(speedsKmh[i]);
                sample->status = fixes.isEmpty() || fixes[i] == 'A' ? 'A' : 'V';
                sample->wgsLatitude = latitude + (i == jumpAt ? 0.01 : 0.0);
                sample->wgsLongitude = 114.05;
                sample->gRawZ = gRawZ.isEmpty() ? 0 : gRawZ[i];
                samples << sample;
            }
        }
    };

private slots:
    void initTestCase() { setTrackDiagnosticsStream(fopen("/dev/null", "w")); }

    void exampleLine()
    {
        LuGPSModel m("A20240516123000,2232.500000,N,11400.000000,E,10.00,90.00,1,2,3\n");
        QCOMPARE(m.status, 'A');
        QCOMPARE(QByteArray(m.timeText), QByteArray("20240516123000"));
        QVERIFY(near(m.wgsLatitude, 22.0 + 32.5 / 60));
        QVERIFY(near(m.wgsLongitude, 114.0));
        QCOMPARE(m.speedKmh, 18.52f);
        QCOMPARE(m.speedMph, 11.50779f);
        QCOMPARE(m.course, 90.0f);
        QCOMPARE(m.gRawX, 1);
        QCOMPARE(m.gRawZ, 3);
        // BD-09 of the point, computed separately from the published formulas.
        QVERIFY2(near(m.latitude, 22.545126212379),
                 qPrintable(QString::number(m.latitude, 'f', 12)));
        QVERIFY2(near(m.longitude, 114.011411753448),
                 qPrintable(QString::number(m.longitude, 'f', 12)));
        LuGPSModel southWest("A20240516123000,3351.882000,S,7015.000000,W,0,0,0,0,0\n");
        QVERIFY(near(southWest.wgsLatitude, -(33 + 51.882 / 60)));
        QVERIFY(near(southWest.wgsLongitude, -70.25));
    }

    void malformedLines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<char>("status");
        QTest::addColumn<QByteArray>("timeText");
        QTest::newRow("empty") << QByteArray("") << char(0) << QByteArray();
        QTest::newRow("overlong time")
            << QByteArray("A2024051612300012345678901234567890,2232.5,N,11400.0,E,1,2,3,4,5") << 'A'
            << QByteArray("202405161230001");
        QTest::newRow("garbage") << QByteArray("Xabc") << 'X' << QByteArray("abc");
    }
    void malformedLines()
    {
        QFETCH(QByteArray, line);
        QFETCH(char, status);
        QFETCH(QByteArray, timeText);
        LuGPSModel m(line.constData());
        QCOMPARE(m.status, status);
        QCOMPARE(QByteArray(m.timeText), timeText);
        QCOMPARE(m.timeText[15], '\0');
        QCOMPARE(m.latitude, 0.0);
        QCOMPARE(m.longitude, 0.0);
        QCOMPARE(m.speedKmh, 0.0f);
    }

    void regionTest_data()
    {
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("longitude");
        QTest::addColumn<bool>("inside");
        QTest::newRow("shenzhen") << 22.54 << 114.06 << true;
        QTest::newRow("taipei, excluded") << 25.0 << 121.5 << false;
        QTest::newRow("east border of region 1") << 45.0 << 96.33 << true;
        QTest::newRow("just east of region 1") << 45.0 << 96.3301 << false;
        QTest::newRow("west border of exclude 1") << 22.0 << 119.921265 << false;
        QTest::newRow("just west of exclude 1") << 22.0 << 119.92126 << true;
        QTest::newRow("hanoi, exclude 2") << 21.03 << 105.85 << false;
    }
    void regionTest()
    {
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QFETCH(bool, inside);
        QCOMPARE(LuChinaLocation::instance()->isInChina(latitude, longitude), inside);
    }

    void conversions_data()
    {
        QTest::addColumn<double>("longitude");
        QTest::addColumn<double>("latitude");
        QTest::addColumn<double>("gcjLongitude");
        QTest::addColumn<double>("gcjLatitude");
        QTest::addColumn<double>("bdLongitude");
        QTest::addColumn<double>("bdLatitude");
        QTest::newRow("shenzhen") << 114.06 << 22.54 << 114.065116155194 << 22.537286218915
                                  << 114.071663145056 << 22.542952630319;
        // Widely published pair for Tiananmen: GCJ-02 116.40374, 39.91010.
        QTest::newRow("beijing") << 116.3975 << 39.9087 << 116.403743572652 << 39.910103499345
                                 << 0.0 << 0.0;
        QTest::newRow("taipei unchanged") << 121.5 << 25.0 << 121.5 << 25.0 << 0.0 << 0.0;
    }
    void conversions()
    {
        QFETCH(double, longitude);
        QFETCH(double, latitude);
        QFETCH(double, gcjLongitude);
        QFETCH(double, gcjLatitude);
        QFETCH(double, bdLongitude);
        QFETCH(double, bdLatitude);
        double lon = -1;
        double lat = -1;
        wgs84ToGcj02(longitude, latitude, &lon, &lat);
        QVERIFY2(near(lon, gcjLongitude), qPrintable(QString::number(lon, 'f', 12)));
        QVERIFY2(near(lat, gcjLatitude), qPrintable(QString::number(lat, 'f', 12)));
        if (bdLongitude != 0) {
            gcj02ToBd09(&lat, &lon);
            QVERIFY2(near(lon, bdLongitude), qPrintable(QString::number(lon, 'f', 12)));
            QVERIFY2(near(lat, bdLatitude), qPrintable(QString::number(lat, 'f', 12)));
        }
    }

    void distances_data()
    {
        QTest::addColumn<double>("lon1");
        QTest::addColumn<double>("lat1");
        QTest::addColumn<double>("lon2");
        QTest::addColumn<double>("lat2");
        QTest::addColumn<double>("metres");
        QTest::newRow("one degree of latitude") << 114.0 << 22.0 << 114.0 << 23.0 << 111319.4908;
        QTest::newRow("one degree along the equator") << 0.0 << 0.0 << 1.0 << 0.0 << 111319.4908;
        // Longitude first: one degree of longitude at 60 degrees north is half as long.
        QTest::newRow("one degree of longitude at 60N") << 0.0 << 60.0 << 1.0 << 60.0 << 55659.2156;
    }
    void distances()
    {
        QFETCH(double, lon1);
        QFETCH(double, lat1);
        QFETCH(double, lon2);
        QFETCH(double, lat2);
        QFETCH(double, metres);
        QCOMPARE(distanceMetres(lon1, lat1, lon2, lat2), metres);
        // The single-precision form takes latitude first.
        const float f = distanceMetresF(float(lat1), float(lon1), float(lat2), float(lon2));
        QVERIFY2(std::fabs(double(f) - metres) < 0.1 + metres * 1e-6,
                 qPrintable(QString::number(double(f))));
    }

    void findsEvents_data()
    {
        QTest::addColumn<QVector<double>>("speeds");
        QTest::addColumn<QString>("fixes");
        QTest::addColumn<int>("jumpAt");
        QTest::addColumn<QVector<int>>("gRawZ"); // 256 counts a g
        QTest::addColumn<QString>("expected");   // kind:start-peak-end, ...
        const QVector<int> noG;
        QTest::newRow("stop from 60 km/h in 4 s")
            << QVector<double>{60, 60, 60, 45, 30, 15, 0, 0} << QString() << -1 << noG
            << "braking:2-3-6";
        QTest::newRow("firm but not hard braking (2.8 m/s²)")
            << QVector<double>{60, 50, 40, 30} << QString() << -1 << noG << "";
        QTest::newRow("no-fix gap across the stop")
            << QVector<double>{60, 60, 0, 0, 0, 0} << "AAVVVA" << -1 << noG << "";
        QTest::newRow("GPS jump")
            << QVector<double>{60, 60, 20, 20, 20} << QString() << 2 << noG << "";
        QTest::newRow("hard acceleration")
            << QVector<double>{0, 0, 12, 25, 37, 40} << QString() << -1 << noG
            << "acceleration:1-3-4";
        QTest::newRow("two stops make two events")
            << QVector<double>{40, 20, 20, 20, 40, 40, 20, 20} << QString() << -1 << noG
            << "braking:0-1-1,acceleration:3-4-4,braking:5-6-6";
        QTest::newRow("G-sensor spike")
            << QVector<double>{30, 30, 30, 30, 30} << QString() << -1
            << QVector<int>{256, 256, 520, 256, 256} << "jolt:1-2-3";
        QTest::newRow("spike without a fix")
            << QVector<double>{30, 30, 30, 30} << "AAVA" << -1 << QVector<int>{256, 256, 600, 256}
            << "";
    }

    void findsEvents()
    {
        QFETCH(QVector<double>, speeds);
        QFETCH(QString, fixes);
        QFETCH(int, jumpAt);
        QFETCH(QVector<int>, gRawZ);
        QFETCH(QString, expected);
        const Track track(speeds, fixes, jumpAt, gRawZ);
        QStringList found;
        for (const DrivingEvent &e : findDrivingEvents(track.samples, 1.0 / 256)) {
            const char *kind = e.kind == DrivingEventKind::HardBraking       ? "braking"
                               : e.kind == DrivingEventKind::HardAcceleration ? "acceleration"
                                                                               : "jolt";
            found << QStringLiteral("%1:%2-%3-%4")
                         .arg(QLatin1String(kind))
                         .arg(e.startSecond)
                         .arg(e.peakSecond)
                         .arg(e.endSecond);
        }
        QCOMPARE(found.join(','), expected);
    }

    void eventCarriesItsValues()
    {
        const Track track({60, 60, 60, 45, 30, 15, 0, 0});
        const QVector<DrivingEvent> events = findDrivingEvents(track.samples, 1.0 / 256);
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].speedAfterKmh, 0.0f);
        QCOMPARE(events[0].peakValue, 15 / 3.6);
        // A lower threshold from the settings catches the firm braking too.
        DrivingEventThresholds firm;
        firm.brakingMps2 = 2.5;
        const Track gentle({60, 50, 40, 30});
        QCOMPARE(findDrivingEvents(gentle.samples, 1.0 / 256, firm).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestTrackModel)
#include "tst_trackmodel.moc"
