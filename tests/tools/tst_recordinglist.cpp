#include "../support/programrun.h"
// q-marl-track --recordings: files and folders grouped into recordings and drives as the
// viewer's file list groups them, for every naming family, as text and as JSON.
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
using Run = ProgramRun;

// The viewer's cache folder is the test's own.
Run listing(const QString &cache, const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CACHE_HOME", cache);
    return runProgram(QStringLiteral(QMARL_BIN_DIR "/q-marl-track"), args, env);
}

// A recording in short: "START DRIVE camera=name camera=name…", names without their folder.
QStringList shortForm(const QJsonArray &recordings)
{
    QStringList lines;
    for (const QJsonValue &r : recordings) {
        QStringList parts{r["start"].toString(), QString::number(r["drive"].toInt())};
        for (const QJsonValue &c : r["channels"].toArray())
            parts << c["camera"].toString() + '=' + QFileInfo(c["path"].toString()).fileName();
        lines << parts.join(' ');
    }
    return lines;
}

// A file time as the camera leaves it, on the computer's clock.
QDateTime at(const QString &text)
{
    return QDateTime::fromString(text, Qt::ISODate);
}
} // namespace

class TestRecordingList : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_video; // a one-minute picture every name below is a copy of

    // Writes the files (name, or name@file time) into a fresh folder.
    QString folderOf(const QStringList &files)
    {
        static int n = 0;
        const QString folder = m_dir.filePath(QStringLiteral("case%1").arg(++n));
        QDir().mkpath(folder);
        for (const QString &file : files) {
            const QString name = file.section('@', 0, 0);
            const QString path = folder + '/' + name;
            QDir().mkpath(QFileInfo(path).path());
            if (!QFile::copy(m_video, path))
                return QString();
            const QString time = file.section('@', 1);
            if (!time.isEmpty()) {
                QFile f(path);
                if (!f.open(QIODevice::ReadWrite) ||
                    !f.setFileTime(at(time), QFileDevice::FileModificationTime))
                    return QString();
            }
        }
        return folder;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_video = m_dir.filePath("source.mp4");
        QProcess ffmpeg;
        ffmpeg.start("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                "color=c=gray:s=64x48:r=1:d=60", "-an", "-c:v", "mpeg4", "-g",
                                "10", "-fflags", "+bitexact", "-flags:v", "+bitexact",
                                "-map_metadata", "-1", "-f", "mp4", m_video});
        QVERIFY(ffmpeg.waitForFinished(-1) && ffmpeg.exitCode() == 0);
    }

    void everyFamilyGroups_data()
    {
        QTest::addColumn<QStringList>("files"); // name[@file time]
        QTest::addColumn<QStringList>("expected");
        // Two recordings of each family a minute apart, one drive.
        QTest::newRow("channel letter")
            << QStringList{"DRIVEA.MP4@2024-05-16T10:15:00", "DRIVEB.MP4@2024-05-16T10:15:00",
                           "DRIVEC.MP4@2024-05-16T10:15:00", "NEXTA.MP4@2024-05-16T10:16:00",
                           "NEXTB.MP4@2024-05-16T10:16:00"}
            << QStringList{"2024-05-16T10:15:00 1 front=DRIVEA.MP4 back=DRIVEB.MP4 inside=DRIVEC.MP4",
                           "2024-05-16T10:16:00 1 front=NEXTA.MP4 back=NEXTB.MP4"};
        QTest::newRow("time-stamped")
            << QStringList{"2024_0516_101500_003A.MP4", "2024_0516_101501_004B.MP4",
                           "2024_0516_101500_003C.MP4", "2024_0516_101600_005A.MP4",
                           "2024_0516_101600_005B.MP4", "2024_0516_101600_005C.MP4"}
            << QStringList{"2024-05-16T10:15:00 1 front=2024_0516_101500_003A.MP4 "
                           "back=2024_0516_101501_004B.MP4 inside=2024_0516_101500_003C.MP4",
                           "2024-05-16T10:16:00 1 front=2024_0516_101600_005A.MP4 "
                           "back=2024_0516_101600_005B.MP4 inside=2024_0516_101600_005C.MP4"};
        QTest::newRow("numbered")
            << QStringList{"R1_00.MP4@2024-05-16T10:15:00", "R1_01_b.MP4@2024-05-16T10:15:00",
                           "R1_02_c.MP4@2024-05-16T10:15:00", "R2_00.MOV@2024-05-16T10:16:00",
                           "R2_01_b.MOV@2024-05-16T10:16:00"}
            << QStringList{"2024-05-16T10:15:00 1 front=R1_00.MP4 back=R1_01_b.MP4 inside=R1_02_c.MP4",
                           "2024-05-16T10:16:00 1 front=R2_00.MOV back=R2_01_b.MOV"};
        QTest::newRow("camera letter")
            << QStringList{"2024_0516_101500_000101F.MP4", "2024_0516_101500_000101R.MP4",
                           "2024_0516_101500_000101I.MP4", "2024_0516_101600_000102F.MP4"}
            << QStringList{"2024-05-16T10:15:00 1 front=2024_0516_101500_000101F.MP4 "
                           "back=2024_0516_101500_000101R.MP4 inside=2024_0516_101500_000101I.MP4",
                           "2024-05-16T10:16:00 1 front=2024_0516_101600_000102F.MP4"};
        QTest::newRow("recording mode, then camera")
            << QStringList{"20240516_101500_NF.mp4", "20240516_101500_NR.mp4",
                           "20240516_101600_EF.mp4", "20240516_101600_ER.mp4",
                           "20240516_101600_EI.mp4"}
            << QStringList{"2024-05-16T10:15:00 1 front=20240516_101500_NF.mp4 "
                           "back=20240516_101500_NR.mp4",
                           "2024-05-16T10:16:00 1 front=20240516_101600_EF.mp4 "
                           "back=20240516_101600_ER.mp4 inside=20240516_101600_EI.mp4"};
        QTest::newRow("camera, then quality")
            << QStringList{"240516_101500_001_FH.MP4", "240516_101500_001_RH.MP4",
                           "240516_101600_002_FL.MP4", "240516_101600_002_RL.MP4"}
            << QStringList{"2024-05-16T10:15:00 1 front=240516_101500_001_FH.MP4 "
                           "back=240516_101500_001_RH.MP4",
                           "2024-05-16T10:16:00 1 front=240516_101600_002_FL.MP4 "
                           "back=240516_101600_002_RL.MP4"};
        QTest::newRow("prefixed")
            << QStringList{"REC_2024_05_16_10_15_00_F.MP4", "REC_2024_05_16_10_15_00_R.MP4",
                           "EVT_2024_05_16_10_16_00_F.MP4", "EVT_2024_05_16_10_16_00_R.MP4",
                           "EVT_2024_05_16_10_16_00_I.MP4"}
            << QStringList{"2024-05-16T10:15:00 1 front=REC_2024_05_16_10_15_00_F.MP4 "
                           "back=REC_2024_05_16_10_15_00_R.MP4",
                           "2024-05-16T10:16:00 1 front=EVT_2024_05_16_10_16_00_F.MP4 "
                           "back=EVT_2024_05_16_10_16_00_R.MP4 inside=EVT_2024_05_16_10_16_00_I.MP4"};
        QTest::newRow("car's cameras")
            << QStringList{"2025-11-20_14-03-12-right_pillar.mp4", "2025-11-20_14-03-12-front.mp4",
                           "2025-11-20_14-03-12-left_repeater.mp4", "2025-11-20_14-04-12-back.mp4",
                           "2025-11-20_14-04-12-front.mp4"}
            << QStringList{"2025-11-20T14:03:12 1 front=2025-11-20_14-03-12-front.mp4 "
                           "left_repeater=2025-11-20_14-03-12-left_repeater.mp4 "
                           "right_pillar=2025-11-20_14-03-12-right_pillar.mp4",
                           "2025-11-20T14:04:12 1 front=2025-11-20_14-04-12-front.mp4 "
                           "back=2025-11-20_14-04-12-back.mp4"};
        // A break of more than a minute after a recording's end starts the next drive: the
        // one-minute recordings here break 60 s (one drive), then 61 s apart.
        QTest::newRow("two drives")
            << QStringList{"2024_0516_101500_001A.MP4", "2024_0516_101700_002A.MP4",
                           "2024_0516_101901_003A.MP4"}
            << QStringList{"2024-05-16T10:15:00 1 front=2024_0516_101500_001A.MP4",
                           "2024-05-16T10:17:00 1 front=2024_0516_101700_002A.MP4",
                           "2024-05-16T10:19:01 2 front=2024_0516_101901_003A.MP4"};
        // Front and inside link only through a back file, as the older families' partners do.
        QTest::newRow("front and inside without back")
            << QStringList{"20240516_101500_NF.mp4", "20240516_101500_NI.mp4"}
            << QStringList{"2024-05-16T10:15:00 1 front=20240516_101500_NF.mp4",
                           "2024-05-16T10:15:00 1 inside=20240516_101500_NI.mp4"};
        // Names that must not pair: each file is a recording of its own.
        QTest::newRow("another recording mode")
            << QStringList{"20240516_101500_NF.mp4", "20240516_101500_ER.mp4"}
            << QStringList{"2024-05-16T10:15:00 1 back=20240516_101500_ER.mp4",
                           "2024-05-16T10:15:00 1 front=20240516_101500_NF.mp4"};
        QTest::newRow("another quality")
            << QStringList{"240516_101500_001_FH.MP4", "240516_101500_001_RL.MP4"}
            << QStringList{"2024-05-16T10:15:00 1 front=240516_101500_001_FH.MP4",
                           "2024-05-16T10:15:00 1 back=240516_101500_001_RL.MP4"};
        QTest::newRow("another car second")
            << QStringList{"2025-11-20_14-03-12-front.mp4", "2025-11-20_14-03-13-back.mp4"}
            << QStringList{"2025-11-20T14:03:12 1 front=2025-11-20_14-03-12-front.mp4",
                           "2025-11-20T14:03:13 1 back=2025-11-20_14-03-13-back.mp4"};
        QTest::newRow("a car camera in another case")
            << QStringList{"2025-11-20_14-03-12-front.mp4", "2025-11-20_14-03-12-Back.mp4"}
            << QStringList{"2025-11-20T14:03:12 1 front=2025-11-20_14-03-12-front.mp4",
                           "2025-11-20T14:03:12 1 front=2025-11-20_14-03-12-Back.mp4"};
        QTest::newRow("a letter after a letter")
            << QStringList{"DRIVE_XF.MP4@2024-05-16T10:15:00", "DRIVE_XR.MP4@2024-05-16T10:15:00"}
            << QStringList{"2024-05-16T10:15:00 1 front=DRIVE_XF.MP4",
                           "2024-05-16T10:15:00 1 front=DRIVE_XR.MP4"};
    }
    void everyFamilyGroups()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, expected);
        const QString folder = folderOf(files);
        QVERIFY(!folder.isEmpty());
        // The files named one by one, and their folder walked, list alike.
        QStringList paths;
        for (const QString &file : files)
            paths << folder + '/' + file.section('@', 0, 0);
        for (const QStringList &args : {QStringList{folder}, paths}) {
            const Run r = listing(m_dir.filePath("cache"), QStringList{"--recordings", "--json"} + args);
            QVERIFY2(r.code == 0, r.err.constData());
            QJsonParseError error;
            const QJsonDocument json = QJsonDocument::fromJson(r.out, &error);
            QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(error.errorString()));
            QVERIFY(json.isArray());
            QCOMPARE(shortForm(json.array()), expected);
        }
    }

    // A card's folder: its subfolders walked, hidden folders and files that are no video
    // left out; the text form says what the JSON says, a recording a line.
    void aCarFolder()
    {
        QStringList files;
        for (const char *camera : {"front", "back", "left_repeater", "right_repeater",
                                   "left_pillar", "right_pillar"})
            files << QStringLiteral("TeslaCam/RecentClips/2025-11-20_14-03-12-%1.mp4").arg(camera);
        files << "TeslaCam/.thumbs/2025-11-20_14-05-12-front.mp4";
        const QString folder = folderOf(files);
        QVERIFY(!folder.isEmpty());
        QFile note(folder + "/TeslaCam/RecentClips/event.json");
        QVERIFY(note.open(QIODevice::WriteOnly));
        note.write("{}");
        note.close();

        const Run json = listing(m_dir.filePath("cache"), {"--recordings", "--json", folder});
        QVERIFY2(json.code == 0, json.err.constData());
        const QJsonArray recordings = QJsonDocument::fromJson(json.out).array();
        QCOMPARE(recordings.size(), 1);
        QCOMPARE(recordings[0]["channels"].toArray().size(), 6);
        QCOMPARE(shortForm(recordings).first().section(' ', 0, 3),
                 QString("2025-11-20T14:03:12 1 front=2025-11-20_14-03-12-front.mp4 "
                         "back=2025-11-20_14-03-12-back.mp4"));

        const Run text = listing(m_dir.filePath("cache"), {"--recordings", folder});
        QVERIFY2(text.code == 0, text.err.constData());
        QStringList fields{"2025-11-20T14:03:12", "1", "6"};
        for (const QJsonValue &c : recordings[0]["channels"].toArray())
            fields << c["path"].toString();
        QCOMPARE(QString::fromUtf8(text.out), fields.join('\t') + '\n');
    }

    void whatCannotBeListed_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::newRow("no such file") << QStringList{"--recordings", "NOWHERE/x.MP4"} << 1
                                      << "no such file or folder";
        QTest::newRow("an empty folder") << QStringList{"--recordings", "EMPTY"} << 1
                                         << "no video in the folder";
        QTest::newRow("json alone") << QStringList{"--json", "EMPTY"} << 2
                                    << "--json goes with --recordings";
        QTest::newRow("with a track format") << QStringList{"--recordings", "--gpx", "EMPTY"} << 2
                                             << "--recordings takes no";
    }
    void whatCannotBeListed()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, said);
        QTemporaryDir empty;
        args.replaceInStrings("EMPTY", empty.path()).replaceInStrings("NOWHERE", empty.path());
        const Run r = listing(m_dir.filePath("cache"), args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(said.toUtf8()), r.err.constData());
        QVERIFY(r.out.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRecordingList)
#include "tst_recordinglist.moc"
