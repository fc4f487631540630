#include "../support/playertest.h"

#include "lucoverwidget.h"
#include "luprogressslider.h"

#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWheelEvent>
#include <QtTest>

#include <memory>

using namespace playertest;

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
            return started.wait(timeout) || !started.isEmpty();
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
        QVERIFY(pane.play(recording("halves.MP4")));

        if (!exists) {
            QImage image;
            QTRY_VERIFY_WITH_TIMEOUT(image.load(preview), timeout);
            QCOMPARE(QImageReader(preview).format(), QByteArray("jpeg"));
            // Made once: stand a marker in its place; later restarts must leave it alone.
            QFile::remove(preview);
            QFile file(preview);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(kept);
        }
        pane.widget->seek(2);
        QTRY_VERIFY_WITH_TIMEOUT(restart.count() == 2, timeout);
        const int settled = replies.count();
        pane.widget->snapshot(dir.filePath(QStringLiteral("later.jpg"))); // replies after the seek's
        QTRY_VERIFY_WITH_TIMEOUT(replies.count() > settled, timeout);
        QCOMPARE(readAll(preview), kept);

        pane.widget->stopVideo();
        QVERIFY(pane.widget->previewPath.isEmpty());
    }

    // The position, length and end a player reports are its current file's: the moment another
    // file is sent, the last file's figures no longer stand for it.
    void reportsBelongToTheCurrentFile()
    {
        Pane pane;
        PlayLabel *player = pane.widget->player();
        QVERIFY(pane.play(recording("long_A.MP4")));
        QTRY_VERIFY_WITH_TIMEOUT(player->position() > 0.5 && player->fileDuration() > 100, timeout);
        player->replaceFile(recording("cut_a.MP4"));
        QCOMPARE(player->position(), -1.0);
        QCOMPARE(player->fileDuration(), -1.0);
        QTRY_VERIFY_WITH_TIMEOUT(player->fileDuration() > 1 && player->fileDuration() < 3, timeout);
        QTRY_VERIFY_WITH_TIMEOUT(player->endReached() || player->position() >= 0, timeout);
        QVERIFY(player->position() <= player->fileDuration());
    }

    // Stopped and at once given another file (the user's stop, then another recording): the
    // stopped file's end, load and progress come in after the new file was asked for, and are
    // not the new file's. Its first reports are its own: its start, then its length.
    void theStoppedFilesLastReportsAreNotTheNextOnes()
    {
        Pane pane;
        PlayLabel *player = pane.widget->player();
        QVERIFY(pane.play(recording("long_A.MP4")));
        QTRY_VERIFY_WITH_TIMEOUT(player->position() > 0.5, timeout);
        QSignalSpy ended(player, &PlayLabel::sigPlayFinish);
        QSignalSpy lengths(player, &PlayLabel::sigSetVideoRange);
        QSignalSpy started(player, &PlayLabel::sigPlaybackRestart);
        pane.widget->stopVideo();
        pane.widget->openFile(recording("clip.MP4"));
        QVERIFY(started.wait(timeout) || !started.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!lengths.isEmpty(), timeout);
        QCOMPARE(ended.size(), 0);
        for (const QList<QVariant> &length : qAsConst(lengths))
            QVERIFY2(length.first().toFloat() < 10, qPrintable(length.first().toString()));
        QCOMPARE(playing(pane.widget.get()), recording("clip.MP4"));
    }

    void wheelZoomSteps()
    {
        Pane pane;
        QVERIFY(pane.play(recording("long_A.MP4")));
        // Six steps of half a zoom level each, shown as 1X to 6X, and no further.
        for (const char *text : {"1X", "2X", "3X", "4X", "5X", "6X", "6X"}) {
            pane.wheel(120);
            QCOMPARE(pane.shown(), QString::fromLatin1(text));
        }
        // Settings reach the player without waiting for it.
        QTRY_COMPARE_WITH_TIMEOUT(mpvDouble(pane.widget->player(), "video-zoom"), 3.0, timeout);
        for (int level = 5; level >= 1; --level)
            pane.wheel(-120);
        QCOMPARE(pane.shown(), QStringLiteral("1X"));
        pane.wheel(-1); // any backward turn is one step
        QCOMPARE(pane.shown(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(mpvDouble(pane.widget->player(), "video-zoom"), 0.0, timeout);
    }

    void indicatorShowsOverThePicture()
    {
        if (!drawing())
            QSKIP("needs a drawing video output (runs under Xvfb)");
        Pane pane;
        QVERIFY(QTest::qWaitForWindowExposed(pane.widget.get()));
        QVERIFY(pane.play(recording("halves.MP4")));
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
                                 timeout);
        // While mpv keeps drawing frames the indicator stays on top.
        for (int look = 0; look < 5; ++look) {
            QTest::qWait(200);
            QVERIFY2(indicatorPixel().blue() < 100, qPrintable(indicatorPixel().name()));
        }
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

};

PLAYER_TEST_MAIN(TestPlayWidget)
#include "tst_playwidget.moc"
