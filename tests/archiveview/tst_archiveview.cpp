#include "../mainwindow/mainwindowtest.h"
#include "../maps/mappagekit.h"

#include "archiveindexer.h"
#include "archivepanel.h"
#include "carevent.h"
#include "library.h"
#include "mapbridge.h"
#include "mapview.h"
#include "playbacksession.h"

#include <QCalendarWidget>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextCharFormat>
#include <QTreeWidget>
#include <QWebEngineView>

using namespace windowtest;

// The archive view in the window: three recordings added as a folder, two crossing one street on
// 16 and 18 May and one 80 m beside it.
class TestArchiveView : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<KestroMainWidget> m_window;
    ArchivePanel *panel() { return m_window->archive(); }

    QJsonObject pageState()
    {
        return QJsonObject::fromVariantMap(
            mapkit::evaluate(m_window->form()->webview->page(),
                             QStringLiteral("window.qmarlMapState ? window.qmarlMapState() : {}"),
                             timeout)
                .toMap());
    }

    static void doubleClick(QTreeWidget *list, QTreeWidgetItem *item)
    {
        list->scrollToItem(item);
        const QPoint at = list->visualItemRect(item).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }

private slots:
    void initTestCase()
    {
        clearSettings();
        HWDefaultSettings::instance()->setSpeedUnit(0); // km/h
        QVERIFY(m_dir.isValid());
        m_window = makeWindowWithMap();
        // The window lists nothing of the folder: the archive alone holds it.
        northbound(m_dir.filePath("2024_0516_120000_001A.MP4"), "2024051612", "01131.000000");
        northbound(m_dir.filePath("2024_0518_080000_001A.MP4"), "2024051808", "01131.000000");
        northbound(m_dir.filePath("2024_0516_150000_001A.MP4"), "2024051615", "01131.064400");
        QSignalSpy indexed(panel()->indexer(), &ArchiveIndexer::folderIndexed);
        panel()->addFolder(m_dir.path());
        QVERIFY(indexed.wait(timeout));
        QCOMPARE(indexed.first().at(1).toInt(), 3);
        QVERIFY(m_window->libraryModels().isEmpty());
        Ui::KestroMainWidget *ui = m_window->form();
        ui->tabWidget_lists->setCurrentWidget(ui->tab_archive);
    }

    void cleanupTestCase() { m_window.reset(); }

    // The days with driving carry their distance; a day's drives their figures.
    void daysAndDrives()
    {
        QCalendarWidget *calendar = panel()->calendar();
        calendar->setSelectedDate(QDate(2024, 5, 16));
        QTRY_COMPARE_WITH_TIMEOUT(calendar->dateTextFormat(QDate(2024, 5, 16)).toolTip(),
                                  QStringLiteral("2.2 km，2 段录像"), timeout);
        QCOMPARE(calendar->dateTextFormat(QDate(2024, 5, 18)).toolTip(),
                 QStringLiteral("1.1 km，1 段录像"));
        QVERIFY(calendar->dateTextFormat(QDate(2024, 5, 17)).toolTip().isEmpty());
        // What a hover over the day shows.
        const QAbstractItemModel *cells = calendar->findChild<QTableView *>()->model();
        QStringList tips;
        for (int row = 0; row < cells->rowCount(); ++row)
            for (int column = 0; column < cells->columnCount(); ++column)
                tips << cells->index(row, column).data(Qt::ToolTipRole).toString();
        QVERIFY(tips.contains(QStringLiteral("2.2 km，2 段录像")));
        QTreeWidget *drives = panel()->driveList();
        QTRY_COMPARE_WITH_TIMEOUT(drives->topLevelItemCount(), 2, timeout);
        const QTreeWidgetItem *first = drives->topLevelItem(0);
        QCOMPARE(first->text(0), QStringLiteral("12:00–12:02"));
        QCOMPARE(first->text(1), QStringLiteral("1.1 km"));
        QCOMPARE(first->text(2), QStringLiteral("37 km/h"));
        QCOMPARE(drives->topLevelItem(1)->text(0), QStringLiteral("15:00–15:02"));
    }

    // A click on the map while the view shows finds both passes of the street at their second,
    // not the drive 80 m beside it; a double-click plays that recording from that second.
    void passByPlaceAndPlay()
    {
        QTRY_VERIFY_WITH_TIMEOUT(pageState().value("picking").toBool(), timeout);
        panel()->radiusBox()->setValue(50);
        // Second 40: 48°07.2' N, 11°31' E.
        QMetaObject::invokeMethod(
            m_window->findChild<MapBridge *>(), "placeClicked",
            Q_ARG(QVariant, 48.0 + 7.2 / 60), Q_ARG(QVariant, 11.0 + 31.0 / 60));
        QTreeWidget *passes = panel()->passList();
        QCOMPARE(passes->topLevelItemCount(), 2);
        const QTreeWidgetItem *pass = passes->topLevelItem(0);
        QCOMPARE(pass->text(0), QStringLiteral("2024-05-16 12:00:40"));
        QCOMPARE(pass->text(1), QStringLiteral("37 km/h"));
        QCOMPARE(pass->data(0, ArchivePanel::SecondRole).toInt(), 40);
        QCOMPARE(passes->topLevelItem(1)->text(0), QStringLiteral("2024-05-18 08:00:40"));
        // At 200 m the parallel drive passes as well.
        panel()->radiusBox()->setValue(200);
        QCOMPARE(passes->topLevelItemCount(), 3);
        panel()->radiusBox()->setValue(50);

        PlaybackSession *session = m_window->session();
        QSignalSpy seconds(session, &PlaybackSession::positionChanged);
        doubleClick(passes, passes->topLevelItem(1));
        // Playback starts at the second found: nothing shown between the start and it.
        const auto shown = [&seconds](int from, int to) {
            for (const QList<QVariant> &at : qAsConst(seconds))
                if (at.first().toInt() >= from && at.first().toInt() < to)
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(shown(1, 1000), timeout);
        QVERIFY(!shown(1, 40));
        QVERIFY(shown(40, 41));
        QVERIFY(session->master());
        QCOMPARE(QFileInfo(session->master()->nativePath).fileName(),
                 QStringLiteral("2024_0518_080000_001A.MP4"));
        QCOMPARE(m_window->libraryModels().size(), 1);
    }

    // The whole archive reaches the page in one call, one line part per recording; the file
    // list's tab ends the place picking.
    void wholeArchiveOnMap()
    {
        panel()->showWholeArchive(true);
        QTRY_COMPARE_WITH_TIMEOUT(pageState().value("archiveRoutes").toInt(), 3, timeout);
        QVERIFY(pageState().value("archivePoints").toInt() >= 6);
        panel()->showWholeArchive(false);
        QTRY_COMPARE_WITH_TIMEOUT(pageState().value("archiveRoutes").toInt(), 0, timeout);
        Ui::KestroMainWidget *ui = m_window->form();
        ui->tabWidget_lists->setCurrentWidget(ui->tab_files);
        QTRY_VERIFY_WITH_TIMEOUT(!pageState().value("picking").toBool(), timeout);
        panel()->passList()->clear();
        QMetaObject::invokeMethod(m_window->findChild<MapBridge *>(), "placeClicked",
                                  Q_ARG(QVariant, 48.12), Q_ARG(QVariant, 11.516667));
        QCOMPARE(panel()->passList()->topLevelItemCount(), 0);
    }

    // A recording whose file moved away is greyed with where it was; choosing it offers to
    // locate its folder, and the folder chosen takes the entry over.
    void offlineRowIsLocated()
    {
        const QString name = QStringLiteral("2024_0516_150000_001A.MP4");
        QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("moved")));
        const QString moved = m_dir.filePath(QStringLiteral("moved/") + name);
        QVERIFY(QFile::rename(m_dir.filePath(name), moved));
        QSignalSpy checked(panel()->indexer(), &ArchiveIndexer::offlineChecked);
        QSignalSpy refreshed(panel(), &ArchivePanel::refreshed);
        panel()->indexer()->checkOffline();
        // Answered on the indexer's thread, possibly before a wait would begin.
        QTRY_COMPARE_WITH_TIMEOUT(checked.count(), 1, timeout);
        QCOMPARE(checked.first().first().toInt(), 1);
        QVERIFY(refreshed.wait(timeout));
        Ui::KestroMainWidget *ui = m_window->form();
        ui->tabWidget_lists->setCurrentWidget(ui->tab_archive);
        panel()->findChild<QTabWidget *>()->setCurrentIndex(0);
        const auto rowOf = [this](const QString &path) -> QTreeWidgetItem * {
            QTreeWidget *drives = panel()->driveList();
            for (int i = 0; i < drives->topLevelItemCount(); ++i)
                if (drives->topLevelItem(i)->data(0, ArchivePanel::FrontRole) == path)
                    return drives->topLevelItem(i);
            return nullptr;
        };
        QTreeWidgetItem *row = rowOf(m_dir.filePath(name));
        QVERIFY(row);
        QVERIFY(row->data(0, ArchivePanel::OfflineRole).toBool());
        QCOMPARE(row->foreground(1).color(), QColor(110, 110, 110));
        QVERIFY(row->toolTip(0).contains(QDir::toNativeSeparators(m_dir.filePath(name))));

        QString asked; // the question's text, answered "Yes"; then the folder is chosen
        QTimer answer;
        connect(&answer, &QTimer::timeout, this, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                asked = box->text();
                box->button(QMessageBox::Yes)->click();
            } else if (auto *dialog = panel()->findChild<QFileDialog *>()) {
                answer.stop();
                dialog->setDirectory(QFileInfo(moved).path());
                static_cast<QDialog *>(dialog)->accept();
            }
        });
        answer.start(20);
        QSignalSpy indexed(panel()->indexer(), &ArchiveIndexer::folderIndexed);
        doubleClick(panel()->driveList(), row);
        QVERIFY(asked.contains(QDir::toNativeSeparators(m_dir.filePath(name))));
        QTRY_COMPARE_WITH_TIMEOUT(indexed.count(), 1, timeout);
        QCOMPARE(indexed.first().at(1).toInt(), 1);
        QVERIFY(refreshed.wait(timeout));
        row = rowOf(moved);
        QVERIFY(row && !rowOf(m_dir.filePath(name)));
        QVERIFY(!row->data(0, ArchivePanel::OfflineRole).toBool());
        QCOMPARE(row->toolTip(0), QDir::toNativeSeparators(moved));
        QCOMPARE(m_window->libraryModels().size(), 1); // located, not played
    }

    // A car's event folder added to the archive: its event is a row under the drive, with the
    // time, the reason in words and the place, that plays its lead-up; a damaged event.json
    // still gives an event at the folder's time.
    void carEventInTheDayList_data()
    {
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("text");
        QTest::newRow("saved by the horn")
            << QDate(2024, 5, 20)
            << QByteArray("{\"timestamp\":\"2024-05-20T12:01:05\",\"reason\":\"user_interaction_honk\","
                          "\"street\":\"Main Street\",\"city\":\"Springfield\"}")
            << QStringLiteral("12:01:05 · %1 · Main Street, Springfield")
                   .arg(carEventReasonText("user_interaction_honk"));
        QTest::newRow("damaged event.json") << QDate(2024, 5, 21)
                                            << QByteArray("{\"timestamp\": \"2024-05-2")
                                            << QStringLiteral("12:01:05 · %1")
                                                   .arg(carEventReasonText(QString()));
    }
    void carEventInTheDayList()
    {
        QFETCH(QDate, day);
        QFETCH(QByteArray, json);
        QFETCH(QString, text);
        const QString root = m_dir.filePath(day.toString("'car-'yyyyMMdd"));
        const QString folder = root + day.toString("'/TeslaCam/SavedClips/'yyyy-MM-dd'_12-01-05'");
        QVERIFY(QDir().mkpath(folder));
        northbound(folder + day.toString("'/'yyyy-MM-dd'_12-00-10-front.mp4'"),
                   day.toString("yyyyMMdd'12'").toLatin1().constData(), "01131.000000");
        writeBytes(folder + "/event.json", json);
        QSignalSpy indexed(panel()->indexer(), &ArchiveIndexer::folderIndexed);
        QSignalSpy refreshed(panel(), &ArchivePanel::refreshed);
        panel()->addFolder(root);
        // Told on the indexer's thread, possibly before a wait would begin.
        QTRY_COMPARE_WITH_TIMEOUT(indexed.count(), 1, timeout);
        QCOMPARE(indexed.first().at(1).toInt(), 1);
        // The views follow once the queue runs empty; a refresh before the folder was done
        // does not count.
        refreshed.clear();
        QVERIFY(refreshed.wait(timeout));
        Ui::KestroMainWidget *ui = m_window->form();
        ui->tabWidget_lists->setCurrentWidget(ui->tab_archive);
        panel()->calendar()->setSelectedDate(day);
        QTreeWidget *drives = panel()->driveList();
        QTRY_COMPARE_WITH_TIMEOUT(drives->topLevelItemCount(), 1, timeout);
        QTreeWidgetItem *drive = drives->topLevelItem(0);
        QCOMPARE(drive->text(0), QStringLiteral("12:00–12:02"));
        QCOMPARE(drive->text(3), QCoreApplication::translate("ArchivePanel", "%1 个事件").arg(1));
        QCOMPARE(drive->childCount(), 1);
        QVERIFY(drive->isExpanded());
        const QTreeWidgetItem *event = drive->child(0);
        QCOMPARE(event->text(0), text);
        QVERIFY(event->isFirstColumnSpanned());
        QCOMPARE(event->data(0, ArchivePanel::FrontRole).toString(),
                 drive->data(0, ArchivePanel::FrontRole).toString());
        QCOMPARE(event->data(0, ArchivePanel::SecondRole).toInt(), 50); // 5 s before second 55
    }
};

MAINWINDOW_TEST_MAIN(TestArchiveView)
#include "tst_archiveview.moc"
