#include "hwplaywidget.h"
#include "lucoverwidget.h"
#include "luprogressslider.h"
#include "playbacktest.h"
#include "playlabel.h"

#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include <memory>

using namespace playbacktest;

Q_DECLARE_METATYPE(int64_t)

// The playback pane around a real player, the progress bar and the cover.
class TestPlayWidget : public QObject
{
    Q_OBJECT

    struct Pane
    {
        std::unique_ptr<HWPlayWidget> widget = std::make_unique<HWPlayWidget>();
        QWidget *indicator = widget->findChild<QWidget *>(QStringLiteral("widget_zoom"));
        QLabel *text = widget->findChild<QLabel *>(QStringLiteral("label_zoom"));
        Pane()
        {
            widget->resize(640, 480);
            widget->show();
        }
        // Opens a file and waits until the pane counts as playing.
        bool play(const QString &path)
        {
            QSignalSpy started(widget.get(), &HWPlayWidget::playStartSignal);
            widget->openFile(path);
            return started.wait(playTimeout) || !started.isEmpty();
        }
        void wheel(int delta)
        {
            const QPoint centre(widget->width() / 2, widget->height() / 2);
            QWheelEvent event(centre, widget->mapToGlobal(centre), QPoint(), QPoint(0, delta),
                              Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(widget.get(), &event);
        }
        QString shown() const { return indicator->isVisible() ? text->text() : QString(); }
    };

    static QByteArray readAll(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void initTestCase() { qRegisterMetaType<int64_t>("int64_t"); }

    void formAndStartState()
    {
        Pane pane;
        QVERIFY(pane.indicator && pane.text);
        QCOMPARE(pane.widget->objectName(), QStringLiteral("HWPlayWidget"));
        QCOMPARE(pane.widget->contextMenuPolicy(), Qt::CustomContextMenu);
        QVERIFY(!pane.indicator->isVisible());
        QCOMPARE(pane.widget->currentPlayState(), 0);
        QVERIFY(pane.widget->isKeepRatio());
        // The player fills the pane and the indicator sits in its lower right corner.
        QCOMPARE(pane.widget->player()->geometry(), QRect(0, 0, 640, 480));
        QCOMPARE(pane.indicator->geometry(), QRect(601, 445, 29, 25));
        QCOMPARE(pane.widget->player()->parentWidget(), pane.widget.get());
    }

    void relaysThePlayersSignals()
    {
        Pane pane;
        QSignalSpy duration(pane.widget.get(), &HWPlayWidget::updateVideoDurationSignal);
        QSignalSpy progress(pane.widget.get(), &HWPlayWidget::updateVideoProgressSignal);
        QSignalSpy attributes(pane.widget.get(), &HWPlayWidget::sigUpdateFileAttribute);
        QSignalSpy ended(pane.widget.get(), &HWPlayWidget::playEndSignal);
        QSignalSpy started(pane.widget.get(), &HWPlayWidget::playStartSignal);

        pane.widget->pauseVideo(); // openFile must start even a paused player
        pane.widget->openFile(media("short.mp4"));
        QCOMPARE(pane.widget->currentPlayState(), 0); // playing only once mpv says so
        QVERIFY(ended.wait(playTimeout));
        QCOMPARE(started.count(), 1);
        QCOMPARE(pane.widget->currentPlayState(), 1);
        QCOMPARE(attributes.count(), 1);
        QCOMPARE(attributes[0].at(1).toInt(), 160);
        QCOMPARE(attributes[0].at(2).toInt(), 120);
        QVERIFY(!duration.isEmpty());
        QVERIFY(qAbs(duration.last().at(0).toFloat() - 2.0f) < 0.3f);
        QVERIFY(!progress.isEmpty());
        QVERIFY(progress.last().at(0).toFloat() > 1.0f);
    }

    void previewOnlyWhenMissing_data()
    {
        QTest::addColumn<bool>("exists");
        QTest::newRow("no preview yet") << false;
        QTest::newRow("preview exists") << true;
    }

    void previewOnlyWhenMissing()
    {
        QFETCH(bool, exists);
        QTemporaryDir dir;
        const QString preview = dir.filePath(QStringLiteral("9257_halves.jpg"));
        const QByteArray kept("an earlier preview");
        if (exists) {
            QFile file(preview);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(kept);
        }
        Pane pane;
        QSignalSpy replies(pane.widget->player(), &PlayLabel::sigCommandReplay);
        QSignalSpy restart(pane.widget->player(), &PlayLabel::sigPlaybackRestart);
        pane.widget->previewPath = preview;
        QVERIFY(pane.play(media("halves.mp4")));

        if (!exists) {
            QImage image;
            QTRY_VERIFY_WITH_TIMEOUT(image.load(preview), playTimeout);
            QCOMPARE(image.size(), QSize(320, 240));
            QCOMPARE(QImageReader(preview).format(), QByteArray("jpeg"));
            // Made once: stand a marker in its place; later restarts must leave it alone.
            QFile::remove(preview);
            QFile file(preview);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(kept);
        }
        pane.widget->seek(2);
        QTRY_VERIFY_WITH_TIMEOUT(restart.count() == 2, playTimeout);
        const int settled = replies.count();
        pane.widget->snapshot(dir.filePath(QStringLiteral("later.jpg"))); // replies after the seek's
        QTRY_VERIFY_WITH_TIMEOUT(replies.count() > settled, playTimeout);
        QCOMPARE(readAll(preview), kept);

        pane.widget->stopVideo();
        QVERIFY(pane.widget->previewPath.isEmpty());
    }

    void wheelZoomSteps()
    {
        Pane pane;
        QVERIFY(pane.play(media("long.mp4")));
        const QStringList expected = {"1X", "2X", "3X", "4X", "5X", "6X", "6X"};
        for (const QString &text : expected) {
            pane.wheel(120);
            QCOMPARE(pane.shown(), text);
        }
        QCOMPARE(pane.widget->currentZoomLevel(), 6);
        QCOMPARE(mpvDouble(pane.widget->player(), "video-zoom"), 3.0);

        for (int level = 5; level >= 1; --level) {
            pane.wheel(-120);
            QCOMPARE(pane.shown(), QStringLiteral("%1X").arg(level));
        }
        pane.wheel(-1); // any backward turn is one step
        QCOMPARE(pane.shown(), QString());
        QVERIFY(pane.text->text().isEmpty());
        QCOMPARE(pane.widget->currentZoomLevel(), 0);
        QCOMPARE(mpvDouble(pane.widget->player(), "video-zoom"), 0.0);
        pane.wheel(-120); // already at the mode's zoom
        QCOMPARE(pane.shown(), QString());
        QCOMPARE(pane.widget->player()->zoomValue(), 0.0f);
    }

    void zoomOperationsMatchTheWheel()
    {
        Pane pane;
        QVERIFY(pane.play(media("long.mp4")));
        pane.widget->zoomIn();
        pane.widget->zoomIn();
        QCOMPARE(pane.shown(), QStringLiteral("2X"));
        pane.widget->on_pushBtn_zoomMin_clicked();
        QCOMPARE(pane.shown(), QStringLiteral("1X"));
        pane.widget->on_pushBtn_zoomMin_clicked();
        QCOMPARE(pane.shown(), QString());
        QCOMPARE(mpvDouble(pane.widget->player(), "video-zoom"), 0.0);
    }

    void indicatorShowsOverThePicture()
    {
        if (!drawing())
            QSKIP("needs a drawing video output (runs under Xvfb)");
        Pane pane;
        QVERIFY(QTest::qWaitForWindowExposed(pane.widget.get()));
        QVERIFY(pane.play(media("halves.mp4")));
        pane.widget->zoomIn();
        QCOMPARE(pane.shown(), QStringLiteral("1X"));
        // The picture's lower right corner is blue; the indicator must cover it.
        const QRect area(pane.indicator->mapToGlobal(QPoint(0, 0)), pane.indicator->size());
        auto indicatorPixel = [&] {
            return QGuiApplication::primaryScreen()
                ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                .toImage()
                .pixelColor(2, 2);
        };
        const QPoint below = pane.widget->mapToGlobal(QPoint(600, 430));
        QTRY_VERIFY_WITH_TIMEOUT(QGuiApplication::primaryScreen()
                                         ->grabWindow(0, below.x(), below.y(), 1, 1)
                                         .toImage()
                                         .pixelColor(0, 0)
                                         .blue() > 200,
                                 playTimeout);
        // While mpv keeps drawing frames the indicator stays on top.
        for (int look = 0; look < 5; ++look) {
            QTest::qWait(200);
            QVERIFY2(indicatorPixel().blue() < 100, qPrintable(indicatorPixel().name()));
        }
    }

    void zoomWhileStoppedDoesNothing()
    {
        Pane pane;
        pane.wheel(120);
        pane.widget->zoomIn();
        QCOMPARE(pane.shown(), QString());
        QCOMPARE(pane.widget->currentZoomLevel(), 0);
        QCOMPARE(pane.widget->player()->zoomValue(), 0.0f);
        QCOMPARE(mpvDouble(pane.widget->player(), "video-zoom"), 0.0);
    }

    void stopResetsThePane()
    {
        Pane pane;
        QVERIFY(pane.play(media("long.mp4")));
        pane.widget->zoomIn();
        pane.widget->previewPath = QStringLiteral("/nowhere/preview.jpg");
        pane.widget->stopVideo();
        QCOMPARE(pane.widget->currentPlayState(), 0);
        QCOMPARE(pane.shown(), QString());
        QCOMPARE(pane.widget->player()->zoomValue(), 0.0f);
        QVERIFY(pane.widget->previewPath.isEmpty());
        pane.wheel(120);
        QCOMPARE(pane.shown(), QString()); // stopped again
    }

    void indicatorShowsTheAppliedZoom_data()
    {
        // '+' and '-' turn the wheel, 'R' resizes the pane, 'K' switches the original size.
        QTest::addColumn<QString>("steps");
        QTest::newRow("resize, then in") << "++R+";
        QTest::newRow("resize at the limit, then in") << "++++++R+";
        QTest::newRow("resize, then out") << "+R--";
        QTest::newRow("original size while zoomed, then out") << "+++K-";
        QTest::newRow("original size twice, then in") << "++KK+";
    }

    void indicatorShowsTheAppliedZoom()
    {
        QFETCH(QString, steps);
        Pane pane;
        QVERIFY(pane.play(media("long.mp4")));
        int size = 0;
        for (const QChar step : steps) {
            if (step == '+' || step == '-')
                pane.wheel(step == '+' ? 120 : -120);
            else if (step == 'R')
                pane.widget->resize(500 + 10 * ++size, 300);
            else
                pane.widget->setKeepRatio(!pane.widget->isKeepRatio());
            const int applied = qRound(mpvDouble(pane.widget->player(), "video-zoom") * 2);
            QCOMPARE(pane.shown(), applied > 0 ? QStringLiteral("%1X").arg(applied) : QString());
            if (step == 'R')
                QCOMPARE(pane.indicator->geometry().bottomRight(),
                         pane.widget->rect().bottomRight() - QPoint(10, 10));
        }
    }

    void keys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("fullScreen");
        QTest::addColumn<int>("fullScreenSignals");
        QTest::addColumn<int>("keySignal"); // 0: none
        QTest::addColumn<int>("pipeSignals");
        QTest::newRow("escape in a window") << int(Qt::Key_Escape) << false << 0 << 0 << 0;
        QTest::newRow("escape in full screen") << int(Qt::Key_Escape) << true << 1 << 0 << 0;
        QTest::newRow("space") << int(Qt::Key_Space) << false << 0 << int(Qt::Key_Space) << 0;
        QTest::newRow("left") << int(Qt::Key_Left) << false << 0 << int(Qt::Key_Left) << 0;
        QTest::newRow("right") << int(Qt::Key_Right) << true << 0 << int(Qt::Key_Right) << 0;
        QTest::newRow("up") << int(Qt::Key_Up) << false << 0 << int(Qt::Key_Up) << 0;
        QTest::newRow("down") << int(Qt::Key_Down) << false << 0 << int(Qt::Key_Down) << 0;
        QTest::newRow("p") << int(Qt::Key_P) << false << 0 << 0 << 1;
        QTest::newRow("other") << int(Qt::Key_A) << true << 0 << 0 << 0;
    }

    void keys()
    {
        QFETCH(int, key);
        QFETCH(bool, fullScreen);
        QFETCH(int, fullScreenSignals);
        QFETCH(int, keySignal);
        QFETCH(int, pipeSignals);
        Pane pane;
        pane.widget->isFullScreen = fullScreen;
        QSignalSpy full(pane.widget.get(), &HWPlayWidget::enterFullscreenSignal);
        QSignalSpy keys(pane.widget.get(), &HWPlayWidget::playWidgetKeyEventSignal);
        QSignalSpy pipe(pane.widget.get(), &HWPlayWidget::changePipeSignal);
        // Pressed on the player, which holds the focus; the pane handles it.
        QTest::keyClick(pane.widget->player(), Qt::Key(key));
        QCOMPARE(full.count(), fullScreenSignals);
        QCOMPARE(pipe.count(), pipeSignals);
        QCOMPARE(keys.count(), keySignal ? 1 : 0);
        if (keySignal)
            QCOMPARE(keys[0].at(0).toInt(), keySignal);
    }

    void doubleClick_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("expected");
        QTest::newRow("left") << int(Qt::LeftButton) << 1;
        QTest::newRow("right") << int(Qt::RightButton) << 0;
        QTest::newRow("middle") << int(Qt::MiddleButton) << 0;
    }

    void doubleClick()
    {
        QFETCH(int, button);
        QFETCH(int, expected);
        Pane pane;
        QSignalSpy full(pane.widget.get(), &HWPlayWidget::enterFullscreenSignal);
        QTest::mouseDClick(pane.widget.get(), Qt::MouseButton(button), {}, QPoint(20, 20));
        QCOMPARE(full.count(), expected);
    }

    void rightClickCarriesThePane_data()
    {
        QTest::addColumn<bool>("onPlayer");
        QTest::newRow("on the picture") << true;
        QTest::newRow("on the pane") << false;
    }

    void rightClickCarriesThePane()
    {
        QFETCH(bool, onPlayer);
        Pane pane;
        QSignalSpy menu(pane.widget.get(), &HWPlayWidget::showCustomMenuSignal);
        QWidget *target = onPlayer ? static_cast<QWidget *>(pane.widget->player()) : pane.widget.get();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(30, 40));
        QApplication::sendEvent(target, &event);
        QCOMPARE(menu.count(), 1);
        QCOMPARE(menu[0].at(0).value<void *>(), static_cast<void *>(pane.widget.get()));
    }

    void progressBarJumpsToThePress_data()
    {
        QTest::addColumn<int>("minimum");
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("value");
        QTest::addColumn<double>("fraction"); // reported; -1: nothing reported
        QTest::newRow("middle") << 0 << 1000 << 400 << 500 << 0.5;
        // The handle sits there: the press starts a drag, whose release seeks.
        QTest::newRow("on the handle") << 0 << 1000 << 2 << 0 << -1.0;
        QTest::newRow("three quarters") << 0 << 1000 << 600 << 750 << 0.75;
        QTest::newRow("offset range") << 100 << 200 << 200 << 125 << 0.25;
        QTest::newRow("truncated") << 0 << 10 << 79 << 0 << 79.0 / 800.0;
    }

    void progressBarJumpsToThePress()
    {
        QFETCH(int, minimum);
        QFETCH(int, maximum);
        QFETCH(int, x);
        QFETCH(int, value);
        QFETCH(double, fraction);
        LuProgressSlider slider;
        QCOMPARE(slider.orientation(), Qt::Horizontal);
        slider.setRange(minimum, maximum);
        slider.resize(800, 20);
        slider.show();
        QSignalSpy reported(&slider, &LuProgressSlider::posChangedSignal);
        QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(x, 10));
        QCOMPARE(slider.value(), value);
        QCOMPARE(slider.isSliderDown(), fraction < 0);
        QCOMPARE(reported.count(), fraction < 0 ? 0 : 1);
        if (fraction >= 0)
            QCOMPARE(reported[0].at(0).toDouble(), fraction);
        QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(x, 10));
    }

    void coverAndPaneAreBlack()
    {
        LuCoverWidget cover;
        QCOMPARE(cover.objectName(), QStringLiteral("LuCoverWidget"));
        QCOMPARE(cover.size(), QSize(802, 584));
        const QImage image = cover.grab().toImage();
        QCOMPARE(image.pixelColor(400, 300), QColor(Qt::black));

        QWidget host;
        auto *pane = new HWPlayWidget(&host);
        host.resize(200, 100);
        pane->setGeometry(0, 0, 200, 100);
        pane->player()->hide(); // look at the pane's own background
        QCOMPARE(pane->grab().toImage().pixelColor(100, 50), QColor(Qt::black));
    }
};

PLAYBACK_TEST_MAIN(TestPlayWidget)
#include "tst_playwidget.moc"
