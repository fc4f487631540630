#include "channelsync.h"
#include "mainwindowtest.h"

#include "library.h"

#include "luprogressslider.h"

#include <QScreen>
#include <QStyleOptionSlider>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

using namespace windowtest;

// The channels show the same moment at every rate, after clicks and drags and once one ends; under
// Xvfb the pictures are compared (each frame shows its quarter second as a grey band).
class TestChannelSync : public QObject
{
    Q_OBJECT

    std::unique_ptr<KestroMainWidget> window;

    static QString clock(const char *channel)
    {
        return QStringLiteral(QMARL_CLOCK "/2024_0516_120000_007%1.MP4").arg(QLatin1String(channel));
    }

    QList<double> positions() const
    {
        QList<double> all;
        for (HWPlayWidget *pane : panes(*window))
            all << pane->player()->position();
        return all;
    }

    // How far panes 2 and 3 are from pane 1; an ended channel holds its last frame, left out.
    double largestGap() const
    {
        const QList<HWPlayWidget *> all = panes(*window);
        const QList<double> p = positions();
        double gap = 0;
        for (int i = 1; i < all.size(); ++i)
            if (!all[i]->player()->endReached() && p[0] < all[i]->player()->fileDuration())
                gap = std::max(gap, std::fabs(p[i] - p[0]));
        return gap;
    }

    LuProgressSlider *slider() const { return window->form()->horizontalSlider_progress; }

    // Waits for this many of the master's position reports.
    void waitForReports(int count)
    {
        QSignalSpy reports(window->form()->widget_display_1, &HWPlayWidget::updateVideoProgressSignal);
        QTRY_VERIFY_WITH_TIMEOUT(reports.size() >= count, timeout);
    }

    void pauseAndSettle()
    {
        if (window->playState() == 2)
            window->on_pushBtn_play_clicked();
        waitForReports(0);
    }

    // Quarter seconds modulo 40, read from the grey band at the top of a pane's picture.
    static int shownQuarter(HWPlayWidget *pane)
    {
        const QPoint spot = pane->mapToGlobal(QPoint(pane->width() / 2, pane->height() / 20));
        const QImage image =
            QGuiApplication::primaryScreen()->grabWindow(0, spot.x() - 2, spot.y(), 5, 1).toImage();
        const int grey = qGray(image.pixel(2, 0));
        return qRound(grey * 219.0 / 255.0 / 5.0); // video range: luma 16 shows as black
    }

private slots:
    // The front channel's track: 60 km/h with two hard stops, starting at 100 s and 250 s.
    static void writeTrack()
    {
        const LuFileInfoModel front(QFileInfo(clock("A")).fileName(), clock("A"));
        QFile cache(front.trackCachePath);
        QVERIFY(cache.open(QIODevice::WriteOnly));
        double minutes = 32.0;
        for (int s = 0; s < 400; ++s) {
            const int intoStop = s < 250 ? s - 100 : s - 250;
            const double kmh = intoStop < 0 ? 60 : intoStop < 5 ? 60 - 15 * intoStop
                                                  : std::min(60.0, (intoStop - 5) * 2.0);
            minutes += kmh / 3.6 / 1852.0; // a nautical mile is a minute of latitude
            cache.write(QStringLiteral("A20240516%1%2%3,22%4,N,11403.000000,E,%5,0.00,0,0,256\n")
                            .arg(12 + s / 3600, 2, 10, QLatin1Char('0'))
                            .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                            .arg(s % 60, 2, 10, QLatin1Char('0'))
                            .arg(minutes, 0, 'f', 6)
                            .arg(kmh / 1.852, 0, 'f', 2)
                            .toLatin1());
        }
    }

    void initTestCase()
    {
        clearSettings();
        HWDefaultSettings::instance()->setSpeedUnit(0);
        writeTrack();
        window = makeWindow();
        window->move(0, 0);
        addAndPlay(*window, {clock("A"), clock("B"), clock("C")}, 3);
        QCOMPARE(window->channelCount(), 3);
    }

    void inStepAtEveryRate_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("bound"); // seconds; generous for a busy machine
        // Turning pages, the panes land on the next one a moment apart: for that moment they
        // are a page apart, and what counts is that they show the same page again after it.
        QTest::addColumn<bool>("pages");
        QTest::newRow("1x") << "pushBtn_speed_normal" << 1.0 << 0.25 << false;
        QTest::newRow("3x") << "pushBtn_speed_fast_1" << 3.0 << 0.5 << false;
        QTest::newRow("15x") << "pushBtn_speed_fast_2" << 15.0 << 1.0 << true;
        QTest::newRow("60x") << "pushBtn_speed_fast_3" << 60.0 << 1.0 << true;
    }

    void inStepAtEveryRate()
    {
        QFETCH(QString, button);
        QFETCH(double, rate);
        QFETCH(double, bound);
        QFETCH(bool, pages);
        // From near the start each time, so even 60x stays inside the shorter back channel.
        window->posChangedSlot(0.05);
        if (window->playState() != 2)
            window->on_pushBtn_play_clicked();
        QVERIFY(QMetaObject::invokeMethod(window.get(),
                                          qPrintable(QStringLiteral("on_%1_clicked").arg(button))));
        for (HWPlayWidget *pane : panes(*window)) // the rate reaches the players without waiting
            QTRY_COMPARE_WITH_TIMEOUT(mpvDouble(pane, "speed") / rate, 1.0, timeout);

        // Some seconds of playing at that rate, then in step and staying so. Three channels
        // decoded in software at 3x can fall to real time on a loaded machine: a longer wait.
        const double from = panes(*window)[0]->player()->position();
        QTRY_VERIFY_WITH_TIMEOUT(panes(*window)[0]->player()->position() >= from + 3 * rate,
                                 3 * timeout);
        QTRY_VERIFY2_WITH_TIMEOUT(largestGap() <= bound, qPrintable(QString::number(largestGap())),
                                  timeout);
        // Checked while the master has room to go on: at 60x the recording ends within seconds.
        const double room = panes(*window)[0]->player()->fileDuration() - 2 * rate;
        for (int i = 0; i < 5 && panes(*window)[0]->player()->position() < room; ++i) {
            waitForReports(2);
            if (pages) // back together once the page turn has landed
                QTRY_VERIFY2_WITH_TIMEOUT(largestGap() <= bound,
                                          qPrintable(QString::number(largestGap())), timeout);
            else
                QVERIFY2(largestGap() <= bound, qPrintable(QString::number(largestGap())));
        }
        if (drawing()) {
            // What is on the screen: paused, every pane shows the same quarter second.
            pauseAndSettle();
            const QList<HWPlayWidget *> all = panes(*window);
            const int expected = int(std::floor(all[0]->player()->position() * 4)) % 40;
            const auto apart = [](int a, int b) { return std::min(std::abs(a - b), 40 - std::abs(a - b)); };
            const bool backEnded = all[1]->player()->endReached(); // holds its last frame
            QTRY_VERIFY2_WITH_TIMEOUT(
                apart(shownQuarter(all[0]), expected) <= 2 &&
                    (backEnded || apart(shownQuarter(all[1]), shownQuarter(all[0])) <= 1) &&
                    apart(shownQuarter(all[2]), shownQuarter(all[0])) <= 1,
                qPrintable(QStringLiteral("quarters shown %1 %2 %3, expected %4")
                               .arg(shownQuarter(all[0]))
                               .arg(shownQuarter(all[1]))
                               .arg(shownQuarter(all[2]))
                               .arg(expected)),
                timeout);
        }
        window->on_pushBtn_speed_normal_clicked();
    }

    // A channel that drifted (a slow disk, a decoder that fell behind) comes back by itself.
    void driftedChannelComesBack_data()
    {
        QTest::addColumn<double>("offset");
        QTest::newRow("far behind: seeked") << -20.0;
        QTest::newRow("slightly ahead: nudged") << 0.6;
    }

    void driftedChannelComesBack()
    {
        QFETCH(double, offset);
        window->posChangedSlot(0.1);
        if (window->playState() != 2)
            window->on_pushBtn_play_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(largestGap() < 0.25, timeout);
        PlayLabel *back = panes(*window)[1]->player();
        back->seekTo(panes(*window)[0]->player()->position() + offset, true);
        QTRY_VERIFY_WITH_TIMEOUT(largestGap() > std::fabs(offset) / 2, timeout);
        QTRY_VERIFY2_WITH_TIMEOUT(largestGap() < 0.15, qPrintable(QString::number(largestGap())),
                                  timeout);
        QTRY_COMPARE_WITH_TIMEOUT(mpvDouble(panes(*window)[1], "speed"), 1.0, timeout); // back at the rate
    }

    void clickPutsAllAtTheSameFrame()
    {
        pauseAndSettle();
        // Off the handle (near the start): a jump, one exact seek in every pane.
        const QPoint at(int(slider()->width() * 0.6), slider()->height() / 2);
        QTest::mouseClick(slider(), Qt::LeftButton, Qt::NoModifier, at);
        const double target = slider()->value();
        QVERIFY(std::fabs(target - slider()->maximum() * 0.6) < 2.0);
        QTRY_VERIFY2_WITH_TIMEOUT(std::fabs(positions()[0] - target) < 1.0,
                                  qPrintable(QStringLiteral("%1 for %2, slider %3 of %4")
                                                 .arg(positions()[0])
                                                 .arg(target)
                                                 .arg(slider()->value())
                                                 .arg(slider()->maximum())),
                                  timeout);
        for (int i = 0; i < 3; ++i)
            QTRY_VERIFY2_WITH_TIMEOUT(std::fabs(positions()[i] - positions()[0]) < 0.15,
                                      qPrintable(QString::number(positions()[i])), timeout);
    }

    void dragEndsWithAllTogether()
    {
        if (window->playState() != 2)
            window->on_pushBtn_play_clicked();
        window->posChangedSlot(0.1);
        QTRY_VERIFY_WITH_TIMEOUT(slider()->value() > 0, timeout);
        const QStyleOptionSlider option = [this] {
            QStyleOptionSlider o;
            o.initFrom(slider());
            o.orientation = Qt::Horizontal;
            o.minimum = slider()->minimum();
            o.maximum = slider()->maximum();
            o.sliderPosition = o.sliderValue = slider()->value();
            return o;
        }();
        const QPoint handle = slider()->style()
                                  ->subControlRect(QStyle::CC_Slider, &option,
                                                   QStyle::SC_SliderHandle, slider())
                                  .center();
        QTest::mousePress(slider(), Qt::LeftButton, Qt::NoModifier, handle);
        QVERIFY(slider()->isSliderDown());
        const QPoint end(int(slider()->width() * 0.3), handle.y());
        QMouseEvent move(QEvent::MouseMove, end, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(slider(), &move);
        const int dragged = slider()->value();
        QVERIFY(dragged > int(slider()->maximum() * 0.2));
        // Playback goes on meanwhile; the handle stays where the mouse holds it.
        waitForReports(3);
        QCOMPARE(slider()->value(), dragged);
        QTest::mouseRelease(slider(), Qt::LeftButton, Qt::NoModifier, end);
        QTRY_VERIFY_WITH_TIMEOUT(std::fabs(positions()[0] - dragged) < 1.5, timeout);
        QTRY_VERIFY2_WITH_TIMEOUT(largestGap() < 0.25, qPrintable(QString::number(largestGap())),
                                  timeout);
    }

    void shorterChannelEndsAlone()
    {
        // The back channel is a quarter shorter than the others.
        const double backLength = panes(*window)[1]->player()->fileDuration();
        const double frontLength = panes(*window)[0]->player()->fileDuration();
        QVERIFY(backLength > 0 && backLength < frontLength - 10);
        window->posChangedSlot((backLength - 2) / slider()->maximum());
        if (window->playState() != 2)
            window->on_pushBtn_play_clicked();
        window->on_pushBtn_speed_fast_1_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(panes(*window)[0]->player()->position() > backLength + 3, timeout);
        QVERIFY(panes(*window)[1]->player()->endReached());
        QCOMPARE(window->playState(), 2);
        QVERIFY(std::fabs(positions()[2] - positions()[0]) <= 0.5);
        window->on_pushBtn_speed_normal_clicked();
    }

    // Each hard stop is a tick on the progress bar with its text; "]" and "[" jump to 5 s
    // before the next and the previous one in every channel.
    void drivingEventsOnTheBarAndByKey()
    {
        QTRY_COMPARE_WITH_TIMEOUT(slider()->marks().size(), 2, timeout);
        const LuProgressSlider::Mark &first = slider()->marks().first();
        QVERIFY2(first.value >= 100 && first.value <= 104, qPrintable(first.text));
        QVERIFY2(first.text.contains(QStringLiteral("60 → 0 km/h, 00:01:4")), qPrintable(first.text));
        const QImage bar = slider()->grab().toImage();
        QCOMPARE(bar.pixelColor(slider()->markX(first.value), 1), first.colour);

        pauseAndSettle();
        window->posChangedSlot(50.0 / slider()->maximum());
        QTRY_VERIFY_WITH_TIMEOUT(std::fabs(positions()[0] - 50) < 1.5, timeout);
        const int expected[][2] = {{Qt::Key_BracketRight, 95}, {Qt::Key_BracketRight, 245},
                                   {Qt::Key_BracketLeft, 95}};
        for (const auto &step : expected) {
            QTest::keyClick(window.get(), Qt::Key(step[0]));
            for (int i = 0; i < 3; ++i)
                QTRY_VERIFY2_WITH_TIMEOUT(std::fabs(positions()[i] - step[1]) < 0.2,
                                          qPrintable(QString::number(positions()[i])), timeout);
        }
        // "[" inside a lead-up goes to its start.
        window->posChangedSlot(248.0 / slider()->maximum());
        QTRY_VERIFY_WITH_TIMEOUT(std::fabs(positions()[0] - 248) < 1.0, timeout);
        QTest::keyClick(window.get(), Qt::Key_BracketLeft);
        QTRY_VERIFY_WITH_TIMEOUT(std::fabs(positions()[0] - 245) < 0.2, timeout);
    }

    // Within a drive the next recording follows on: the panes stay up, the cover never shows,
    // and (under Xvfb) no pane's picture goes blank at the switch.
    void nextRecordingOfTheDriveFollowsOn()
    {
        // The next recording starts where this one ends (the same files, named 400 s later).
        QTemporaryDir folder;
        QStringList next;
        for (const char *channel : {"A", "B", "C"}) {
            next << folder.filePath(QStringLiteral("2024_0516_120640_008%1.MP4").arg(channel));
            QVERIFY(QFile::link(clock(channel), next.last()));
        }
        window->library()->listPaths(next);
        QVERIFY(window->library()->nextInDrive(window->channelModel(1), window->channelCount()));

        const QList<HWPlayWidget *> all = panes(*window);
        const bool drawn = drawing();
        // Blank: none of five spots across the colour bars shows any colour.
        const auto blank = [](HWPlayWidget *pane) {
            for (int i = 1; i <= 5; ++i) {
                const QPoint spot = pane->mapToGlobal(QPoint(pane->width() * (2 * i - 1) / 10,
                                                             pane->height() * 6 / 10));
                const QColor colour = QGuiApplication::primaryScreen()
                                          ->grabWindow(0, spot.x(), spot.y(), 1, 1)
                                          .toImage()
                                          .pixelColor(0, 0);
                if (std::max({colour.red(), colour.green(), colour.blue()}) > 60)
                    return false;
            }
            return true;
        };
        bool coverShown = false, paneHidden = false;
        qint64 longestBlankMs = 0;
        QElapsedTimer blankSince[3], oldSeen;
        qint64 switchMs = -1; // from the old file's last report to the next one's first
        QTimer sampler;
        connect(&sampler, &QTimer::timeout, this, [&] {
            if (playing(all[0]).endsWith("007A.MP4"))
                oldSeen.start();
            else if (oldSeen.isValid() && switchMs < 0 && all[0]->player()->position() >= 0)
                switchMs = oldSeen.elapsed();
            coverShown = coverShown || window->form()->widget_display_cover->isVisible();
            for (int i = 0; i < 3; ++i) {
                paneHidden = paneHidden || !all[i]->isVisible();
                if (!drawn)
                    continue;
                if (!blank(all[i]))
                    blankSince[i].invalidate();
                else if (!blankSince[i].isValid())
                    blankSince[i].start();
                else
                    longestBlankMs = std::max(longestBlankMs, blankSince[i].elapsed());
            }
        });

        if (window->playState() != 2)
            window->on_pushBtn_play_clicked();
        window->posChangedSlot((all[0]->player()->fileDuration() - 2) / slider()->maximum());
        QTRY_VERIFY_WITH_TIMEOUT(positions()[0] > all[0]->player()->fileDuration() - 3, timeout);
        sampler.start(5);
        QTRY_VERIFY_WITH_TIMEOUT(playing(all[0]).endsWith("008A.MP4") && positions()[0] > 1.0,
                                 timeout);
        sampler.stop();
        qInfo("switch: %lld ms from the old file to the next one playing; longest blank %lld ms",
              switchMs, longestBlankMs);
        for (int i = 0; i < 3; ++i)
            QVERIFY2(playing(all[i]) == next[i], qPrintable(playing(all[i])));
        QCOMPARE(window->playState(), 2);
        QVERIFY(!coverShown);
        QVERIFY(!paneHidden);
        QVERIFY2(longestBlankMs <= 100, qPrintable(QString::number(longestBlankMs)));
        // The recording shown is the new one: the progress bar counts its own length again.
        QVERIFY(slider()->value() < 10);
        QVERIFY(!window->library()->nextInDrive(window->channelModel(1), window->channelCount())); // the last of the list: it ends as any recording does
    }

    // Last, under Xvfb only: the demo drive a few seconds in (three channels, the route and the
    // live instruments) with its braking, saved for the README.
    void demoDrive()
    {
        if (!drawing())
            QSKIP("the screenshot needs a drawing video output (runs under Xvfb)");
        window.reset();
        clearSettings();
        HWDefaultSettings::instance()->setSpeedUnit(0);
        window = makeWindow();
        window->move(0, 0);
        const QString demo = QStringLiteral(QMARL_DEMO "/2024_0516_101500_001");
        addAndPlay(*window, {demo + "A.MP4", demo + "B.MP4", demo + "C.MP4"}, 3);
        // The car brakes hard at the lights half-way: a tick on the bar, and "]" goes to its
        // lead-up.
        QTRY_COMPARE_WITH_TIMEOUT(slider()->marks().size(), 1, timeout);
        QVERIFY2(slider()->marks().first().text.startsWith(QStringLiteral("急刹车 ")),
                 qPrintable(slider()->marks().first().text));
        const int braking = slider()->marks().first().value;
        QVERIFY2(braking >= 10 && braking <= 12, qPrintable(QString::number(braking)));
        QTest::keyClick(window.get(), Qt::Key_BracketRight);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(positions()[0] - 5) < 1.5, timeout);
        QTRY_VERIFY_WITH_TIMEOUT(slider()->value() >= braking + 6, timeout); // past the lights
        window->on_pushBtn_play_clicked();
        for (HWPlayWidget *pane : panes(*window))
            QTRY_COMPARE_WITH_TIMEOUT(mpvString(pane, "pause"), QStringLiteral("yes"), timeout);
        QVERIFY(window->form()->label_lat->text().startsWith(QLatin1String("22.5")));
        const QRect frame = window->frameGeometry();
        QVERIFY(QDir().mkpath(QStringLiteral(QMARL_SCREENSHOTS)));
        QVERIFY(QGuiApplication::primaryScreen()
                    ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                    .save(QStringLiteral(QMARL_SCREENSHOTS "/demo.png")));
    }

    void cleanupTestCase() { window.reset(); }
};

MAINWINDOW_TEST_MAIN(TestChannelSync)
#include "tst_channelsync.moc"
