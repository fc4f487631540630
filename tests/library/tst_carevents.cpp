#include "carevent.h"
#include "careventattach.h"
#include "carfolders.h"
#include "drivegrouping.h"
#include "drivelist.h"
#include "driveheadertext.h"
#include "hwdefaultsettings.h"
#include "library.h"
#include "lufileinfomodel.h"
#include "translation.h"
#include "../support/testfiles.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <QtTest>

#include <cmath>

namespace {
const QDateTime kEventTime(QDate(2025, 11, 20), QTime(14, 13, 5), Qt::UTC);
const QStringList kCameras = {"front", "back", "left_repeater", "right_repeater", "left_pillar",
                              "right_pillar"};

QDateTime wallClock(int hour, int minute, int second)
{
    return QDateTime(QDate(2025, 11, 20), QTime(hour, minute, second), Qt::UTC);
}

QString minuteName(const QDateTime &start, const QString &camera)
{
    return start.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss-")) + camera +
           QStringLiteral(".mp4");
}

// An empty minute file whose modification time (local) ends its minute: its length by the name.
QString writeMinute(const QString &folder, const QDateTime &start, const QString &camera)
{
    const QString path = writeBytes(folder + QLatin1Char('/') + minuteName(start, camera));
    QFile file(path);
    const QDateTime end = start.addSecs(60);
    if (!file.open(QIODevice::ReadWrite) ||
        !file.setFileTime(QDateTime(end.date(), end.time(), Qt::LocalTime),
                          QFileDevice::FileModificationTime))
        qFatal("cannot set the time of %s", qPrintable(path));
    return path;
}
} // namespace

// The car's event.json, the recording that holds it, and its folders on the USB drive.
class TestCarEvents : public QObject
{
    Q_OBJECT


private slots:
    void initTestCase()
    {
        // The viewer's own translator, as the window installs it: English.
        int english = 1;
        ::loadTranslation(english);
        QCoreApplication::installTranslator(&g_translator);
    }
    void init() { HWDefaultSettings::instance()->setLastFileList({}); }

    void parse_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QDateTime>("fallback");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("place");
        QTest::addColumn<double>("latitude"); // NaN: no position
        QTest::addColumn<double>("longitude");
        QTest::addColumn<int>("camera");
        const double none = std::nan("");
        const QDateTime noTime;
        const QDateTime folderTime = wallClock(14, 13, 0);
        QTest::newRow("as the car writes it")
            << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\",\"city\":\"Springfield\","
                          "\"street\":\"Main St\",\"est_lat\":\"37.7749\",\"est_lon\":\"-122.4194\","
                          "\"reason\":\"user_interaction_dashcam_icon_tapped\",\"camera\":\"0\"}")
            << noTime << true << kEventTime << "user_interaction_dashcam_icon_tapped"
            << "Main St, Springfield" << 37.7749 << -122.4194 << 0;
        QTest::newRow("numbers, south and west")
            << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\",\"est_lat\":-33.8688,"
                          "\"est_lon\":-70.6693,\"camera\":3}")
            << noTime << true << kEventTime << "" << "" << -33.8688 << -70.6693 << 3;
        QTest::newRow("north and east, fractions of a second")
            << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05.250\",\"est_lat\":\"59.9343\","
                          "\"est_lon\":\"30.3351\"}")
            << noTime << true << kEventTime << "" << "" << 59.9343 << 30.3351 << -1;
        QTest::newRow("only the time")
            << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\"}") << noTime << true
            << kEventTime << "" << "" << none << none << -1;
        QTest::newRow("every field empty")
            << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\",\"city\":\"\",\"street\":\"\","
                          "\"est_lat\":\"\",\"est_lon\":\"\",\"reason\":\"\",\"camera\":\"\"}")
            << noTime << true << kEventTime << "" << "" << none << none << -1;
        QTest::newRow("city alone") << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\",\"city\":\"Oslo\"}")
                                    << noTime << true << kEventTime << "" << "Oslo" << none
                                    << none << -1;
        QTest::newRow("street alone")
            << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\",\"street\":\"Main St\"}") << noTime
            << true << kEventTime << "" << "Main St" << none << none << -1;
        QTest::newRow("latitude without longitude")
            << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\",\"est_lat\":\"37.7749\"}")
            << noTime << true << kEventTime << "" << "" << none << none << -1;
        QTest::newRow("position not a number")
            << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\",\"est_lat\":\"north\","
                          "\"est_lon\":\"west\",\"camera\":\"rear\"}")
            << noTime << true << kEventTime << "" << "" << none << none << -1;
        QTest::newRow("position out of range")
            << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\",\"est_lat\":\"91\",\"est_lon\":\"10\"}")
            << noTime << true << kEventTime << "" << "" << none << none << -1;
        QTest::newRow("position of no fix")
            << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\",\"est_lat\":\"0.000000\","
                          "\"est_lon\":\"0.000000\"}")
            << noTime << true << kEventTime << "" << "" << none << none << -1;
        QTest::newRow("unknown reason kept")
            << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\",\"reason\":\"something_new\"}")
            << noTime << true << kEventTime << "something_new" << "" << none << none << -1;
        QTest::newRow("no time: the folder's")
            << QByteArray("{\"reason\":\"user_interaction_honk\"}") << folderTime << true
            << folderTime << "user_interaction_honk" << "" << none << none << -1;
        QTest::newRow("empty time: the folder's")
            << QByteArray("{\"timestamp\":\"\"}") << folderTime << true << folderTime << "" << ""
            << none << none << -1;
        QTest::newRow("time as a number: the folder's")
            << QByteArray("{\"timestamp\":1763647985}") << folderTime << true << folderTime << ""
            << "" << none << none << -1;
        QTest::newRow("damaged time: the folder's")
            << QByteArray("{\"timestamp\":\"2025-13-40T99:13:05\"}") << folderTime << true
            << folderTime << "" << "" << none << none << -1;
        QTest::newRow("no time at all") << QByteArray("{\"reason\":\"user_interaction_honk\"}")
                                        << noTime << false << noTime << "" << "" << none << none
                                        << -1;
        QTest::newRow("cut short") << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\",\"ci")
                                   << folderTime << false << noTime << "" << "" << none << none
                                   << -1;
        QTest::newRow("an array") << QByteArray("[\"2025-11-20T14:13:05\"]") << folderTime
                                  << false << noTime << "" << "" << none << none << -1;
        QTest::newRow("empty file") << QByteArray() << folderTime << false << noTime << "" << ""
                                    << none << none << -1;
        QTest::newRow("binary") << QByteArray("\x00\xff\x10{", 4) << folderTime << false
                                << noTime << "" << "" << none << none << -1;
    }
    void parse()
    {
        QFETCH(QByteArray, json);
        QFETCH(QDateTime, fallback);
        QFETCH(bool, ok);
        CarEvent event;
        QString problem;
        QCOMPARE(parseCarEvent(json, fallback, &event, &problem), ok);
        QCOMPARE(problem.isEmpty(), ok);
        if (!ok)
            return;
        QTEST(event.when, "when");
        QTEST(event.reason, "reason");
        QTEST(event.place(), "place");
        QFETCH(double, latitude);
        QFETCH(double, longitude);
        QCOMPARE(event.hasPosition(), !std::isnan(latitude));
        if (event.hasPosition()) {
            QCOMPARE(event.latitude, latitude);
            QCOMPARE(event.longitude, longitude);
        }
        QTEST(event.camera, "camera");
    }

    void reasonWords_data()
    {
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("words");
        QTest::newRow("icon") << "user_interaction_dashcam_icon_tapped" << "Saved by the driver";
        QTest::newRow("panel") << "user_interaction_dashcam_panel_save" << "Saved by the driver";
        QTest::newRow("launcher")
            << "user_interaction_dashcam_launcher_action_tapped" << "Saved by the driver";
        QTest::newRow("horn") << "user_interaction_honk" << "Saved by the horn";
        QTest::newRow("object") << "sentry_aware_object_detection" << "Sentry: object detected";
        QTest::newRow("bumped front") << "sentry_aware_accel_0.32" << "Sentry: the car was bumped";
        QTest::newRow("bumped") << "sentry_aware_accel" << "Sentry: the car was bumped";
        QTest::newRow("hit") << "sentry_panic_accel_1.05" << "Sentry: the car was hit";
        QTest::newRow("handle") << "sentry_locked_handle_pulls" << "Sentry: a door handle was pulled";
        QTest::newRow("braking") << "vehicle_auto_emergency_braking" << "Emergency braking";
        QTest::newRow("none given") << "" << "Clip saved by the car";
        QTest::newRow("unknown") << "user_interaction_something_new"
                                 << "user_interaction_something_new";
        QTest::newRow("almost known") << "user_interaction_honk_twice" << "user_interaction_honk_twice";
    }
    void reasonWords()
    {
        QFETCH(QString, reason);
        QTEST(carEventReasonText(reason), "words");
    }

    void readFile_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QDateTime>("when");
        const QByteArray noTime = "{\"reason\":\"user_interaction_honk\"}";
        QTest::newRow("timed") << "2025-11-20_14-13-05"
                               << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\"}") << true
                               << kEventTime;
        QTest::newRow("no time, the folder's") << "2025-11-20_14-13-05" << noTime << true
                                               << kEventTime;
        QTest::newRow("no time, folder not a stamp") << "saved" << noTime << false << QDateTime();
        QByteArray largest = "{\"timestamp\":\"2025-11-20T14:13:05\"}";
        largest += QByteArray(int(kLargestCarEventFile) - largest.size(), ' ');
        QTest::newRow("damaged, the folder's time")
            << "2025-11-20_14-13-05" << QByteArray("{\"timestamp\":\"2025-11-20T14:1") << true
            << kEventTime;
        QTest::newRow("damaged, folder not a stamp")
            << "saved" << QByteArray("{\"timestamp\":\"2025-11-20T14:1") << false << QDateTime();
        QTest::newRow("largest taken") << "x" << largest << true << kEventTime;
        QTest::newRow("one byte more refused") << "x" << largest + ' ' << false << QDateTime();
        QTest::newRow("huge refused, the folder's time")
            << "2025-11-20_14-13-05" << QByteArray("{\"timestamp\":\"2025-11-20T14:13:00\"}") +
            QByteArray(4 << 20, ' ') << true << kEventTime;
        QTest::newRow("huge refused")
            << "x" << QByteArray("{\"timestamp\":\"2025-11-20T14:13:05\"}") + QByteArray(4 << 20, ' ')
            << false << QDateTime();
    }
    void readFile()
    {
        QFETCH(QString, folder);
        QFETCH(QByteArray, json);
        QFETCH(bool, ok);
        QTemporaryDir dir;
        const QString path = writeBytes(dir.filePath(folder + QStringLiteral("/event.json")), json);
        CarEvent event;
        QCOMPARE(readCarEventFile(path, &event), ok);
        if (ok)
            QTEST(event.when, "when");
        QVERIFY(!readCarEventFile(dir.filePath(QStringLiteral("missing/event.json")), &event));
    }

    void names_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QDateTime>("stamp");
        QTest::addColumn<int>("rank");
        const QDateTime start = wallClock(14, 3, 12);
        for (int i = 0; i < kCameras.size(); ++i)
            QTest::newRow(qPrintable(kCameras[i])) << minuteName(start, kCameras[i]) << start << i;
        QTest::newRow("unknown camera") << "2025-11-20_14-03-12-roof.mp4" << start << -1;
        QTest::newRow("no camera") << "2025-11-20_14-03-12.mp4" << QDateTime() << -1;
        QTest::newRow("damaged date") << "2025-11-32_14-03-12-front.mp4" << QDateTime() << -1;
        QTest::newRow("another family") << "2024_0516_101500_001A.MP4"
                                        << QDateTime(QDate(2024, 5, 16), QTime(10, 15), Qt::UTC)
                                        << -1;
    }
    void names()
    {
        QFETCH(QString, name);
        QTEST(nameTimeStamp(name), "stamp");
        QTEST(carCameraRank(name), "rank");
    }

    void eventFolders_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("folder");
        QTest::newRow("saved") << "/u/TeslaCam/SavedClips/2025-11-20_14-13-05/a-front.mp4"
                               << "/u/TeslaCam/SavedClips/2025-11-20_14-13-05";
        QTest::newRow("sentry") << "/u/TeslaCam/SentryClips/2025-11-20_14-13-05/a-back.mp4"
                                << "/u/TeslaCam/SentryClips/2025-11-20_14-13-05";
        QTest::newRow("other case") << "/u/sentryclips/e/a.mp4" << "/u/sentryclips/e";
        QTest::newRow("recent") << "/u/TeslaCam/RecentClips/a-front.mp4" << "";
        QTest::newRow("directly in saved") << "/u/TeslaCam/SavedClips/a-front.mp4" << "";
        QTest::newRow("a name alone") << "a-front.mp4" << "";
        QTest::newRow("at the top") << "/SavedClips/e/a.mp4" << "/SavedClips/e";
    }
    void eventFolders()
    {
        QFETCH(QString, path);
        QTEST(carEventFolderOf(path), "folder");
    }

    void holder_data()
    {
        QTest::addColumn<QDateTime>("when");
        QTest::addColumn<QString>("eventFolder");
        QTest::addColumn<int>("holder");
        // 0: recent 14:03:00 front, 60 s; 1: recent 14:04:00 front, 59.5 s; 2: recent 14:04:00
        // back; 3: saved 14:04:00 back; 4: 14:06:00 of unknown length; 5: recent 14:08:00 front,
        // 60 s, the last.
        QTest::newRow("first second of the first") << wallClock(14, 3, 0) << "/s" << 0;
        QTest::newRow("second second") << wallClock(14, 3, 1) << "/s" << 0;
        QTest::newRow("last second of the first") << wallClock(14, 3, 59) << "/s" << 0;
        QTest::newRow("next minute's first, its own folder first")
            << wallClock(14, 4, 0) << "/s" << 3;
        QTest::newRow("front camera first") << wallClock(14, 4, 0) << "/e" << 1;
        QTest::newRow("last second of a shorter one") << wallClock(14, 4, 59) << "/r" << 1;
        QTest::newRow("past the last") << wallClock(14, 5, 0) << "/r" << -1;
        QTest::newRow("before the first") << wallClock(14, 2, 59) << "/r" << -1;
        QTest::newRow("length unknown") << wallClock(14, 6, 10) << "/r" << -1;
        QTest::newRow("no time") << QDateTime() << "/r" << -1;
        QTest::newRow("the end of the last, nothing after it") << wallClock(14, 9, 0) << "/r" << 5;
        QTest::newRow("a second past the end of the last") << wallClock(14, 9, 1) << "/r" << -1;
    }
    void holder()
    {
        QFETCH(QDateTime, when);
        QFETCH(QString, eventFolder);
        const QVector<CarEventCandidate> candidates = {
            {wallClock(14, 3, 0), 60.0, 0, "/r"},
            {wallClock(14, 4, 0), 59.5, 0, "/r"},
            {wallClock(14, 4, 0), 59.5, 1, "/r"},
            {wallClock(14, 4, 0), 59.5, 1, "/s"},
            {wallClock(14, 6, 0), 0.0, 0, "/r"},
            {wallClock(14, 8, 0), 60.0, 0, "/r"}};
        QTEST(carEventHolder(when, eventFolder, candidates), "holder");
    }

    void eventFoldersDriveApart()
    {
        // Minutes 14:03 … 14:12 in the recent folder and their copies in a saved folder.
        QVector<DriveFile> files;
        for (int minute = 3; minute < 13; ++minute)
            for (const QString &apart : {QString(), QStringLiteral("/saved/e")}) {
                DriveFile file;
                file.fileName = minuteName(wallClock(14, minute, 0), "front");
                file.recording = apart + file.fileName;
                file.seconds = 60;
                file.apart = apart;
                files.append(file);
            }
        const QVector<QVector<int>> drives = groupIntoDrives(files);
        QCOMPARE(drives.size(), 2);
        for (int d = 0; d < 2; ++d) {
            QCOMPARE(drives[d].size(), 10);
            for (int index : drives[d])
                QCOMPARE(files[index].apart, files[drives[d].first()].apart);
        }
    }

    // A USB drive as the car writes it: an hour of minutes of six cameras in RecentClips, and
    // saved and sentry folders of ten minutes each, files made here (empty, timed by their
    // names and modification times).
    void aCarsFolderIsWalkedAndItsEventsAttached()
    {
        QTemporaryDir drive;
        const QString root = drive.filePath(QStringLiteral("TeslaCam"));
        QStringList recent;
        for (int minute = 0; minute < 60; ++minute)
            for (const QString &camera : kCameras)
                recent << writeMinute(root + QStringLiteral("/RecentClips"),
                                      wallClock(13, 20, 0).addSecs(60 * minute), camera);
        struct Folder
        {
            QString kind;
            QDateTime event;
            QByteArray json;
        };
        const QVector<Folder> folders = {
            {"SavedClips", wallClock(13, 40, 5),
             "{\"timestamp\":\"2025-11-20T13:40:05\",\"reason\":\"user_interaction_honk\","
             "\"est_lat\":\"37.7749\",\"est_lon\":\"-122.4194\"}"},
            {"SavedClips", wallClock(14, 10, 59),
             "{\"timestamp\":\"2025-11-20T14:10:59\",\"reason\":\"user_interaction_dashcam_icon_tapped\"}"},
            {"SentryClips", wallClock(9, 0, 0),
             "{\"timestamp\":\"2025-11-20T09:00:00\",\"reason\":\"sentry_aware_object_detection\"}"},
            // Damaged: the folder's name stands for the time, the reason is not known.
            {"SentryClips", wallClock(10, 30, 0), "{\"reason\":\"sentry_aware_accel_0.4\""}};
        QStringList saved;
        for (const Folder &folder : folders) {
            const QString path = root + QLatin1Char('/') + folder.kind + QLatin1Char('/') +
                                 folder.event.toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss"));
            writeBytes(path + QStringLiteral("/event.json"), folder.json);
            writeBytes(path + QStringLiteral("/thumb.png"), "png");
            // The ten minutes before the event, the last one holding it.
            const QDateTime last(folder.event.date(),
                                 QTime(folder.event.time().hour(), folder.event.time().minute()),
                                 Qt::UTC);
            for (int minute = -9; minute <= 0; ++minute)
                for (const QString &camera : kCameras)
                    saved << writeMinute(path, last.addSecs(60 * minute), camera);
        }

        const QStringList walked = Library::videoFilesIn(drive.path());
        QCOMPARE(walked.size(), recent.size() + saved.size());
        // Recent minutes first, then each event folder, each by its time (names start with it).
        std::sort(recent.begin(), recent.end());
        QCOMPARE(walked.mid(0, recent.size()), recent);
        QStringList savedInOrder = saved;
        std::sort(savedInOrder.begin(), savedInOrder.end());
        QCOMPARE(walked.mid(recent.size()), savedInOrder);

        Library library;
        QSignalSpy regrouped(&library, &Library::regrouped);
        library.listPaths(Library::videoPathsOfArguments({root}));
        while (library.pending() > 0 || library.models().size() < walked.size())
            QVERIFY(regrouped.wait(30000));

        // Each event belongs to the front camera of its own folder's last minute.
        QVector<const LuFileInfoModel *> holders;
        for (const LuFileInfoModel *model : library.models())
            if (!model->carEvents.isEmpty())
                holders << model;
        QCOMPARE(holders.size(), folders.size());
        for (const Folder &folder : folders) {
            const QString name = minuteName(
                QDateTime(folder.event.date(),
                          QTime(folder.event.time().hour(), folder.event.time().minute()),
                          Qt::UTC),
                "front");
            const auto at = std::find_if(holders.cbegin(), holders.cend(), [&](auto *model) {
                return model->fileName == name && model->nativePath.contains(folder.kind);
            });
            QVERIFY2(at != holders.cend(), qPrintable(name));
            const QVector<DrivingEvent> events = recordingEvents(*at);
            QCOMPARE(events.size(), 1);
            QCOMPARE(events.first().kind, DrivingEventKind::CarEvent);
            QCOMPARE(events.first().startSecond, folder.event.time().second());
        }
        const LuFileInfoModel *honk = holders.first();
        QCOMPARE(honk->carEvents.first().latitude, 37.7749);
        QCOMPARE(honk->carEvents.first().longitude, -122.4194);

        // The saved and sentry folders are drives of their own, headed by their reason.
        QStringList titles;
        int recentDrives = 0;
        for (const Drive &d : library.drives()) {
            if (d.title.isEmpty()) {
                ++recentDrives;
                continue;
            }
            titles << d.title;
            QVERIFY(driveHeaderWhen(d).startsWith(d.title));
            QCOMPARE(d.events, 1);
            QCOMPARE(d.files.size(), 60);
        }
        QCOMPARE(recentDrives, 1);
        titles.sort();
        QCOMPARE(titles, QStringList({"Clip saved by the car", "Saved by the driver", "Saved by the horn",
                                      "Sentry: object detected"}));
    }
};

QTEST_GUILESS_MAIN(TestCarEvents)
#include "tst_carevents.moc"
