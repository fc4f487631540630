#include "driveexport.h"
#include "drivegrouping.h"
#include "driveheadertext.h"
#include "drivelist.h"
#include "hwdefaultsettings.h"
#include "library.h"
#include "lufileinfomodel.h"
#include "lugpsmodel.h"
#include "translation.h"
#include "../support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

#include <sys/time.h>

// Channel names, sibling search and linking on real files; drives, their figures and export.
class TestGrouping : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString touch(const QString &name, int size = 10)
    {
        return writeBytes(m_dir.filePath(name), QByteArray(size, 'x'));
    }

    LuFileInfoModel *model(const QString &name)
    {
        const QString path = m_dir.filePath(name);
        return new LuFileInfoModel(QFileInfo(path).fileName(), path);
    }

    QList<LuFileInfoModel *> m_drive;

    // Two recordings 3 min apart, the first with a back: r1 A, r1 B, r2 A; freed after each test.
    const QList<LuFileInfoModel *> &twoRecordingDrive()
    {
        const char *const names[] = {"2024_0516_100300_002A.MP4", "2024_0516_100000_001B.MP4",
                                     "2024_0516_100000_001A.MP4"};
        for (const char *name : names) // all on the card before the first is added
            touch(name, 1);
        for (const char *name : names)
            m_drive << model(name);
        sortAndLinkFileList(m_drive);
        for (LuFileInfoModel *recording : qAsConst(m_drive))
            recording->videoDuration = 180;
        return m_drive;
    }

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
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void cleanup()
    {
        qDeleteAll(m_drive);
        m_drive.clear();
    }

    void getBackPath_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("channel");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("expected"); // "index=name" pairs
        QTest::newRow("timestamped front")
            << "2024_0516_101500_003A.MP4" << 1 << 50
            << QStringList{"0=2024_0516_101459_001B.MP4", "1=2024_0516_101458_001B.MP4",
                           "2=2024_0516_101500_001B.MP4", "3=2024_0516_101501_001B.MP4",
                           "24=2024_0516_101502_005B.MP4", "25=2024_0516_101459_001C.MP4",
                           "49=2024_0516_101502_005C.MP4"};
        QTest::newRow("timestamped over midnight")
            << "2024_1231_235959_000C.mov" << 3 << 50
            << QStringList{"0=2024_1231_235958_-02A.mov", "3=2025_0101_000000_-02A.mov",
                           "12=2024_1231_235959_000A.mov", "37=2024_1231_235959_000B.mov"};
        QTest::newRow("plain back") << "REC0001B.MP4" << 2 << 2
                                    << QStringList{"0=REC0001A.MP4", "1=REC0001C.MP4"};
        QTest::newRow("numbered back") << "x_01_b.MP4" << 2 << 2
                                       << QStringList{"0=x_00.MP4", "1=x_02_c.MP4"};
        QTest::newRow("numbered front mov") << "x_00.MOV" << 1 << 2
                                            << QStringList{"0=x_01_b.MOV", "1=x_02_c.MOV"};
        QTest::newRow("transport stream inside") << "CAR_C.ts" << 3 << 2
                                                 << QStringList{"0=CAR_A.ts", "1=CAR_B.ts"};
        QTest::newRow("lower-case letter is no channel") << "clipa.mp4" << 0 << 0
                                                         << QStringList{};
        QTest::newRow("mixed-case extension") << "CLIPA.Mp4" << 0 << 0 << QStringList{};
        QTest::newRow("every ending removed") << "A.MP4A.MP4" << 1 << 2
                                              << QStringList{"0=B.MP4", "1=C.MP4"};
        // The camera-letter families: F front, R rear, I inside; the front's partner first.
        QTest::newRow("camera letter after digits, front")
            << "2024_0516_101500_000101F.MP4" << 1 << 2
            << QStringList{"0=2024_0516_101500_000101R.MP4", "1=2024_0516_101500_000101I.MP4"};
        QTest::newRow("camera letter after digits, rear, no time spread")
            << "2024_0516_101500_000101R.MP4" << 2 << 2
            << QStringList{"0=2024_0516_101500_000101F.MP4", "1=2024_0516_101500_000101I.MP4"};
        QTest::newRow("mode letter then camera, inside")
            << "20240516_101500_EI.mp4" << 3 << 2
            << QStringList{"0=20240516_101500_EF.mp4", "1=20240516_101500_ER.mp4"};
        QTest::newRow("camera then quality letter, rear")
            << "240516_101500_001_RL.MOV" << 2 << 2
            << QStringList{"0=240516_101500_001_FL.MOV", "1=240516_101500_001_IL.MOV"};
        QTest::newRow("prefixed, front, transport stream")
            << "PARK_2024_05_16_10_15_00_F.ts" << 1 << 2
            << QStringList{"0=PARK_2024_05_16_10_15_00_R.ts", "1=PARK_2024_05_16_10_15_00_I.ts"};
        QTest::newRow("camera letter after a word is none") << "TOUR.MP4" << 0 << 0
                                                            << QStringList{};
        QTest::newRow("a mode letter not after _ is none") << "clip_XNF.MP4" << 0 << 0
                                                           << QStringList{};
        QTest::newRow("lower-case camera letter is none") << "2024_0516_101500_000101f.MP4" << 0
                                                          << 0 << QStringList{};
        QTest::newRow("camera letter before another extension is none")
            << "2024_0516_101500_000101F.MKV" << 0 << 0 << QStringList{};
        // The car's cameras: the five others in channel order.
        QTest::newRow("car, front")
            << "2025-11-20_14-03-12-front.mp4" << 1 << 5
            << QStringList{"0=2025-11-20_14-03-12-back.mp4", "1=2025-11-20_14-03-12-left_repeater.mp4",
                           "2=2025-11-20_14-03-12-right_repeater.mp4",
                           "4=2025-11-20_14-03-12-right_pillar.mp4"};
        QTest::newRow("car, back") << "2025-11-20_14-03-12-back.mp4" << 2 << 5
                                   << QStringList{"0=2025-11-20_14-03-12-front.mp4",
                                                  "1=2025-11-20_14-03-12-left_repeater.mp4"};
        QTest::newRow("car, left repeater") << "2025-11-20_14-03-12-left_repeater.mp4" << 3 << 5
                                            << QStringList{"1=2025-11-20_14-03-12-back.mp4",
                                                           "2=2025-11-20_14-03-12-right_repeater.mp4"};
        QTest::newRow("car, right pillar, upper-case extension")
            << "2025-11-20_14-03-12-right_pillar.MP4" << 6 << 5
            << QStringList{"0=2025-11-20_14-03-12-front.MP4", "4=2025-11-20_14-03-12-left_pillar.MP4"};
        QTest::newRow("car, a copy's prefix is shared")
            << "copy of 2025-11-20_14-03-12-left_pillar.mp4" << 5 << 5
            << QStringList{"0=copy of 2025-11-20_14-03-12-front.mp4"};
        QTest::newRow("car camera without the time is none") << "clip-front.mp4" << 0 << 0
                                                             << QStringList{};
        QTest::newRow("car camera after a short time is none")
            << "2025-11-20_14-03-1-front.mp4" << 0 << 0 << QStringList{};
        QTest::newRow("car camera in capitals is none")
            << "2025-11-20_14-03-12-FRONT.mp4" << 0 << 0 << QStringList{};
        QTest::newRow("car camera in another container is none")
            << "2025-11-20_14-03-12-front.mov" << 0 << 0 << QStringList{};
        QTest::newRow("an unknown camera is none")
            << "2025-11-20_14-03-12-roof.mp4" << 0 << 0 << QStringList{};
    }

    void getBackPath()
    {
        QFETCH(QString, name);
        QFETCH(int, channel);
        QFETCH(int, count);
        QFETCH(QStringList, expected);
        const QString folder = QStringLiteral("/media/card/DCIM/");
        int channelIndex = -7;
        const QStringList candidates = LuFileInfoModel::getBackPath(folder + name, &channelIndex);
        QCOMPARE(channelIndex, count ? channel : -7); // untouched when nothing matches
        QCOMPARE(candidates.size(), count);
        for (const QString &pair : expected) {
            const int index = pair.section('=', 0, 0).toInt();
            QCOMPARE(candidates.at(index), folder + pair.section('=', 1));
        }
    }

    void unparsableStampNamesNoShiftedFile()
    {
        touch("abcd_efgh_ijkl_001B.MP4");
        touch("abcd_efgh_ijkl_002B.MP4");
        std::unique_ptr<LuFileInfoModel> front(model("abcd_efgh_ijkl_002A.MP4"));
        QCOMPARE(front->channelIndex, 1);
        QCOMPARE(front->channelCount, 3);
        QCOMPARE(front->siblingPaths.value(0), m_dir.filePath("abcd_efgh_ijkl_001B.MP4"));
        QCOMPARE(front->siblingPaths.value(1), m_dir.filePath("abcd_efgh_ijkl_002B.MP4"));
    }

    void namesOfCacheAndPreview()
    {
        touch("2024_0516_101500_003A.MP4", 5000);
        std::unique_ptr<LuFileInfoModel> m(model("2024_0516_101500_003A.MP4"));
        const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
        QCOMPARE(m->fileName, QStringLiteral("2024_0516_101500_003A.MP4"));
        QCOMPARE(m->fileStem, QStringLiteral("2024_0516_101500_003A"));
        QCOMPARE(m->nativePath, m_dir.filePath("2024_0516_101500_003A.MP4"));
        QCOMPARE(m->identityPath, m->nativePath);
        QCOMPARE(m->trackCachePath, cache + "/GPS/2024_0516_101500_003A_5000.txt");
        QCOMPARE(m->previewPath, cache + "/Previews/5000_2024_0516_101500_003A.jpg");
        QVERIFY(QFileInfo(cache + "/GPS").isDir());
        QVERIFY(QFileInfo(cache + "/Previews").isDir());

        std::unique_ptr<LuFileInfoModel> missing(model("gone.tar.MP4"));
        QCOMPARE(missing->fileStem, QStringLiteral("gone.tar"));
        QCOMPARE(missing->trackCachePath, cache + "/GPS/gone_0.txt");
        QCOMPARE(missing->previewPath, cache + "/Previews/0_gone.jpg");
    }

    void threeChannelsLinkThroughTheBackFile()
    {
        touch("2024_0516_101500_003A.MP4");
        touch("2024_0516_101501_004B.MP4"); // a second later, numbered one on
        touch("2024_0516_101459_003C.MP4");
        QList<LuFileInfoModel *> list = {model("2024_0516_101459_003C.MP4"),
                                         model("2024_0516_101501_004B.MP4"),
                                         model("2024_0516_101500_003A.MP4")};
        LuFileInfoModel *inside = list[0], *back = list[1], *front = list[2];
        for (LuFileInfoModel *m : list)
            QCOMPARE(m->channelCount, 3);
        QCOMPARE(back->siblingPaths.value(0), front->nativePath); // the front partner comes first
        QCOMPARE(back->siblingPaths.value(1), inside->nativePath);

        sortAndLinkFileList(list);
        QCOMPARE(list, (QList<LuFileInfoModel *>{inside, front, back}));
        QCOMPARE(front->nextChannel, back);
        QCOMPARE(front->prevChannel, nullptr);
        QCOMPARE(back->prevChannel, front);
        QCOMPARE(back->nextChannel, inside);
        QCOMPARE(inside->prevChannel, back);
        QCOMPARE(inside->nextChannel, nullptr);
        QCOMPARE(HWDefaultSettings::instance()->lastFileList(),
                 (QStringList{inside->nativePath, front->nativePath, back->nativePath}));
        qDeleteAll(list);
    }

    void partnersFoundWhileTheFolderChanges()
    {
        // A card's folder, written earlier, is listed once; files added since are found too.
        const auto age = [this](int seconds) {
            const timeval past[2] = {{time(nullptr) - seconds, 0}, {time(nullptr) - seconds, 0}};
            QCOMPARE(::utimes(QFile::encodeName(m_dir.path()).constData(), past), 0);
        };
        const QString front = "2024_0516_101500_003A.MP4";
        touch(front);
        age(3600);
        QCOMPARE(std::unique_ptr<LuFileInfoModel>(model(front))->channelCount, 1);
        const QString back = touch("2024_0516_101501_003B.MP4");
        age(1800);
        std::unique_ptr<LuFileInfoModel> pair(model(front));
        QCOMPARE(pair->channelCount, 2);
        QCOMPARE(pair->siblingPaths.value(0), QDir::toNativeSeparators(back));
        touch("2024_0516_101500_003C.MP4"); // a folder changed just now is asked directly
        QCOMPARE(std::unique_ptr<LuFileInfoModel>(model(front))->channelCount, 3);
    }

    void takingAFrontOutUnlinksEveryBack()
    {
        // Both back files lie within two seconds and two numbers of the front file.
        const QStringList names = {"2024_0516_101500_001A.MP4", "2024_0516_101500_001B.MP4",
                                   "2024_0516_101501_002B.MP4"};
        QList<LuFileInfoModel *> list;
        for (const QString &name : names)
            touch(name);
        for (const QString &name : names)
            list << model(name);
        sortAndLinkFileList(list);
        LuFileInfoModel *front = list[0];
        QCOMPARE(list[1]->prevChannel, front);
        QCOMPARE(list[2]->prevChannel, front);
        takeModelOut(list, front);
        QCOMPARE(list.size(), 2);
        for (const LuFileInfoModel *back : qAsConst(list))
            QCOMPARE(back->prevChannel, nullptr);
        delete front;
        qDeleteAll(list);
    }

    void frontAndInsideAloneStayUnlinked()
    {
        touch("REC0007A.MP4");
        touch("REC0007C.MP4");
        QList<LuFileInfoModel *> list = {model("REC0007A.MP4"), model("REC0007C.MP4")};
        QCOMPARE(list[0]->channelCount, 2);
        QCOMPARE(list[1]->channelCount, 2);
        sortAndLinkFileList(list);
        for (LuFileInfoModel *m : list) {
            QCOMPARE(m->prevChannel, nullptr);
            QCOMPARE(m->nextChannel, nullptr);
        }
        qDeleteAll(list);
    }

    void sortIsByCodeUnit()
    {
        QList<LuFileInfoModel *> list = {model("b.MP4"), model("B.MP4"), model("a.MP4"),
                                         model("_.MP4")};
        sortAndLinkFileList(list);
        QStringList names;
        for (LuFileInfoModel *m : list)
            names << m->fileName;
        QCOMPARE(names, (QStringList{"B.MP4", "_.MP4", "a.MP4", "b.MP4"}));
        qDeleteAll(list);
    }

    void sameFileAddedTwiceKeepsOneModel()
    {
        touch("x_00.MP4");
        QList<LuFileInfoModel *> list;
        LuFileInfoModel *first = addUniqueModel(list, model("x_00.MP4"));
        LuFileInfoModel *other = addUniqueModel(list, model("y_00.MP4"));
        first->isPlaying = true;
        other->isPlaying = true;
        QCOMPARE(addUniqueModel(list, model("x_00.MP4")), first);
        QCOMPARE(list.size(), 2);
        // Only models compared before the match stop counting as playing.
        QCOMPARE(first->isPlaying, true);
        QCOMPARE(other->isPlaying, true);
        QCOMPARE(addUniqueModel(list, model("y_00.MP4")), other);
        QCOMPARE(first->isPlaying, false);
        qDeleteAll(list);
    }

    void drivesSplitAtGapsOverAMinute_data()
    {
        // Each file: "recording name first-fix file-time seconds", "-" for none; times on
        // 16 May 2024. Expected: the file indices of each drive, drives apart by "|".
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("drives");
        QTest::newRow("gap just under a minute")
            << QStringList{"r1 2024_0516_100000_001A.MP4 - - 60",
                           "r2 2024_0516_100159_002A.MP4 - - 60"}
            << "0 1";
        QTest::newRow("gap just over a minute")
            << QStringList{"r1 2024_0516_100000_001A.MP4 - - 60",
                           "r2 2024_0516_100201_002A.MP4 - - 60"}
            << "0|1";
        QTest::newRow("across midnight")
            << QStringList{"r1 2024_0516_235930_001A.MP4 - - 60",
                           "r2 2024_0517_000040_002A.MP4 - - 60"}
            << "0 1";
        QTest::newRow("a missing middle recording")
            << QStringList{"r1 2024_0516_100000_001A.MP4 - - 180",
                           "r3 2024_0516_100600_003A.MP4 - - 180"}
            << "0|1";
        QTest::newRow("channels stay together, in time order")
            << QStringList{"r2 2024_0516_100300_002A.MP4 - - 180",
                           "r1 2024_0516_100000_001A.MP4 - - 180",
                           "r1 2024_0516_100001_001B.MP4 - - 180",
                           "r2 2024_0516_100302_002B.MP4 - - 180"}
            << "1 2 0 3";
        QTest::newRow("camera-letter names give their start")
            << QStringList{"r1 20240516_100000_NF.mp4 10:30:00 10:30:00 60",
                           "r2 240516_100130_001_FH.MP4 - 11:00:00 60",
                           "r3 REC_2024_05_16_10_03_31_F.MP4 - - 60"}
            << "0 1|2";
        QTest::newRow("first GPS time, else the file time")
            << QStringList{"r1 R1_00.MP4 10:00:00 09:00:00 60", "r2 R2_00.MP4 - 10:01:30 60",
                           "r3 R3_00.MP4 10:04:00 10:02:30 60"}
            << "0 1|2";
    }

    // Each naming family that writes the start into the name gives it, for drives.
    void nameTimeStamps_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("start"); // empty: the name gives none
        QTest::newRow("time-stamped") << "2024_0516_101500_003A.MP4" << "2024-05-16 10:15:00";
        QTest::newRow("camera letter") << "2024_1231_235959_000101F.MP4" << "2024-12-31 23:59:59";
        QTest::newRow("mode letter") << "20240516_101500_NF.mp4" << "2024-05-16 10:15:00";
        QTest::newRow("two-digit year") << "240516_101500_001_FH.MP4" << "2024-05-16 10:15:00";
        QTest::newRow("REC_") << "REC_2024_05_16_10_15_00_F.MP4" << "2024-05-16 10:15:00";
        QTest::newRow("EVT_") << "EVT_2024_02_29_00_00_01_R.MP4" << "2024-02-29 00:00:01";
        QTest::newRow("PARK_") << "PARK_2025_01_01_06_30_00_F.MP4" << "2025-01-01 06:30:00";
        QTest::newRow("car's cameras") << "2025-11-20_14-03-12-left_pillar.mp4"
                                       << "2025-11-20 14:03:12";
        QTest::newRow("car's cameras, no such day") << "2025-02-30_14-03-12-front.mp4" << "";
        QTest::newRow("no date in the name") << "R1_00.MP4" << "";
        QTest::newRow("month 13") << "20241316_101500_NF.mp4" << "";
        QTest::newRow("29 February of a common year") << "EVT_2023_02_29_00_00_01_R.MP4" << "";
    }
    void nameTimeStamps()
    {
        QFETCH(QString, name);
        QFETCH(QString, start);
        const QDateTime stamp = nameTimeStamp(name);
        QCOMPARE(stamp.isValid() ? stamp.toString("yyyy-MM-dd HH:mm:ss") : QString(), start);
    }

    // The partners of the camera families pair and link like the table's; a file whose partner
    // differs in anything but the camera letter stays alone.
    void cameraLetterFamiliesLink_data()
    {
        QTest::addColumn<QStringList>("names"); // front, rear, inside; "-" for none
        QTest::addColumn<int>("channels");       // of the front, once linked
        QTest::newRow("front, rear and inside")
            << QStringList{"2024_0516_101500_000101F.MP4", "2024_0516_101500_000101R.MP4",
                           "2024_0516_101500_000101I.MP4"}
            << 3;
        QTest::newRow("front and rear of one mode")
            << QStringList{"20240516_101500_NF.mp4", "20240516_101500_NR.mp4", "-"} << 2;
        QTest::newRow("another mode does not pair")
            << QStringList{"20240516_111500_NF.mp4", "20240516_111500_ER.mp4", "-"} << 1;
        QTest::newRow("another quality does not pair")
            << QStringList{"240516_121500_001_FH.MP4", "240516_121500_001_RL.MP4", "-"} << 1;
    }
    void cameraLetterFamiliesLink()
    {
        QFETCH(QStringList, names);
        QFETCH(int, channels);
        QList<LuFileInfoModel *> list;
        for (const QString &name : names)
            if (name != "-")
                touch(name);
        for (const QString &name : names)
            if (name != "-")
                list << model(name);
        LuFileInfoModel *front = list[0], *rear = list[1];
        LuFileInfoModel *inside = list.size() > 2 ? list[2] : nullptr;
        QCOMPARE(front->channelIndex, 1);
        QCOMPARE(rear->channelIndex, 2);
        QCOMPARE(front->channelCount, channels);
        sortAndLinkFileList(list);
        QCOMPARE(front->nextChannel, channels > 1 ? rear : nullptr);
        QCOMPARE(rear->prevChannel, channels > 1 ? front : nullptr);
        QCOMPARE(rear->nextChannel, inside);
        qDeleteAll(list);
    }

    // The car's cameras that are there link in channel order, the front first when it is there;
    // a camera of another minute stays apart.
    void carCamerasLink_data()
    {
        QTest::addColumn<QStringList>("cameras"); // of 2025-11-20_14-03-12, in channel order
        QTest::addColumn<QStringList>("others");  // cameras of the next minute, in the same folder
        QTest::newRow("all six") << QStringList{"front", "back", "left_repeater", "right_repeater",
                                                "left_pillar", "right_pillar"}
                                 << QStringList{};
        QTest::newRow("four, as older cars write")
            << QStringList{"front", "back", "left_repeater", "right_repeater"}
            << QStringList{"left_pillar", "front"};
        QTest::newRow("without the front, the back leads")
            << QStringList{"back", "right_pillar"} << QStringList{"front"};
        QTest::newRow("the front alone") << QStringList{"front"} << QStringList{"back"};
    }
    void carCamerasLink()
    {
        QFETCH(QStringList, cameras);
        QFETCH(QStringList, others);
        QStringList names;
        for (const QString &camera : cameras)
            names << touch(QStringLiteral("2025-11-20_14-03-12-%1.mp4").arg(camera));
        for (const QString &camera : others)
            names << touch(QStringLiteral("2025-11-20_14-04-12-%1.mp4").arg(camera));
        QList<LuFileInfoModel *> list;
        // Added in reverse: the list's order comes from sorting alone.
        for (auto it = names.crbegin(); it != names.crend(); ++it)
            list << model(QFileInfo(*it).fileName());
        sortAndLinkFileList(list);
        QList<LuFileInfoModel *> recording;
        for (LuFileInfoModel *m : qAsConst(list))
            if (m->fileName.startsWith(QLatin1String("2025-11-20_14-03-12")))
                recording << m;
        QCOMPARE(recording.size(), cameras.size());
        for (int i = 0; i < recording.size(); ++i) {
            QVERIFY(recording[i]->fileName.endsWith(QLatin1Char('-') + cameras[i] + ".mp4"));
            QVERIFY(recording[i]->carCameras);
            QCOMPARE(recording[i]->channelCount, cameras.size());
            QCOMPARE(recording[i]->prevChannel, i > 0 ? recording[i - 1] : nullptr);
            QCOMPARE(recording[i]->nextChannel, i + 1 < recording.size() ? recording[i + 1] : nullptr);
            QCOMPARE(Library::channelCount(recording[i]), cameras.size());
            QCOMPARE(recordingOf(recording[i]), recording[0]);
        }
        // The recording's rows are together, its leading camera on top.
        const int first = list.indexOf(recording[0]);
        for (int i = 0; i < recording.size(); ++i)
            QCOMPARE(list.indexOf(recording[i]), first + i);
        qDeleteAll(list);
    }

    void drivesSplitAtGapsOverAMinute()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, drives);
        const auto time = [](const QString &text) {
            return text == "-" ? QDateTime()
                               : QDateTime(QDate(2024, 5, 16), QTime::fromString(text, "HH:mm:ss"));
        };
        QVector<DriveFile> input;
        for (const QString &file : files) {
            const QStringList f = file.split(' ');
            input.append({f[0], f[1], time(f[2]), time(f[3]), f[4].toDouble(), {}});
        }
        QStringList shown;
        for (const QVector<int> &drive : groupIntoDrives(input)) {
            QStringList indices;
            for (int index : drive)
                indices << QString::number(index);
            shown << indices.join(' ');
        }
        QCOMPARE(shown.join('|'), drives);
    }

    void headerFiguresGrowAsTracksArrive()
    {
        const QList<LuFileInfoModel *> &list = twoRecordingDrive();
        QVector<Drive> drives = drivesOf(list);
        QCOMPARE(drives.size(), 1);
        QCOMPARE(drives[0].recordings, (QList<LuFileInfoModel *>{list[0], list[2]}));
        QCOMPARE(drives[0].files.size(), 3);
        QCOMPARE(drives[0].pending, 2);
        QVERIFY(driveHeaderFigures(drives[0], false).endsWith(QStringLiteral("…")));

        // The front file has no GPS; the back file's track counts for the first recording.
        list[0]->trackTried = true;
        giveTrack(list[1], 1500, 50, 2);
        giveTrack(list[2], 2500, 60, 1);
        drives = drivesOf(list);
        QCOMPARE(drives[0].pending, 0);
        QCOMPARE(drives[0].seconds, 360.0);
        QCOMPARE(driveHeaderWhen(drives[0]).right(11), QStringLiteral("10:00–10:06"));
        QCOMPARE(driveHeaderFigures(drives[0], false),
                 QStringLiteral("4.0 km · 0:06 · 最高 111 km/h · 3 个事件"));
        QCOMPARE(driveHeaderFigures(drives[0], true),
                 QStringLiteral("2.5 mi · 0:06 · 最高 69 mph · 3 个事件"));
    }

    // The drive header's count of events in the plural forms of each language.
    void headerCountsEventsInEachLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("events");
        QTest::addColumn<QString>("count");
        QTest::newRow("Chinese, the source") << 2 << 3 << QStringLiteral("3 个事件");
        QTest::newRow("English, none") << 1 << 0 << QStringLiteral("0 events");
        QTest::newRow("English, one") << 1 << 1 << QStringLiteral("1 event");
        QTest::newRow("English, two") << 1 << 2 << QStringLiteral("2 events");
        QTest::newRow("Russian, one") << 3 << 1 << QStringLiteral("1 событие");
        QTest::newRow("Russian, few") << 3 << 3 << QStringLiteral("3 события");
        QTest::newRow("Russian, many") << 3 << 5 << QStringLiteral("5 событий");
        QTest::newRow("Russian, twenty-one") << 3 << 21 << QStringLiteral("21 событие");
        QTest::newRow("Japanese") << 0 << 2 << QStringLiteral("イベント 2 件");
        QTest::newRow("Vietnamese") << 4 << 2 << QStringLiteral("2 sự kiện");
    }

    void headerCountsEventsInEachLanguage()
    {
        QFETCH(int, language);
        QFETCH(int, events);
        QFETCH(QString, count);
        ::loadTranslation(language);
        QCoreApplication::installTranslator(&g_translator);
        Drive drive;
        drive.events = events;
        const QString figures = driveHeaderFigures(drive, false);
        QCoreApplication::removeTranslator(&g_translator);
        QVERIFY2(figures.endsWith(QStringLiteral(" · ") + count), qPrintable(figures));
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
        const QList<LuFileInfoModel *> &list = twoRecordingDrive();
        const QList<QByteArray> caches = {fix('A', "100000") + fix('V', "100001") +
                                              fix('A', "100002"),
                                          fix('A', "100300") + fix('A', "100301")};
        const QList<LuFileInfoModel *> recordings = {list[0], list[2]};
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

QTEST_GUILESS_MAIN(TestGrouping)
#include "tst_grouping.moc"
