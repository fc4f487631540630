// A drive of several recordings on the bundled map: the other recordings drawn around the open
// one, the markers at the drive's ends, and a click on another recording asking to play it.

#include "mapbridge.h"
#include "mappagekit.h"
#include "processenvironment.h"

#include <QApplication>
#include <QSignalSpy>
#include <QtTest>

using mapkit::MapPage;

class TestDriveMap : public QObject
{
    Q_OBJECT

    static QString part(int first, double lng)
    {
        QStringList points;
        for (int t = first; t < first + 3; ++t)
            points << QStringLiteral("{lng:%1,lat:%2,t:%3,k:20}")
                          .arg(lng + (t - first) * 0.002, 0, 'f', 6)
                          .arg(52.52 + (t - first) * 0.001, 0, 'f', 6)
                          .arg(t);
        return QLatin1Char('[') + points.join(QLatin1Char(',')) + QLatin1Char(']');
    }

private slots:
    void otherRecordingsAreDrawnAndPlayable()
    {
        MapPage map;
        map.view()->show();
        QVERIFY(QTest::qWaitForWindowExposed(map.view()));
        map.load(mapkit::pageUrl(QStringLiteral("solvaneos.html")));
        QVERIFY(!map.waitReady().isEmpty());
        // Before, the open recording, after; a part without a sound id is left out.
        map.js("initGPSLine(" + part(0, 13.40) + ", '#5298ff', {drive: {before: [{id: 0, "
               "points: " + part(0, 13.39) + "}], after: [{id: 1, points: " + part(0, 13.41) +
               "}, {id: 'x', points: " + part(0, 13.42) + "}, {id: 2.5, points: []}]}})");
        const QJsonObject s = map.state();
        QCOMPARE(s.value("driveParts").toInt(), 2);
        QCOMPARE(s.value("linePoints").toInt(), 3);
        QCOMPARE(s.value("start").toObject().value("lng").toDouble(), 13.39);
        QCOMPARE(s.value("end").toObject().value("lng").toDouble(), 13.414);
        QCOMPARE(s.value("moving").toObject().value("lng").toDouble(), 13.40);

        const QVariantMap pixel = map.js("qmarlSamplePixel(1, 1)").toMap();
        QVERIFY(pixel.contains("x"));
        QTest::mouseClick(map.view()->focusProxy(), Qt::LeftButton, {},
                          QPoint(pixel.value("x").toInt() + 3, pixel.value("y").toInt() - 2));
        const QJsonObject picked =
            map.waitState([](const QJsonObject &o) { return !o.value("lastPick").isNull(); });
        QCOMPARE(picked.value("lastPick").toObject(),
                 (QJsonObject{{"id", 1}, {"t", 1}, {"action", "play"}}));
        QVERIFY(map.page()->errors.isEmpty());
    }

    void bridgePlaysOnlyKnownRecordingsInRange_data()
    {
        QTest::addColumn<QVariant>("id");
        QTest::addColumn<QVariant>("second");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("last second of the second recording") << QVariant(1) << QVariant(4.0) << true;
        QTest::newRow("second past the end") << QVariant(1) << QVariant(5) << false;
        QTest::newRow("unknown recording") << QVariant(2) << QVariant(0) << false;
        QTest::newRow("negative id") << QVariant(-1) << QVariant(0) << false;
        QTest::newRow("fraction") << QVariant(0) << QVariant(1.5) << false;
        QTest::newRow("text") << QVariant(QStringLiteral("0")) << QVariant(1) << false;
    }

    void bridgePlaysOnlyKnownRecordingsInRange()
    {
        QFETCH(QVariant, id);
        QFETCH(QVariant, second);
        QFETCH(bool, accepted);
        MapBridge bridge;
        bridge.setDriveSecondCounts({3, 5});
        QSignalSpy played(&bridge, &MapBridge::playRecordingRequested);
        if (!accepted)
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression("refused to play"));
        bridge.playRecordingAt(id, second);
        QCOMPARE(played.count(), accepted ? 1 : 0);
        if (accepted)
            QCOMPARE(played.first(), (QVariantList{id.toInt(), second.toInt()}));
    }
};

int main(int argc, char **argv)
{
    prepareProcessEnvironment();
    QApplication app(argc, argv);
    TestDriveMap test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_drivemap.moc"
