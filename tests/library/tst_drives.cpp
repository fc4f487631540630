#include "driveexport.h"
#include "driveheadertext.h"
#include "drivelist.h"
#include "lufileinfomodel.h"
#include "lugpsmodel.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// A drive's figures as its tracks arrive, and its export.
class TestDrives : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QList<LuFileInfoModel *> m_list; // r1 front, r1 back, r2 front

    static QByteArray fix(char status, const char *time)
    {
        return QByteArray(1, status) + "20240516" + time +
               ",4807.038000,N,01131.000000,E,10.00,90.00,0,0,0\n";
    }

    static void giveTrack(LuFileInfoModel *model, float metres, float knots, int events,
                          const QByteArray &lines = fix('A', "100000"))
    {
        for (const QByteArray &line : lines.split('\n'))
            if (!line.isEmpty())
                model->track.append(new LuGPSModel(line.constData(), model));
        model->trackLoaded = model->trackTried = true;
        model->totalDistance = metres;
        model->maxSpeed = knots;
        model->drivingEvents.resize(events);
    }

private slots:
    void init()
    {
        for (const char *name : {"2024_0516_100000_001A.MP4", "2024_0516_100000_001B.MP4",
                                 "2024_0516_100300_002A.MP4"}) {
            QFile file(m_dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("x");
        }
        m_list.clear();
        for (const char *name : {"2024_0516_100300_002A.MP4", "2024_0516_100000_001B.MP4",
                                 "2024_0516_100000_001A.MP4"})
            m_list << new LuFileInfoModel(name, m_dir.filePath(name));
        sortAndLinkFileList(m_list);
        for (LuFileInfoModel *model : qAsConst(m_list))
            model->videoDuration = 180;
    }

    void cleanup() { qDeleteAll(m_list); }

    void headerFiguresGrowAsTracksArrive()
    {
        QVector<Drive> drives = drivesOf(m_list);
        QCOMPARE(drives.size(), 1);
        QCOMPARE(drives[0].recordings, (QList<LuFileInfoModel *>{m_list[0], m_list[2]}));
        QCOMPARE(drives[0].files.size(), 3);
        QCOMPARE(drives[0].pending, 2);
        QVERIFY(driveHeaderFigures(drives[0], false).endsWith(QStringLiteral("…")));

        // The front file has no GPS; the back file's track counts for the first recording.
        m_list[0]->trackTried = true;
        giveTrack(m_list[1], 1500, 50, 2);
        giveTrack(m_list[2], 2500, 60, 1);
        drives = drivesOf(m_list);
        QCOMPARE(drives[0].pending, 0);
        QCOMPARE(drives[0].seconds, 360.0);
        QCOMPARE(driveHeaderWhen(drives[0]).right(11), QStringLiteral("10:00–10:06"));
        QCOMPARE(driveHeaderFigures(drives[0], false),
                 QStringLiteral("4.0 km · 0:06 · 最高 111 km/h · 3 个事件"));
        QCOMPARE(driveHeaderFigures(drives[0], true),
                 QStringLiteral("2.5 mi · 0:06 · 最高 69 mph · 3 个事件"));
    }

    void driveTrackHoldsEveryRecordingsFixesInOrder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("gpx") << "drive.gpx";
        QTest::newRow("csv") << "drive.CSV";
    }

    void driveTrackHoldsEveryRecordingsFixesInOrder()
    {
        QFETCH(QString, name);
        const QList<QByteArray> caches = {fix('A', "100000") + fix('V', "100001") +
                                              fix('A', "100002"),
                                          fix('A', "100300") + fix('A', "100301")};
        const QList<LuFileInfoModel *> recordings = {m_list[0], m_list[2]};
        QVector<DriveExportPart> parts;
        for (int i = 0; i < 2; ++i) {
            QFile cache(recordings[i]->trackCachePath);
            QVERIFY(cache.open(QIODevice::WriteOnly));
            cache.write(caches[i]);
            cache.close();
            parts.append({recordings[i]->fileStem, recordings[i]->trackSource()});
        }
        const QString path = m_dir.filePath(name);
        QVERIFY(writeDriveTrack(parts, path));
        QFile out(path);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QStringList times;
        const QRegularExpression time(QStringLiteral("2024-05-16T(\\d\\d:\\d\\d:\\d\\d)Z"));
        for (auto it = time.globalMatch(QString::fromUtf8(out.readAll())); it.hasNext();)
            times << it.next().captured(1);
        QCOMPARE(times, (QStringList{"10:00:00", "10:00:02", "10:03:00", "10:03:01"}));
    }
};

QTEST_GUILESS_MAIN(TestDrives)
#include "tst_drives.moc"
