#include "mainwindowtest.h"

#include "externaltracks.h"
#include "loadedtracksdialog.h"
#include "lugsensorwidget.h"
#include "lutitlebar.h"
#include "trackexportactions.h"
#include "openvideosdialog.h"

#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QSignalSpy>
#include <QTemporaryDir>

using namespace windowtest;

// The frame of the main window, and one session driven through it end to end.
class TestFrame : public QObject
{
    Q_OBJECT

    std::unique_ptr<KestroMainWidget> m_window;

    KestroMainWidget &window() { return *m_window; }
    Ui::KestroMainWidget *ui() { return m_window->form(); }

private slots:
    void init() { clearSettings(); }
    void cleanup() { m_window.reset(); }

    void maximiseAndFullScreen()
    {
        m_window = makeWindow();
        const QRect before = window().geometry();
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        window().setMinimumSize(0, 0); // larger than the offscreen screen
        window().titleBarWidget()->findChild<QPushButton *>(QStringLiteral("ButtonMax"))->click();
        QCOMPARE(window().geometry(), work.adjusted(-3, -3, 3, 3));
        QTest::mouseDClick(window().titleBarWidget(), Qt::LeftButton); // and back
        QCOMPARE(window().geometry(), before);
        window().on_pushBtn_fullscreen_clicked();
        QVERIFY(!window().isInFullScreen());
        window().showCustomMenuSlot(ui()->widget_display_1); // no menu without a recording
        QVERIFY(!window().lastContextMenu());
        addAndPlay(window(), {recording("clip.MP4")}, 1);
        window().on_pushBtn_play_clicked(); // paused: still no full screen
        window().on_pushBtn_fullscreen_clicked();
        QVERIFY(!window().isInFullScreen());
        window().on_pushBtn_play_clicked();

        window().on_pushBtn_fullscreen_clicked();
        QVERIFY(window().isInFullScreen());
        QCOMPARE(window().geometry().size(), work.size());
        QVERIFY(ui()->widget_left->isHidden() && window().titleBarWidget()->isHidden());
        QCOMPARE(ui()->widget_display_1->geometry(), QRect(QPoint(0, 0), work.size()));

        QTest::keyClick(&window(), Qt::Key_Escape);
        QVERIFY(!window().isInFullScreen());
        QCOMPARE(window().geometry(), before);
        QVERIFY(ui()->widget_left->isVisible() && window().titleBarWidget()->isVisible());

        window().on_pushBtn_fullscreen_clicked(); // the menu works in full screen too
        QVERIFY(window().isInFullScreen());
        emit ui()->widget_display_1->customContextMenuRequested(QPoint(10, 10));
        QTRY_VERIFY(window().lastContextMenu());
        QMenu *menu = window().lastContextMenu();
        QCOMPARE(menu->parent(), ui()->widget_display_1);
        // The clip has no track, so no events to go to.
        QCOMPARE(menu->actions().at(6)->text(), QString::fromUtf8("上一个事件"));
        QVERIFY(!menu->actions().at(6)->isEnabled() && !menu->actions().at(7)->isEnabled());
        menu->actions().at(1)->trigger(); // stop
        QCOMPARE(window().playState(), 0);
        // Back to the window with its controls, over a black cover.
        QVERIFY(!window().isInFullScreen());
        QVERIFY(ui()->widget_navigate->isVisible() && ui()->widget_right->isVisible());
        QWidget *cover = ui()->widget_display_cover;
        QVERIFY(cover->isVisible());
        QCOMPARE(cover->grab().toImage().pixelColor(cover->width() / 2, cover->height() / 2),
                 QColor(Qt::black));
    }

    // The frameless window resizes from a narrow band along its edges, but not where the
    // navigation strip takes the pointer.
    void resizeBands()
    {
        m_window = makeWindow();
        const QPoint corner(window().width(), window().height());
        QCOMPARE(int(window().resizeEdgesAt(QPoint(4, 4))), int(Qt::LeftEdge | Qt::TopEdge));
        QCOMPARE(int(window().resizeEdgesAt(corner - QPoint(3, 3))),
                 int(Qt::RightEdge | Qt::BottomEdge));
        QCOMPARE(int(window().resizeEdgesAt(QPoint(6, 300))), 0);
        window().titleBarWidget()->hide(); // the strip itself under the pointer
        QCOMPARE(int(window().resizeEdgesAt(QPoint(4, 4))), 0);
    }

    // The window as a user drives it: a drop plays every channel, the labels, the list and the
    // controls follow the session, Right steps on, the stop button ends it all.
    void aDropPlaysAndTheWindowFollowsTheSession()
    {
        m_window = makeWindow();
        addAndPlay(window(), libraryFiles(), 3);
        const QList<HWPlayWidget *> all = panes(window());
        QCOMPARE(playing(all[2]), recording("2024_0516_101501_002C.MP4"));
        QCOMPARE(window().splitType(), 0);
        QVERIFY(!ui()->widget_display_cover->isVisible() && ui()->pushBtn_stop->isEnabled());
        QVERIFY(window().libraryModels().first()->isPlaying);
        QTRY_COMPARE_WITH_TIMEOUT(ui()->label_duration->text(), QStringLiteral("00:04"), timeout);
        QTRY_COMPARE_WITH_TIMEOUT(ui()->label_resolution->text(), QStringLiteral("192 * 108"),
                                  timeout);
        ui()->pushBtn_play->click(); // paused: the player reports nothing more
        QVERIFY(!ui()->pushBtn_play->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(mpvString(all[0], "pause") == "yes", timeout);
        window().updateVideoDurationSlot(59.9f);
        window().updateVideoProgressSlot(0.6f);
        QCOMPARE(ui()->label_duration->text(), QStringLiteral("00:59"));
        QCOMPARE(ui()->label_play_time->text(), QStringLiteral("00:01/00:59"));

        QTest::keyClick(all[0], Qt::Key_Right);
        QTRY_COMPARE_WITH_TIMEOUT(playing(all[0]), recording("R2_00.MP4"), timeout);
        QTRY_COMPARE_WITH_TIMEOUT(window().playState(), 2, timeout);
        QCOMPARE(window().splitType(), 1);
        QVERIFY(!window().libraryModels().first()->isPlaying);

        ui()->pushBtn_stop->click();
        QCOMPARE(window().playState(), 0);
        QVERIFY(ui()->widget_display_cover->isVisible() && !ui()->pushBtn_stop->isEnabled());
        QCOMPARE(ui()->label_play_time->text(), QStringLiteral("00:00/00:00"));
        QVERIFY(!window().channelModel(1));
        // The next window lists the same files again, linked, with nothing open.
        m_window.reset();
        m_window = makeWindow();
        QCOMPARE(window().libraryModels().size(), 6);
        QCOMPARE(window().libraryModels().first()->nextChannel, window().libraryModels().at(1));
        QCOMPARE(window().playState(), 0);
    }

    // A card's folder, dropped or added from the open dialog, lists every recording in it and
    // its subfolders and plays the first; a folder holding none says so.
    void foldersAddEveryRecordingInThem()
    {
        QTemporaryDir card;
        for (const char *folder : {"DCIM/sub", "empty", "more"})
            QVERIFY(QDir(card.path()).mkpath(folder));
        const std::pair<const char *, const char *> links[] = {
            {"DCIM/R2_00.MP4", "R2_00.MP4"}, {"DCIM/sub/clip.mp4", "clip.MP4"},
            {"more/cut_a.MOV", "cut_a.MP4"}};
        for (const auto &link : links)
            QVERIFY(QFile::link(recording(link.second), card.filePath(link.first)));
        m_window = makeWindow();
        drop(window(), {card.filePath("DCIM")});
        QTRY_COMPARE_WITH_TIMEOUT(playing(ui()->widget_display_1), card.filePath("DCIM/R2_00.MP4"),
                                  timeout);
        QCOMPARE(window().libraryModels().size(), 2);

        drop(window(), {card.filePath("empty")});
        QTRY_VERIFY(window().findChild<QMessageBox *>());
        QVERIFY(window().findChild<QMessageBox *>()->text().contains(card.filePath("empty")));

        whenModal<OpenVideosDialog>([&](OpenVideosDialog *dialog) {
            dialog->setDirectory(card.filePath("more"));
            dialog->addFolderButton()->click();
        });
        window().on_pushBtn_open_dir_clicked();
        QCOMPARE(window().libraryModels().size(), 3);
        QCOMPARE(HWDefaultSettings::instance()->videoDir(), card.filePath("more"));
    }

    // A phone's track dropped on the window is loaded; the list of loaded tracks shows it and
    // removes it.
    void aDroppedTrackIsListedAndRemoved()
    {
        QTemporaryDir dir;
        const QString gpx = writeBytes(dir.filePath("phone.GPX"),
                                       phoneGpx(QDateTime(QDate(2024, 5, 16), QTime(10, 15), Qt::UTC), 0, 2));
        m_window = makeWindow();
        auto *tracks = window().findChild<ExternalTracks *>();
        QSignalSpy loaded(tracks, &ExternalTracks::loaded);
        drop(window(), {gpx});
        QVERIFY(loaded.wait(timeout));
        QCOMPARE(loaded.first().at(1).toString(), QString()); // no refusal
        // The open dialog takes a track file as well, and loads it as one.
        QFile::copy(gpx, dir.filePath("walk.gpx"));
        // Typed into the name box, as a user does (the box has the focus, so selectFile would
        // not fill it).
        whenModal<OpenVideosDialog>([&](OpenVideosDialog *open) {
            open->setDirectory(dir.path());
            open->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText("walk.gpx");
            static_cast<QDialog *>(open)->accept();
        });
        window().on_pushBtn_open_dir_clicked();
        QVERIFY(loaded.count() == 2 || loaded.wait(timeout));
        QVERIFY(window().libraryModels().isEmpty());
        LoadedTracksDialog *dialog = window().findChild<TrackExportActions *>()->showLoadedTracks();
        QCOMPARE(dialog->table()->rowCount(), 2);
        QCOMPARE(dialog->table()->item(0, 0)->text(), QStringLiteral("phone.GPX"));
        QCOMPARE(dialog->table()->item(0, 3)->text(), QStringLiteral("2"));
        dialog->table()->selectRow(0);
        dialog->removeButton()->click();
        QCOMPARE(dialog->table()->rowCount(), 1);
        QCOMPARE(tracks->tracks().size(), 1);
        QCOMPARE(tracks->tracks().first()->path, dir.filePath("walk.gpx"));
    }

    void volumeAndMute()
    {
        m_window = makeWindow();
        QCOMPARE(ui()->horizontalSlider_volume->value(), 100);
        ui()->horizontalSlider_volume->setValue(60);
        QCOMPARE(ui()->widget_display_1->player()->volumeValue(), 60);
        QCOMPARE(ui()->widget_display_2->player()->volumeValue(), 0);
        QCOMPARE(HWDefaultSettings::instance()->volume(), 60);

        ui()->pushBtn_mute->click(); // and back to the volume before
        QCOMPARE(ui()->widget_display_1->player()->volumeValue(), 0);
        ui()->pushBtn_mute->click();
        QCOMPARE(ui()->horizontalSlider_volume->value(), 60);
    }

    void splitModesCycle_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("channels");
        QTest::addColumn<bool>("keepAspect");
        QTest::addColumn<QList<int>>("modes"); // the mode at open, then after each P
        QTest::newRow("one channel: P does nothing")
            << QStringList{recording("clip.MP4")} << 1 << true << QList<int>{2, 2, 2};
        QTest::newRow("two channels")
            << QStringList(libraryFiles().mid(3, 2)) << 2 << true << QList<int>{1, 2, 3, 1, 2};
        QTest::newRow("three channels, fill")
            << QStringList(libraryFiles().mid(0, 3)) << 3 << false << QList<int>{0, 2, 3, 4, 0, 2};
    }

    void splitModesCycle()
    {
        QFETCH(QStringList, files);
        QFETCH(int, channels);
        QFETCH(bool, keepAspect);
        QFETCH(QList<int>, modes);
        HWDefaultSettings::instance()->setKeepOriginalSize(keepAspect);
        m_window = makeWindow();
        QTest::keyClick(&window(), Qt::Key_P); // nothing open: nothing
        QCOMPARE(window().splitType(), 1);
        addAndPlay(window(), files, channels);
        QCOMPARE(window().splitType(), modes.first());
        for (int i = 1; i < modes.size(); ++i) {
            QTest::keyClick(&window(), Qt::Key_P);
            QCOMPARE(window().splitType(), modes[i]);
        }
        const QList<HWPlayWidget *> all = panes(window());
        if (channels == 3 && window().splitType() == 2) {
            QVERIFY(all[0]->isVisible() && !all[1]->isVisible() && !all[2]->isVisible());
            QCOMPARE(all[0]->width(), ui()->widget_dispMan->width());
        }
    }

    void keepAspectToggleIsStored()
    {
        m_window = makeWindow();
        addAndPlay(window(), libraryFiles().mid(0, 3), 3);
        const int fullWidth = ui()->widget_dispMan->width();
        QVERIFY(ui()->widget_display_1->width() < fullWidth); // 16:9 inside a wider area
        window().keepVideoAspectSlot();
        QVERIFY(!HWDefaultSettings::instance()->keepOriginalSize());
        for (HWPlayWidget *pane : panes(window()))
            QVERIFY(!pane->isKeepRatio());
        QCOMPARE(ui()->widget_display_1->width(), fullWidth);
    }

    // The G-sensor chart under the dials shows while the open recording's track has G-sensor
    // values, unless the setting says never; its X, Y and Z buttons hide and bring back their
    // curves; it goes with the session.
    void gsensorChartFollowsTheRecording_data()
    {
        QTest::addColumn<bool>("values");
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("shown");
        const int automatic = int(GsensorChartChoice::Automatic);
        const int never = int(GsensorChartChoice::Never);
        QTest::newRow("values, automatic") << true << automatic << true;
        QTest::newRow("no values, automatic") << false << automatic << false;
        QTest::newRow("values, never") << true << never << false;
    }

    void gsensorChartFollowsTheRecording()
    {
        QFETCH(bool, values);
        QFETCH(int, choice);
        QFETCH(bool, shown);
        QTemporaryDir dir;
        const QString path = northbound(dir.filePath("2024_0516_100000_001A.MP4"), "2024051610",
                                        "01131.000000");
        if (!values) {
            const QString cache = LuFileInfoModel(QFileInfo(path).fileName(), path).trackCachePath;
            QByteArray lines = readBytes(cache);
            QVERIFY(lines.contains(",0,0,256\n"));
            lines.replace(",0,0,256\n", ",0,0,0\n");
            writeBytes(cache, lines);
        }
        HWDefaultSettings *store = HWDefaultSettings::instance();
        store->setGsensorChart(GsensorChartChoice(choice));
        m_window = makeWindow();
        QVERIFY(!ui()->widget_gsensor->isVisible());
        addAndPlay(window(), {path}, 1);
        // The track's positions reach the labels once it has been read.
        QTRY_VERIFY_WITH_TIMEOUT(ui()->label_lat->text() != QStringLiteral("00.000000"), timeout);
        QCOMPARE(ui()->widget_gsensor->isVisible(), shown);
        QCOMPARE(ui()->label_gsensor_split->isVisible(), shown);
        LuGsensorWidget *chart = ui()->widget_draw_gsensor;
        QCOMPARE(chart->hasSeries(), values);

        // The other choice applies at once.
        const bool never = GsensorChartChoice(choice) == GsensorChartChoice::Never;
        store->setGsensorChart(never ? GsensorChartChoice::Automatic : GsensorChartChoice::Never);
        emit window().settingsApplied(false);
        QCOMPARE(ui()->widget_gsensor->isVisible(), values && never);

        const std::pair<QPushButton *, bool (LuGsensorWidget::*)() const> curves[] = {
            {ui()->pushBtn_gsensor_x, &LuGsensorWidget::isShowingX},
            {ui()->pushBtn_gsensor_y, &LuGsensorWidget::isShowingY},
            {ui()->pushBtn_gsensor_z, &LuGsensorWidget::isShowingZ}};
        for (const auto &curve : curves) {
            QVERIFY((chart->*curve.second)());
            curve.first->click();
            QVERIFY(curve.first->isChecked());
            QVERIFY(!(chart->*curve.second)());
            curve.first->click();
            QVERIFY((chart->*curve.second)());
        }

        ui()->pushBtn_stop->click();
        QVERIFY(!ui()->widget_gsensor->isVisible());
        QVERIFY(!ui()->label_gsensor_split->isVisible());
    }
};

MAINWINDOW_TEST_MAIN(TestFrame)
#include "tst_mainwindow_frame.moc"
