#include "mainwindowtest.h"
#include "../maps/mappagekit.h"

#include "carevent.h"
#include "carsignalsdisplay.h"
#include "carsignalsrow.h"
#include "luprogressslider.h"
#include "playbacksession.h"

#include <QJsonArray>
#include <QJsonObject>

#include <cmath>

using namespace windowtest;

// A car's saved clip dropped on the window as the folder the car writes: its six cameras in six
// panes, the car's signals row at the frames the fixture names, its event.json as a tick that
// "]" goes to, and its route on the map west of Greenwich.
class TestCarWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<KestroMainWidget> window;

    // What the fixture generator says of the set (expected/car/car-west.txt).
    struct Expected
    {
        QString folder;
        QString front;
        int fps = 0;
        int hardBrake = -1;
        int blinkerFirst = -1, blinkerLast = -1; // frames
        QVector<QPointF> route;                  // longitude, latitude by second
        QVector<double> speeds;                  // m/s by second

        // The brake lamp at a whole second as the generator lights it: slowing by more than
        // 0.5 m/s in the second, or standing in D.
        bool brakeAt(int second) const
        {
            const double a = speeds.value(second), b = speeds.value(second + 1, a);
            return b - a < -0.5 || (second >= 1 && a == 0 && b == 0);
        }
    } expected;

    static Expected readExpected()
    {
        Expected e;
        const QList<QByteArray> lines =
            readBytes(QStringLiteral(QMARL_CAR_WEST "/expected/car/car-west.txt")).split('\n');
        bool route = false;
        for (const QByteArray &line : lines) {
            const QList<QByteArray> words = line.split(' ');
            if (route) {
                const QList<QByteArray> fields = line.split(',');
                if (fields.size() >= 4) {
                    e.route.append({fields[2].toDouble(), fields[1].toDouble()});
                    e.speeds.append(fields[3].toDouble());
                }
            } else if (words.first() == "folder") {
                e.folder = QString::fromUtf8(words.value(1));
            } else if (words.first() == "front") {
                e.front = QString::fromUtf8(words.value(1));
            } else if (words.first() == "fps") {
                e.fps = words.value(1).toInt();
            } else if (words.first() == "hard-brake") {
                e.hardBrake = words.value(1).toInt();
            } else if (words.first() == "left-blinker") {
                e.blinkerFirst = words.value(1).toInt();
                e.blinkerLast = words.value(2).toInt();
            } else if (words.first() == "route") {
                route = true;
            }
        }
        return e;
    }

    LuProgressSlider *slider() const { return window->form()->horizontalSlider_progress; }
    CarSignalsRow *row() const { return window->findChild<CarSignalsRow *>(); }

    QList<double> positions() const
    {
        QList<double> at;
        for (HWPlayWidget *pane : allPanes(*window))
            at << pane->player()->position();
        return at;
    }

    QJsonObject pageState() const
    {
        return QJsonObject::fromVariantMap(
            mapkit::evaluate(window->form()->webview->page(),
                             QStringLiteral("window.qmarlMapState ? window.qmarlMapState() : {}"),
                             timeout)
                .toMap());
    }

    void pause()
    {
        if (window->playState() == 2)
            window->on_pushBtn_play_clicked();
        for (HWPlayWidget *pane : allPanes(*window))
            QTRY_COMPARE_WITH_TIMEOUT(mpvString(pane, "pause"), QStringLiteral("yes"), timeout);
    }

private slots:
    void initTestCase()
    {
        clearSettings();
        HWDefaultSettings::instance()->setSpeedUnit(0);
        expected = readExpected();
        QVERIFY(expected.fps > 0 && expected.hardBrake > 0 && expected.blinkerFirst > 0);
        QVERIFY(!expected.route.isEmpty());
        window = makeWindowWithMap();
        // The whole tree the car writes, as a folder.
        drop(*window, {QStringLiteral(QMARL_CAR_WEST)});
        const QList<HWPlayWidget *> all = allPanes(*window);
        for (int i = 0; i < 6; ++i)
            QTRY_VERIFY_WITH_TIMEOUT(all[i]->currentPlayState() == 1, timeout);
    }

    void cleanupTestCase() { window.reset(); }

    // One recording of six cameras, each in a pane of its own, the front camera the master.
    void playsInSixPanes()
    {
        QCOMPARE(window->channelCount(), 6);
        QVERIFY(window->session()->master());
        QCOMPARE(window->session()->master()->fileName, expected.front);
        QStringList cameras;
        for (HWPlayWidget *pane : allPanes(*window)) {
            QVERIFY(pane->isVisible());
            const QString file = QFileInfo(playing(pane)).fileName();
            QVERIFY2(file.startsWith(expected.front.left(19)), qPrintable(file));
            cameras << file;
        }
        cameras.removeDuplicates();
        QCOMPARE(cameras.size(), 6);
    }

    // The car's signals row at a frame: the gear, the brake lamp and the left blinker the
    // fixture drew into it, read from the front camera's file.
    void signalsRowAtAFrame_data()
    {
        // The progress bar jumps to whole seconds.
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("gear");
        QTest::addColumn<bool>("brake");
        QTest::addColumn<bool>("left");
        const Expected e = readExpected();
        const int blinking = (e.blinkerFirst + e.fps - 1) / e.fps + 1;
        const int after = e.blinkerLast / e.fps + 2;
        QTest::newRow("parked at the start") << 0 << "P" << false << false;
        QTest::newRow("hard brake") << e.hardBrake << "D" << true << false;
        QTest::newRow("left blinker") << blinking << "D" << e.brakeAt(blinking) << true;
        QTest::newRow("after the blinker") << after << "D" << e.brakeAt(after) << false;
    }
    void signalsRowAtAFrame()
    {
        QFETCH(int, second);
        QFETCH(bool, brake);
        QCOMPARE(expected.brakeAt(second), brake); // the fixture's own lamp agrees
        QVERIFY(second * expected.fps < expected.blinkerFirst ||
                second * expected.fps > expected.blinkerLast ||
                QTest::currentDataTag() == QByteArray("left blinker"));
        QTRY_VERIFY_WITH_TIMEOUT(row()->isVisible(), timeout);
        QVERIFY(window->findChild<CarSignalsDisplay *>()->source().endsWith(expected.front));
        pause();
        window->posChangedSlot(second / double(slider()->maximum()));
        QTRY_VERIFY2_WITH_TIMEOUT(std::fabs(positions()[0] - second) < 0.02,
                                  qPrintable(QString::number(positions()[0])), timeout);
        QTRY_VERIFY_WITH_TIMEOUT(row()->hasFrame(), timeout);
        QFETCH(QString, gear);
        QFETCH(bool, left);
        QTRY_COMPARE_WITH_TIMEOUT(row()->gearText(), gear, timeout);
        QTRY_COMPARE_WITH_TIMEOUT(row()->brakeLit(), brake, timeout);
        QTRY_COMPARE_WITH_TIMEOUT(row()->leftLit(), left, timeout);
        QVERIFY(!row()->rightLit());
    }

    // The event.json is a tick on the progress bar with its reason in words; "]" goes to its
    // lead-up in every channel.
    void carEventOnTheBar()
    {
        const QString reason = carEventReasonText("user_interaction_dashcam_icon_tapped");
        const auto carMark = [&]() -> const LuProgressSlider::Mark * {
            for (const LuProgressSlider::Mark &mark : slider()->marks())
                if (mark.text.startsWith(reason))
                    return &mark;
            return nullptr;
        };
        QTRY_VERIFY_WITH_TIMEOUT(carMark(), timeout);
        const LuProgressSlider::Mark mark = *carMark();
        QVERIFY2(mark.text.contains(QStringLiteral("New York")), qPrintable(mark.text));
        QVERIFY2(mark.value >= 58 && mark.value <= 60, qPrintable(QString::number(mark.value)));
        pause();
        window->posChangedSlot(40.0 / slider()->maximum());
        QTRY_VERIFY_WITH_TIMEOUT(std::fabs(positions()[0] - 40) < 0.5, timeout);
        QTest::keyClick(window.get(), Qt::Key_BracketRight);
        for (int i = 0; i < 6; ++i)
            QTRY_VERIFY2_WITH_TIMEOUT(std::fabs(positions()[i] - (mark.value - 5)) < 0.3,
                                      qPrintable(QString::number(positions()[i])), timeout);
    }

    // The route lies west of Greenwich: the longitude shown starts with "-", and the page draws
    // the route from the fixture's first point with the car's event among its dots.
    void routeWestOfGreenwich()
    {
        pause();
        const int second = 20;
        window->posChangedSlot(second / double(slider()->maximum()));
        const QString wanted = QString::number(expected.route[second].x(), 'f', 6).left(7);
        QTRY_VERIFY2_WITH_TIMEOUT(window->form()->label_lng->text().startsWith(wanted),
                                  qPrintable(window->form()->label_lng->text() + " / " + wanted),
                                  timeout);
        QVERIFY(window->form()->label_lng->text().startsWith(QLatin1Char('-')));
        QTRY_VERIFY_WITH_TIMEOUT(pageState().value("linePoints").toInt() > 0, timeout);
        const QJsonObject start = pageState().value("start").toObject();
        QVERIFY(std::fabs(start.value("lng").toDouble() - expected.route.first().x()) < 1e-4);
        QVERIFY(std::fabs(start.value("lat").toDouble() - expected.route.first().y()) < 1e-4);
        QStringList kinds;
        for (const QJsonValue &event : pageState().value("events").toArray())
            kinds << event.toObject().value("kind").toString();
        QVERIFY2(kinds.contains(QStringLiteral("car")), qPrintable(kinds.join(' ')));
    }
};

MAINWINDOW_TEST_MAIN(TestCarWindow)
#include "tst_carwindow.moc"
