#include "../support/playertest.h"

#include "clipexportdialog.h"
#include "clipmarks.h"
#include "hwdefaultsettings.h"
#include "library.h"
#include "lucoverwidget.h"
#include "lufileinfomodel.h"
#include "luprogressslider.h"
#include "playbacksession.h"

#include <QImageReader>
#include <QPointer>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

using namespace playertest;

// The playback session with real players (vo=null) in a plain widget, without the main window.
class TestPlaybackSession : public QObject
{
    Q_OBJECT

    std::unique_ptr<QWidget> m_host;
    QList<HWPlayWidget *> m_panes;
    LuCoverWidget *m_cover = nullptr;
    LuProgressSlider *m_slider = nullptr;
    std::unique_ptr<Library> m_library;
    std::unique_ptr<PlaybackSession> m_session;

    PlaybackSession &session() { return *m_session; }
    HWPlayWidget *pane(int i) { return m_panes[i - 1]; }
    LuFileInfoModel *model(int row) { return m_library->models().at(row); }

    // Lists the files and plays the first, as a drop on the window does.
    bool start(const QStringList &files, int channels)
    {
        m_library->listPaths(files);
        session().open(m_library->modelFor(files.first()));
        const auto allPlay = [&] {
            return std::all_of(m_panes.begin(), m_panes.begin() + channels,
                               [](HWPlayWidget *p) { return p->currentPlayState() == 1; });
        };
        return QTest::qWaitFor(allPlay, timeout);
    }

    bool waitForMaster(const QString &file)
    {
        const auto masterPlays = [&] {
            return session().state() == PlaybackSession::Playing && playing(pane(1)) == file &&
                   pane(1)->currentPlayState() == 1;
        };
        return QTest::qWaitFor(masterPlays, timeout);
    }

private slots:
    void init()
    {
        clearSettings();
        m_host = std::make_unique<QWidget>();
        m_host->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_host.get()));
        // Made in the shown window: each player hands its native window to libmpv at once.
        m_panes = {new HWPlayWidget(m_host.get()), new HWPlayWidget(m_host.get()),
                   new HWPlayWidget(m_host.get())};
        m_cover = new LuCoverWidget(m_host.get());
        m_cover->show();
        m_slider = new LuProgressSlider(m_host.get());
        m_library = std::make_unique<Library>();
        m_session = std::make_unique<PlaybackSession>(m_library.get(),
                                                      SessionViews{m_panes, m_cover, m_slider});
        // As the window wires its progress bar.
        connect(m_slider, &QSlider::valueChanged, m_session.get(), &PlaybackSession::handleMoved);
    }

    void cleanup()
    {
        m_session.reset();
        m_library.reset();
        m_host.reset();
    }

    void threeChannelsPauseResumeAndSeekInTheirPanes()
    {
        QVERIFY(start(libraryFiles(), 3));
        QCOMPARE(session().state(), int(PlaybackSession::Playing));
        QCOMPARE(session().channelCount(), 3);
        for (int i = 1; i <= 3; ++i) {
            QCOMPARE(session().channel(i), model(i - 1));
            QCOMPARE(playing(pane(i)), libraryFiles()[i - 1]);
            QVERIFY(pane(i)->isVisible());
        }
        QTRY_VERIFY_WITH_TIMEOUT(!m_cover->isVisible(), timeout);
        QTRY_VERIFY_WITH_TIMEOUT(m_slider->maximum() >= 3, timeout);
        session().togglePause();
        QCOMPARE(session().state(), int(PlaybackSession::Paused));
        for (int i = 1; i <= 3; ++i)
            QTRY_VERIFY_WITH_TIMEOUT(mpvString(pane(i), "pause") == "yes", timeout);

        session().handlePressed();
        m_slider->setValue(2);
        session().handleReleased();
        for (int i = 1; i <= 3; ++i)
            QTRY_VERIFY_WITH_TIMEOUT(qAbs(mpvString(pane(i), "time-pos").toDouble() - 2.0) < 0.3,
                                     timeout);

        // A value set while the handle is not held (the playing position) seeks nothing.
        QSignalSpy moved(m_session.get(), &PlaybackSession::positionChanged);
        m_slider->setValue(0);
        QVERIFY(moved.isEmpty());

        session().togglePause();
        QCOMPARE(session().state(), int(PlaybackSession::Playing));
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

        session().capture(); // nothing open: nothing taken
        QCOMPARE(HWDefaultSettings::instance()->lastCaptureIndex(), stored);

        QVERIFY(start(libraryFiles(), 3));
        session().capture();
        QCOMPARE(HWDefaultSettings::instance()->lastCaptureIndex(), first + 2);
        for (const char *name : {"2024_0516_101500_001A_%1.jpg", "2024_0516_101500_001B_%1.jpg",
                                 "2024_0516_101501_002C_%1.jpg"}) {
            const QString path =
                folder.filePath(QString(name).arg(first++, 3, 10, QLatin1Char('0')));
            QTRY_VERIFY_WITH_TIMEOUT(QImageReader(path).read().size() == QSize(192, 108), timeout);
        }
    }

    void durationAndProgressReachTheSlider()
    {
        QVERIFY(start({recording("clip.MP4")}, 1));
        // From here on only the reports below reach the session.
        disconnect(pane(1), nullptr, m_session.get(), nullptr);
        QSignalSpy moved(m_session.get(), &PlaybackSession::positionChanged);
        session().durationReported(59.9f);
        QCOMPARE(m_slider->maximum(), 59);
        QCOMPARE(session().master()->videoDuration, 59.9f);
        session().progressReported(0.6f);
        QCOMPARE(m_slider->value(), 1);
        QCOMPARE(moved.size(), 1);
        QCOMPARE(moved.first().first().toInt(), 1);
    }

    void nextAndPreviousStepThroughTheLibrary()
    {
        QVERIFY(start(libraryFiles(), 3));
        // Next from R1 skips its other channels; opened while paused, R2 plays.
        session().togglePause();
        session().next();
        QVERIFY(waitForMaster(recording("R2_00.MP4")));
        QTRY_COMPARE_WITH_TIMEOUT(mpvString(pane(2), "pause"), QString("no"), timeout);
        QCOMPARE(session().channelCount(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(playing(pane(2)), recording("R2_01_b.MP4"), timeout);
        session().next();
        QVERIFY(waitForMaster(recording("clip.MP4")));
        QCOMPARE(session().channelCount(), 1);
        // Next at the end of the library wraps to the first recording.
        session().next();
        QVERIFY(waitForMaster(recording("2024_0516_101500_001A.MP4")));
        // Previous on the first recording starts the last model, in the middle the recording
        // before: checked as bound, since playing on by itself would reach it too.
        QSignalSpy bound(m_session.get(), &PlaybackSession::recordingBound);
        session().previous();
        QVERIFY(!bound.isEmpty() || bound.wait(timeout));
        QCOMPARE(session().master(), model(5));
        QVERIFY(waitForMaster(recording("clip.MP4")));
        bound.clear();
        session().previous();
        QVERIFY(!bound.isEmpty() || bound.wait(timeout));
        QCOMPARE(session().master(), model(3)); // from its front, as Next opens it
        QVERIFY(session().isOpen(model(4)));
    }

    void doubleClickWhilePlayingStartsAfterTheStop()
    {
        QVERIFY(start(libraryFiles(), 3));
        LuFileInfoModel *r2 = model(3);
        QCOMPARE(r2->fileName, QStringLiteral("R2_00.MP4"));
        session().choose(r2);
        // Stopped at once; the new recording waits for pane 1 to report the stop.
        QCOMPARE(session().state(), int(PlaybackSession::Stopped));
        QVERIFY(waitForMaster(r2->nativePath));
        // Each pane's player opens its file on its own time.
        QTRY_COMPARE_WITH_TIMEOUT(playing(pane(2)), recording("R2_01_b.MP4"), timeout);
    }

    void theEndOfARecordingStartsTheNextOne()
    {
        QVERIFY(
            start({recording("R2_00.MP4"), recording("R2_01_b.MP4"), recording("clip.MP4")}, 2));
        // Let R2 run out: R3 follows by itself.
        QVERIFY(waitForMaster(recording("clip.MP4")));
        // The end of the last recording stops and starts nothing.
        QSignalSpy stopped(m_session.get(), &PlaybackSession::stopped);
        QSignalSpy ended(pane(1), &HWPlayWidget::playEndSignal);
        QVERIFY(ended.wait(timeout));
        QCOMPARE(session().state(), int(PlaybackSession::Stopped));
        QCOMPARE(session().master(), nullptr);
        QCOMPARE(stopped.size(), 1);
        QVERIFY(m_cover->isVisible());
    }

    // A drive of three two-second recordings plays on by itself once, without a break, and then
    // the recording after it in the list: never one of the drive again.
    void aDrivePlaysOnceThenTheListMovesOn()
    {
        QTemporaryDir card;
        QStringList files;
        for (const char *name : {"2024_0516_120000_001A.MP4", "2024_0516_120002_002A.MP4",
                                 "2024_0516_120004_003A.MP4", "2024_0516_130000_004A.MP4"}) {
            files << card.filePath(QLatin1String(name));
            QVERIFY(QFile::link(recording(files.size() % 2 ? "cut_a.MP4" : "cut_c.MP4"),
                                files.last()));
        }
        QStringList masters;
        connect(m_session.get(), &PlaybackSession::recordingBound, this,
                [&] { masters << session().master()->fileName.left(20); });
        // The in-point set in the first recording stays while the drive plays on, so the
        // out-point set in the third makes a range across all three.
        ClipMarks marks(m_session.get(), m_library.get(), m_slider, nullptr, {});
        double in = -1, out = -1;
        QPointer<ClipExportDialog> dialog;
        connect(m_session.get(), &PlaybackSession::positionChanged, this, [&](int second) {
            const QString playingNow = session().master()->nativePath;
            if (in < 0 && playingNow == files[0] && session().position() >= 0) {
                marks.setPoint(true);
                in = marks.in();
            } else if (!dialog && playingNow == files[2] && second >= 1) {
                marks.setPoint(false);
                out = marks.out();
                dialog = marks.showExport(nullptr);
            }
        });
        QVERIFY(start(files, 1));
        QVERIFY(waitForMaster(files.last()));
        QCOMPARE(masters, (QStringList{"2024_0516_120000_001", "2024_0516_120002_002",
                                       "2024_0516_120004_003", "2024_0516_130000_004"}));
        QVERIFY(dialog);
        std::unique_ptr<ClipExportDialog> owned(dialog.data());
        const ClipRequest &range = dialog->request();
        QCOMPARE(range.recordings.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(range.recordings[i].channels, QStringList{files[i]});
        QCOMPARE(range.from, in);
        QVERIFY2(qAbs(range.to - (4.0 + out)) < 0.05, qPrintable(QString::number(range.to)));
        QCOMPARE(marks.in(), -1.0); // the next drive started afresh
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
        QVERIFY(start({recording("cut_a.MP4"), bad, recording("cut_c.MP4")}, 1));
        QVERIFY(waitForMaster(recording("cut_c.MP4")));
    }

    void choosingAwayFromAFileThatCannotBePlayed_data()
    {
        QTest::addColumn<bool>("next"); // else chosen in the list
        QTest::newRow("next") << true;
        QTest::newRow("double click") << false;
    }

    void choosingAwayFromAFileThatCannotBePlayed()
    {
        QFETCH(bool, next);
        QVERIFY(start({recording("cut_a.MP4"), recording("cut_b.MP4"), recording("cut_c.MP4")}, 1));
        session().choose(model(1));
        QTRY_COMPARE_WITH_TIMEOUT(m_cover->message(), QStringLiteral("无法播放此文件"), timeout);
        QVERIFY(m_cover->isVisible());
        QCOMPARE(session().master(), model(1));

        QElapsedTimer clock;
        clock.start();
        if (next)
            session().next();
        else
            session().choose(model(2));
        QTRY_COMPARE_WITH_TIMEOUT(playing(pane(1)), recording("cut_c.MP4"), 1000);
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(waitForMaster(recording("cut_c.MP4")));
        QVERIFY(m_cover->message().isEmpty());

        // Stopping now ends the session; no start chosen earlier is left to fire.
        QSignalSpy ended(pane(1), &HWPlayWidget::playEndSignal);
        session().stopByUser();
        QVERIFY(ended.wait(timeout));
        QCOMPARE(session().state(), int(PlaybackSession::Stopped));
    }

    void aNewStartDropsTheWaitingOne()
    {
        QVERIFY(start(libraryFiles(), 3));
        session().next(); // R2 waits for pane 1's stop
        LuFileInfoModel *clip = model(5);
        session().choose(clip); // nothing open: at once
        // The stop's report, arriving after the clip was asked for, must not start R2 over it.
        QVERIFY(waitForMaster(clip->nativePath));
        QCOMPARE(session().master(), clip);
        QCOMPARE(playing(pane(1)), clip->nativePath);
    }

    void aBackChannelThatCannotBePlayedLeavesTheOthersPlaying()
    {
        QSignalSpy failed(pane(2), &HWPlayWidget::playFailedSignal);
        QVERIFY(start({recording("R4_00.MP4"), recording("R4_01_b.MP4")}, 1));
        QVERIFY(!failed.isEmpty() || failed.wait(timeout));
        QCOMPARE(session().channelCount(), 2);
        QCOMPARE(session().state(), int(PlaybackSession::Playing));
        QCOMPARE(pane(1)->currentPlayState(), 1);
        QCOMPARE(pane(2)->currentPlayState(), 0);
        QVERIFY(m_cover->message().isEmpty());
    }

    void removingAnOpenChannelStopsTheSession()
    {
        QVERIFY(start(libraryFiles(), 3));
        QSignalSpy ended(pane(1), &HWPlayWidget::playEndSignal);
        QSignalSpy stopped(m_session.get(), &PlaybackSession::stopped);
        m_library->remove(model(1));
        QCOMPARE(session().state(), int(PlaybackSession::Stopped));
        QCOMPARE(stopped.size(), 1);
        QVERIFY(session().openChannels().isEmpty());
        // Pane 1's end report of the stop must not start anything.
        QVERIFY(!ended.isEmpty() || ended.wait(timeout));
        QCoreApplication::processEvents();
        QCOMPARE(session().state(), int(PlaybackSession::Stopped));
    }
};

PLAYER_TEST_MAIN(TestPlaybackSession)
#include "tst_playbacksession.moc"
