// When the G-sensor chart shows under the dials: the recording's track read from its cache, with
// and without G-sensor values, against each choice of the setting.
#include "lufileinfomodel.h"
#include "telemetrydisplay.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// Ten seconds of a track; the last three fields of a line are the G-sensor's X, Y and Z.
QByteArray trackLines(const char *gsensor)
{
    QByteArray lines;
    for (int second = 0; second < 10; ++second)
        lines += QStringLiteral("A2024051610000%1,4807.%2,N,01131.000000,E,20.00,0.00,%3\n")
                     .arg(second)
                     .arg(second * 5, 6, 10, QLatin1Char('0'))
                     .arg(QLatin1String(gsensor))
                     .toLatin1();
    return lines;
}
} // namespace

class TestGsensorChart : public QObject
{
    Q_OBJECT

private slots:
    void shownWithValuesUnlessNever_data()
    {
        QTest::addColumn<QByteArray>("gsensor"); // empty: no track at all
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("shown");
        const int automatic = int(GsensorChartChoice::Automatic);
        const int never = int(GsensorChartChoice::Never);
        QTest::newRow("values, automatic") << QByteArray("0,0,256") << automatic << true;
        QTest::newRow("one axis below zero, automatic") << QByteArray("-3,0,0") << automatic << true;
        QTest::newRow("values, never") << QByteArray("0,0,256") << never << false;
        QTest::newRow("zeros, automatic") << QByteArray("0,0,0") << automatic << false;
        QTest::newRow("zeros, never") << QByteArray("0,0,0") << never << false;
        QTest::newRow("no track, automatic") << QByteArray() << automatic << false;
    }

    void shownWithValuesUnlessNever()
    {
        QFETCH(QByteArray, gsensor);
        QFETCH(int, choice);
        QFETCH(bool, shown);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("2024_0516_100000_001A.MP4"));
        LuFileInfoModel recording(QFileInfo(path).fileName(), path);
        if (!gsensor.isEmpty()) {
            QFile cache(recording.trackCachePath);
            QVERIFY(QDir().mkpath(QFileInfo(cache).path()));
            QVERIFY(cache.open(QIODevice::WriteOnly));
            cache.write(trackLines(gsensor.constData()));
            cache.close();
            recording.loadTrack();
            QCOMPARE(recording.track.size(), 10);
        }
        QCOMPARE(TelemetryDisplay::showsGsensorChart(&recording, GsensorChartChoice(choice)), shown);
    }

    void noRecordingNoChart()
    {
        QVERIFY(!TelemetryDisplay::showsGsensorChart(nullptr, GsensorChartChoice::Automatic));
    }
};

QTEST_GUILESS_MAIN(TestGsensorChart)
#include "tst_gsensorchart.moc"
