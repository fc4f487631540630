#include "mainwindowtest.h"

#include "luprogressslider.h"

#include <QScreen>

using namespace windowtest;

// Under Xvfb with real drawing: the demo drive with its braking, saved for the README.
class TestScreenshot : public QObject
{
    Q_OBJECT

    static QImage grabScreen(const QRect &area)
    {
        return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(),
                                                              area.height()).toImage();
    }

private slots:
    void initTestCase()
    {
        clearSettings();
        QDir().mkpath(QStringLiteral(QMARL_SCREENSHOTS));
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
