#include "clockshift.h"
#include "externaltracks.h"
#include "hwfilemanager.h"
#include "library.h"
#include "lufileinfomodel.h"
#include "lugpsmodel.h"
#include "modelbatch.h"
#include "trackloader.h"
#include "trackpool.h"
#include "../tools/trackfixtures.h"
#include "../support/testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QSemaphore>
#include <QtTest>

#include <climits>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <memory>
#include <vector>

class TestTrackCache : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString writeFile(const QString &name, const QByteArray &bytes)
    {
        return writeBytes(m_dir.filePath(name), bytes);
    }
    static QByteArray fixtureBytes(const QString &fixture) { return readBytes(trackFixture(fixture)); }

    QString writeGps0Video(const QString &name) { return writeFile(name, fixtureBytes("gps0.mp4")); }

    static QString writeCache(const LuFileInfoModel &model, const QByteArray &text)
    {
        QFile file(model.trackCachePath);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
            qFatal("cannot write the cache %s", qPrintable(model.trackCachePath));
        return model.trackCachePath;
    }

    static QByteArray line(char status, const char *time, const char *latitude,
                           const char *longitude, const char *speed, int gx = 0)
    {
        return QByteArray(1, status) + time + ',' + latitude + ",N," + longitude + ",E," + speed +
               ",90.00," + QByteArray::number(gx) + ",0,0\n";
    }

    std::unique_ptr<LuFileInfoModel> modelFor(const QString &path)
    {
        return std::make_unique<LuFileInfoModel>(QFileInfo(path).fileName(), path);
    }

private slots:
    void init()
    {
        QDir(HWFileManager::cacheFolder()).removeRecursively();
        QDir(m_dir.path()).removeRecursively();
        QDir().mkpath(m_dir.path());
    }

    void statisticsAndRouteTextsFromACache()
    {
        const QString video = writeFile("trip_A.MP4", QByteArray(100, 'v'));
        auto model = modelFor(video);
        writeCache(*model, line('A', "20240516123000", "4807.038000", "01131.000000", "10.00", 256) +
                               line('V', "20240516123001", "0.000000", "0.000000", "0.00") +
                               line('A', "20240516123002", "4808.038000", "01131.000000", "30.00",
                                    -128) +
                               line('V', "20240516123005", "0.000000", "0.000000", "2.00"));
        model->loadTrack();

        QVERIFY(model->trackLoaded);
        QCOMPARE(model->track.size(), 4);
        QCOMPARE(model->durationSeconds, 5.0f);
        QCOMPARE(model->maxSpeed, 30.0f);
        QCOMPARE(model->averageSpeed, 10.5f);
        // Outside China map and recorded coordinates agree; trailing void points keep a separator.
        // Each point carries its second in the recording and its speed in knots.
        const QString expected =
            "[{lng:11.516667,lat:48.117300,t:0,k:10.00},{lng:11.516667,lat:48.133967,t:2,k:30.00},]";
        QCOMPARE(model->routeTextBd, expected);
        QCOMPARE(model->routeTextWgs, expected);
        // Distances run through the void (0, 0) points as well.
        const float viaOrigin = model->totalDistance;
        QVERIFY2(viaOrigin > 2 * 5.3e6f && viaOrigin < 4 * 5.4e6f, qPrintable(QString::number(viaOrigin)));
        QCOMPARE(model->gsensorX, (QList<float>{1.0f, 0.0f, -0.5f, 0.0f}));
        QVERIFY(model->hasGsensor);
        QCOMPARE(model->fineGScale, false); // a plain cache reads at 1/256
        // HiSilicon tracks, cached under a marked name, count 4096 to the g; Y alone is a G-sensor.
        auto fine = modelFor(writeFile("fine_A.MP4", "x"));
        writeBytes(QString(fine->trackCachePath).replace(".txt", "_haisi.txt"),
                   line('A', "20240516123000", "4807.0", "01131.0", "5.00") +
                       line('A', "20240516123001", "4807.0", "01131.0", "5.00").replace(",0,0,0", ",0,-128,0"));
        fine->loadTrack();
        QCOMPARE(fine->gsensorY, (QList<float>{0.0f, -0.03125f}));
        QVERIFY(fine->hasGsensor);
    }

    void damagedCacheLines_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("statuses"); // one per sample, in order
        QTest::addColumn<QString>("lastTime");
        const QByteArray good = line('A', "20240516123000", "4807.0", "01131.0", "5.00");
        const QByteArray later = line('A', "20240516123002", "4807.5", "01131.0", "7.00");
        // Cameras write zero hemisphere bytes before their first fix; the cache keeps them.
        static const char zeros[] = "V20240516123001,0.000000,\0,0.000000,\0,0.00,0.00,0,0,0\n";
        const QByteArray zeroHemispheres(zeros, sizeof zeros - 1);
        QTest::newRow("overlong line is one sample")
            << good + QByteArray(5000, '7') + "\n" + later << QByteArray("AVA") << "20240516123002";
        QTest::newRow("partial line") << good + "A2024,12.0,N\n" << QByteArray("AV") << "";
        QTest::newRow("damaged line in the middle")
            << good + "A2024051612\xff" "01,48x,N,,E\n" + later << QByteArray("AVA")
            << "20240516123002";
        QTest::newRow("all garbage") << QByteArray("\x01\x02\xff\n\n\n", 6) << QByteArray("VVV")
                                     << "";
        QTest::newRow("zero hemisphere bytes")
            << zeroHemispheres + later << QByteArray("VA") << "20240516123002";
        QTest::newRow("non-finite coordinates")
            << good + line('A', "20240516123001", "nan", "01131.0", "5.00") +
                   line('A', "20240516123001", "4807.0", "-inf", "5.00") + later
            << QByteArray("AVVA") << "20240516123002";
    }

    void damagedCacheLines()
    {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, statuses);
        QFETCH(QString, lastTime);
        auto model = modelFor(writeFile("d_A.MP4", "x"));
        const QString cache = writeCache(*model, text);
        model->loadTrack();
        // Every line stays one sample, so every later sample keeps its second.
        QVERIFY(model->trackLoaded);
        QCOMPARE(model->track.size(), statuses.size());
        QByteArray seen;
        for (const LuGPSModel *point : qAsConst(model->track))
            seen += point->status;
        QCOMPARE(seen, statuses);
        QCOMPARE(recordTimeText(model->track.last()), lastTime);
        QVERIFY(QFile::exists(cache));
        // The route holds the fixes only, every coordinate a number.
        if (model->track.size() >= 2) {
            QCOMPARE(model->routeTextWgs.count(QStringLiteral("{lng:")), statuses.count('A'));
            QVERIFY2(!model->routeTextWgs.contains(QStringLiteral("nan")) &&
                         !model->routeTextWgs.contains(QStringLiteral("inf")),
                     qPrintable(model->routeTextWgs));
            QVERIFY(qIsFinite(model->totalDistance));
        }
    }

    // Own track or side file; one off its picture shifts whole seconds, lines kept, across starts.
    void theUserChoosesAndShiftsTheCamerasOwnTrack()
    {
        constexpr int kWait = 30000;
        const QString video = writeGps0Video("pick_A.MP4");
        writeFile("pick_A.nmea", "$GPRMC,101500.00,A,1000.000,N,02000.000,E,0.0,90.0,160524,,,A\n");
        Library library;
        ExternalTracks tracks(&library);
        library.listPaths({video});
        LuFileInfoModel *recording = library.models().first();
        const auto latitudes = [](const LuFileInfoModel *model) {
            QList<double> seen;
            for (const LuGPSModel *point : model->track)
                seen << (point->status == 'A' ? point->wgsLatitude : -1);
            return model->trackLoaded ? seen : QList<double>();
        };
        library.loadTrack(recording);
        QTRY_VERIFY_WITH_TIMEOUT(recording->trackLoaded, kWait);
        const QList<double> own = latitudes(recording);
        QCOMPARE(own.size(), expectedSamples("gps0.mp4"));
        QCOMPARE(tracks.shiftTargetOf(recording), ClockShift::Target::OwnTrack);

        tracks.choose(recording, ExternalTracks::kSideFile);
        QTRY_COMPARE_WITH_TIMEOUT(latitudes(recording), QList<double>{10.0}, kWait);
        tracks.choose(recording, ExternalTracks::kVideoTrack);
        QTRY_COMPARE_WITH_TIMEOUT(latitudes(recording), own, kWait);

        QList<double> shifted = own.mid(2) + QList<double>{-1, -1};
        tracks.setShift({recording}, 2.4);
        QTRY_COMPARE_WITH_TIMEOUT(latitudes(recording), shifted, kWait);
        QCOMPARE(tracks.shiftOf(recording), 2.0);
        {
            Library next;
            next.listPaths({video});
            next.loadTrack(next.models().first());
            QTRY_COMPARE_WITH_TIMEOUT(latitudes(next.models().first()), shifted, kWait);
        }
        shifted = QList<double>{-1, -1, -1} + own.mid(0, own.size() - 3);
        tracks.setShift({recording}, -3);
        QTRY_COMPARE_WITH_TIMEOUT(latitudes(recording), shifted, kWait);
        tracks.setShift({recording}, 0);
        QTRY_COMPARE_WITH_TIMEOUT(latitudes(recording), own, kWait);
    }

    void extractsOnceThenReadsTheCache()
    {
        const QString video = writeGps0Video("drive_A.MP4");
        auto first = modelFor(video);
        first->loadTrack();
        const int samples = expectedSamples("gps0.mp4");
        QVERIFY(first->trackLoaded);
        QCOMPARE(first->track.size(), samples);
        QVERIFY(QFileInfo(first->trackCachePath).size() > 0);
        QVERIFY(!QFile::exists(first->trackCachePath + ".tmp"));
        QVERIFY(first->hasGsensor);

        first->loadTrack(); // loaded already: nothing read again
        QCOMPARE(first->track.size(), samples);

        // Same name and size, different bytes: a second model must not read the video.
        QFile video2(video);
        QVERIFY(video2.open(QIODevice::ReadWrite));
        video2.write(QByteArray(int(video2.size()), '\0'));
        video2.close();
        auto second = modelFor(video);
        QCOMPARE(second->trackCachePath, first->trackCachePath);
        second->loadTrack();
        QCOMPARE(second->track.size(), samples);
        QCOMPARE(second->routeTextWgs, first->routeTextWgs);
        QCOMPARE(second->gsensorX, first->gsensorX);
    }

    // A second per expected line, a route point per fix, the maximum speed, the G-sensor series
    // where the layout has one and, in the further layouts, the hard braking at the lights.
    void everyLayoutFillsTheRecording_data()
    {
        QTest::addColumn<QString>("fixture");
        for (const QString &fixture : fixturesWithTrack()) {
            QTest::newRow(qPrintable(fixture)) << fixture;
        }
    }
    void everyLayoutFillsTheRecording()
    {
        QFETCH(QString, fixture);
        QFile expectedFile(expectedTrackPath(fixture));
        QVERIFY(expectedFile.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = expectedFile.readAll().trimmed().split('\n');
        int fixes = 0;
        bool gsensor = false;
        float fastest = 0;
        for (const QByteArray &l : lines) {
            const QList<QByteArray> f = l.split(',');
            fixes += l.startsWith('A') ? 1 : 0;
            gsensor = gsensor || f.value(8).toInt() != 0 || f.value(9).toInt() != 0;
            if (l.startsWith('A'))
                fastest = std::max(fastest, f.value(5).toFloat());
        }
        const QString video = writeFile(QStringLiteral("r_A.") + QFileInfo(fixture).suffix(),
                                        fixtureBytes(fixture));
        auto model = modelFor(video);
        model->loadTrack();
        QVERIFY(model->trackLoaded);
        // Read again from its cache, as at the next start: the HiSilicon G-sensor scale stays.
        auto again = modelFor(video);
        again->loadTrack();
        QCOMPARE(again->fineGScale, fixture == QLatin1String("hisilicon.mp4"));
        QCOMPARE(model->track.size(), lines.size());
        QCOMPARE(int(model->routeTextWgs.count(QLatin1String("{lng:"))), fixes);
        // The line's own speed figure (knots, or the chip trailer's km/h).
        QVERIFY(model->maxSpeed > 0);
        // Seconds whose speed the reader works out from the positions can only add to the
        // fastest the route model lists.
        if (fastest > 0 && derivesSpeedOrCourse(fixture))
            QVERIFY2(model->maxSpeed >= fastest, qPrintable(QString::number(model->maxSpeed)));
        else if (fastest > 0)
            QCOMPARE(model->maxSpeed, fastest);
        QCOMPARE(model->hasGsensor, gsensor);
        static const QStringList olderLayouts{
            "gps0.mp4",      "gpsindex-old.mp4", "gpsindex-new.mp4", "hisilicon.mp4",
            "freegps.mov",   "tokyo.ts",         "shenzhen-head.ts", "chip-end0.mp4",
            "chip-end5.mov", "chip-end8.mp4"};
        if (olderLayouts.contains(fixture))
            return;
        const auto braking = std::find_if(
            model->drivingEvents.begin(), model->drivingEvents.end(),
            [](const DrivingEvent &e) { return e.kind == DrivingEventKind::HardBraking; });
        QVERIFY2(braking != model->drivingEvents.end(), "no hard braking at the lights");
    }

    // Names cards and users give; the cache file's name fits the file system, stable across starts.
    void everyNameGetsItsTrackAndSiblings_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("front");
        QTest::addColumn<QString>("back"); // empty: the front file has no partner
        const QString cjk = QString(80, QChar(0x884C)); // 240 bytes in UTF-8
        QTest::newRow("spaces") << "card dump" << "drive one A.MP4" << "drive one B.MP4";
        QTest::newRow("no extension") << "plain" << "clipA" << "";
        QTest::newRow("244-byte name") << "long" << cjk + "A.MP4" << cjk + "B.MP4";
        QTest::newRow("placeholder in folder")
            << "trip %1" << "2024_0516_101500_001A.MP4" << "2024_0516_101501_002B.MP4";
        QTest::newRow("placeholder in name") << "n" << "a%1 b A.MP4" << "a%1 b B.MP4";
    }

    void everyNameGetsItsTrackAndSiblings()
    {
        QFETCH(QString, folder);
        QFETCH(QString, front);
        QFETCH(QString, back);
        QVERIFY(QDir(m_dir.path()).mkpath(folder));
        const QString frontPath = writeGps0Video(folder + '/' + front);
        const QString backPath = back.isEmpty() ? QString() : writeGps0Video(folder + '/' + back);

        auto model = modelFor(frontPath);
        QCOMPARE(model->channelCount, back.isEmpty() ? 1 : 2);
        QCOMPARE(model->siblingPaths.value(0), backPath);
        const QString cacheName = QFileInfo(model->trackCachePath).fileName();
        QVERIFY2(QFile::encodeName(cacheName + "_haisi.tmp").size() <= NAME_MAX,
                 qPrintable(cacheName));
        model->loadTrack();
        QCOMPARE(model->track.size(), expectedSamples("gps0.mp4"));
        QCOMPARE(modelFor(frontPath)->trackCachePath, model->trackCachePath);
        if (!back.isEmpty()) {
            auto partner = modelFor(backPath);
            QCOMPARE(partner->siblingPaths.value(0), frontPath);
            QVERIFY(partner->trackCachePath != model->trackCachePath);
        }
    }

    void workerLoadsOffTheCallingThread_data()
    {
        QTest::addColumn<int>("models");   // of the same file
        QTest::addColumn<int>("requests"); // per model
        QTest::addColumn<QString>("gone"); // what goes before the track arrives
        QTest::newRow("one recording asked twice") << 1 << 2 << "";
        QTest::newRow("one file opened twice at once") << 2 << 1 << "";
        QTest::newRow("loader deleted meanwhile") << 1 << 1 << "loader";
    }

    void workerLoadsOffTheCallingThread()
    {
        QFETCH(int, models);
        QFETCH(int, requests);
        QFETCH(QString, gone);
        const QString video = writeFile("w_A.TS", slowTransportStream(100000)); // 18 MB
        std::vector<std::unique_ptr<LuFileInfoModel>> owned;
        for (int i = 0; i < models; ++i)
            owned.push_back(modelFor(video));
        const QString cache = owned.front()->trackCachePath;
        auto loader = std::make_unique<TrackLoader>();
        QSignalSpy ready(loader.get(), &TrackLoader::trackReady);
        const int extractionsBefore = LuFileInfoModel::trackExtractions();
        for (const auto &model : owned)
            for (int i = 0; i < requests; ++i)
                loader->load(model.get());
        // Nothing is read on the calling thread: the track arrives through its event loop.
        for (const auto &model : owned)
            QVERIFY(!model->trackLoaded && model->trackLoading && model->track.isEmpty());

        if (gone == "loader")
            loader.reset();
        if (gone.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(ready.count(), models, 30000);
        } else {
            QThreadPool::globalInstance()->waitForDone();
            QCoreApplication::sendPostedEvents();
        }
        QCOMPARE(ready.count(), gone.isEmpty() ? models : 0);
        QCOMPARE(LuFileInfoModel::trackExtractions() - extractionsBefore, 1);
        QVERIFY(QFileInfo(cache).size() > 0);
        QVERIFY(!QFile::exists(cache + ".tmp"));
        for (const auto &model : owned) {
            QCOMPARE(model->trackLoaded, gone.isEmpty());
            QVERIFY(!model->trackLoading);
            if (!model->trackLoaded)
                model->loadTrack(); // a later open reads the cache
            QCOMPARE(model->track.size(), expectedSamples("tokyo.ts"));
            QCOMPARE(model->track.first()->thread(), model->thread());
        }
        QCOMPARE(LuFileInfoModel::trackExtractions() - extractionsBefore, 1);
    }

    void poolRunsHigherRanksFirstAndDropsTakenJobs()
    {
        QMutex mutex;
        QStringList order;
        int niceness = 0;
        QSemaphore started, go, done;
        {
            TrackPool pool(1);
            const auto note = [&](const QString &name) {
                return [&, name] {
                    QMutexLocker locker(&mutex);
                    order << name;
                    done.release();
                };
            };
            pool.add(1, 0, [&] {
                niceness = getpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)));
                started.release();
                go.acquire();
            });
            QVERIFY(started.tryAcquire(1, 30000));
            pool.add(2, 0, note("extract a"));
            pool.add(3, 1, note("cached"));
            pool.add(4, 0, note("extract b"));
            pool.add(6, 1, note("cached later")); // behind the cached one, ahead of the rest
            pool.add(5, 0, note("removed"));
            QVERIFY(pool.take(5));
            QVERIFY(!pool.take(5));
            QVERIFY(!pool.take(1)); // running already
            QCOMPARE(pool.waiting(), 4);
            go.release();
            QVERIFY(done.tryAcquire(4, 30000));
        }
        QCOMPARE(order, (QStringList{"cached", "cached later", "extract a", "extract b"}));
        QCOMPARE(niceness, 19);
    }

    void backgroundReadsMarkEveryFile_data()
    {
        QTest::addColumn<QString>("then"); // what happens once the whole list is queued
        QTest::newRow("every file read") << "";
        QTest::newRow("the last file removed while waiting") << "remove";
        QTest::newRow("the last file opened") << "open";
        QTest::newRow("the loader closed meanwhile") << "close";
    }

    void backgroundReadsMarkEveryFile()
    {
        QFETCH(QString, then);
        constexpr int kWithGps = 12;
        std::vector<std::unique_ptr<LuFileInfoModel>> owned;
        owned.push_back(modelFor(writeFile("nogps_A.MP4", fixtureBytes("plain.mp4"))));
        for (int i = 0; i < kWithGps; ++i)
            owned.push_back(
                modelFor(writeFile(QStringLiteral("b%1_A.TS").arg(i), slowTransportStream(20000))));
        auto loader = std::make_unique<TrackLoader>();
        QSignalSpy ready(loader.get(), &TrackLoader::trackReady);
        for (const auto &model : owned)
            loader->queue(model.get());
        for (const auto &model : owned)
            QVERIFY(model->trackLoading &&
                    model->trackState() == LuFileInfoModel::TrackState::Pending);
        LuFileInfoModel *last = owned.back().get();
        if (then == "remove") {
            loader->cancel(last); // waits behind eleven others
            QVERIFY(!last->trackLoading);
            owned.pop_back();
        } else if (then == "open") {
            loader->load(last);
            loader->cancel(last); // no longer waiting behind the others: nothing to take back
            QVERIFY(last->trackLoading);
        } else if (then == "close") {
            loader.reset(); // drops the queue, waits for the reads running
            QCoreApplication::sendPostedEvents();
            for (const auto &model : owned)
                QVERIFY(!model->trackLoading);
            QCOMPARE(ready.count(), 0);
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(ready.count(), int(owned.size()), 60000);
        for (const auto &model : owned)
            QCOMPARE(model->trackState(), model == owned.front()
                                              ? LuFileInfoModel::TrackState::Absent
                                              : LuFileInfoModel::TrackState::Present);
    }

    // The models arrive on the calling thread in path order, partners found, cache presence noted.
    void batchBuildsModelsOnAWorker_data()
    {
        QTest::addColumn<bool>("deleted"); // the builder goes before the models arrive
        QTest::newRow("delivered") << false;
        QTest::newRow("builder deleted meanwhile") << true;
    }

    void batchBuildsModelsOnAWorker()
    {
        QFETCH(bool, deleted);
        QStringList paths;
        for (int i = 0; i < 40; ++i)
            for (const char *channel : {"A", "B"})
                paths << writeFile(QStringLiteral("trip %1 %2.MP4").arg(i).arg(channel), {});
        paths << m_dir.filePath("missing A.MP4");
        writeCache(*modelFor(paths[2]), line('A', "20240516101500", "2232.0", "11403.0", "10.0"));

        auto batch = std::make_unique<ModelBatch>();
        QList<LuFileInfoModel *> models;
        int deliveries = 0;
        QObject::connect(batch.get(), &ModelBatch::built,
                         [&](const QList<LuFileInfoModel *> &built) {
                             models = built;
                             ++deliveries;
                         });
        batch->build(paths);
        QCOMPARE(batch->pending(), 1);
        QCOMPARE(batch->pendingPaths(), paths);
        if (deleted) {
            batch.reset();
            QThreadPool::globalInstance()->waitForDone();
            QCoreApplication::sendPostedEvents();
            QCOMPARE(deliveries, 0); // and the models are gone with it (the leak check)
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(deliveries, 1, 30000);
        QCOMPARE(batch->pending(), 0);
        QVERIFY(batch->pendingPaths().isEmpty());
        const std::unique_ptr<QObject> owner = std::make_unique<QObject>();
        for (LuFileInfoModel *model : models) {
            QCOMPARE(model->thread(), QThread::currentThread());
            model->setParent(owner.get());
        }
        QCOMPARE(models.size(), paths.size());
        for (int i = 0; i < paths.size(); ++i) {
            QCOMPARE(models[i]->nativePath, paths[i]);
            QCOMPARE(models[i]->trackCacheNoted, i == 2 ? 1 : 0);
        }
        QCOMPARE(models[0]->siblingPaths.value(0), paths[1]);
        QCOMPARE(models[3]->siblingPaths.value(0), paths[2]);
        QCOMPARE(models.last()->channelCount, 1);

        // The loader takes what was seen once, then looks for itself again.
        TrackLoader loader;
        models[2]->trackTried = false;
        loader.queue(models[2]);
        QCOMPARE(models[2]->trackCacheNoted, -1);
    }

    void missingOrTracklessVideoRetriesLater_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::newRow("missing video") << false;
        QTest::newRow("video without a track") << true;
    }

    void missingOrTracklessVideoRetriesLater()
    {
        QFETCH(bool, exists);
        const QString path = m_dir.filePath("none_A.MP4");
        if (exists)
            writeFile("none_A.MP4", fixtureBytes("plain.mp4"));
        auto model = modelFor(path);
        model->loadTrack();
        QVERIFY(!model->trackLoaded);
        QVERIFY(model->track.isEmpty());
        QVERIFY(!QFile::exists(model->trackCachePath));
        QVERIFY(!QFile::exists(model->trackCachePath + ".tmp"));

        // Once the track can be had, the next open picks it up.
        writeCache(*model, line('A', "20240516123000", "4807.0", "01131.0", "5.00"));
        model->loadTrack();
        QVERIFY(model->trackLoaded);
        QCOMPARE(model->track.size(), 1);
    }

};

QTEST_GUILESS_MAIN(TestTrackCache)
#include "tst_trackcache.moc"
