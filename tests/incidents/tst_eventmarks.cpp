#include "carevent.h"
#include "careventattach.h"
#include "drivingeventtools.h"
#include "lufileinfomodel.h"
#include "translation.h"
#include "../support/testfiles.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QTemporaryDir>

#include <QtTest>

namespace {
CarEvent carEvent(const QString &reason, const QString &street, const QString &city, double lat,
                  double lon)
{
    CarEvent event;
    event.when = QDateTime(QDate(2025, 11, 20), QTime(14, 13, 5), Qt::UTC);
    event.reason = reason;
    event.street = street;
    event.city = city;
    event.latitude = lat;
    event.longitude = lon;
    return event;
}

DrivingEvent braking(int second)
{
    DrivingEvent event;
    event.kind = DrivingEventKind::HardBraking;
    event.startSecond = event.peakSecond = event.endSecond = second;
    event.speedBeforeKmh = 60;
    event.speedAfterKmh = 20;
    return event;
}
} // namespace

class TestEventMarks : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        // The viewer's own translator, as the window installs it: English.
        int english = 1;
        ::loadTranslation(english);
        QCoreApplication::installTranslator(&g_translator);
    }

    void text_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("street");
        QTest::addColumn<QString>("city");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("text");
        QTest::newRow("driver, street and city")
            << "user_interaction_dashcam_icon_tapped" << "Main St" << "Springfield" << 65
            << "Saved by the driver, Main St, Springfield, 00:01:05";
        QTest::newRow("horn, no place") << "user_interaction_honk" << "" << "" << 0
                                        << "Saved by the horn, 00:00:00";
        QTest::newRow("sentry, city only") << "sentry_aware_accel_0.5" << "" << "Oslo" << 59
                                           << "Sentry: the car was bumped, Oslo, 00:00:59";
        QTest::newRow("unknown reason") << "new_reason" << "" << "" << 3599
                                        << "new_reason, 00:59:59";
    }
    void text()
    {
        QFETCH(QString, reason);
        QFETCH(QString, street);
        QFETCH(QString, city);
        QFETCH(int, second);
        const DrivingEvent event = drivingEventOf(carEvent(reason, street, city, 0, 0), second);
        QCOMPARE(event.kind, DrivingEventKind::CarEvent);
        QTEST(DrivingEventTools::text(event), "text");
    }

    // The page gets the car's events among the track's, in time order, the car's position only
    // where it gave one.
    void mapEventsMergeTheCarsWithTheTracks()
    {
        LuFileInfoModel model(QStringLiteral("2025-11-20_14-13-00-front.mp4"),
                              writeBytes(m_dir.filePath(QStringLiteral("2025-11-20_14-13-00-front.mp4"))));
        QCOMPARE(DrivingEventTools::mapEvents(&model).size(), 0);
        model.drivingEvents = {braking(20), braking(40)};
        model.carEvents = {
            drivingEventOf(carEvent("user_interaction_honk", "", "", -33.8688, 151.2093), 0),
            drivingEventOf(carEvent("user_interaction_honk", "", "", 0, 0), 30),
            drivingEventOf(carEvent("sentry_aware_object_detection", "", "", 37.7749, -122.4194),
                           59)};
        const QJsonArray events = DrivingEventTools::mapEvents(&model);
        QCOMPARE(events.size(), 5);
        const QStringList kinds = {"car", "braking", "car", "braking", "car"};
        const QList<int> seconds = {0, 20, 30, 40, 59};
        for (int i = 0; i < events.size(); ++i) {
            const QJsonObject e = events[i].toObject();
            QCOMPARE(e.value("kind").toString(), kinds[i]);
            QCOMPARE(e.value("t").toInt(), seconds[i]);
            QCOMPARE(e.contains("lat"), i == 0 || i == 4);
            QCOMPARE(e.contains("lon"), i == 0 || i == 4);
        }
        QCOMPARE(events[0].toObject().value("lat").toDouble(), -33.8688);
        QCOMPARE(events[4].toObject().value("lon").toDouble(), -122.4194);
        QCOMPARE(events[4].toObject().value("text").toString(),
                 QStringLiteral("Sentry: object detected, 00:00:59"));
        QCOMPARE(events[0].toObject().value("lead").toInt(), 0);
        QCOMPARE(events[4].toObject().value("lead").toInt(), 59 - DrivingEventTools::kLeadUpSeconds);
        QCOMPARE(recordingEvents(&model).size(), 5);
        QCOMPARE(DrivingEventTools::mapEvents(nullptr).size(), 0);
    }
};

QTEST_MAIN(TestEventMarks)
#include "tst_eventmarks.moc"
