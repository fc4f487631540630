#include "hwdefaultsettings.h"
#include "hwfilemanager.h"
#include "library.h"
#include "lufileinfomodel.h"
#include "../support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// No window: empty files with camera names stand for the videos (their track reads fail quietly).
class TestLibrary : public QObject
{
    Q_OBJECT

    static constexpr int timeout = 30000; // a busy two-core machine, under the sanitizers
    QTemporaryDir m_dir;

    static QString touch(const QString &name, const QTemporaryDir &dir)
    {
        return writeBytes(dir.filePath(name));
    }
    QStringList paths(const QStringList &names) const
    {
        QStringList all;
        for (const QString &name : names)
            all << m_dir.filePath(name);
        return all;
    }
    static QSet<QString> listed(const Library &library)
    {
        QSet<QString> all;
        for (const LuFileInfoModel *model : library.models())
            all.insert(model->nativePath);
        return all;
    }
    static LuFileInfoModel *named(const Library &library, const QString &name)
    {
        for (LuFileInfoModel *model : library.models())
            if (model->fileName == name)
                return model;
        return nullptr;
    }
    // R1: three channels (front, back, inside); R2: two channels; R3: one file.
    static QStringList libraryFiles()
    {
        return {"2024_0516_101500_001A.MP4", "2024_0516_101500_001B.MP4",
                "2024_0516_101501_002C.MP4", "R2_00.MP4", "R2_01_b.MP4", "clip.MP4"};
    }
    // More files than are built on the spot: three-channel recordings, a minute apart.
    static QStringList cardFolder(const QTemporaryDir &card)
    {
        QStringList files;
        for (int i = 0; files.size() <= Library::kModelsBuiltHere; ++i)
            for (const char *channel : {"A", "B", "C"})
                files << touch(QStringLiteral("2024_0516_12%1_%2%3.MP4")
                                   .arg(i * 100, 4, 10, QLatin1Char('0'))
                                   .arg(i + 1, 3, 10, QLatin1Char('0'))
                                   .arg(QLatin1String(channel)),
                               card);
        return files;
    }

private slots:
    void initTestCase()
    {
        for (const QString &name :
             libraryFiles() + QStringList{"2024_0516_130000_001A.MP4", "2024_0516_130100_002A.MP4",
                                          "2024_0516_130100_002B.MP4", "2024_0516_140100_003A.MP4"})
            touch(name, m_dir);
    }
    void init() { HWDefaultSettings::instance()->setLastFileList({}); }

    void videoPaths_data()
    {
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<QStringList>("accepted");
        QTest::newRow("mp4 in any case") << QStringList{"file:///v/clip.MP4"}
                                         << QStringList{"/v/clip.MP4"};
        QTest::newRow("avi refused") << QStringList{"file:///v/a.avi"} << QStringList{};
        QTest::newRow("web address refused") << QStringList{"https://example.org/a.mp4"}
                                             << QStringList{};
        QTest::newRow("order kept, others skipped")
            << QStringList{"file:///v/b.mp4", "file:///v/x.txt", "file:///v/a.mp4"}
            << QStringList{"/v/b.mp4", "/v/a.mp4"};
    }
    void videoPaths()
    {
        QFETCH(QStringList, urls);
        QFETCH(QStringList, accepted);
        QList<QUrl> list;
        for (const QString &url : urls)
            list << QUrl(url);
        QCOMPARE(Library::videoPaths(list), accepted);
    }

    // Subfolders and any letter case too; hidden folders, other files and the viewer's cache are
    // left out, and a folder holding nothing playable is named.
    void aFolderAddsEveryRecordingInIt()
    {
        QTemporaryDir card;
        for (const char *folder : {"DCIM/Front", "DCIM/Back", ".Trash", "empty"})
            QVERIFY(QDir(card.path()).mkpath(folder));
        const QStringList videos{touch("DCIM/Back/2024_0516_101500_001B.mov", card),
                                 touch("DCIM/Front/2024_0516_101500_001A.MP4", card),
                                 touch("clip.Ts", card)};
        touch(".Trash/gone.MP4", card);
        touch("DCIM/readme.txt", card);
        QFile cached(HWFileManager::instance()->trackCachePath() + "/cached.mp4");
        QVERIFY(cached.open(QIODevice::WriteOnly));
        QStringList empty;
        const QStringList cache{HWFileManager::cacheFolder(),
                                QFileInfo(HWFileManager::cacheFolder()).path()};
        const QStringList found = Library::videoPathsOfArguments(
            QStringList{card.path(), card.filePath("empty")} + cache + QStringList{"/no/such"},
            &empty);
        QCOMPARE(found, videos);
        QCOMPARE(empty, QStringList{card.filePath("empty")} + cache);
        QCOMPARE(Library::videoPaths({QUrl::fromLocalFile(card.filePath("DCIM"))}), videos.mid(0, 2));
        QVERIFY(Library::mayHoldVideos({QUrl::fromLocalFile(card.filePath("empty"))}));
        QVERIFY(!Library::mayHoldVideos({QUrl::fromLocalFile(card.filePath("DCIM/readme.txt"))}));
    }

    // The rest once a worker has built them; a second listing of the same folder adds nothing.
    void aCardsFolderListsItsFirstRecordingAtOnceAndEveryFileOnce()
    {
        QTemporaryDir card;
        const QStringList files = cardFolder(card);
        Library library;
        library.listPaths(files);
        QCOMPARE(listed(library), QSet<QString>(files.cbegin(), files.cbegin() + 3));
        QCOMPARE(library.models().first()->nextChannel, library.models().at(1));
        QCOMPARE(library.pending(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(library.pending(), 0, timeout);
        QCOMPARE(library.models().size(), files.size());

        QSignalSpy added(&library, &Library::filesAdded);
        library.listPaths(files);
        QTRY_COMPARE_WITH_TIMEOUT(library.pending(), 0, timeout);
        QCOMPARE(library.models().size(), files.size());
        QCOMPARE(listed(library), QSet<QString>(files.cbegin(), files.cend()));
        QCOMPARE(added.count(), 0);
    }

    // The next library lists the remembered files, linked, skipping one that no longer exists.
    void theLastSessionReopensWithTheFilesStillPending()
    {
        QTemporaryDir card;
        const QStringList files = cardFolder(card);
        auto library = std::make_unique<Library>();
        library->listPaths(files);
        QCOMPARE(library->pending(), 1);
        library.reset();
        QStringList stored = HWDefaultSettings::instance()->lastFileList();
        QCOMPARE(QSet<QString>(stored.cbegin(), stored.cend()),
                 QSet<QString>(files.cbegin(), files.cend()));
        HWDefaultSettings::instance()->setLastFileList(stored << "/gone/away_A.MP4");

        library = std::make_unique<Library>();
        library->reopenLastSession();
        QTRY_COMPARE_WITH_TIMEOUT(library->pending(), 0, timeout);
        QCOMPARE(listed(*library), QSet<QString>(files.cbegin(), files.cend()));
        QCOMPARE(library->models().size(), files.size());
        QCOMPARE(library->models().first()->nextChannel, library->models().at(1));
        QCOMPARE(HWDefaultSettings::instance()->lastFileList().size(), files.size());
    }

    // The list is R1 (A, B, C), R2 (00, 01_b), clip: stepping skips a recording's own channels.
    void listOrder_data()
    {
        QTest::addColumn<bool>("after"); // recordingAfter, else recordingBefore
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("expected"); // empty: none
        QTest::newRow("after R1's inside") << true << true << "2024_0516_101501_002C.MP4"
                                           << "R2_00.MP4";
        QTest::newRow("after R1's back, over its inside")
            << true << false << "2024_0516_101500_001B.MP4" << "R2_00.MP4";
        QTest::newRow("after R2's front, over its back") << true << false << "R2_00.MP4"
                                                         << "clip.MP4";
        QTest::newRow("after the last, wrapped") << true << true << "clip.MP4"
                                                 << "2024_0516_101500_001A.MP4";
        QTest::newRow("after the last, not wrapped") << true << false << "clip.MP4" << "";
        QTest::newRow("before the first is the last model")
            << false << true << "2024_0516_101500_001A.MP4" << "clip.MP4";
        QTest::newRow("before R2 is R1, from its front")
            << false << true << "R2_00.MP4" << "2024_0516_101500_001A.MP4";
        QTest::newRow("before R1's inside, over its back")
            << false << true << "2024_0516_101501_002C.MP4" << "2024_0516_101500_001A.MP4";
        QTest::newRow("before the clip") << false << true << "clip.MP4" << "R2_00.MP4";
    }
    void listOrder()
    {
        QFETCH(bool, after);
        QFETCH(bool, wrap);
        QFETCH(QString, from);
        QFETCH(QString, expected);
        Library library;
        library.listPaths(paths(libraryFiles()));
        QCOMPARE(library.models().size(), 6);
        LuFileInfoModel *anchor = named(library, from);
        QVERIFY(anchor);
        LuFileInfoModel *target =
            after ? library.recordingAfter(anchor, wrap) : library.recordingBefore(anchor);
        QCOMPARE(target ? target->fileName : QString(), expected);
    }

    void holdsOnlyRecordingOf_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("only");
        const QStringList all = libraryFiles();
        QTest::newRow("three channels") << QStringList(all.mid(0, 3)) << true;
        QTest::newRow("two channels") << QStringList(all.mid(3, 2)) << true;
        QTest::newRow("one file") << QStringList(all.mid(5)) << true;
        QTest::newRow("two of three channels") << QStringList(all.mid(0, 2)) << true;
        QTest::newRow("two recordings of three files") << QStringList(all.mid(3)) << false;
        QTest::newRow("two single files") << QStringList{all[3], all[5]} << false;
        QTest::newRow("three recordings") << all << false;
    }
    void holdsOnlyRecordingOf()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, only);
        Library library;
        library.listPaths(paths(files));
        QCOMPARE(library.holdsOnlyRecordingOf(named(library, files.first())), only);
    }

    // Deleting a channel lets the others let go first, then unlinks the rest of its recording.
    void removingAChannelUnlinksItsRecording()
    {
        Library library;
        library.listPaths(paths(libraryFiles()));
        LuFileInfoModel *front = library.models().at(0), *back = library.models().at(1),
                        *inside = library.models().at(2);
        QCOMPARE(front->nextChannel, back);
        LuFileInfoModel *leaving = nullptr;
        bool listedThen = false;
        connect(&library, &Library::aboutToRemove, this, [&](LuFileInfoModel *model) {
            leaving = model;
            listedThen = library.contains(model);
        });
        QSignalSpy removed(&library, &Library::removed);
        library.remove(back);
        QCOMPARE(leaving, back);
        QVERIFY(listedThen);
        QCOMPARE(removed.count(), 1);
        QCOMPARE(library.models().size(), 5);
        QVERIFY(!library.contains(back));
        QCOMPARE(front->nextChannel, nullptr);
        QCOMPARE(inside->prevChannel, nullptr);
        QCOMPARE(HWDefaultSettings::instance()->lastFileList().size(), 5);
    }

    void nextInDrive_data()
    {
        QTest::addColumn<QStringList>("next");
        QTest::addColumn<float>("duration"); // of the first, 13:00:00
        QTest::addColumn<bool>("follows");
        QTest::newRow("a minute later") << QStringList{"2024_0516_130100_002A.MP4"} << 60.f << true;
        QTest::newRow("length unknown") << QStringList{"2024_0516_130100_002A.MP4"} << 0.f << false;
        QTest::newRow("an hour's gap") << QStringList{"2024_0516_140100_003A.MP4"} << 60.f << false;
        QTest::newRow("more channels")
            << QStringList{"2024_0516_130100_002A.MP4", "2024_0516_130100_002B.MP4"} << 60.f << false;
    }
    void nextInDrive()
    {
        QFETCH(QStringList, next);
        QFETCH(float, duration);
        QFETCH(bool, follows);
        Library library;
        library.listPaths(paths(QStringList{"2024_0516_130000_001A.MP4"} + next));
        LuFileInfoModel *first = library.models().first();
        first->videoDuration = duration;
        QCOMPARE(library.nextInDrive(first, 1), follows ? library.models().at(1) : nullptr);
    }

    // Two drives, a lone recording between, one channel each: 13:00-13:02, 14:00, 15:00-15:01;
    // oldest or newest first (folders named the other way). After a run the list goes on past it.
    void nextAfterRun_data()
    {
        QTest::addColumn<bool>("newestFirst");
        QTest::addColumn<QStringList>("run");
        QTest::addColumn<QString>("expected"); // empty: nothing
        const QStringList first{"130000", "130100", "130200"};
        QTest::newRow("oldest first: drive, then the one alone") << false << first << "140000";
        QTest::newRow("oldest first: the drive's rest next")
            << false << QStringList{"130000", "130100"} << "130200";
        QTest::newRow("oldest first: the one alone, then the next drive")
            << false << QStringList{"140000"} << "150000";
        QTest::newRow("oldest first: the end") << false << QStringList{"150000", "150100"} << "";
        QTest::newRow("newest first: drive, then the one alone")
            << true << QStringList{"150000", "150100"} << "140000";
        QTest::newRow("newest first: a drive from its start")
            << true << QStringList{"140000"} << "130000";
        QTest::newRow("newest first: past the last drive") << true << first << "";
    }
    void nextAfterRun()
    {
        QFETCH(bool, newestFirst);
        QFETCH(QStringList, run);
        QFETCH(QString, expected);
        const QStringList stamps{"130000", "130100", "130200", "140000", "150000", "150100"};
        QTemporaryDir card;
        QStringList files;
        for (int i = 0; i < stamps.size(); ++i) {
            const QString folder = QString::number(newestFirst ? stamps.size() - i : i);
            QDir(card.path()).mkdir(folder);
            files << touch(folder + QStringLiteral("/2024_0516_%1_%2A.MP4")
                                        .arg(stamps[i])
                                        .arg(i + 1, 3, 10, QLatin1Char('0')),
                           card);
        }
        Library library;
        library.listPaths(files);
        QList<LuFileInfoModel *> played;
        for (const QString &stamp : run)
            played << named(library, QFileInfo(files[stamps.indexOf(stamp)]).fileName());
        LuFileInfoModel *next = library.nextAfterRun(played);
        QCOMPARE(next ? next->fileName.mid(10, 6) : QString(), expected);
    }
};

QTEST_GUILESS_MAIN(TestLibrary)
#include "tst_library.moc"
