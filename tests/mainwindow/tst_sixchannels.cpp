#include "mainwindowtest.h"

#include "hwdevicetreeview.h"
#include "hwtreeitemdelegate.h"
#include "library.h"
#include "panelayout.h"
#include "playbacksession.h"

#include <QScreen>

#include <algorithm>
#include <cmath>

using namespace windowtest;

// A car's cameras in one window: each in its place, a pane alone on a double-click, P through
// the layouts, one row in the list, a snapshot of each, and all six in step at every rate.
class TestSixChannels : public QObject
{
    Q_OBJECT

    std::unique_ptr<KestroMainWidget> window;

    static QString car(const char *stamp, const char *camera)
    {
        return recording("car/2025-11-20_") + QLatin1String(stamp) + QLatin1Char('-') +
               QLatin1String(camera) + QStringLiteral(".mp4");
    }
    static QStringList sixCameras()
    {
        QStringList files;
        for (const char *camera : {"back", "front", "left_pillar", "left_repeater", "right_pillar",
                                   "right_repeater"})
            files << car("14-03-12", camera);
        return files;
    }
    static QString clock(const char *camera)
    {
        return QStringLiteral(QMARL_CAR_CLOCK "/2024-05-16_12-00-00-%1.mp4")
            .arg(QLatin1String(camera));
    }

    QList<HWPlayWidget *> shown() const
    {
        QList<HWPlayWidget *> visible;
        for (HWPlayWidget *pane : allPanes(*window))
            if (pane->isVisible())
                visible << pane;
        return visible;
    }

    // The pane showing a camera's file.
    HWPlayWidget *paneOf(const char *camera) const
    {
        const QString ending = QLatin1Char('-') + QLatin1String(camera) + QStringLiteral(".mp4");
        for (HWPlayWidget *pane : allPanes(*window))
            if (pane->isVisible() && playing(pane).endsWith(ending))
                return pane;
        return nullptr;
    }

    // The colour in the middle of a pane, as the screen shows it.
    static QColor colourOf(HWPlayWidget *pane)
    {
        const QPoint centre = pane->mapToGlobal(pane->rect().center());
        return QGuiApplication::primaryScreen()
            ->grabWindow(0, centre.x(), centre.y(), 1, 1)
            .toImage()
            .pixelColor(0, 0);
    }

    // Whether a shown colour is near the one named (video range and scaling move it a little).
    static bool near(const QColor &shown, const QColor &wanted)
    {
        return std::abs(shown.red() - wanted.red()) < 60 &&
               std::abs(shown.green() - wanted.green()) < 60 &&
               std::abs(shown.blue() - wanted.blue()) < 60;
    }

    QRect displayArea() const
    {
        QRect area;
        for (HWPlayWidget *pane : shown())
            area = area.united(pane->geometry());
        return area;
    }

    double largestGap() const
    {
        const QList<HWPlayWidget *> all = allPanes(*window);
        const double master = all[0]->player()->position();
        double gap = 0;
        for (int i = 1; i < window->channelCount(); ++i) {
            PlayLabel *player = all[i]->player();
            if (!player->endReached() && master < player->fileDuration())
                gap = std::max(gap, std::fabs(player->position() - master));
        }
        return gap;
    }

private slots:
    void initTestCase()
    {
        clearSettings();
        window = makeWindow();
        window->move(0, 0);
    }

    // The files come in the list's order (back first); the front plays in pane 1.
    void carCamerasInTheirPlaces()
    {
        addAndPlay(*window, sixCameras(), 6);
        QCOMPARE(window->channelCount(), 6);
        QVERIFY(playing(allPanes(*window)[0]).endsWith(QLatin1String("-front.mp4")));
        QCOMPARE(window->splitType(), kCarSplit);
        QCOMPARE(shown().size(), 6);
        for (const char *camera : {"front", "back", "left_repeater", "right_repeater",
                                   "left_pillar", "right_pillar"})
            QVERIFY2(paneOf(camera), camera);
        const QRect front = paneOf("front")->geometry();
        const QRect back = paneOf("back")->geometry();
        // The front is the largest, on top; the back below it; pillars beside the front,
        // repeaters beside the back, each on its own side.
        for (HWPlayWidget *pane : shown())
            QVERIFY(pane->width() * pane->height() <= front.width() * front.height());
        QVERIFY(back.top() >= front.bottom() - 1);
        QCOMPARE(back.left(), front.left());
        QVERIFY(paneOf("left_pillar")->geometry().right() <= front.left() + 1);
        QVERIFY(paneOf("right_pillar")->geometry().left() >= front.right() - 1);
        QCOMPARE(paneOf("left_pillar")->geometry().top(), front.top());
        QVERIFY(paneOf("left_repeater")->geometry().right() <= back.left() + 1);
        QVERIFY(paneOf("right_repeater")->geometry().left() >= back.right() - 1);
        QCOMPARE(paneOf("right_repeater")->geometry().top(), back.top());
        if (!drawing())
            return;
        const std::pair<const char *, QColor> colours[] = {
            {"front", Qt::red},          {"back", Qt::green},           {"left_repeater", Qt::blue},
            {"right_repeater", Qt::yellow}, {"left_pillar", Qt::magenta}, {"right_pillar", Qt::cyan}};
        for (const auto &c : colours)
            QTRY_VERIFY2_WITH_TIMEOUT(near(colourOf(paneOf(c.first)), c.second),
                                      qPrintable(QStringLiteral("%1 shows %2")
                                                     .arg(QLatin1String(c.first))
                                                     .arg(colourOf(paneOf(c.first)).name())),
                                      timeout);
        // The window as it looks, beside the demo's in the build's screenshots.
        const QRect frame = window->frameGeometry();
        QVERIFY(QDir().mkpath(QStringLiteral(QMARL_SCREENSHOTS)));
        QVERIFY(QGuiApplication::primaryScreen()
                    ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                    .save(QStringLiteral(QMARL_SCREENSHOTS "/six.png")));
    }

    // P goes round the car's layout, the strip and the grid; every layout shows all six
    // within the same area, none over another.
    void pCyclesTheLayouts_data()
    {
        QTest::addColumn<int>("split");
        QTest::addColumn<int>("largest"); // how many panes share the largest size
        QTest::newRow("strip") << kStripSplit << 1;
        QTest::newRow("grid") << kGridSplit << 6;
        QTest::newRow("the car's again") << kCarSplit << 1;
    }
    void pCyclesTheLayouts()
    {
        QFETCH(int, split);
        QFETCH(int, largest);
        const QRect area = displayArea();
        QTest::keyClick(window.get(), Qt::Key_P);
        QCOMPARE(window->splitType(), split);
        QCOMPARE(shown().size(), 6);
        QCOMPARE(displayArea(), area);
        int biggest = 0;
        for (HWPlayWidget *pane : shown())
            biggest = std::max(biggest, pane->width() * pane->height());
        int atBiggest = 0; // within the pixel or two that dividing the area leaves
        for (HWPlayWidget *pane : shown()) {
            atBiggest += pane->width() * pane->height() * 20 >= biggest * 19 ? 1 : 0;
            for (HWPlayWidget *other : shown()) {
                if (other == pane)
                    continue;
                const QRect overlap = pane->geometry().intersected(other->geometry());
                QVERIFY2(overlap.width() <= 1 || overlap.height() <= 1,
                         qPrintable(pane->objectName() + QLatin1Char('/') + other->objectName()));
            }
        }
        QCOMPARE(atBiggest, largest);
    }

    // A double-click shows that camera alone over the whole area, the next brings all back.
    void doubleClickShowsOneAlone_data()
    {
        QTest::addColumn<QString>("camera");
        QTest::newRow("front") << "front";
        QTest::newRow("left pillar") << "left_pillar";
        QTest::newRow("right repeater") << "right_repeater";
    }
    void doubleClickShowsOneAlone()
    {
        QFETCH(QString, camera);
        const QRect area = displayArea();
        HWPlayWidget *pane = paneOf(qPrintable(camera));
        QVERIFY(pane);
        QTest::mouseDClick(pane, Qt::LeftButton);
        QCOMPARE(shown(), QList<HWPlayWidget *>{pane});
        QCOMPARE(pane->geometry(), area);
        QVERIFY(!window->isInFullScreen());
        QTest::mouseDClick(pane, Qt::LeftButton);
        QCOMPARE(shown().size(), 6);
        QCOMPARE(displayArea(), area);
    }

    // A snapshot is taken of every camera.
    void snapshotOfEveryCamera()
    {
        QTemporaryDir folder;
        HWDefaultSettings::instance()->setSnapDir(folder.path());
        window->on_pushBtn_capture_clicked();
        QTRY_COMPARE_WITH_TIMEOUT(QDir(folder.path()).entryList({"*.jpg"}, QDir::Files).size(), 6,
                                  timeout);
        for (const char *camera : {"front", "back", "left_repeater", "right_repeater",
                                   "left_pillar", "right_pillar"})
            QCOMPARE(QDir(folder.path())
                         .entryList({QStringLiteral("*-%1_*.jpg").arg(QLatin1String(camera))})
                         .size(),
                     1);
    }

    // In the list a car's recording is one row with its channel count, unfolded by a click on
    // the count; the four-camera recording a minute later is a row of its own.
    void listFoldsTheCameras()
    {
        drop(*window, {car("14-04-12", "front"), car("14-04-12", "back"),
                       car("14-04-12", "left_repeater"), car("14-04-12", "right_repeater")});
        QTRY_COMPARE_WITH_TIMEOUT(window->libraryModels().size(), 10, timeout);
        HWDeviceTreeView *list = window->form()->treeView_filelist;
        const auto visibleRows = [list] {
            QStringList names;
            for (int row = 0; row < list->model()->rowCount(); ++row)
                if (!list->isRowHidden(row, QModelIndex()))
                    names << HWDeviceTreeView::modelAt(list->model()->index(row, 0))->fileName;
            return names;
        };
        QTRY_COMPARE_WITH_TIMEOUT(visibleRows(),
                                  QStringList({"2025-11-20_14-03-12-front.mp4",
                                               "2025-11-20_14-04-12-front.mp4"}),
                                  timeout);
        const LuFileInfoModel *first = window->libraryModels().at(0);
        QCOMPARE(first->fileName, QStringLiteral("2025-11-20_14-03-12-front.mp4"));
        QCOMPARE(list->foldedCount(first->rowIndex), 6);
        QCOMPARE(list->foldedCount(window->libraryModels().at(6)->rowIndex), 4);
        QCOMPARE(list->foldedCount(window->libraryModels().at(1)->rowIndex), 0); // a back file
        list->scrollToTop();
        const QRect row = list->visualRect(first->rowIndex);
        const int top = row.bottom() + 1 - HWTreeItemDelegate::rowHeight; // below a drive header
        const QPoint count = HWTreeItemDelegate::foldRect(list->viewport()->width(), top).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, count);
        QTRY_COMPARE_WITH_TIMEOUT(visibleRows().size(), 7, timeout);
        // The front's row stays where it was, its cameras below it in their order.
        QCOMPARE(visibleRows().mid(0, 3),
                 QStringList({"2025-11-20_14-03-12-front.mp4", "2025-11-20_14-03-12-back.mp4",
                              "2025-11-20_14-03-12-left_repeater.mp4"}));
        QCOMPARE(list->visualRect(first->rowIndex), row);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, count);
        QTRY_COMPARE_WITH_TIMEOUT(visibleRows().size(), 2, timeout);
        // The drop played the four cameras; next goes past all of them to the six, and
        // previous past all six back to the four.
        QTRY_VERIFY_WITH_TIMEOUT(playing(allPanes(*window)[0]).endsWith(QLatin1String("14-04-12-front.mp4")),
                                 timeout);
        for (HWPlayWidget *pane : allPanes(*window).mid(0, 4))
            QTRY_COMPARE_WITH_TIMEOUT(pane->currentPlayState(), 1, timeout);
        QTRY_VERIFY_WITH_TIMEOUT(window->form()->horizontalSlider_progress->maximum() > 0, timeout);
        window->session()->next();
        QTRY_VERIFY_WITH_TIMEOUT(playing(allPanes(*window)[0]).endsWith(QLatin1String("14-03-12-front.mp4")),
                                 timeout);
        QTRY_COMPARE_WITH_TIMEOUT(window->channelCount(), 6, timeout);
        for (HWPlayWidget *pane : allPanes(*window)) // started before it is left again
            QTRY_COMPARE_WITH_TIMEOUT(pane->currentPlayState(), 1, timeout);
        QTRY_VERIFY_WITH_TIMEOUT(window->form()->horizontalSlider_progress->maximum() > 0, timeout);
        window->session()->previous();
        QTRY_VERIFY_WITH_TIMEOUT(playing(allPanes(*window)[0]).endsWith(QLatin1String("14-04-12-front.mp4")),
                                 timeout);
        QTRY_COMPARE_WITH_TIMEOUT(window->channelCount(), 4, timeout);
        for (HWPlayWidget *pane : allPanes(*window).mid(0, 4))
            QTRY_COMPARE_WITH_TIMEOUT(pane->currentPlayState(), 1, timeout);
        QTRY_COMPARE_WITH_TIMEOUT(shown().size(), 4, timeout);
        // Without its pillars the front spans the top, the repeaters flank the back.
        QTRY_VERIFY_WITH_TIMEOUT(paneOf("front") && paneOf("back") && paneOf("left_repeater"),
                                 timeout);
        HWPlayWidget *front = paneOf("front"), *back = paneOf("back");
        HWPlayWidget *leftRepeater = paneOf("left_repeater");
        QCOMPARE(front->width(), displayArea().width());
        QVERIFY(leftRepeater->geometry().right() <= back->geometry().left() + 1);
    }

    // The six follow the front at every rate, the flip-book's included.
    void inStepAtEveryRate_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("bound"); // seconds; generous for a busy machine
        QTest::newRow("1x") << "pushBtn_speed_normal" << 1.0 << 0.25;
        QTest::newRow("3x") << "pushBtn_speed_fast_1" << 3.0 << 0.5;
        QTest::newRow("15x") << "pushBtn_speed_fast_2" << 15.0 << 1.0;
        QTest::newRow("60x") << "pushBtn_speed_fast_3" << 60.0 << 1.0;
    }
    void inStepAtEveryRate()
    {
        QFETCH(QString, button);
        QFETCH(double, rate);
        QFETCH(double, bound);
        if (window->channelCount() != 6 || !playing(allPanes(*window)[0]).startsWith(QMARL_CAR_CLOCK)) {
            window->library()->listPaths({clock("front"), clock("back"), clock("left_repeater"),
                                          clock("right_repeater"), clock("left_pillar"),
                                          clock("right_pillar")});
            QTRY_VERIFY_WITH_TIMEOUT(window->library()->models().size() >= 16, timeout);
            // From a stopped window: the short recordings before may be ending by themselves.
            window->on_pushBtn_stop_clicked();
            QTRY_COMPARE_WITH_TIMEOUT(window->playState(), 0, timeout);
            window->playSelectFile(clock("front"));
            for (HWPlayWidget *pane : allPanes(*window))
                QTRY_COMPARE_WITH_TIMEOUT(pane->currentPlayState(), 1, timeout);
            QCOMPARE(window->channelCount(), 6);
        }
        window->posChangedSlot(0.05);
        if (window->playState() != 2)
            window->on_pushBtn_play_clicked();
        QVERIFY(QMetaObject::invokeMethod(window.get(),
                                          qPrintable(QStringLiteral("on_%1_clicked").arg(button))));
        for (HWPlayWidget *pane : allPanes(*window))
            QTRY_COMPARE_WITH_TIMEOUT(mpvDouble(pane, "speed") / rate, 1.0, timeout);
        PlayLabel *master = allPanes(*window)[0]->player();
        const double from = master->position();
        QTRY_VERIFY_WITH_TIMEOUT(master->position() >= from + 3 * rate, 3 * timeout);
        const double room = master->fileDuration() - 2 * rate;
        for (int i = 0; i < 5 && master->position() < room; ++i) {
            QSignalSpy reports(window->form()->widget_display_1,
                               &HWPlayWidget::updateVideoProgressSignal);
            QTRY_VERIFY_WITH_TIMEOUT(reports.size() >= 2, timeout);
            QTRY_VERIFY2_WITH_TIMEOUT(largestGap() <= bound,
                                      qPrintable(QString::number(largestGap())), timeout);
        }
        window->on_pushBtn_speed_normal_clicked();
    }

    void cleanupTestCase() { window.reset(); }
};

MAINWINDOW_TEST_MAIN(TestSixChannels)
#include "tst_sixchannels.moc"
