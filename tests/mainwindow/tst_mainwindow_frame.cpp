#include "mainwindowtest.h"

#include "hwdevicetreeview.h"
#include "lutitlebar.h"

#include <QMenu>
#include <QScreen>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

using namespace windowtest;

// The frame of the main window: its form, layout, full screen, resize bands, drag and drop,
// volume and mute, split modes, the context menu and the last session.
class TestFrame : public QObject
{
    Q_OBJECT

    std::unique_ptr<KestroMainWidget> m_window;

    KestroMainWidget &window() { return *m_window; }
    Ui::KestroMainWidget *ui() { return m_window->form(); }

private slots:
    void init() { clearSettings(); }
    void cleanup() { m_window.reset(); }

    void formStandsAtItsInitialGeometries()
    {
        m_window = std::make_unique<KestroMainWidget>(); // not shown: no layout pass yet
        const std::pair<QWidget *, QRect> expected[] = {
            {ui()->widget_display_cover, {0, 0, 51, 81}},
            {ui()->widget_left, {0, 35, 764, 685}},
            {ui()->widget_right, {766, 35, 500, 685}},
            {ui()->label_main_split, {764, 35, 2, 685}},
            {ui()->widget_navigate, {425, 0, 841, 35}},
            {ui()->widget_display_2, {380, 40, 311, 151}},
            {ui()->widget_display_3, {360, 240, 311, 141}},
            {ui()->widget_display_1, {9, 44, 721, 361}},
        };
        QList<QObject *> stacking;
        for (QObject *child : window().children())
            for (const auto &entry : expected)
                if (child == entry.first)
                    stacking << child;
        QCOMPARE(stacking.size(), 8);
        for (int i = 0; i < 8; ++i) {
            QCOMPARE(stacking[i], expected[i].first); // bottom to top
            QCOMPARE(expected[i].first->geometry(), expected[i].second);
        }
        QCOMPARE(window().minimumSize(), QSize(1266, 720));
        QCOMPARE(window().windowTitle(), QStringLiteral("Q-MARL V1.24.0516"));
        QVERIFY(ui()->pushBtn_setting->isHidden());
        QVERIFY(ui()->widget_gsensor->isHidden()); // the recorder reports no G-sensor
        QVERIFY(!ui()->pushBtn_play->isEnabled());
        QVERIFY(ui()->pushBtn_open_dir->isEnabled());
        QCOMPARE(ui()->label_max_speed->text(), QStringLiteral("0 MPH"));
        QCOMPARE(ui()->pushBtn_stop->toolTip(), QString::fromUtf8("停止"));
    }

    void displayAreaFollowsTheWindow()
    {
        m_window = makeWindow();
        window().resize(1400, 900);
        QTRY_COMPARE(window().size(), QSize(1400, 900));
        QCOMPARE(ui()->widget_right->geometry(), QRect(900, 37, 500, 863));
        QCOMPARE(ui()->widget_left->geometry(), QRect(0, 37, 900, 863));
        QCOMPARE(ui()->label_main_split->geometry(), QRect(899, 37, 2, 863));
        QCOMPARE(ui()->widget_navigate->geometry(), QRect(0, 0, 1400, 35));
        const QRect display = ui()->widget_dispMan->geometry().translated(0, 37);
        QCOMPARE(ui()->widget_display_cover->geometry(), display);
        QCOMPARE(ui()->widget_display_1->geometry(), display); // one channel: the whole area
    }

    void fullScreenOnlyWhilePlaying()
    {
        m_window = makeWindow();
        const QRect before = window().geometry();
        window().on_pushBtn_fullscreen_clicked();
        QVERIFY(!window().isInFullScreen());
        QTest::keyClick(&window(), Qt::Key_Escape); // outside full screen: nothing
        QCOMPARE(window().geometry(), before);

        addAndPlay(window(), {recording("clip.MP4")}, 1);
        window().on_pushBtn_play_clicked(); // paused: still no full screen
        window().on_pushBtn_fullscreen_clicked();
        QVERIFY(!window().isInFullScreen());
        window().on_pushBtn_play_clicked();

        window().on_pushBtn_fullscreen_clicked();
        QVERIFY(window().isInFullScreen());
        const QRect work = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(window().geometry().size(), work.size());
        QVERIFY(ui()->widget_left->isHidden() && ui()->widget_right->isHidden());
        QVERIFY(window().titleBarWidget()->isHidden());
        QVERIFY(ui()->widget_display_1->isFullScreen);
        QCOMPARE(ui()->widget_display_1->geometry(), QRect(QPoint(0, 0), work.size()));

        QTest::keyClick(&window(), Qt::Key_Escape);
        QVERIFY(!window().isInFullScreen());
        QCOMPARE(window().geometry(), before);
        QVERIFY(ui()->widget_left->isVisible() && window().titleBarWidget()->isVisible());
        QVERIFY(!ui()->widget_display_1->isFullScreen);
    }

    void resizeBands_data()
    {
        QTest::addColumn<QPoint>("fromTopLeft");   // offset from the top-left corner
        QTest::addColumn<bool>("fromRightBottom"); // measure from the bottom-right instead
        QTest::addColumn<bool>("hideTitleBar");
        QTest::addColumn<int>("edges");
        QTest::newRow("4 px from left and top") << QPoint(4, 4) << false << false
                                                << int(Qt::LeftEdge | Qt::TopEdge);
        QTest::newRow("1 px from the left") << QPoint(1, 300) << false << false << 0;
        QTest::newRow("left band") << QPoint(2, 300) << false << false << int(Qt::LeftEdge);
        QTest::newRow("inside the window") << QPoint(6, 300) << false << false << 0;
        QTest::newRow("bottom right") << QPoint(3, 3) << true << false
                                      << int(Qt::RightEdge | Qt::BottomEdge);
        QTest::newRow("last pixel") << QPoint(1, 1) << true << false << 0;
        QTest::newRow("over the navigation strip") << QPoint(4, 4) << false << true << 0;
        QTest::newRow("strip at the left edge") << QPoint(3, 20) << false << true << 0;
    }

    void resizeBands()
    {
        QFETCH(QPoint, fromTopLeft);
        QFETCH(bool, fromRightBottom);
        QFETCH(bool, hideTitleBar);
        QFETCH(int, edges);
        m_window = makeWindow();
        if (hideTitleBar)
            window().titleBarWidget()->hide(); // the strip itself under the pointer
        const QPoint at = fromRightBottom
                              ? QPoint(window().width(), window().height()) - fromTopLeft
                              : fromTopLeft;
        QCOMPARE(int(window().resizeEdgesAt(at)), edges);
    }

    void dropFilter_data()
    {
        QTest::addColumn<QStringList>("urls");
        QTest::addColumn<QStringList>("accepted");
        QTest::newRow("mp4 in any case") << QStringList{"file:///v/clip.MP4"}
                                         << QStringList{"/v/clip.MP4"};
        QTest::newRow("mov and ts") << QStringList{"file:///v/a.mov", "file:///videos/b.TS"}
                                    << QStringList{"/v/a.mov", "/videos/b.TS"};
        QTest::newRow("avi refused") << QStringList{"file:///v/a.avi"} << QStringList{};
        QTest::newRow("folder refused") << QStringList{"file:///media/card/DCIM/"}
                                        << QStringList{};
        QTest::newRow("web address refused") << QStringList{"https://example.org/a.mp4"}
                                             << QStringList{};
        QTest::newRow("order kept, others skipped")
            << QStringList{"file:///v/b.mp4", "file:///v/x.txt", "file:///v/a.mp4"}
            << QStringList{"/v/b.mp4", "/v/a.mp4"};
    }

    void dropFilter()
    {
        QFETCH(QStringList, urls);
        QFETCH(QStringList, accepted);
        QList<QUrl> list;
        for (const QString &url : urls)
            list << QUrl(url);
        QCOMPARE(KestroMainWidget::filterVideoPaths(list), accepted);
    }

    void openDialogShowsNamesInEitherCase()
    {
        QTemporaryDir folder;
        for (const char *name : {"A.MP4", "b.mp4", "C.MOV", "d.mov", "E.TS", "f.ts", "g.avi"}) {
            QFile file(folder.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        // Matched with case, as a native dialog may do.
        const QDir dir(folder.path(), KestroMainWidget::videoFileFilter(), QDir::Name,
                       QDir::Files | QDir::CaseSensitive);
        QCOMPARE(dir.entryList(),
                 (QStringList{"A.MP4", "C.MOV", "E.TS", "b.mp4", "d.mov", "f.ts"}));
    }

    void dropsOfVideosAreAcceptedAndPlayed()
    {
        m_window = makeWindow();
        QTemporaryDir folder;
        for (const QStringList &refused :
             {QStringList{folder.path()}, QStringList{folder.filePath("movie.avi")}}) {
            QMimeData data;
            data.setUrls({QUrl::fromLocalFile(refused.first())});
            QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton,
                                  Qt::NoModifier);
            enter.setAccepted(false);
            QApplication::sendEvent(&window(), &enter);
            QVERIFY(!enter.isAccepted());
        }
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(recording("clip.MP4"))});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&window(), &enter);
        QVERIFY(enter.isAccepted());
        drop(window(), {recording("clip.MP4")});
        QTRY_VERIFY_WITH_TIMEOUT(ui()->widget_display_1->currentPlayState() == 1, timeout);
        QCOMPARE(playing(ui()->widget_display_1), recording("clip.MP4"));
        QCOMPARE(window().libraryModels().size(), 1);
    }

    void volumeAndMute()
    {
        m_window = makeWindow();
        QCOMPARE(ui()->horizontalSlider_volume->value(), 100);
        ui()->horizontalSlider_volume->setValue(60);
        QCOMPARE(ui()->widget_display_1->player()->volumeValue(), 60);
        QCOMPARE(ui()->widget_display_2->player()->volumeValue(), 0);
        QCOMPARE(HWDefaultSettings::instance()->volume(), 60);

        ui()->pushBtn_mute->click();
        QVERIFY(ui()->pushBtn_mute->isChecked());
        QCOMPARE(ui()->horizontalSlider_volume->value(), 0);
        QCOMPARE(ui()->widget_display_1->player()->volumeValue(), 0);
        ui()->pushBtn_mute->click();
        QVERIFY(!ui()->pushBtn_mute->isChecked());
        QCOMPARE(ui()->horizontalSlider_volume->value(), 60);

        ui()->horizontalSlider_volume->setValue(0);
        QVERIFY(ui()->pushBtn_mute->isChecked());
        ui()->horizontalSlider_volume->setValue(5);
        QVERIFY(!ui()->pushBtn_mute->isChecked());
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
        QTest::newRow("three channels, keep aspect: stays")
            << QStringList(libraryFiles().mid(0, 3)) << 3 << true << QList<int>{0, 0, 0};
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

    void contextMenuOnlyWhileARecordingIsOpen_data()
    {
        QTest::addColumn<bool>("fullScreen");
        QTest::newRow("in the window") << false;
        QTest::newRow("in full screen") << true;
    }

    void contextMenuOnlyWhileARecordingIsOpen()
    {
        QFETCH(bool, fullScreen);
        m_window = makeWindow();
        window().showCustomMenuSlot(ui()->widget_display_1);
        QVERIFY(!window().lastContextMenu());
        addAndPlay(window(), {recording("clip.MP4")}, 1);
        if (fullScreen)
            window().on_pushBtn_fullscreen_clicked();
        QCOMPARE(window().isInFullScreen(), fullScreen);
        emit ui()->widget_display_1->customContextMenuRequested(QPoint(10, 10));
        QTRY_VERIFY(window().lastContextMenu());
        QMenu *menu = window().lastContextMenu();
        QCOMPARE(menu->parent(), ui()->widget_display_1);
        QStringList texts;
        for (QAction *action : menu->actions())
            texts << action->text();
        QCOMPARE(texts, (QStringList{QString::fromUtf8("播放/暂停"), QString::fromUtf8("停止"),
                                     QString::fromUtf8("铺满屏幕"), QString::fromUtf8("拍照"),
                                     QString::fromUtf8("全屏"), QString(),
                                     QString::fromUtf8("上一个事件"),
                                     QString::fromUtf8("下一个事件"), QString(),
                                     QString::fromUtf8("导出片段…")}));
        // The clip has no track, so no events to go to.
        QVERIFY(!menu->actions().at(6)->isEnabled() && !menu->actions().at(7)->isEnabled());
        QVERIFY(menu->styleSheet().contains(QStringLiteral("#2dabf9")));
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

    void menusHaveTheWindowsLook_data()
    {
        QTest::addColumn<bool>("fileList");
        QTest::newRow("pane") << false;
        QTest::newRow("file list") << true;
    }

    void menusHaveTheWindowsLook()
    {
        QFETCH(bool, fileList);
        m_window = makeWindow();
        addAndPlay(window(), {recording("clip.MP4")}, 1);
        QMenu *menu = nullptr;
        if (fileList) {
            HWDeviceTreeView *list = ui()->treeView_filelist;
            window().showFileListMenu(list->visualRect(list->model()->index(0, 0)).center());
            menu = list->findChild<QMenu *>();
        } else {
            window().showCustomMenuSlot(ui()->widget_display_1);
            menu = window().lastContextMenu();
        }
        QVERIFY(menu);
        QTRY_VERIFY(menu->isVisible());
        // Inside the border, beside the first item's text: the window's own dark grey.
        const QImage image = menu->grab().toImage();
        const QColor window(34, 34, 34);
        QCOMPARE(image.pixelColor(3, 3), window);
        QCOMPARE(image.pixelColor(image.width() - 4, image.height() / 2), window);
        menu->close();
    }

    void dialsAreWholeAtTheMinimumSize()
    {
        m_window = makeWindow();
        window().resize(window().minimumSize());
        QTRY_COMPARE(window().size(), window().minimumSize());
        for (QWidget *part : std::initializer_list<QWidget *>{
                 ui()->label_draw_speed, ui()->label_speed_value, ui()->label_speed_unit,
                 ui()->label_campass}) {
            // What the ancestors leave of the widget, in window coordinates.
            QRect shown(part->mapTo(&window(), QPoint(0, 0)), part->size());
            const QRect whole = shown;
            for (QWidget *w = part->parentWidget(); w && w != &window(); w = w->parentWidget())
                shown &= QRect(w->mapTo(&window(), QPoint(0, 0)), w->size());
            QVERIFY2(shown == whole, qPrintable(part->objectName()));
        }
    }

    void theUsageRecordIsPostedOnce()
    {
        QTcpServer service;
        QVERIFY(service.listen(QHostAddress::LocalHost));
        qputenv("Q_MARL_USAGE_ENDPOINT",
                QByteArray("http://127.0.0.1:") + QByteArray::number(service.serverPort()));
        m_window = makeWindow();
        qunsetenv("Q_MARL_USAGE_ENDPOINT");
        QTRY_VERIFY_WITH_TIMEOUT(service.hasPendingConnections(), timeout);
        QTcpSocket *client = service.nextPendingConnection();
        QByteArray request;
        connect(client, &QTcpSocket::readyRead, this, [&] { request += client->readAll(); });
        request += client->readAll();
        QTRY_VERIFY_WITH_TIMEOUT(request.contains("appName="), timeout);
        QVERIFY2(request.startsWith("POST "), request.constData());
    }

    void theLastSessionReopens()
    {
        m_window = makeWindow();
        drop(window(), libraryFiles());
        QTRY_VERIFY_WITH_TIMEOUT(ui()->widget_display_1->currentPlayState() == 1, timeout);
        m_window.reset();
        QStringList stored = HWDefaultSettings::instance()->lastFileList();
        QCOMPARE(stored.size(), 6);
        stored << QStringLiteral("/gone/away_A.MP4"); // a file that no longer exists
        HWDefaultSettings::instance()->setLastFileList(stored);

        m_window = makeWindow();
        QCOMPARE(window().libraryModels().size(), 6);
        QCOMPARE(window().libraryModels().first()->nextChannel,
                 window().libraryModels().at(1)); // linked again
        QCOMPARE(window().playState(), 0);
        QCOMPARE(HWDefaultSettings::instance()->lastFileList().size(), 6);
    }
};

MAINWINDOW_TEST_MAIN(TestFrame)
#include "tst_mainwindow_frame.moc"
