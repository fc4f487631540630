#include "mainwindowtest.h"

#include "luprogressslider.h"

#include <QScreen>

using namespace windowtest;

// Under Xvfb with real drawing: the window empty and playing a three-channel recording, saved
// for review, and the channels' colours found where their panes are.
class TestScreenshot : public QObject
{
    Q_OBJECT

    static QImage grabScreen(const QRect &area)
    {
        return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                              area.height()).toImage();
    }

    static bool looksLike(QRgb pixel, QColor colour)
    {
        const QColor seen(pixel);
        return qAbs(seen.red() - colour.red()) < 60 && qAbs(seen.green() - colour.green()) < 60 &&
               qAbs(seen.blue() - colour.blue()) < 60;
    }

private slots:
    void initTestCase()
    {
        clearSettings();
        QDir().mkpath(QStringLiteral(QMARL_SCREENSHOTS));
    }

    void playingThreeChannels()
    {
        auto window = makeWindow();
        window->move(0, 0);
        QTest::qWait(300);
        QVERIFY(grabScreen(window->frameGeometry())
                    .save(QStringLiteral(QMARL_SCREENSHOTS "/mainwindow-empty.png")));

        // A drive through Shenzhen on the front channel, so the map shows its route.
        const QString front = libraryFiles().first();
        const LuFileInfoModel probe(QFileInfo(front).fileName(), front);
        QFile cache(probe.trackCachePath);
        QVERIFY(cache.open(QIODevice::WriteOnly));
        for (int second = 0; second < 4; ++second)
            cache.write(QStringLiteral("A2024051610150%1,%2,N,%3,E,%4,45.00,0,0,256\n")
                            .arg(second)
                            .arg(2232.0 + second * 0.35, 0, 'f', 6)
                            .arg(11403.0 + second * 0.5, 0, 'f', 6)
                            .arg(20 + second * 5)
                            .toLatin1());
        cache.close();
        addAndPlay(*window, libraryFiles(), 3);
        QTest::qWait(1500);
        grabScreen(window->frameGeometry())
            .save(QStringLiteral(QMARL_SCREENSHOTS "/mainwindow-playing.png"));
        const QList<HWPlayWidget *> all = panes(*window);
        // The colours ffmpeg gives "red", "green" and "blue".
        const QColor colours[] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255)};
        for (int i = 0; i < 3; ++i) {
            const QRect area(all[i]->mapToGlobal(QPoint(0, 0)), all[i]->size());
            const QPoint centre = area.center() - area.topLeft();
            QTRY_VERIFY_WITH_TIMEOUT(looksLike(grabScreen(area).pixel(centre), colours[i]),
                                     timeout);
        }
        window->on_pushBtn_play_clicked();
        QTest::qWait(200);
        QVERIFY(grabScreen(window->frameGeometry())
                    .save(QStringLiteral(QMARL_SCREENSHOTS "/mainwindow-playing.png")));
    }

    // The demo drive a few seconds in: three channels, the route and the live instruments.
    void demoDrive()
    {
        clearSettings();
        HWDefaultSettings::instance()->setSpeedUnit(0);
        auto window = makeWindow();
        window->move(0, 0);
        const QString demo = QStringLiteral(QMARL_DEMO "/2024_0516_101500_001");
        addAndPlay(*window, {demo + "A.MP4", demo + "B.MP4", demo + "C.MP4"}, 3);
        // The car brakes hard at the lights half-way: a tick on the bar, and "]" goes to its
        // lead-up.
        LuProgressSlider *bar = window->form()->horizontalSlider_progress;
        QTRY_COMPARE_WITH_TIMEOUT(bar->marks().size(), 1, timeout);
        QVERIFY2(bar->marks().first().text.startsWith(QStringLiteral("急刹车 ")),
                 qPrintable(bar->marks().first().text));
        const int braking = bar->marks().first().value;
        QVERIFY2(braking >= 10 && braking <= 12, qPrintable(QString::number(braking)));
        QTest::keyClick(window.get(), Qt::Key_BracketRight);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(panes(*window)[0]->player()->position() - 5) < 1.5, timeout);
        QTRY_VERIFY_WITH_TIMEOUT(bar->value() >= braking + 6, timeout); // past the lights again
        window->on_pushBtn_play_clicked();
        QTest::qWait(500);
        QVERIFY(window->form()->label_lat->text().startsWith(QLatin1String("22.5")));
        QVERIFY(grabScreen(window->frameGeometry())
                    .save(QStringLiteral(QMARL_SCREENSHOTS "/demo.png")));
    }
};

MAINWINDOW_TEST_MAIN(TestScreenshot)
#include "tst_mainwindow_screenshot.moc"
