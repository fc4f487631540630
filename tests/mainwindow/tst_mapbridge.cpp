#include "mainwindowtest.h"

#include "../maps/mappagekit.h"
#include "../tools/trackfixtures.h"
#include "drivingeventtools.h"
#include "externaltracks.h"
#include "hwdevicetreeview.h"
#include "lufileinfomodel.h"
#include "lugpsmodel.h"
#include "luprogressslider.h"
#include "trackexportactions.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QWebEngineView>

#include <fcntl.h>
#include <unistd.h>

using namespace windowtest;

// The window's map page, the telemetry that follows playback, and a drive played from the map.
class TestMapBridge : public QObject
{
    Q_OBJECT

    std::unique_ptr<KestroMainWidget> m_window;
    KestroMainWidget &window() { return *m_window; }
    Ui::KestroMainWidget *ui() { return m_window->form(); }

    // The recording's track cache; marked: as read from the HiSilicon layout.
    static void writeTrack(const QString &video, const QByteArray &lines, bool marked = false)
    {
        const QString plain = LuFileInfoModel(QFileInfo(video).fileName(), video).trackCachePath;
        const QString haisi = QString(plain).replace(".txt", "_haisi.txt");
        QFile::remove(marked ? plain : haisi);
        QFile cache(marked ? haisi : plain);
        QVERIFY(cache.open(QIODevice::WriteOnly));
        cache.write(lines);
    }

    static QByteArray line(char status, int second, const char *lat, const char *lon,
                           const char *knots, const char *course)
    {
        // Built by hand: "%1" followed by digits would read as a two-digit placeholder.
        return QByteArray(1, status) + "202405161230" +
               QByteArray::number(second).rightJustified(2, '0') + ',' + lat + ",N," + lon +
               ",E," + knots + ',' + course + ",256,0,-512\n";
    }

    QVariant pageValue(const QString &script)
    {
        return mapkit::evaluate(ui()->webview->page(), script, timeout);
    }

    QJsonObject pageState()
    {
        return QJsonObject::fromVariantMap(
            pageValue(QStringLiteral("window.qmarlMapState ? window.qmarlMapState() : {}")).toMap());
    }

    // Opens a recording with its track and pauses it, so that only the test moves the telemetry.
    void openPaused(const QString &video)
    {
        m_window = makeWindowWithMap();
        addAndPlay(window(), {video}, 1);
        window().on_pushBtn_play_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(mpvString(ui()->widget_display_1, "pause") == "yes", timeout);
        QTest::qWait(100);
    }

    // Moves the pointer beside second 60 of the other recording's part, wherever the map has
    // put it by now; true once the page shows that sample under a pointer that has not had to
    // move since the last call (the map has stopped moving, so a click there lands on it).
    bool hoverOtherRecording(QPoint *at)
    {
        const QVariantMap pixel = pageValue(QStringLiteral("qmarlSamplePixel(60, 0)")).toMap();
        if (!pixel.contains("x"))
            return false;
        QWidget *surface = ui()->webview->focusProxy();
        const QPoint previous = *at;
        *at = QPoint(qRound(pixel.value("x").toDouble()) + 3, qRound(pixel.value("y").toDouble()));
        QMouseEvent move(QEvent::MouseMove, *at, surface->mapToGlobal(*at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(surface, &move);
        const QJsonObject pick = pageState().value("lastPick").toObject();
        return *at == previous && pick.value("id") == 0 && pick.value("action") == "hover";
    }

private slots:
    void init() { clearSettings(); }
    void cleanup() { m_window.reset(); }

    void pageFollowsMapAndLanguage_data()
    {
        QTest::addColumn<int>("mapType");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("page");
        QTest::newRow("google, japanese") << 0 << 0 << "/solvanegg_ja.html";
        QTest::newRow("google, vietnamese") << 0 << 4 << "/solvanegg_vi.html";
        QTest::newRow("baidu, russian") << 1 << 3 << "/solvanebd.html";
        QTest::newRow("openstreetmap") << 2 << 0 << "/solvaneos.html";
    }

    void pageFollowsMapAndLanguage()
    {
        QFETCH(int, mapType);
        QFETCH(int, language);
        QFETCH(QString, page);
        m_window = std::make_unique<KestroMainWidget>();
        HWDefaultSettings::instance()->setMapType(mapType);
        HWDefaultSettings::instance()->setLanguage(language);
        window().loadMap();
        const QUrl url = ui()->webview->page()->requestedUrl();
        QVERIFY(url.isLocalFile());
        QCOMPARE(url.toLocalFile(), QCoreApplication::applicationDirPath() + page);
    }

    // Without a track no per-second update runs: the unit under the speedometer is still the
    // chosen one, from the first frame on and after a change of the setting.
    void theSpeedUnitShowsWithoutATrack()
    {
        HWDefaultSettings::instance()->setSpeedUnit(1);
        m_window = makeWindow();
        QCOMPARE(ui()->label_speed_unit->text(), QStringLiteral("MPH"));
        addAndPlay(window(), {recording("clip.MP4")}, 1);
        QCOMPARE(ui()->label_speed_unit->text(), QStringLiteral("MPH"));
        QCOMPARE(ui()->label_max_speed->text(), QStringLiteral("0 MPH"));
        HWDefaultSettings::instance()->setSpeedUnit(0);
        emit window().settingsApplied(false);
        QCOMPARE(ui()->label_speed_unit->text(), QStringLiteral("KM/H"));
        QCOMPARE(ui()->label_max_speed->text(), QStringLiteral("0 KM/H"));
    }

    void telemetryFollowsTheTrack_data()
    {
        QTest::addColumn<int>("mapType");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("lng");
        QTest::addColumn<QString>("lat");
        QTest::addColumn<QStringList>("maxima"); // after seconds 0, 1, 2
        QTest::addColumn<QStringList>("speeds");
        QTest::addColumn<bool>("haisi");
        // Shenzhen: Baidu shows BD-09, the others the recorded WGS-84.
        const LuGPSModel point(line('A', 0, "2232.500000", "11400.000000", "10.00", "90.00")
                                   .constData());
        QTest::newRow("baidu, km/h")
            << 1 << 0 << QString::number(point.longitude, 'f', 6)
            << QString::number(point.latitude, 'f', 6)
            << QStringList{"18 KM/H", "55 KM/H", "55 KM/H"} << QStringList{"18", "55", "37"}
            << false;
        QTest::newRow("openstreetmap, mph")
            << 2 << 1 << "114.000000" << "22.541667"
            << QStringList{"11 MPH", "34 MPH", "34 MPH"} << QStringList{"11", "34", "23"} << true;
    }

    void telemetryFollowsTheTrack()
    {
        QFETCH(int, mapType);
        QFETCH(int, unit);
        QFETCH(QString, lng);
        QFETCH(QString, lat);
        QFETCH(QStringList, maxima);
        QFETCH(QStringList, speeds);
        QFETCH(bool, haisi);
        HWDefaultSettings::instance()->setMapType(mapType);
        HWDefaultSettings::instance()->setSpeedUnit(unit);
        const QString video = recording("clip.MP4");
        writeTrack(video, line('A', 0, "2232.500000", "11400.000000", "10.00", "90.00") +
                              line('A', 1, "2232.500000", "11400.000000", "30.00", "180.00") +
                              line('A', 2, "2232.600000", "11400.100000", "20.00", "270.00") +
                              line('V', 3, "0.000000", "0.000000", "0.00", "45.00"),
                   haisi);
        openPaused(video);
        QTRY_COMPARE_WITH_TIMEOUT(pageState().value("linePoints").toInt(), 3, timeout);

        for (int second = 0; second < 3; ++second) {
            window().updateProgress(second);
            QCOMPARE(ui()->label_max_speed->text(), maxima[second]);
            QCOMPARE(ui()->label_speed_value->text(), speeds[second]);
            QCOMPARE(ui()->label_speed_unit->text(), unit ? "MPH" : "KM/H");
        }
        QCOMPARE(ui()->pushBtn_gsensor_z->text(), haisi ? "Z: -0.1250" : "Z: -2.0000");
        window().updateProgress(0);
        QCOMPARE(ui()->label_lng->text(), lng);
        QCOMPARE(ui()->label_lat->text(), lat);
        QCOMPARE(ui()->label_max_speed->text(), maxima[2]); // the maximum never drops
        // The marker follows. Without the network every page shows the offline map, which
        // takes Baidu's coordinates back to WGS-84, so the marker lands on the recorded point.
        const QString marker = QStringLiteral("114.000000");
        QTRY_COMPARE_WITH_TIMEOUT(
            QString::number(pageState().value("moving").toObject().value("lng").toDouble(), 'f', 6),
            marker, timeout);

        // No fix: blank speed, zero coordinates, maximum and marker stay.
        window().updateProgress(3);
        QCOMPARE(ui()->label_lng->text(), QStringLiteral("000.000000"));
        QCOMPARE(ui()->label_lat->text(), QStringLiteral("00.000000"));
        QCOMPARE(ui()->label_speed_value->text(), QString());
        QCOMPARE(ui()->label_max_speed->text(), maxima[2]);
        QCOMPARE(ui()->label_campass->currentAngle(), 45.0);
        // Outside the track nothing changes.
        for (int outside : {-1, 1000}) {
            window().updateProgress(outside);
            QCOMPARE(ui()->label_lng->text(), QStringLiteral("000.000000"));
        }
    }

    // A camera without GPS and a phone's track: at second N the dials and the marker show the
    // phone's point at the recording's clock + N; a minute's correction moves them at once, and
    // the next window keeps it.
    void aPhonesTrackDrivesTheDisplaysAndTheClockShiftsIt()
    {
        HWDefaultSettings::instance()->setMapType(2); // the recorded WGS-84 shown as it is
        QTemporaryDir dir;
        const QString video = dir.filePath("2024_0516_120000_001A.MP4");
        QVERIFY(QFile::copy(recording("long_A.MP4"), video));
        const QDateTime start(QDate(2024, 5, 16), QTime(12, 0), Qt::LocalTime);
        const QString phone = writeBytes(dir.filePath("phone.gpx"), phoneGpx(start.toUTC(), -60, 240));
        const auto showsAt = [this](int second, const char *latitude) {
            ui()->horizontalSlider_progress->setValue(second); // the second on screen
            window().updateProgress(second);
            return QTest::qWaitFor([&] {
                return ui()->label_lat->text() == QLatin1String(latitude) &&
                       QString::number(pageState().value("moving").toObject().value("lat").toDouble(),
                                       'f', 6) == QLatin1String(latitude);
            }, timeout);
        };

        openPaused(video);
        drop(window(), {phone});
        QTRY_COMPARE_WITH_TIMEOUT(window().channelModel(1)->track.size(), 120, timeout);
        QVERIFY(showsAt(10, "22.510000"));
        window().findChild<ExternalTracks *>()->setShift({window().channelModel(1)}, 60);
        QTRY_COMPARE_WITH_TIMEOUT(ui()->label_lat->text(), QStringLiteral("22.570000"), timeout);

        m_window.reset();
        openPaused(video);
        QTRY_COMPARE_WITH_TIMEOUT(window().channelModel(1)->track.size(), 120, timeout);
        QVERIFY(showsAt(10, "22.570000"));
    }

    void aReplacedRecordingsTrackStaysOffScreen()
    {
        HWDefaultSettings::instance()->setMapType(0);
        // The first recording's track has to be extracted from 37 MB on the disk; the second
        // one's is cached and arrives first.
        const QString slow = writeBytes(QDir(QStringLiteral(QMARL_RECORDINGS)).filePath("slow_A.TS"),
                                        slowTransportStream(200000));
        {
            // Out of the page cache: the extraction reads the disk and takes its time.
            QFile file(slow);
            QVERIFY(file.open(QIODevice::ReadOnly));
            ::fsync(file.handle());
            ::posix_fadvise(file.handle(), 0, 0, POSIX_FADV_DONTNEED);
        }
        const QString video = recording("clip.MP4");
        writeTrack(video, line('A', 0, "2232.500000", "11400.000000", "10.00", "90.00") +
                              line('A', 1, "2232.500000", "11400.000000", "30.00", "180.00") +
                              line('A', 2, "2232.600000", "11400.100000", "20.00", "270.00"));
        m_window = makeWindowWithMap();
        const QString cache = LuFileInfoModel(QStringLiteral("slow_A.TS"), slow).trackCachePath;
        QFile::remove(cache);

        window().openFiles({slow});
        LuFileInfoModel *replaced = window().channelModel(1);
        window().openFiles({video}); // before the first track can arrive
        LuFileInfoModel *open = window().channelModel(1);
        QVERIFY(replaced && open && replaced != open && replaced->trackLoading);
        QTRY_VERIFY_WITH_TIMEOUT(!replaced->trackLoading && !open->trackLoading, timeout);
        // The replaced recording keeps its track for its next open; the screen shows the open one.
        QCOMPARE(replaced->track.size(), expectedSamples("tokyo.ts"));
        QCOMPARE(open->track.size(), 3);
        // Scripts run in the order they were sent: this query follows every route sent so far.
        QCOMPARE(pageState().value("linePoints").toInt(), 3);
        m_window.reset();
        QFile::remove(slow);
        QFile::remove(cache);
    }

    // A drive at 60 km/h that stops hard at second 60: the route in speed colours, the braking
    // as a marker with its text, and a click near the route seeking every pane, still paused.
    void clickOnTheRouteSeeksEveryPane()
    {
        const QString video = recording("long_A.MP4");
        QByteArray lines;
        double minutes = 4807.0;
        for (int second = 0; second <= 120; ++second) {
            const double knots = second < 60 ? 32.4 : std::max(0.0, 32.4 - (second - 59) * 8.1);
            minutes += knots / 3600; // a knot is a minute of latitude an hour
            lines += QStringLiteral("A20240516%1%2,%3,N,11400.000000,E,%4,0.00,0,0,256\n")
                         .arg(1230 + second / 60, 4, 10, QLatin1Char('0'))
                         .arg(second % 60, 2, 10, QLatin1Char('0'))
                         .arg(minutes, 0, 'f', 6)
                         .arg(knots, 0, 'f', 2)
                         .toLatin1();
        }
        writeTrack(video, lines);
        HWDefaultSettings::instance()->setMapType(2);
        HWDefaultSettings::instance()->setSpeedUnit(0);
        openPaused(video);
        LuFileInfoModel *model = window().channelModel(1);
        QTRY_VERIFY_WITH_TIMEOUT(model->trackLoaded, timeout);
        QCOMPARE(model->drivingEvents.size(), 1);
        QJsonObject state;
        QTRY_VERIFY_WITH_TIMEOUT((state = pageState()).value("events").toArray().size() == 1, timeout);
        QCOMPARE(state.value("lineColors").toArray(),
                 QJsonArray({"#f2c80f", "#91cf60", "#1a9850"})); // 60, 30–60, under 30 km/h
        QCOMPARE(state.value("events").toArray().first().toObject().value("text").toString(),
                 DrivingEventTools::text(model->drivingEvents.first()));
        QTRY_VERIFY_WITH_TIMEOUT(pageState().value("bridge").toBool(), timeout);

        // The pointer a few pixels off the route, beside second 40.
        QVariant pixel;
        QTRY_VERIFY_WITH_TIMEOUT(
            (pixel = pageValue(QStringLiteral("qmarlSamplePixel(40)"))).toMap().contains("x"),
            timeout);
        const QPoint at(qRound(pixel.toMap().value("x").toDouble()) + 4,
                        qRound(pixel.toMap().value("y").toDouble()) + 3);
        QWidget *surface = ui()->webview->focusProxy();
        QVERIFY(surface);
        QTest::mouseClick(surface, Qt::LeftButton, {}, at);
        QTRY_VERIFY_WITH_TIMEOUT(pageState().value("lastPick").toObject().value("action") == "seek",
                                 timeout);
        const int picked = pageState().value("lastPick").toObject().value("t").toInt();
        QVERIFY2(qAbs(picked - 40) <= 2, qPrintable(QString::number(picked)));
        QTRY_VERIFY_WITH_TIMEOUT(
            qAbs(mpvDouble(ui()->widget_display_1, "time-pos") - picked) < 0.5, timeout);
        QCOMPARE(mpvString(ui()->widget_display_1, "pause"), QStringLiteral("yes"));
        QCOMPARE(ui()->horizontalSlider_progress->value(), picked);
        HWDefaultSettings::instance()->setSpeedUnit(1);
        const QString mph = DrivingEventTools::text(model->drivingEvents.first());
        QVERIFY2(mph.contains(QString::fromUtf8("37 → 0 mph")), qPrintable(mph));
    }

    // The file list's export: the valid fixes in recorded WGS-84 (not the map's offsets), in
    // UTC; nothing at all without a track or a folder to write into.
    void exportWritesTheValidFixesOnly()
    {
        const QString video = recording("R2_00.MP4");
        writeTrack(video, line('A', 0, "2232.500000", "11400.000000", "10.00", "90.00") +
                              line('V', 1, "0.000000", "0.000000", "0.00", "0.00") +
                              line('A', 2, "2233.000000", "11401.500000", "20.00", "45.00"));
        LuFileInfoModel model(QFileInfo(video).fileName(), video);
        QTemporaryDir out;
        QVERIFY(TrackExportActions::exportTrack(&model, out.filePath("drive.gpx")));
        QFile gpx(out.filePath("drive.gpx"));
        QVERIFY(gpx.open(QIODevice::ReadOnly));
        const QByteArray text = gpx.readAll();
        QCOMPARE(text.count("<trkpt "), 2);
        QVERIFY2(text.contains(R"(<trkpt lat="22.5416667" lon="114.0000000">)") &&
                     text.contains(R"(<trkpt lat="22.5500000" lon="114.0250000">)") &&
                     text.contains("<time>2024-05-16T12:30:02Z</time>"),
                 text.constData());
        QVERIFY(TrackExportActions::exportTrack(&model, out.filePath("drive.CSV")));
        QFile csv(out.filePath("drive.CSV"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().trimmed().split('\n').size(), 3);
        QVERIFY(!TrackExportActions::exportTrack(&model, "/nonexistent/folder/out.gpx"));

        LuFileInfoModel trackless(QStringLiteral("empty_A.MP4"), out.filePath("empty_A.MP4"));
        QVERIFY(!TrackExportActions::exportTrack(&trackless, out.filePath("none.gpx")));
        QVERIFY(!QFile::exists(out.filePath("none.gpx")));
    }

    // A drive of two recordings: its header folds it and plays it from the first recording, and
    // a click on the other recording's part of the map plays that one from the second clicked.
    void headerAndMapPlayTheDrive()
    {
        HWDefaultSettings::instance()->setMapType(2); // the bundled map
        QTemporaryDir dir;
        const QString first =
            northbound(dir.filePath("2024_0516_120000_001A.MP4"), "2024051612", "11400.000000");
        const QString second =
            northbound(dir.filePath("2024_0516_120030_002A.MP4"), "2024051612", "11401.000000");
        m_window = makeWindowWithMap();
        KestroMainWidget *window = m_window.get();
        Ui::KestroMainWidget *ui = window->form();
        addAndPlay(*window, {second, first}, 1); // plays the first dropped
        QCOMPARE(playing(ui->widget_display_1), second);
        // Both routes in, so that the map is not drawn again under the pointer.
        const QList<LuFileInfoModel *> &models = window->libraryModels();
        QTRY_VERIFY_WITH_TIMEOUT(models[0]->trackLoaded && models[1]->trackLoaded, timeout);

        HWDeviceTreeView *list = ui->treeView_filelist;
        const QPoint header(60, list->visualRect(list->model()->index(0, 0)).top() + 10);
        QTRY_VERIFY_WITH_TIMEOUT(list->driveHeaderAt(header), timeout);
        for (const bool folded : {true, false}) { // the arrow folds and unfolds the drive
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(8, header.y()));
            QCOMPARE(list->isRowHidden(1, QModelIndex()), folded);
        }
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, header);
        QTRY_COMPARE_WITH_TIMEOUT(playing(ui->widget_display_1), first, timeout);

        QTRY_VERIFY_WITH_TIMEOUT(pageState().value("driveParts").toInt() == 1 &&
                                     pageState().value("bridge").toBool(),
                                 timeout);
        // Paused, the map stops following the marker and holds still under the pointer.
        window->on_pushBtn_play_clicked();
        QTRY_VERIFY_WITH_TIMEOUT(mpvString(ui->widget_display_1, "pause") == "yes", timeout);
        QPoint at(-1, -1);
        bool still = false; // QTRY evaluates once more after success: no second hover
        QTRY_VERIFY_WITH_TIMEOUT(still || (still = hoverOtherRecording(&at)), timeout);
        QTest::mouseClick(ui->webview->focusProxy(), Qt::LeftButton, {}, at);
        QTRY_COMPARE_WITH_TIMEOUT(playing(ui->widget_display_1), second, timeout);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(mpvDouble(ui->widget_display_1, "time-pos") - 60) < 2,
                                 timeout);
        m_window.reset(); // before the folder of its files goes
    }
};

MAINWINDOW_TEST_MAIN(TestMapBridge)
#include "tst_mapbridge.moc"
