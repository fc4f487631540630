#include "drivingevents.h"
#include "lugpsmodel.h"

#include <QtTest>

#include <memory>

// Driving events found in synthetic tracks of one sample a second.
class TestDrivingEvents : public QObject
{
    Q_OBJECT

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

QTEST_GUILESS_MAIN(TestDrivingEvents)
#include "tst_drivingevents.moc"
