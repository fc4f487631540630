#include "playbacktest.h"
#include "playlabel.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace playbacktest;

Q_DECLARE_METATYPE(int64_t)

// Plays the generated videos through real libmpv instances. Runs offscreen with vo=null and
// again under Xvfb with a drawing vo, where the picture must also reach the window.
class TestPlayer : public QObject
{
    Q_OBJECT

    // The player sits in its final top-level window before mpv takes the window id.
    struct Host
    {
        std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
        PlayLabel *player;
        explicit Host(QSize size = QSize(320, 240))
        {
            window->resize(size);
            player = new PlayLabel(window.get());
            player->setGeometry(0, 0, size.width(), size.height());
            window->show();
        }
    };

    static float last(const QSignalSpy &spy) { return spy.last().at(0).toFloat(); }

    // Waits for a position signal after those already counted and returns it.
    static float nextPosition(QSignalSpy &spy)
    {
        const int before = spy.count();
        if (!spy.wait(playTimeout) && spy.count() == before)
            return -1.0f;
        return last(spy);
    }

private slots:
    void initTestCase()
    {
        qRegisterMetaType<int64_t>("int64_t");
        QVERIFY2(QFileInfo::exists(media("long.mp4")), "the test videos were not generated");
    }

    void reportsDurationPositionAndAttributes()
    {
        Host host;
        QSignalSpy range(host.player, &PlayLabel::sigSetVideoRange);
        QSignalSpy attributes(host.player, &PlayLabel::sigUpdateFileAttribute);
        QSignalSpy position(host.player, &PlayLabel::sigProgressChange);
        QSignalSpy finished(host.player, &PlayLabel::sigPlayFinish);

        host.player->on_file_open(media("halves.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(attributes.count() == 1, playTimeout);
        QCOMPARE(attributes[0].at(0).value<int64_t>(), QFileInfo(media("halves.mp4")).size());
        QCOMPARE(attributes[0].at(1).toInt(), 320);
        QCOMPARE(attributes[0].at(2).toInt(), 240);
        QVERIFY(range.count() >= 1);
        QVERIFY2(qAbs(last(range) - 6.0f) < 0.3f, qPrintable(QString::number(last(range))));

        QTRY_VERIFY_WITH_TIMEOUT(!position.isEmpty() && last(position) > 1.0f, playTimeout);
        float previous = -1.0f;
        for (const QList<QVariant> &signal : position) {
            const float seconds = signal.at(0).toFloat();
            QVERIFY(seconds >= previous - 0.01f);
            QVERIFY(seconds <= 6.1f);
            previous = seconds;
        }
        QCOMPARE(finished.count(), 0);
    }

    void pauseHoldsThePosition()
    {
        Host host;
        QSignalSpy position(host.player, &PlayLabel::sigProgressChange);
        host.player->on_file_open(media("long.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(!position.isEmpty() && last(position) > 0.5f, playTimeout);

        host.player->on_file_pause();
        QVERIFY(host.player->isPaused());
        QVERIFY(mpvFlag(host.player, "pause"));
        QTest::qWait(500); // the last frame before the pause may still be reported
        const double held = mpvDouble(host.player, "time-pos");
        const int reported = position.count();
        QTest::qWait(1500);
        QCOMPARE(mpvDouble(host.player, "time-pos"), held);
        QVERIFY(position.count() == reported || qAbs(last(position) - float(held)) < 0.001f);

        host.player->on_file_contiue();
        QVERIFY(!host.player->isPaused());
        QVERIFY(!mpvFlag(host.player, "pause"));
        QTRY_VERIFY_WITH_TIMEOUT(last(position) > float(held) + 0.5f, playTimeout);
    }

    void seekLands_data()
    {
        QTest::addColumn<int>("target");
        QTest::newRow("forward") << 60;
        QTest::newRow("near the start") << 3;
        QTest::newRow("near the end") << 115;
    }

    void seekLands()
    {
        QFETCH(int, target);
        Host host;
        QSignalSpy restart(host.player, &PlayLabel::sigPlaybackRestart);
        QSignalSpy position(host.player, &PlayLabel::sigProgressChange);
        host.player->on_file_open(media("long.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(restart.count() == 1, playTimeout);
        QTRY_VERIFY_WITH_TIMEOUT(!position.isEmpty() && last(position) > 0.3f, playTimeout);

        host.player->on_file_seek(target);
        QTRY_VERIFY_WITH_TIMEOUT(restart.count() == 2, playTimeout);
        const float landed = nextPosition(position);
        QVERIFY2(qAbs(landed - float(target)) < 1.0f, qPrintable(QString::number(landed)));
    }

    void speedChangesThePace()
    {
        Host host;
        QSignalSpy restart(host.player, &PlayLabel::sigPlaybackRestart);
        QSignalSpy finished(host.player, &PlayLabel::sigPlayFinish);
        host.player->on_file_Speed(60.0f);
        QCOMPARE(mpvDouble(host.player, "speed"), 60.0);

        QElapsedTimer clock;
        clock.start();
        host.player->on_file_open(media("long.mp4"));
        // 120 s of video: a few seconds at 60x, two minutes at 1x.
        QVERIFY(finished.wait(60000));
        QVERIFY2(clock.elapsed() < 40000, qPrintable(QString::number(clock.elapsed())));
        QCOMPARE(restart.count(), 1);
    }

    void volumeIsSentOnlyWhenItChanges()
    {
        Host host;
        QCOMPARE(host.player->volumeValue(), 100);
        // Something else moved mpv's volume; a request for the volume the player already
        // holds must not touch mpv.
        setMpvDouble(host.player, "volume", 37.0);
        host.player->on_file_volume(100);
        QCOMPARE(mpvDouble(host.player, "volume"), 37.0);

        host.player->on_file_volume(60);
        QCOMPARE(mpvDouble(host.player, "volume"), 60.0);
        QCOMPARE(host.player->volumeValue(), 60);
        setMpvDouble(host.player, "volume", 37.0);
        host.player->on_file_volume(60);
        QCOMPARE(mpvDouble(host.player, "volume"), 37.0);
        host.player->on_file_volume(0);
        QCOMPARE(mpvDouble(host.player, "volume"), 0.0);
    }

    void zoomInSteps()
    {
        Host host;
        for (int step = 1; step <= 6; ++step) {
            QVERIFY(host.player->on_file_zoom_in());
            QCOMPARE(host.player->zoomValue(), 0.5f * float(step));
            QCOMPARE(mpvDouble(host.player, "video-zoom"), 0.5 * step);
        }
        QVERIFY(!host.player->on_file_zoom_in());
        QCOMPARE(host.player->zoomValue(), 3.0f);
        QCOMPARE(mpvDouble(host.player, "video-zoom"), 3.0);
    }

    void zoomOutAtZeroSendsNothing()
    {
        Host host;
        setMpvDouble(host.player, "video-zoom", 1.25); // set behind the player's back
        QVERIFY(!host.player->on_file_zoom_out());
        QCOMPARE(host.player->zoomValue(), 0.0f);
        QCOMPARE(mpvDouble(host.player, "video-zoom"), 1.25);
    }

    void zoomOutToZeroRestoresTheModesZoom_data()
    {
        QTest::addColumn<bool>("keepRatio");
        QTest::addColumn<QString>("keepAspect");
        QTest::newRow("keep original size") << true << "yes";
        QTest::newRow("fill the pane") << false << "no";
    }

    void zoomOutToZeroRestoresTheModesZoom()
    {
        QFETCH(bool, keepRatio);
        QFETCH(QString, keepAspect);
        const double modeZoom = 0.0;
        Host host;
        host.player->on_file_Scale(keepRatio);
        QCOMPARE(host.player->keepsRatio(), keepRatio);
        QCOMPARE(mpvDouble(host.player, "video-zoom"), modeZoom);
        char *aspect = mpv_get_property_string(host.player->mpvHandle(), "keepaspect");
        QCOMPARE(QString::fromUtf8(aspect), keepAspect);
        mpv_free(aspect);
        QVERIFY(host.player->on_file_zoom_in());
        QVERIFY(host.player->on_file_zoom_in());
        QVERIFY(host.player->on_file_zoom_out());
        QCOMPARE(mpvDouble(host.player, "video-zoom"), 0.5);
        QVERIFY(host.player->on_file_zoom_out());
        QCOMPARE(host.player->zoomValue(), 0.0f);
        QCOMPARE(mpvDouble(host.player, "video-zoom"), modeZoom);
    }

    void closeResetsTheZoom()
    {
        Host host;
        QSignalSpy restart(host.player, &PlayLabel::sigPlaybackRestart);
        QSignalSpy finished(host.player, &PlayLabel::sigPlayFinish);
        host.player->on_file_open(media("long.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(restart.count() == 1, playTimeout);
        for (int step = 0; step < 6; ++step)
            host.player->on_file_zoom_in();
        QCOMPARE(host.player->zoomValue(), 3.0f);

        host.player->on_file_close();
        QCOMPARE(host.player->zoomValue(), 0.0f);
        QCOMPARE(mpvDouble(host.player, "video-zoom"), 0.0);
        QVERIFY(finished.wait(playTimeout) || finished.count() == 1);
        QVERIFY(host.player->on_file_zoom_in()); // counting starts again from the mode's zoom
        QCOMPARE(host.player->zoomValue(), 0.5f);
    }

    void snapshotWritesAJpegOfTheFrame()
    {
        QTemporaryDir dir;
        Host host;
        QSignalSpy restart(host.player, &PlayLabel::sigPlaybackRestart);
        host.player->on_file_open(media("halves.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(restart.count() == 1, playTimeout);

        const QString path = dir.filePath(QStringLiteral("shot é.jpg"));
        host.player->shotImage(path);
        QImage image;
        QTRY_VERIFY_WITH_TIMEOUT(image.load(path), playTimeout);
        QCOMPARE(image.size(), QSize(320, 240));
        QImageReader reader(path);
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QColor left = image.pixelColor(80, 120), right = image.pixelColor(240, 120);
        QVERIFY2(left.red() > 200 && left.blue() < 60, qPrintable(left.name()));
        QVERIFY2(right.blue() > 200 && right.red() < 60, qPrintable(right.name()));
    }

    void endOfFileFinishes()
    {
        Host host;
        QSignalSpy finished(host.player, &PlayLabel::sigPlayFinish);
        QSignalSpy position(host.player, &PlayLabel::sigProgressChange);
        host.player->on_file_open(media("short.mp4"));
        QVERIFY(finished.wait(playTimeout));
        QCOMPARE(finished.count(), 1);
        QVERIFY(!position.isEmpty());
        QVERIFY(last(position) > 1.5f || mpvDouble(host.player, "time-pos") < 0);
    }

    void unplayableFileFinishes_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << media("no-such-file.mp4");
        QTest::newRow("not a video") << media("corrupt.mp4");
    }

    void unplayableFileFinishes()
    {
        QFETCH(QString, path);
        Host host;
        QSignalSpy finished(host.player, &PlayLabel::sigPlayFinish);
        QSignalSpy attributes(host.player, &PlayLabel::sigUpdateFileAttribute);
        QSignalSpy restart(host.player, &PlayLabel::sigPlaybackRestart);
        host.player->on_file_open(path);
        QVERIFY(finished.wait(playTimeout));
        QCOMPARE(attributes.count(), 0);
        QCOMPARE(restart.count(), 0);

        // The player is still usable.
        host.player->on_file_open(media("short.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(restart.count() == 1, playTimeout);
    }

    void threePlayersPlayAtOnce()
    {
        QWidget window;
        window.resize(960, 240);
        QList<PlayLabel *> players;
        QList<std::shared_ptr<QSignalSpy>> positions;
        for (int i = 0; i < 3; ++i) {
            auto *player = new PlayLabel(&window);
            player->setGeometry(320 * i, 0, 320, 240);
            players << player;
            positions << std::make_shared<QSignalSpy>(player, &PlayLabel::sigProgressChange);
        }
        window.show();
        players[0]->on_file_open(media("long.mp4"));
        players[1]->on_file_open(media("halves.mp4"));
        players[2]->on_file_open(media("long.mp4"));
        for (const auto &spy : positions)
            QTRY_VERIFY_WITH_TIMEOUT(!spy->isEmpty() && last(*spy) > 1.0f, playTimeout);
        // All three were moving at the same time, not one after the other.
        for (const auto &spy : positions)
            QVERIFY(last(*spy) < 5.9f);
    }

    void pictureReachesTheWindow()
    {
        if (!drawing())
            QSKIP("needs a drawing video output (runs under Xvfb)");
        Host host(QSize(320, 240));
        QVERIFY(QTest::qWaitForWindowExposed(host.window.get()));
        QSignalSpy restart(host.player, &PlayLabel::sigPlaybackRestart);
        host.player->on_file_open(media("halves.mp4"));
        QTRY_VERIFY_WITH_TIMEOUT(restart.count() == 1, playTimeout);
        host.player->on_file_pause(); // hold a frame while the screen is read

        const QPoint origin = host.player->mapToGlobal(QPoint(0, 0));
        auto grab = [&] {
            return QGuiApplication::primaryScreen()
                ->grabWindow(0, origin.x(), origin.y(), 320, 240)
                .toImage();
        };
        auto isRed = [](QColor c) { return c.red() > 200 && c.green() < 60 && c.blue() < 60; };
        auto isBlue = [](QColor c) { return c.blue() > 200 && c.green() < 60 && c.red() < 60; };
        // Corners and the middle of each half: the picture fills the whole window.
        const QList<QPoint> redPoints = {{60, 120}, {140, 20}, {20, 220}};
        const QList<QPoint> bluePoints = {{260, 120}, {180, 20}, {300, 220}};
        auto matches = [&](const QImage &image) {
            for (const QPoint &point : redPoints)
                if (!isRed(image.pixelColor(point)))
                    return false;
            for (const QPoint &point : bluePoints)
                if (!isBlue(image.pixelColor(point)))
                    return false;
            return true;
        };
        QImage screen;
        QTRY_VERIFY_WITH_TIMEOUT((screen = grab(), matches(screen)), playTimeout);
    }
};

PLAYBACK_TEST_MAIN(TestPlayer)
#include "tst_player.moc"
