#include "mainwindowtest.h"

#include "library.h"

#include "hwdevicetreeview.h"
#include "lucoverwidget.h"
#include "luprogressslider.h"

#include <QImageReader>
#include <QTemporaryDir>

#include <algorithm>

using namespace windowtest;

// The playback session with real players (vo=null): opening recordings in all their channels,
// keeping the panes in step, stepping between recordings, snapshots and deleting files.
class TestSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<KestroMainWidget> m_window;

    KestroMainWidget &window() { return *m_window; }
    Ui::KestroMainWidget *ui() { return m_window->form(); }
    HWPlayWidget *pane(int i) { return panes(*m_window)[i - 1]; }

    // Waits until pane 1 plays the given file.
    bool waitForMaster(const QString &file)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeout) {
            if (window().playState() == 2 && playing(pane(1)) == file &&
                pane(1)->currentPlayState() == 1)
                return true;
            QTest::qWait(20);
        }
        return false;
    }

    // More files than are built on the spot: three-channel recordings, a minute apart.
    static QStringList cardFolder(const QTemporaryDir &card)
    {
        const QList<QPair<const char *, const char *>> channels{
            {"A", "2024_0516_101500_001A.MP4"},
            {"B", "2024_0516_101500_001B.MP4"},
            {"C", "2024_0516_101501_002C.MP4"}};
        QStringList files;
        for (int i = 0; files.size() <= Library::kModelsBuiltHere; ++i)
            for (const auto &channel : channels) {
                files << card.filePath(QStringLiteral("2024_0516_12%1_%2%3.MP4")
                                           .arg(i * 100, 4, 10, QLatin1Char('0'))
                                           .arg(i + 1, 3, 10, QLatin1Char('0'))
                                           .arg(QLatin1String(channel.first)));
                if (!QFile::link(recording(channel.second), files.last()))
                    qFatal("cannot link %s", qPrintable(files.last()));
            }
        return files;
    }

private slots:
    void init()
    {
        clearSettings();
        m_window = makeWindow();
    }
    void cleanup() { m_window.reset(); }

    void threeChannelsPlayInTheirPanes()
    {
        addAndPlay(window(), libraryFiles(), 3);
        QCOMPARE(window().playState(), 2);
        QCOMPARE(window().channelCount(), 3);
        QCOMPARE(window().splitType(), 0);
        QCOMPARE(playing(pane(1)), recording("2024_0516_101500_001A.MP4"));
        QCOMPARE(playing(pane(2)), recording("2024_0516_101500_001B.MP4"));
        QCOMPARE(playing(pane(3)), recording("2024_0516_101501_002C.MP4"));
        for (int i = 1; i <= 3; ++i)
            QVERIFY(pane(i)->isVisible());
        QVERIFY(!ui()->widget_display_cover->isVisible());
    }

    void pauseResumeAndSeekReachEveryPane()
    {
        addAndPlay(window(), libraryFiles(), 3);
        window().on_pushBtn_play_clicked();
        QCOMPARE(window().playState(), 1);
        QVERIFY(!ui()->pushBtn_play->isChecked());
        for (int i = 1; i <= 3; ++i)
            QTRY_VERIFY_WITH_TIMEOUT(mpvString(pane(i), "pause") == "yes", timeout);

        window().on_horizontalSlider_progress_sliderPressed();
        ui()->horizontalSlider_progress->setValue(2);
        window().on_horizontalSlider_progress_sliderReleased();
        for (int i = 1; i <= 3; ++i)
            QTRY_VERIFY_WITH_TIMEOUT(qAbs(mpvDouble(pane(i), "time-pos") - 2.0) < 0.3, timeout);

        // Values the program sets itself while playing do not seek.
        ui()->horizontalSlider_progress->setValue(0);
        QTest::qWait(200);
        QVERIFY(mpvDouble(pane(2), "time-pos") > 1.5);

        window().on_pushBtn_play_clicked();
        QCOMPARE(window().playState(), 2);
        for (int i = 1; i <= 3; ++i)
            QTRY_VERIFY_WITH_TIMEOUT(mpvString(pane(i), "pause") == "no", timeout);
    }

    void snapshotsOfEveryChannelAreNumbered_data()
    {
        QTest::addColumn<bool>("folderHasFiles");
        QTest::addColumn<int>("first"); // the counter stored is 41
        QTest::newRow("counter 41") << true << 42;
        QTest::newRow("empty folder restarts at 1") << false << 1;
    }

    void snapshotsOfEveryChannelAreNumbered()
    {
        QFETCH(bool, folderHasFiles);
        QFETCH(int, first);
        const int stored = 41;
        QTemporaryDir folder;
        if (folderHasFiles) {
            QFile earlier(folder.filePath("earlier.jpg"));
            QVERIFY(earlier.open(QIODevice::WriteOnly));
        }
        HWDefaultSettings::instance()->setSnapDir(folder.path());
        HWDefaultSettings::instance()->setLastCaptureIndex(stored);

        window().on_pushBtn_capture_clicked(); // nothing open: nothing taken
        QCOMPARE(HWDefaultSettings::instance()->lastCaptureIndex(), stored);

        addAndPlay(window(), libraryFiles(), 3);
        window().on_pushBtn_capture_clicked();
        QCOMPARE(HWDefaultSettings::instance()->lastCaptureIndex(), first + 2);
        for (const char *name : {"2024_0516_101500_001A_%1.jpg", "2024_0516_101500_001B_%1.jpg",
                                 "2024_0516_101501_002C_%1.jpg"}) {
            const QString path =
                folder.filePath(QString(name).arg(first++, 3, 10, QLatin1Char('0')));
            QTRY_VERIFY_WITH_TIMEOUT(QImageReader(path).read().size() == QSize(192, 108), timeout);
        }
    }

    void durationProgressAndFileLabels()
    {
        addAndPlay(window(), {recording("clip.MP4")}, 1);
        QTRY_COMPARE_WITH_TIMEOUT(ui()->label_duration->text(), QStringLiteral("00:03"), timeout);
        QTRY_COMPARE_WITH_TIMEOUT(ui()->label_resolution->text(), QStringLiteral("192 * 108"),
                                  timeout);
        window().on_pushBtn_play_clicked(); // pause, so the player reports nothing more
        QTRY_VERIFY_WITH_TIMEOUT(mpvString(pane(1), "pause") == "yes", timeout);
        QTest::qWait(100);

        window().updateVideoDurationSlot(59.9f);
        QCOMPARE(ui()->horizontalSlider_progress->maximum(), 59);
        QCOMPARE(ui()->label_duration->text(), QStringLiteral("00:59"));
        QCOMPARE(window().channelModel(1)->videoDuration, 59.9f);
        window().updateVideoProgressSlot(0.6f);
        QCOMPARE(ui()->horizontalSlider_progress->value(), 1);
        QCOMPARE(ui()->label_play_time->text(), QStringLiteral("00:01/00:59"));
    }

    void nextAndPreviousStepThroughTheLibrary()
    {
        addAndPlay(window(), libraryFiles(), 3);
        const QStringList order = {recording("2024_0516_101500_001A.MP4"), recording("R2_00.MP4"),
                                   recording("clip.MP4")};
        // Next from R1 skips its other channels.
        window().on_pushBtn_nextFrame_clicked();
        QVERIFY(waitForMaster(order[1]));
        QCOMPARE(window().channelCount(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(playing(pane(2)), recording("R2_01_b.MP4"), timeout);
        window().on_pushBtn_nextFrame_clicked();
        QVERIFY(waitForMaster(order[2]));
        QCOMPARE(window().channelCount(), 1);
        // Next at the end of the library wraps to the first recording.
        window().on_pushBtn_nextFrame_clicked();
        QVERIFY(waitForMaster(order[0]));
        // Previous on the first recording starts the last model.
        window().on_pushBtn_lastFrame_clicked();
        QVERIFY(waitForMaster(order[2]));
        // A pane's Right key is next as well.
        window().playWidgetKeyEventSlot(Qt::Key_Right);
        QVERIFY(waitForMaster(order[0]));
    }

    void doubleClickWhilePlayingStartsAfterTheStop()
    {
        addAndPlay(window(), libraryFiles(), 3);
        const QList<LuFileInfoModel *> &models = window().libraryModels();
        LuFileInfoModel *r2 = models.at(3);
        QCOMPARE(r2->fileName, QStringLiteral("R2_00.MP4"));
        window().on_treeView_filelist_doubleClicked(r2->rowIndex);
        // Stopped at once; the new recording waits for pane 1 to report the stop.
        QCOMPARE(window().playState(), 0);
        QVERIFY(waitForMaster(r2->nativePath));
        // Each pane's player opens its file on its own time.
        QTRY_COMPARE_WITH_TIMEOUT(playing(pane(2)), recording("R2_01_b.MP4"), timeout);
    }

    void theEndOfARecordingStartsTheNextOne()
    {
        addAndPlay(window(), libraryFiles(), 3);
        LuFileInfoModel *r2 = window().libraryModels().at(3);
        window().on_pushBtn_stop_clicked();
        window().on_treeView_filelist_doubleClicked(r2->rowIndex);
        QVERIFY(waitForMaster(r2->nativePath));
        // Let R2 run out: R3 follows by itself.
        QVERIFY(waitForMaster(recording("clip.MP4")));
        window().on_pushBtn_fullscreen_clicked();
        QVERIFY(window().isInFullScreen());
        // The end of the last recording stops, starts nothing and leaves full screen.
        QSignalSpy ended(pane(1), &HWPlayWidget::playEndSignal);
        QVERIFY(ended.wait(timeout));
        QTRY_COMPARE_WITH_TIMEOUT(window().playState(), 0, timeout);
        QVERIFY(!window().isInFullScreen());
        QVERIFY(ui()->widget_display_cover->isVisible());
    }

    void aRecordingThatCannotBePlayedIsPassedOver_data()
    {
        QTest::addColumn<QString>("bad");
        QTest::newRow("cut short") << recording("cut_b.MP4");
        QTest::newRow("not a video") << recording("cut_b_text.MP4");
    }

    void aRecordingThatCannotBePlayedIsPassedOver()
    {
        QFETCH(QString, bad);
        addAndPlay(window(), {recording("cut_a.MP4"), bad, recording("cut_c.MP4")}, 1);
        QVERIFY(waitForMaster(recording("cut_c.MP4")));
    }

    void choosingAwayFromAFileThatCannotBePlayed_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("target");
        QTest::newRow("next") << "next" << "cut_c.MP4";
        QTest::newRow("double click") << "double click" << "cut_c.MP4";
    }

    void choosingAwayFromAFileThatCannotBePlayed()
    {
        QFETCH(QString, action);
        QFETCH(QString, target);
        addAndPlay(window(), {recording("cut_a.MP4"), recording("cut_b.MP4"),
                              recording("cut_c.MP4")}, 1);
        const QList<LuFileInfoModel *> &models = window().libraryModels();
        window().on_treeView_filelist_doubleClicked(models.at(1)->rowIndex);
        QTRY_COMPARE_WITH_TIMEOUT(ui()->widget_display_cover->message(),
                                  QStringLiteral("无法播放此文件"), timeout);
        QVERIFY(ui()->widget_display_cover->isVisible());
        QCOMPARE(window().channelModel(1), models.at(1));

        QElapsedTimer clock;
        clock.start();
        if (action == "next")
            window().on_pushBtn_nextFrame_clicked();
        else
            window().on_treeView_filelist_doubleClicked(models.at(2)->rowIndex);
        QTRY_COMPARE_WITH_TIMEOUT(playing(pane(1)), recording(qPrintable(target)), 1000);
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(waitForMaster(recording(qPrintable(target))));
        QVERIFY(ui()->widget_display_cover->message().isEmpty());

        // Stopping now ends the session; no start chosen earlier is left to fire.
        QSignalSpy ended(pane(1), &HWPlayWidget::playEndSignal);
        window().on_pushBtn_stop_clicked();
        QVERIFY(ended.wait(timeout));
        QCOMPARE(window().playState(), 0);
    }

    void aNewStartDropsTheWaitingOne()
    {
        addAndPlay(window(), libraryFiles(), 3);
        QSignalSpy ended(pane(1), &HWPlayWidget::playEndSignal);
        window().on_pushBtn_nextFrame_clicked(); // R2 waits for pane 1's stop
        LuFileInfoModel *clip = window().libraryModels().last();
        window().on_treeView_filelist_doubleClicked(clip->rowIndex); // nothing open: at once
        QVERIFY(ended.wait(timeout)); // the stop's report must not start R2 over it
        QCOMPARE(window().channelModel(1), clip);
        QVERIFY(waitForMaster(clip->nativePath));
    }

    void aBackChannelThatCannotBePlayedLeavesTheOthersPlaying()
    {
        QSignalSpy failed(pane(2), &HWPlayWidget::playFailedSignal);
        addAndPlay(window(), {recording("R4_00.MP4"), recording("R4_01_b.MP4")}, 1);
        QVERIFY(!failed.isEmpty() || failed.wait(timeout));
        QCOMPARE(window().channelCount(), 2);
        QCOMPARE(window().playState(), 2);
        QCOMPARE(pane(1)->currentPlayState(), 1);
        QCOMPARE(pane(2)->currentPlayState(), 0);
        QVERIFY(ui()->widget_display_cover->message().isEmpty());
    }

    void deletingThePlayingFileStopsAndUnlinks()
    {
        addAndPlay(window(), libraryFiles(), 3);
        LuFileInfoModel *front = window().libraryModels().at(0);
        LuFileInfoModel *back = window().libraryModels().at(1);
        LuFileInfoModel *inside = window().libraryModels().at(2);
        QCOMPARE(front->nextChannel, back);
        QSignalSpy ended(pane(1), &HWPlayWidget::playEndSignal);
        window().willDeleteFileSlot(back->rowIndex);
        QCOMPARE(window().playState(), 0);
        QCOMPARE(window().libraryModels().size(), 5);
        QVERIFY(!window().libraryModels().contains(back));
        QCOMPARE(front->nextChannel, nullptr);
        QCOMPARE(inside->prevChannel, nullptr);
        QCOMPARE(HWDefaultSettings::instance()->lastFileList().size(), 5);
        // The pane's end report of the stop must not start anything.
        QVERIFY(!ended.isEmpty() || ended.wait(timeout));
        QCoreApplication::processEvents();
        QCOMPARE(window().playState(), 0);
    }

    // A card's folder: more files than are built on the spot. The first recording opens whole
    // at once, the rest are listed once a worker has built them, and a second drop of the same
    // folder lists nothing twice.
    void aCardsFolderPlaysAtOnceAndListsEveryFileOnce()
    {
        QTemporaryDir card;
        const QStringList files = cardFolder(card);
        drop(window(), files);
        QCOMPARE(window().libraryModels().size(), 3); // the first recording, before the rest
        QCOMPARE(window().modelsPending(), 1);
        for (int i = 1; i <= 3; ++i)
            QTRY_COMPARE_WITH_TIMEOUT(playing(pane(i)), files[i - 1], timeout);
        QTRY_COMPARE_WITH_TIMEOUT(window().modelsPending(), 0, timeout);
        QCOMPARE(window().libraryModels().size(), files.size());
        QCOMPARE(window().channelCount(), 3);

        drop(window(), files);
        QTRY_COMPARE_WITH_TIMEOUT(window().modelsPending(), 0, timeout);
        QSet<QString> listed;
        for (const LuFileInfoModel *model : window().libraryModels())
            listed.insert(model->nativePath);
        QCOMPARE(listed.size(), files.size());
        QCOMPARE(window().libraryModels().size(), files.size());
        // The files that arrived took no mark from what plays (by now maybe a later recording:
        // the short ones play on into each other).
        const QList<LuFileInfoModel *> &models = window().libraryModels();
        QVERIFY(std::any_of(models.begin(), models.end(),
                            [](const LuFileInfoModel *model) { return model->isPlaying; }));
    }

    // Closed before the folder's files are listed, the window still remembers them all, and
    // the next one lists them.
    void aWindowClosedBeforeTheFolderIsListedRemembersIt()
    {
        QTemporaryDir card;
        const QStringList files = cardFolder(card);
        drop(window(), files);
        QCOMPARE(window().modelsPending(), 1);
        m_window.reset();
        QCOMPARE(HWDefaultSettings::instance()->lastFileList().size(), files.size());

        m_window = makeWindow();
        QTRY_COMPARE_WITH_TIMEOUT(window().modelsPending(), 0, timeout);
        QSet<QString> listed;
        for (const LuFileInfoModel *model : window().libraryModels())
            listed.insert(model->nativePath);
        QCOMPARE(listed, QSet<QString>(files.cbegin(), files.cend()));
    }
};

MAINWINDOW_TEST_MAIN(TestSession)
#include "tst_mainwindow_session.moc"
