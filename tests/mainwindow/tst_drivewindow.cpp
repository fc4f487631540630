// A drive of two recordings in the window: its header folds it and plays it from the first
// recording, and a click on the other recording's part of the map plays that one from the
// second clicked.
#include "hwdevicetreeview.h"
#include "mainwindowtest.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWebEngineView>

using namespace windowtest;

class TestDriveWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // The 120 s recording under a time-stamped name, with a track going north at longitude.
    QString stamped(const QString &name, const char *longitude)
    {
        const QString path = m_dir.filePath(name);
        QFile::copy(recording("long_A.MP4"), path);
        const LuFileInfoModel probe(name, path);
        QFile cache(probe.trackCachePath);
        if (!cache.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(probe.trackCachePath));
        for (int second = 0; second < 120; ++second)
            cache.write(QStringLiteral("A20240516%1%2,%3,N,%4,E,20.00,0.00,0,0,256\n")
                            .arg(1200 + second / 60, 4, 10, QLatin1Char('0'))
                            .arg(second % 60, 2, 10, QLatin1Char('0'))
                            .arg(4807.0 + second * 0.005, 0, 'f', 6)
                            .arg(QLatin1String(longitude))
                            .toLatin1());
        return path;
    }

    static QVariant pageValue(KestroMainWidget &window, const QString &expression)
    {
        auto value = std::make_shared<QVariant>(); // outlives a late answer
        window.form()->webview->page()->runJavaScript(
            expression, [value](const QVariant &result) { *value = result; });
        QElapsedTimer clock;
        clock.start();
        while (!value->isValid() && clock.elapsed() < timeout)
            QTest::qWait(10);
        return *value;
    }

    static QJsonObject pageState(KestroMainWidget &window)
    {
        return QJsonObject::fromVariantMap(
            pageValue(window, QStringLiteral("window.qmarlMapState ? qmarlMapState() : {}")).toMap());
    }

    // Moves the pointer beside second 60 of the other recording's part, wherever the map has
    // put it by now; true once the page shows that sample.
    static bool hoverOtherRecording(KestroMainWidget &window, QPoint *at)
    {
        const QVariantMap pixel = pageValue(window, QStringLiteral("qmarlSamplePixel(60, 0)")).toMap();
        if (!pixel.contains("x"))
            return false;
        QWidget *surface = window.form()->webview->focusProxy();
        *at = QPoint(qRound(pixel.value("x").toDouble()) + 3, qRound(pixel.value("y").toDouble()));
        QMouseEvent move(QEvent::MouseMove, *at, surface->mapToGlobal(*at), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(surface, &move);
        const QJsonObject pick = pageState(window).value("lastPick").toObject();
        return pick.value("id") == 0 && pick.value("action") == "hover";
    }

private slots:
    void headerAndMapPlayTheDrive()
    {
        clearSettings();
        HWDefaultSettings::instance()->setMapType(2); // the bundled map
        const QString first = stamped(QStringLiteral("2024_0516_120000_001A.MP4"), "11400.000000");
        const QString second = stamped(QStringLiteral("2024_0516_120030_002A.MP4"), "11401.000000");
        std::unique_ptr<KestroMainWidget> window = makeWindow();
        Ui::KestroMainWidget *ui = window->form();
        QSignalSpy loaded(ui->webview, &QWebEngineView::loadFinished);
        QVERIFY(loaded.count() || loaded.wait(timeout));
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

        QTRY_VERIFY_WITH_TIMEOUT(pageState(*window).value("driveParts").toInt() == 1 &&
                                     pageState(*window).value("bridge").toBool(),
                                 timeout);
        QPoint at;
        QTRY_VERIFY_WITH_TIMEOUT(hoverOtherRecording(*window, &at), timeout);
        QTest::mouseClick(ui->webview->focusProxy(), Qt::LeftButton, {}, at);
        QTRY_COMPARE_WITH_TIMEOUT(playing(ui->widget_display_1), second, timeout);
        QTRY_VERIFY_WITH_TIMEOUT(qAbs(mpvDouble(ui->widget_display_1, "time-pos") - 60) < 2,
                                 timeout);
    }
};

MAINWINDOW_TEST_MAIN(TestDriveWindow)
#include "tst_drivewindow.moc"
