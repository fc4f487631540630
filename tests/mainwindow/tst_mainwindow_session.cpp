#include "mainwindowtest.h"

#include "hwdevicetreeview.h"
#include "lucoverwidget.h"
#include "luprogressslider.h"
#include "translation.h"

#include <QImageReader>
#include <QScopeGuard>
#include <QTemporaryDir>

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
        QVERIFY(window().channelModel(1)->isPlaying && window().channelModel(3)->isPlaying);
        QVERIFY(ui()->pushBtn_play->isChecked());
        QVERIFY(ui()->pushBtn_capture->isEnabled());
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

    void speedButtonsOnlyWhileOpenAndForEveryChannel()
    {
        ui()->pushBtn_speed_fast_3->click(); // disabled: nothing
        window().on_pushBtn_speed_fast_3_clicked();
        QVERIFY(ui()->pushBtn_speed_normal->isChecked());
        QVERIFY(!ui()->pushBtn_speed_fast_3->isChecked());

        addAndPlay(window(), libraryFiles(), 3);
        ui()->pushBtn_speed_fast_3->click();
        for (int i = 1; i <= 3; ++i)
            QCOMPARE(mpvDouble(pane(i), "speed"), 60.0);
        QVERIFY(ui()->pushBtn_speed_fast_3->isChecked());
        QVERIFY(!ui()->pushBtn_speed_normal->isChecked());
        ui()->pushBtn_speed_slow_2->click();
        QTRY_COMPARE_WITH_TIMEOUT(mpvDouble(pane(1), "speed"), 0.25, timeout);
        QVERIFY(!ui()->pushBtn_speed_fast_3->isChecked());
    }

    void snapshotsOfEveryChannelAreNumbered_data()
    {
        QTest::addColumn<bool>("folderHasFiles");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("left");
        QTest::newRow("counter 41")
            << true << 41
            << QStringList{"2024_0516_101500_001A_042.jpg", "2024_0516_101500_001B_043.jpg",
                           "2024_0516_101501_002C_044.jpg"}
            << 44;
        QTest::newRow("empty folder restarts at 1")
            << false << 41
            << QStringList{"2024_0516_101500_001A_001.jpg", "2024_0516_101500_001B_002.jpg",
                           "2024_0516_101501_002C_003.jpg"}
            << 3;
        QTest::newRow("four digits from 1000")
            << true << 999
            << QStringList{"2024_0516_101500_001A_1000.jpg", "2024_0516_101500_001B_1001.jpg",
                           "2024_0516_101501_002C_1002.jpg"}
            << 1002;
    }

    void snapshotsOfEveryChannelAreNumbered()
    {
        QFETCH(bool, folderHasFiles);
        QFETCH(int, stored);
        QFETCH(QStringList, names);
        QFETCH(int, left);
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
        QCOMPARE(HWDefaultSettings::instance()->lastCaptureIndex(), left);
        for (const QString &name : names) {
            const QString path = folder.filePath(name);
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > 0, timeout);
            QImageReader reader(path);
            QTRY_VERIFY_WITH_TIMEOUT(QImageReader(path).read().size() == QSize(192, 108), timeout);
            QCOMPARE(reader.format(), QByteArray("jpeg"));
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

    void fileSizeIsShownInWholeMegabytes()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath("huge.MP4");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(10485759));
        file.close();
        window().playSelectFile(path);
        QVERIFY(window().channelModel(1));
        window().slotUpdateFileAttribute(1, 640, 480);
        QCOMPARE(ui()->label_file_size->text(), QStringLiteral("9 MB"));
        QCOMPARE(ui()->label_resolution->text(), QStringLiteral("640 * 480"));
        QCOMPARE(window().channelModel(1)->videoWidth, 640);
        window().on_pushBtn_stop_clicked();
    }

    void formatPlayTime_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << 0 << "00:00";
        QTest::newRow("59") << 59 << "00:59";
        QTest::newRow("75") << 75 << "01:15";
        QTest::newRow("one hour") << 3600 << "01:00:00";
        QTest::newRow("3725") << 3725 << "01:02:05";
    }

    void formatPlayTime()
    {
        QFETCH(int, seconds);
        QFETCH(QString, text);
        QCOMPARE(KestroMainWidget::formatPlayTime(seconds), text);
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
        QCOMPARE(playing(pane(2)), recording("R2_01_b.MP4"));
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

    void oneRecordingLibraryHasNoNeighbours_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("channels");
        QTest::newRow("three channels")
            << QStringList(libraryFiles().mid(0, 3)) << 3;
        QTest::newRow("two channels") << QStringList(libraryFiles().mid(3, 2)) << 2;
        QTest::newRow("one file") << QStringList{recording("clip.MP4")} << 1;
    }

    void oneRecordingLibraryHasNoNeighbours()
    {
        QFETCH(QStringList, files);
        QFETCH(int, channels);
        addAndPlay(window(), files, channels);
        window().on_pushBtn_nextFrame_clicked();
        window().on_pushBtn_lastFrame_clicked();
        window().playWidgetKeyEventSlot(Qt::Key_Right);
        QCOMPARE(window().playState(), 2);
        QTest::qWait(300);
        QCOMPARE(window().playState(), 2);
        QCOMPARE(playing(pane(1)), files.first());
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
        QCOMPARE(playing(pane(2)), recording("R2_01_b.MP4"));
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
        QTRY_COMPARE_WITH_TIMEOUT(window().playState(), 0, timeout);
        QTest::qWait(500);
        QCOMPARE(window().playState(), 0);
        QVERIFY(!window().isInFullScreen());
        QVERIFY(ui()->widget_display_cover->isVisible());
    }

    void aRecordingThatCannotBePlayedIsPassedOver_data()
    {
        QTest::addColumn<QString>("bad");
        QTest::newRow("cut short") << recording("cut_b.MP4");
        QTest::newRow("empty") << recording("cut_b_empty.MP4");
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
        QTest::newRow("previous") << "previous" << "cut_a.MP4";
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
        {
            // The text follows a change of language.
            const auto chinese =
                qScopeGuard([] { QCoreApplication::removeTranslator(&g_translator); });
            int english = 1;
            loadTranslation(english);
            QCoreApplication::installTranslator(&g_translator);
            QTRY_COMPARE(ui()->widget_display_cover->message(),
                         QStringLiteral("This file cannot be played"));
        }
        QTRY_COMPARE(ui()->widget_display_cover->message(), QStringLiteral("无法播放此文件"));

        QElapsedTimer clock;
        clock.start();
        if (action == "next")
            window().on_pushBtn_nextFrame_clicked();
        else if (action == "previous")
            window().on_pushBtn_lastFrame_clicked();
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
        window().willDeleteFileSlot(back->rowIndex);
        QCOMPARE(window().playState(), 0);
        QCOMPARE(window().libraryModels().size(), 5);
        QVERIFY(!window().libraryModels().contains(back));
        QCOMPARE(front->nextChannel, nullptr);
        QCOMPARE(inside->prevChannel, nullptr);
        QCOMPARE(HWDefaultSettings::instance()->lastFileList().size(), 5);
        // The pane's end report of the stop must not start anything.
        QTest::qWait(500);
        QCOMPARE(window().playState(), 0);
    }

    void everyRowEndsWithItsTrackMark()
    {
        drop(window(), libraryFiles());
        const QList<LuFileInfoModel *> &models = window().libraryModels();
        QCOMPARE(ui()->treeView_filelist->model()->rowCount(), 6); // listed at once
        for (const LuFileInfoModel *model : models)
            QCOMPARE(model->trackState(), LuFileInfoModel::TrackState::Pending);
        // Its read waits or has run; either way the deleted model gets nothing.
        window().willDeleteFileSlot(models.last()->rowIndex);
        QTRY_VERIFY_WITH_TIMEOUT(std::none_of(models.begin(), models.end(),
                                              [](const LuFileInfoModel *model) {
                                                  return model->trackState() ==
                                                         LuFileInfoModel::TrackState::Pending;
                                              }),
                                 timeout);
        QCOMPARE(models.size(), 5);
        for (const LuFileInfoModel *model : models) // these recordings carry no GPS
            QCOMPARE(model->trackState(), LuFileInfoModel::TrackState::Absent);
    }
};

MAINWINDOW_TEST_MAIN(TestSession)
#include "tst_mainwindow_session.moc"
