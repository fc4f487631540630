#include "archivedatabase.h"
#include "archiveindexer.h"
#include "archiverecord.h"
#include "archiveschema.h"
#include "extracttrack.h"
#include "lufileinfomodel.h"
#include "../support/testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <functional>
#include <iostream>
#include <time.h>

namespace {
// Where the test tracks run: a junction, and metres east/north of it as degrees.
constexpr double kJunctionLat = 48.137;
constexpr double kJunctionLon = 11.575;
constexpr int kChildRecordings = 400;

double eastDegrees(double metres)
{
    return metres / (kArchiveMetresPerDegree * std::cos(kJunctionLat * M_PI / 180));
}
double northDegrees(double metres)
{
    return metres / kArchiveMetresPerDegree;
}

// Metres east and north of the junction at each second.
using Path = std::function<QPointF(int second)>;

QByteArray nmea(double degrees, int degreeDigits)
{
    const double whole = std::floor(std::abs(degrees));
    return QByteArray::number(whole * 100 + (std::abs(degrees) - whole) * 60, 'f', 6)
        .rightJustified(degreeDigits + 2 + 7, '0');
}

// A video of a few bytes and its track cache, one fix a second at kmh, from startUtc.
ArchiveSource writeRecording(const QString &folder, const QString &name, const QDateTime &startUtc,
                             int seconds, const Path &path, double kmh, int videoBytes = 16)
{
    QByteArray text;
    for (int s = 0; s < seconds; ++s) {
        const QPointF at = path(s);
        const double lat = kJunctionLat + northDegrees(at.y());
        const double lon = kJunctionLon + eastDegrees(at.x());
        text += 'A' + startUtc.addSecs(s).toString("yyyyMMddHHmmss").toLatin1() + ',' +
                nmea(lat, 2) + ",N," + nmea(lon, 3) + ",E," +
                QByteArray::number(kmh / 1.852, 'f', 2) + ",0.00,0,0,256\n";
    }
    ArchiveSource source;
    source.frontPath = writeBytes(folder + '/' + name, QByteArray(videoBytes, 'v'));
    source.trackCachePath = writeBytes(folder + "/cache/" + name + ".txt", text);
    return source;
}

ArchiveDatabase::Stored index(ArchiveDatabase &db, const ArchiveSource &source)
{
    return db.store(describeRecording(source, {}, false));
}

Path eastAt(double kmh, int junctionSecond, double northMetres = 0)
{
    return [=](int s) { return QPointF((s - junctionSecond) * kmh / 3.6, northMetres); };
}

void setZone(const QByteArray &zone)
{
    qputenv("TZ", zone);
    tzset();
}

// The test program re-run as a child: indexes until killed, telling each recording stored.
int indexUntilKilled(const QString &databasePath, const QString &folder)
{
    ArchiveDatabase db(databasePath);
    if (!db.open())
        return 2;
    for (int i = 0; i < kChildRecordings; ++i) {
        ArchiveSource source;
        source.frontPath = QString("%1/r%2.MP4").arg(folder).arg(i, 4, 10, QChar('0'));
        source.channelPaths << QString(source.frontPath).replace(".MP4", ".back.MP4");
        source.trackCachePath =
            folder + "/cache/" + QFileInfo(source.frontPath).fileName() + ".txt";
        if (db.isCurrent(source.frontPath, sourceStamp(source)))
            continue;
        if (index(db, source) == ArchiveDatabase::Stored::Failed)
            return 3;
        std::cout << "stored " << i << std::endl;
    }
    return 0;
}

QString passText(const QVector<ArchivePass> &passes)
{
    QStringList texts;
    for (const ArchivePass &pass : passes)
        texts << QFileInfo(pass.frontPath).baseName() + '@' + QString::number(pass.second);
    return texts.join(' ');
}

// A car's event folder under root with one minute of the front camera (from 14:12:10, local
// time as the car names it) and, unless json is empty, its event.json.
ArchiveSource carMinute(const QString &root, const QString &clips, const QByteArray &json)
{
    const QString folder = root + '/' + clips + "/2025-11-20_14-13-05";
    const ArchiveSource source =
        writeRecording(folder, "2025-11-20_14-12-10-front.mp4",
                       QDateTime(QDate(2025, 11, 20), QTime(14, 12, 10), Qt::UTC), 60,
                       eastAt(36, 0), 36);
    if (!json.isEmpty())
        writeBytes(folder + "/event.json", json);
    return source;
}

// What an archive of the first schema held of a recording, written as that version did.
bool storeAsFirstSchema(QSqlDatabase &db, const IndexedRecording &r)
{
    QSqlQuery query(db);
    query.prepare("INSERT INTO recordings (front_path, front_name, front_size, track_cache,"
                  " stamp, start_utc, end_utc, seconds, metres, top_speed_kmh, braking,"
                  " accelerations, jolts, min_lat, max_lat, min_lon, max_lon, route, offline,"
                  " indexed_utc) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                  " ?, ?)");
    for (const QVariant &value : QVariantList{
             r.files.first().path, r.files.first().name, r.files.first().size, r.trackCachePath,
             r.stamp, r.startUtc, r.startUtc + qint64(r.seconds), r.seconds, r.metres,
             r.topSpeedKmh, r.events[0], r.events[1], r.events[2], r.minLat, r.maxLat, r.minLon,
             r.maxLon, r.route, 0, 1700000000})
        query.addBindValue(value);
    if (!query.exec())
        return false;
    const qint64 id = query.lastInsertId().toLongLong();
    for (const ArchiveFile &file : r.files) {
        query.prepare("INSERT INTO files (recording_id, channel, path, name, size, mtime)"
                      " VALUES (?, ?, ?, ?, ?, ?)");
        for (const QVariant &value :
             QVariantList{id, file.channel, file.path, file.name, file.size, file.mtime})
            query.addBindValue(value);
        if (!query.exec())
            return false;
    }
    for (const ArchiveQuarter &quarter : r.quarters) {
        query.prepare("INSERT INTO quarters (recording_id, quarter, metres, seconds)"
                      " VALUES (?, ?, ?, ?)");
        for (const QVariant &value :
             QVariantList{id, quarter.quarter, quarter.metres, quarter.seconds})
            query.addBindValue(value);
        if (!query.exec())
            return false;
    }
    return true;
}

QString carEventText(const QVector<ArchiveCarEvent> &events)
{
    QStringList texts;
    for (const ArchiveCarEvent &event : events)
        texts << QString("%1 %2 [%3] %4,%5")
                     .arg(event.second)
                     .arg(event.reason, event.place)
                     .arg(event.latitude, 0, 'f', 3)
                     .arg(event.longitude, 0, 'f', 3);
    return texts.join(' ');
}
} // namespace

class TestArchive : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString fresh(const QString &name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    // One junction on three days, a recording passing twice, a road 80 m away: each visit once.
    void passesNearAPlace_data()
    {
        QTest::addColumn<double>("radius");
        QTest::addColumn<QString>("passes");
        QTest::newRow("50 m") << 50.0 << "east@20 north@35 twice@10 twice@50";
        QTest::newRow("100 m reaches the road 80 m away")
            << 100.0 << "east@20 north@35 twice@10 twice@50 parallel@30";
        QTest::newRow("5 m: between two fixes 14 m apart")
            << 5.0 << "east@20 north@35 twice@10 twice@50";
    }
    void passesNearAPlace()
    {
        QFETCH(double, radius);
        QFETCH(QString, passes);
        const QString folder = fresh(QTest::currentDataTag());
        ArchiveDatabase db(folder + "/archive.sqlite");
        QVERIFY(db.open());
        const QDateTime day1(QDate(2024, 5, 14), QTime(8, 0), Qt::UTC);
        // 50 km/h: fixes 13.9 m apart, the junction 6.9 m past the fix of the second named.
        const auto offset = [](const Path &path) {
            return [path](int s) { return path(s) + QPointF(6.9, 0); };
        };
        QCOMPARE(
            index(db, writeRecording(folder, "east.MP4", day1, 60, offset(eastAt(50, 20)), 50)),
            ArchiveDatabase::Stored::Added);
        index(db, writeRecording(
                      folder, "north.MP4", day1.addDays(1), 60,
                      [](int s) { return QPointF(0, (s - 35) * 30 / 3.6); }, 30));
        // East through the junction at 10, turning at 30, back through it at 50.
        index(db, writeRecording(
                      folder, "twice.MP4", day1.addDays(2), 60,
                      [](int s) { return QPointF(10.0 * (s <= 30 ? s - 10 : 50 - s), 0); }, 36));
        index(db,
              writeRecording(folder, "parallel.MP4", day1.addDays(3), 60, eastAt(36, 30, 80), 36));
        index(db, writeRecording(folder, "elsewhere.MP4", day1.addDays(4), 60, eastAt(36, 30, 2000),
                                 36));

        const QVector<ArchivePass> found = db.passesNear(kJunctionLat, kJunctionLon, radius);
        QCOMPARE(passText(found), passes);
        QCOMPARE(found.first().speedKmh, 50.0);
        QCOMPARE(found.first().whenUtc, day1.addSecs(20));
        QVERIFY(found.first().metres <= std::min(radius, 7.0));
        QCOMPARE(found.at(1).speedKmh, 30.0);
    }

    // Distance counts on the local day it was driven on, in the zone the computer has when
    // asked; a name's time stamp is read in the zone it had when indexed.
    void daysInTheComputersZone_data()
    {
        QTest::addColumn<QByteArray>("indexZone");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("askZone");
        QTest::addColumn<QString>("days"); // date:seconds:metres
        // The track: 2024-05-16 23:30 UTC for an hour at 36 km/h (10 m/s).
        QTest::newRow("UTC: across midnight")
            << QByteArray("UTC") << "drive.MP4" << QByteArray("UTC")
            << "2024-05-16:1800:17990 2024-05-17:1800:18000";
        QTest::newRow("zone changed to UTC+9 after indexing")
            << QByteArray("UTC") << "drive.MP4" << QByteArray("Asia/Tokyo")
            << "2024-05-17:3600:35990";
        QTest::newRow("UTC-4 (summer time)")
            << QByteArray("UTC") << "drive.MP4" << QByteArray("America/New_York")
            << "2024-05-16:3600:35990";
        QTest::newRow("UTC+5:45, midnight mid-hour")
            << QByteArray("UTC") << "drive.MP4" << QByteArray("Asia/Kathmandu")
            << "2024-05-17:3600:35990";
        QTest::newRow("name stamp read in UTC+9, asked in UTC")
            << QByteArray("Asia/Tokyo") << "2024_0516_233000_001A.MP4" << QByteArray("UTC")
            << "2024-05-16:3600:35990";
        QTest::newRow("name stamp read in UTC+9, asked there")
            << QByteArray("Asia/Tokyo") << "2024_0516_233000_001A.MP4" << QByteArray("Asia/Tokyo")
            << "2024-05-16:1800:17990 2024-05-17:1800:18000";
    }
    void daysInTheComputersZone()
    {
        QFETCH(QByteArray, indexZone);
        QFETCH(QString, name);
        QFETCH(QByteArray, askZone);
        QFETCH(QString, days);
        const QByteArray before = qgetenv("TZ");
        const QString folder =
            fresh(QString("days-%1").arg(QTest::currentDataTag()).replace(' ', '_'));
        ArchiveDatabase db(folder + "/archive.sqlite");
        QVERIFY(db.open());
        setZone(indexZone);
        index(db,
              writeRecording(folder, name, QDateTime(QDate(2024, 5, 16), QTime(23, 30), Qt::UTC),
                             3600, eastAt(36, 0), 36));
        setZone(askZone);
        QStringList texts;
        for (const ArchiveDay &day : db.days(QDate(2024, 5, 1), QDate(2024, 5, 31)))
            texts << QString("%1:%2:%3")
                         .arg(day.date.toString(Qt::ISODate))
                         .arg(day.seconds)
                         .arg(std::lround(day.metres / 10) * 10);
        // The drive is listed on every day it touches.
        QStringList driveDays;
        for (const QString &text : texts) {
            const QVector<ArchiveDrive> drives =
                db.drivesOn(QDate::fromString(text.left(10), Qt::ISODate));
            if (drives.size() == 1 && drives.first().recordings.size() == 1)
                driveDays << text;
        }
        setZone(before);
        QCOMPARE(texts.join(' '), days);
        QCOMPARE(driveDays, texts);
    }

    // A day's drives are grouped as the file list groups: gaps up to a minute join recordings.
    void drivesOfADay()
    {
        const QString folder = fresh("drives");
        ArchiveDatabase db(folder + "/archive.sqlite");
        QVERIFY(db.open());
        const QDateTime ten(QDate(2024, 5, 16), QTime(10, 0), Qt::UTC);
        const Path still = [](int) { return QPointF(); };
        index(db, writeRecording(folder, "a.MP4", ten, 60, eastAt(36, 0), 36));
        index(db,
              writeRecording(folder, "b.MP4", ten.addSecs(120), 60, eastAt(72, 0), 72)); // gap 60 s
        index(db, writeRecording(folder, "c.MP4", ten.addSecs(241), 60, still, 0));      // gap 61 s
        const QByteArray before = qgetenv("TZ");
        setZone("UTC");
        const QVector<ArchiveDrive> drives = db.drivesOn(QDate(2024, 5, 16));
        const QVector<ArchiveDrive> dayBefore = db.drivesOn(QDate(2024, 5, 15));
        setZone(before);
        QCOMPARE(drives.size(), 2);
        QCOMPARE(drives[0].recordings.size(), 2);
        QCOMPARE(drives[0].startUtc, ten);
        QCOMPARE(drives[0].endUtc, ten.addSecs(180));
        QCOMPARE(std::lround(drives[0].metres), 590 + 1180);
        QVERIFY(qAbs(drives[0].topSpeedKmh - 72) < 0.05); // stored in knots with two decimals
        QCOMPARE(drives[1].recordings.size(), 1);
        QCOMPARE(drives[1].metres, 0.0);
        QVERIFY(dayBefore.isEmpty());
    }

    // A recording whose file went away stays, offline; the same name and size elsewhere takes
    // its entry over, unless the first is still there or the size differs.
    void offlineAndRelink_data()
    {
        QTest::addColumn<bool>("moveIt");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<int>("count");
        QTest::newRow("moved: relinked")
            << true << 16 << int(ArchiveDatabase::Stored::Relinked) << 1;
        QTest::newRow("copied: the first is still there")
            << false << 16 << int(ArchiveDatabase::Stored::Added) << 2;
        QTest::newRow("moved, other size: another recording")
            << true << 17 << int(ArchiveDatabase::Stored::Added) << 2;
    }
    void offlineAndRelink()
    {
        QFETCH(bool, moveIt);
        QFETCH(int, bytes);
        QFETCH(int, outcome);
        QFETCH(int, count);
        const QString folder = fresh(QString("relink-%1-%2").arg(moveIt).arg(bytes));
        ArchiveDatabase db(folder + "/archive.sqlite");
        QVERIFY(db.open());
        const QDateTime start(QDate(2024, 5, 16), QTime(10, 0), Qt::UTC);
        const ArchiveSource first =
            writeRecording(folder + "/card", "x.MP4", start, 60, eastAt(36, 0), 36);
        QCOMPARE(index(db, first), ArchiveDatabase::Stored::Added);
        QCOMPARE(db.checkOffline(), 0);
        if (moveIt) {
            QVERIFY(QFile::remove(first.frontPath));
            QCOMPARE(db.checkOffline(), 1);
            QVERIFY(db.recording(1).offline);
        }
        const ArchiveSource second =
            writeRecording(folder + "/disk/2024", "x.MP4", start, 60, eastAt(36, 0), 36, bytes);
        QCOMPARE(int(index(db, second)), outcome);
        QCOMPARE(db.recordingCount(), count);
        const ArchiveRecording latest = db.recording(count);
        QCOMPARE(latest.frontPath, second.frontPath);
        QVERIFY(!latest.offline);
        QCOMPARE(db.passesNear(kJunctionLat, kJunctionLon).size(), count);
        QCOMPARE(db.checkOffline(), moveIt && count == 2 ? 1 : 0);
    }

    // Killed at random points: whole recordings only, and the next run goes on where it stopped.
    void killedWhileIndexing()
    {
        const QString folder = fresh("killed");
        for (int i = 0; i < kChildRecordings; ++i) {
            const QString name = QString("r%1.MP4").arg(i, 4, 10, QChar('0'));
            writeRecording(folder, name,
                           QDateTime(QDate(2024, 5, 16), QTime(10, 0), Qt::UTC).addSecs(60 * i), 60,
                           eastAt(36, 30, i), 36);
            QFile::copy(folder + '/' + name,
                        folder + '/' + QString(name).replace(".MP4", ".back.MP4"));
        }
        const QString databasePath = folder + "/archive.sqlite";
        int mostStored = -1;
        for (int round = 0; round < 8; ++round) {
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {"--index-until-killed", databasePath, folder});
            QVERIFY(child.waitForStarted(30000));
            const int killAfter = int(QRandomGenerator::global()->bounded(1, 20));
            int seen = 0;
            while (seen < killAfter && child.state() == QProcess::Running) {
                if (!child.canReadLine() && !child.waitForReadyRead(30000))
                    break;
                while (child.canReadLine()) {
                    const QByteArray line = child.readLine().trimmed();
                    mostStored = std::max(mostStored, line.mid(7).toInt());
                    ++seen;
                }
            }
            if (seen < killAfter) { // it finished them all before it could be killed
                QVERIFY(child.waitForFinished(30000));
                QVERIFY2(child.exitCode() == 0,
                         qPrintable(child.readAllStandardError().right(2000)));
                break;
            }
            child.kill();
            QVERIFY(child.waitForFinished(30000));
        }
        ArchiveDatabase db(databasePath);
        QString aside;
        QVERIFY(db.open(&aside));
        QVERIFY(aside.isEmpty());
        QSqlQuery query(db.connection());
        QVERIFY(query.exec("PRAGMA integrity_check") && query.next());
        QCOMPARE(query.value(0).toString(), QString("ok"));
        // Every recording told stored is there; every one there is whole.
        QVERIFY(query.prepare("SELECT count(*) FROM recordings WHERE front_path = ?"));
        query.addBindValue(QString("%1/r%2.MP4").arg(folder).arg(mostStored, 4, 10, QChar('0')));
        QVERIFY(query.exec() && query.next());
        QCOMPARE(query.value(0).toInt(), 1);
        QVERIFY(
            query.exec("SELECT count(*) FROM recordings r WHERE"
                       " (SELECT count(*) FROM files f WHERE f.recording_id = r.id) != 2 OR"
                       " (SELECT sum(seconds) FROM quarters q WHERE q.recording_id = r.id) != 60 OR"
                       " (SELECT count(*) FROM chunks c WHERE c.recording_id = r.id) != 4 OR"
                       " length(route) = 0"));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), 0);
        QVERIFY(query.exec("SELECT (SELECT count(*) FROM place), (SELECT count(*) FROM chunks),"
                           " (SELECT count(*) FROM recordings)"));
        QVERIFY(query.next());
        QCOMPARE(query.value(0).toInt(), query.value(1).toInt());
        QVERIFY(query.value(2).toInt() > mostStored);
    }

    // Moved aside with a log line and a fresh archive built; nothing else in its folder is touched.
    void damagedOrForeignFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("named"); // recordings the old file still names; -1: any
        QTest::newRow("not a database") << "garbage" << 0;
        QTest::newRow("another program's database") << "foreign" << 0;
        QTest::newRow("written by a newer version") << "newer" << 20;
        QTest::newRow("damaged pages") << "damaged" << -1;
    }
    void damagedOrForeignFile()
    {
        QFETCH(QString, kind);
        QFETCH(int, named);
        const QString folder = fresh("damaged-" + kind);
        const QString path = folder + "/archive.sqlite";
        QDir().mkpath(folder);
        if (kind == "garbage") {
            writeBytes(path, QByteArray(8192, 'x'));
        } else if (kind == "foreign") {
            {
                QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "foreign");
                other.setDatabaseName(path);
                QVERIFY(other.open());
                QVERIFY(QSqlQuery(other).exec("CREATE TABLE notes (text TEXT)"));
            }
            QSqlDatabase::removeDatabase("foreign");
        } else {
            {
                ArchiveDatabase db(path);
                QVERIFY(db.open());
                for (int i = 0; i < 20; ++i)
                    index(db, writeRecording(folder + "/videos", QString("v%1.MP4").arg(i),
                                             QDateTime(QDate(2024, 5, 16), QTime(10, i), Qt::UTC),
                                             600, eastAt(36, 0, i), 36));
                if (kind == "newer")
                    QVERIFY(QSqlQuery(db.connection()).exec("PRAGMA user_version = 99"));
            }
            if (kind == "damaged") {
                QFile file(path);
                QVERIFY(file.size() > 5 * 4096);
                QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(2 * 4096));
                file.write(QByteArray(2 * 4096, char(0x5a)));
            }
        }
        const QByteArray bytes = readBytes(path);
        const QStringList others = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        ArchiveIndexer indexer(path);
        QSignalSpy opened(&indexer, &ArchiveIndexer::opened);
        QSignalSpy idle(&indexer, &ArchiveIndexer::idle);
        indexer.start();
        QVERIFY(idle.wait(30000));
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened.first().at(0).toBool());
        // Moved aside beside it, under the name the user is told of.
        const QFileInfo aside(opened.first().at(1).toString());
        QCOMPARE(aside.absolutePath(), QFileInfo(path).absolutePath());
        QVERIFY2(aside.fileName().startsWith("archive.sqlite.damaged-"), qPrintable(aside.fileName()));
        QCOMPARE(readBytes(aside.filePath(), "<missing>"), bytes);
        // Built anew from what the old file still names.
        ArchiveDatabase db(path);
        QVERIFY(db.openExisting());
        if (named >= 0)
            QCOMPARE(db.recordingCount(), named);
        QCOMPARE(index(db, writeRecording(folder + "/after", "new.MP4",
                                          QDateTime::currentDateTimeUtc(), 10, eastAt(36, 0), 36)),
                 ArchiveDatabase::Stored::Added);
        QStringList now = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        now.removeAll("after");
        for (const QString &name : now)
            QVERIFY2(others.contains(name) || name.startsWith("archive.sqlite"), qPrintable(name));
    }

    // A recording in a car's event folder holds the event its event.json names when the time
    // falls within its seconds; a damaged file stands for an event at the folder's time.
    void carEventsOfAnEventFolder_data()
    {
        const QByteArray honk =
            R"({"timestamp":"2025-11-20T14:13:05","city":"Springfield","street":"Main Street",)"
            R"("est_lat":"40.700000","est_lon":"-74.010000","reason":"user_interaction_honk"})";
        QTest::addColumn<QString>("clips");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("events");
        QTest::newRow("saved by the horn")
            << "SavedClips" << honk
            << "55 user_interaction_honk [Main Street, Springfield] 40.700,-74.010";
        QTest::newRow("sentry folder in small letters")
            << "sentryclips" << honk
            << "55 user_interaction_honk [Main Street, Springfield] 40.700,-74.010";
        QTest::newRow("damaged file: the folder's time, no reason")
            << "SavedClips" << QByteArray(R"({"timestamp": 2025-11)") << "55  [] nan,nan";
        QTest::newRow("first second") << "SavedClips"
                                      << QByteArray(R"({"timestamp":"2025-11-20T14:12:10"})")
                                      << "0  [] nan,nan";
        QTest::newRow("a second before it")
            << "SavedClips" << QByteArray(R"({"timestamp":"2025-11-20T14:12:09"})") << "";
        QTest::newRow("the instant it ends, nothing after it")
            << "SavedClips" << QByteArray(R"({"timestamp":"2025-11-20T14:13:10"})")
            << "60  [] nan,nan";
        QTest::newRow("the instant it ends, the next minute's first second")
            << "SavedClips" << QByteArray(R"({"timestamp":"2025-11-20T14:13:10"})") << "";
        QTest::newRow("a second past its end")
            << "SavedClips" << QByteArray(R"({"timestamp":"2025-11-20T14:13:11"})") << "";
        QTest::newRow("no event.json") << "SavedClips" << QByteArray() << "";
        QTest::newRow("not an event folder") << "RecentClips" << honk << "";
    }
    void carEventsOfAnEventFolder()
    {
        QFETCH(QString, clips);
        QFETCH(QByteArray, json);
        QFETCH(QString, events);
        const QString root = fresh(QString("car-%1").arg(QTest::currentDataTag()));
        const ArchiveSource source = carMinute(root, clips, json);
        if (QByteArray(QTest::currentDataTag()).contains("next minute"))
            writeBytes(QFileInfo(source.frontPath).path() + "/2025-11-20_14-13-10-front.mp4",
                       QByteArray(16, 'v'));
        ArchiveDatabase db(root + "/archive.sqlite");
        QVERIFY(db.open());
        QCOMPARE(index(db, source), ArchiveDatabase::Stored::Added);
        const ArchiveRecording stored = db.recording(1);
        QCOMPARE(carEventText(stored.carEvents), events);
        QCOMPARE(stored.events[kArchiveCarEventKind], events.isEmpty() ? 0 : 1);
        const QDate day = QDateTime(QDate(2025, 11, 20), QTime(14, 12, 10), Qt::LocalTime).date();
        const QVector<ArchiveDrive> drives = db.drivesOn(day);
        QCOMPARE(drives.size(), 1);
        QCOMPARE(drives.first().events[kArchiveCarEventKind], events.isEmpty() ? 0 : 1);
        QCOMPARE(carEventText(drives.first().recordings.first().carEvents), events);
        // A changed event.json in a car's event folder makes the recording be read again.
        QVERIFY(db.isCurrent(source.frontPath, sourceStamp(source)));
        const QString eventFile = QFileInfo(source.frontPath).path() + "/event.json";
        writeBytes(eventFile, json + "  ");
        QCOMPARE(db.isCurrent(source.frontPath, sourceStamp(source)),
                 clips == "RecentClips");
    }

    // An archive of the first schema is brought up to date where it lies: nothing it held is
    // lost, and the recordings it holds from a car's event folders get their events.
    void upgradesAnArchiveOfTheFirstSchema()
    {
        const QString folder = fresh("upgrade");
        const QString path = folder + "/archive.sqlite";
        const ArchiveSource saved = carMinute(
            folder + "/TeslaCam", "SavedClips",
            R"({"timestamp":"2025-11-20T14:13:05","reason":"user_interaction_honk"})");
        const ArchiveSource plain = writeRecording(
            folder + "/DCIM", "2024_0516_100000_001A.MP4",
            QDateTime(QDate(2024, 5, 16), QTime(10, 0), Qt::UTC), 120, eastAt(36, 0), 36);
        // Gone since it was stored: looked at again once it is back.
        const ArchiveSource gone = carMinute(
            folder + "/Gone", "SentryClips",
            R"({"timestamp":"2025-11-20T14:13:05","reason":"sentry_aware_object_detection"})");
        QVector<IndexedRecording> before;
        {
            QSqlDatabase old = QSqlDatabase::addDatabase("QSQLITE", "first schema");
            old.setDatabaseName(path);
            QVERIFY(old.open());
            QVERIFY(migrateArchive(old, 0, 1));
            for (const ArchiveSource &source : {saved, plain, gone}) {
                before.append(describeRecording(source, {}, false));
                QVERIFY(storeAsFirstSchema(old, before.last()));
            }
            QSqlQuery version(old);
            QVERIFY(version.exec("PRAGMA user_version") && version.next());
            QCOMPARE(version.value(0).toInt(), 1);
            version.finish();
            old.close();
        }
        QSqlDatabase::removeDatabase("first schema");
        QVERIFY(QFile::remove(gone.frontPath));

        ArchiveIndexer indexer(path);
        QSignalSpy opened(&indexer, &ArchiveIndexer::opened);
        QSignalSpy idle(&indexer, &ArchiveIndexer::idle);
        indexer.start();
        QVERIFY(idle.wait(30000));
        QCOMPARE(opened.size(), 1);
        QVERIFY(opened.first().at(0).toBool());
        QCOMPARE(opened.first().at(1).toString(), QString()); // upgraded, not rebuilt
        QCOMPARE(QDir(folder).entryList({"archive.sqlite*"}, QDir::Files).filter("damaged"),
                 QStringList());

        ArchiveDatabase db(path);
        QVERIFY(db.openExisting());
        {
            QSqlQuery query(db.connection());
            QVERIFY(query.exec("PRAGMA user_version") && query.next());
            QCOMPARE(query.value(0).toInt(), kArchiveSchemaVersion);
            QVERIFY(query.exec("SELECT car_events FROM recordings ORDER BY id"));
            QStringList counts;
            while (query.next())
                counts << (query.value(0).isNull() ? "null" : query.value(0).toString());
            QCOMPARE(counts.join(' '), QString("1 0 null"));
        }
        QCOMPARE(db.recordingCount(), 3);
        for (int i = 0; i < 3; ++i) {
            const ArchiveRecording r = db.recording(i + 1);
            QCOMPARE(r.frontPath, before[i].files.first().path);
            QCOMPARE(r.startUtc.toSecsSinceEpoch(), before[i].startUtc);
            QCOMPARE(r.seconds, before[i].seconds);
            QCOMPARE(r.metres, before[i].metres);
            QCOMPARE(r.topSpeedKmh, before[i].topSpeedKmh);
        }
        QCOMPARE(carEventText(db.recording(1).carEvents),
                 QString("55 user_interaction_honk [] nan,nan"));
        QCOMPARE(db.recording(1).events[kArchiveCarEventKind], 1);
        QVERIFY(db.recording(2).carEvents.isEmpty());
        QVERIFY(db.recording(3).carEvents.isEmpty());
        QCOMPARE(db.routes().size(), 3);
        const QVector<ArchiveDay> days = db.days(QDate(2024, 5, 15), QDate(2024, 5, 17));
        QCOMPARE(days.size(), 1);
        QCOMPARE(days.first().metres, before[1].metres);
        // The recording stored once more is written whole, its event with it.
        QCOMPARE(index(db, saved), ArchiveDatabase::Stored::Updated);
        QCOMPARE(carEventText(db.recording(1).carEvents),
                 QString("55 user_interaction_honk [] nan,nan"));
    }

    // Another connection's write lock (a second viewer) is waited for, rather than failing.
    void aWriterWaitsForTheLock()
    {
        const QString folder = fresh("locked");
        const QString path = folder + "/archive.sqlite";
        {
            ArchiveDatabase db(path);
            QVERIFY(db.open());
        }
        const IndexedRecording recording = describeRecording(
            writeRecording(folder, "x.MP4", QDateTime(QDate(2024, 5, 16), QTime(10, 0), Qt::UTC),
                           60, eastAt(36, 0), 36),
            {}, false);
        QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other viewer");
        other.setDatabaseName(path);
        QVERIFY(other.open());
        QVERIFY(QSqlQuery(other).exec("BEGIN IMMEDIATE"));
        QAtomicInt storing;
        int outcome = -1;
        QScopedPointer<QThread> writer(QThread::create([&] {
            ArchiveDatabase db(path);
            if (!db.open())
                return;
            storing.storeRelease(1);
            outcome = int(db.store(recording));
        }));
        writer->start();
        QTRY_VERIFY_WITH_TIMEOUT(storing.loadAcquire() == 1 || writer->isFinished(), 30000);
        QVERIFY(QSqlQuery(other).exec("COMMIT"));
        QVERIFY(writer->wait(30000));
        other.close();
        other = QSqlDatabase();
        QSqlDatabase::removeDatabase("other viewer");
        QCOMPARE(outcome, int(ArchiveDatabase::Stored::Added));
    }

    // On its worker: one recording per front file with its channels, cached tracks not extracted.
    void indexerIndexesAFolder()
    {
        const QString folder = fresh("card/DCIM");
        const QDateTime ten(QDate(2024, 5, 16), QTime(10, 0), Qt::UTC);
        for (int i = 0; i < 3; ++i) {
            const QString stamp = QString("2024_0516_10%1_%2")
                                      .arg(i * 2, 2, 10, QChar('0'))
                                      .arg(i + 1, 3, 10, QChar('0'));
            for (const char *channel : {"00A.MP4", "00B.MP4"}) {
                const QString name =
                    stamp.left(16) + "0_" + stamp.right(3) + QString(channel).right(5);
                const QString path = folder + '/' + name;
                const ArchiveSource source = writeRecording(folder, name, ten.addSecs(120 * i), 60,
                                                            eastAt(36, 0, 100 * i), 36);
                const LuFileInfoModel model(name, path);
                QFile::remove(model.trackCachePath);
                QVERIFY(QFile::rename(source.trackCachePath, model.trackCachePath));
            }
        }
        ArchiveIndexer indexer(fresh("indexer/archive.sqlite"));
        QSignalSpy opened(&indexer, &ArchiveIndexer::opened);
        QSignalSpy done(&indexer, &ArchiveIndexer::folderIndexed);
        indexer.start();
        indexer.addFolder(fresh("card"));
        QVERIFY(done.wait(30000));
        QCOMPARE(opened.size(), 1);
        QCOMPARE(opened.first().first().toBool(), true);
        QCOMPARE(done.first().at(1).toInt(), 3);
        ArchiveDatabase db(indexer.databasePath());
        QVERIFY(db.open());
        QCOMPARE(db.recordingCount(), 3);
        const ArchiveRecording first = db.recording(1);
        QVERIFY2(first.frontPath.endsWith("A.MP4"), qPrintable(first.frontPath));
        QCOMPARE(first.channelPaths.size(), 1);
        QVERIFY(first.channelPaths.first().endsWith("B.MP4"));
        QCOMPARE(std::lround(first.metres), 590);
        QCOMPARE(db.routes().size(), 3);
    }

    // The car's cameras: one recording with every camera's file there, named by its first.
    void indexerKeepsEveryCarCamera_data()
    {
        QTest::addColumn<QStringList>("cameras"); // in channel order
        const QStringList six{"front", "back", "left_repeater", "right_repeater", "left_pillar",
                              "right_pillar"};
        QTest::newRow("six cameras") << six;
        QTest::newRow("four cameras")
            << QStringList{"front", "back", "left_repeater", "right_pillar"};
        QTest::newRow("front alone") << QStringList{"front"};
        QTest::newRow("no front") << QStringList{"back", "left_pillar"};
    }
    void indexerKeepsEveryCarCamera()
    {
        QFETCH(QStringList, cameras);
        const QString folder = fresh(QStringLiteral("car/%1/TeslaCam").arg(QTest::currentDataTag()));
        const QDateTime start(QDate(2025, 11, 20), QTime(13, 3, 12), Qt::UTC);
        QStringList paths;
        for (const QString &camera : cameras) {
            const QString name = "2025-11-20_14-03-12-" + camera + ".mp4";
            const ArchiveSource source =
                writeRecording(folder, name, start, 60, eastAt(36, 0), 36);
            const LuFileInfoModel model(name, source.frontPath);
            QFile::remove(model.trackCachePath);
            QVERIFY(QFile::rename(source.trackCachePath, model.trackCachePath));
            paths << source.frontPath;
        }
        ArchiveIndexer indexer(fresh(QStringLiteral("car/%1.sqlite").arg(QTest::currentDataTag())));
        QSignalSpy done(&indexer, &ArchiveIndexer::folderIndexed);
        indexer.start();
        indexer.addFolder(folder);
        QVERIFY(done.wait(30000));
        QCOMPARE(done.first().at(1).toInt(), 1);
        ArchiveDatabase db(indexer.databasePath());
        QVERIFY(db.open());
        QCOMPARE(db.recordingCount(), 1);
        const ArchiveRecording recording = db.recording(1);
        QCOMPARE(recording.frontPath, paths.first());
        QCOMPARE(recording.channelPaths, paths.mid(1));
    }
};

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--index-until-killed") == 0) {
        QCoreApplication app(argc, argv);
        QLoggingCategory::setFilterRules(QStringLiteral("default.*=false"));
        discardTrackDiagnostics();
        return indexUntilKilled(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QCoreApplication app(argc, argv);
    // The track reader's lines for every point, and the library's for every recording, would
    // bury the archive's own.
    QLoggingCategory::setFilterRules(
        QStringLiteral("default.debug=false\ndefault.info=false\ndefault.warning=false\n"
                       "qmarl.library.debug=false\nqmarl.library.info=false\n"
                       "qmarl.library.warning=false"));
    discardTrackDiagnostics();
    TestArchive test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_archive.moc"
