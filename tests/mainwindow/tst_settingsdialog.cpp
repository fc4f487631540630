#include "mainwindowtest.h"

#include "luappsettingdialog.h"
#include "lutitlebar.h"
#include "offlinemaprow.h"
#include "translation.h"
#include "ui_luappsettingdialog.h"
#include "../offlinemap/mbtilesfixture.h"

#include <QAction>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>

using namespace windowtest;

namespace {

constexpr int kRussian = 3;

} // namespace

// The settings dialog over a live main window.
class TestSettingsDialog : public QObject
{
    Q_OBJECT

    std::unique_ptr<KestroMainWidget> m_window;
    QPointer<LuAppSettingDialog> m_dialog;
    QList<bool> m_calls;

    Ui::KestroMainWidget *windowUi() { return m_window->form(); }
    Ui::LuAppSettingDialog *ui() { return m_dialog->form(); }

    void openDialog()
    {
        m_dialog = new LuAppSettingDialog([this](bool reloadMap) { m_calls << reloadMap; },
                                          m_window.get());
        m_dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
    }

    // Let every posted language change reach every window.
    static void settle()
    {
        for (int i = 0; i < 3; ++i)
            QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    static void useLanguage(int language)
    {
        int copy = language;
        loadTranslation(copy);
        settle();
    }

private slots:
    void initTestCase()
    {
        clearSettings();
        QCoreApplication::installTranslator(&g_translator);
        useLanguage(HWDefaultSettings::instance()->language());
        m_window = makeWindow();
    }

    void cleanupTestCase()
    {
        delete m_dialog;
        m_window.reset(); // never closed: its close event ends the process
        QCoreApplication::removeTranslator(&g_translator);
    }

    void init()
    {
        clearSettings();
        useLanguage(1);
        m_calls.clear();
    }

    void cleanup()
    {
        delete m_dialog;
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void choosingRussianRetranslatesEveryWindow()
    {
        HWDefaultSettings::instance()->setMapType(2);
        openDialog();
        ui()->comboBox_language->setCurrentIndex(kRussian);
        QCOMPARE(HWDefaultSettings::instance()->language(), kRussian);
        QVERIFY(g_translator.filePath().endsWith(QLatin1String("/tr_ru_RU.qm")));
        QCOMPARE(m_calls, QList<bool>{true});

        QTRY_COMPARE(windowUi()->label_7->text(), QString::fromUtf8("Долгота"));
        QTRY_COMPARE(ui()->label_9->text(), QString::fromUtf8("Язык："));
        settle();
        // Refilled in Russian with the choices kept; refilling is not a choice of the user's.
        QCOMPARE(ui()->comboBox_map->itemText(2), QString::fromUtf8("Карты Улиц"));
        QCOMPARE(ui()->comboBox_map->currentIndex(), 2);
        QCOMPARE(m_calls, QList<bool>{true});
        QCOMPARE(HWDefaultSettings::instance()->mapType(), 2);
    }

    // The G-sensor row is a choice of its own beside the others: it opens on the stored choice,
    // and the other choice is stored at once and reported without a map reload.
    void gsensorRowChoosesTheChart_data()
    {
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("storedText");
        QTest::newRow("automatic") << int(GsensorChartChoice::Automatic) << "Automatic";
        QTest::newRow("never") << int(GsensorChartChoice::Never) << "Never";
    }

    void gsensorRowChoosesTheChart()
    {
        QFETCH(int, stored);
        QFETCH(QString, storedText);
        HWDefaultSettings *store = HWDefaultSettings::instance();
        store->setGsensorChart(GsensorChartChoice(stored));
        openDialog();
        QComboBox *box = ui()->comboBox_video_solution;
        QVERIFY(box->isVisible() && ui()->label_gsensor->isVisible());
        QCOMPARE(ui()->label_gsensor->text(), QStringLiteral("G-Sensor:"));
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->currentText(), storedText);
        // Its row overlaps no other.
        for (QWidget *other : m_dialog->findChildren<QWidget *>()) {
            if (other == box || other == ui()->label_gsensor || !other->isVisible() ||
                other->parentWidget() != m_dialog || other->objectName() == "widget")
                continue;
            QVERIFY2(!other->geometry().intersects(box->geometry()) &&
                         !other->geometry().intersects(ui()->label_gsensor->geometry()),
                     qPrintable(other->objectName()));
        }
        const int other = 1 - stored;
        box->setCurrentIndex(other);
        QCOMPARE(int(store->gsensorChart()), other);
        QCOMPARE(m_calls, QList<bool>{false});
    }

    // The offline map row takes a file the map can use (the map page is loaded again) and
    // refuses any other with its reason under the row, the setting as it was.
    void offlineMapRowTakesOnlyTilesFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("taken");
        QTest::newRow("tiles at two zooms") << "mbtiles" << true;
        QTest::newRow("missing") << "missing" << false;
        QTest::newRow("not SQLite") << "text" << false;
        QTest::newRow("SQLite without tiles") << "sqlite" << false;
    }
    void offlineMapRowTakesOnlyTilesFiles()
    {
        QFETCH(QString, kind);
        QFETCH(bool, taken);
        QTemporaryDir dir;
        const QString before = dir.filePath(QStringLiteral("before.mbtiles"));
        QVERIFY(tilefixture::writeMbTiles(before, {13, 14}, -73.98, 40.75, 1));
        HWDefaultSettings *store = HWDefaultSettings::instance();
        store->setOfflineMap(before);
        const QString path = dir.filePath(QStringLiteral("chosen.mbtiles"));
        if (kind == QLatin1String("mbtiles")) {
            QVERIFY(tilefixture::writeMbTiles(path, {13, 14}, -58.38, -34.60, 1));
        } else if (kind == QLatin1String("text")) {
            writeBytes(path, "not a database\n");
        } else if (kind == QLatin1String("sqlite")) {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), path);
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QVERIFY(QSqlQuery(db).exec(QStringLiteral("CREATE TABLE other (x INTEGER)")));
            db.close();
        }
        openDialog();
        auto *row = m_dialog->findChild<OfflineMapRow *>();
        QVERIFY(row && row->isVisible());
        row->setChooser([path](QWidget *, const QString &) { return path; });
        auto *browse = row->findChildren<QPushButton *>().value(0);
        QVERIFY(browse);
        QTest::mouseClick(browse, Qt::LeftButton);
        QCOMPARE(store->offlineMap(), taken ? path : before);
        QCOMPARE(row->message().isEmpty(), taken);
        QCOMPARE(m_calls, taken ? QList<bool>{true} : QList<bool>{});
        if (kind == QLatin1String("missing"))
            QVERIFY(!QFileInfo::exists(path)); // looked at, never made
    }

    void saveStoresAllFourAndCloses()
    {
        openDialog();
        ui()->lineEdit_snapDir->setText(QStringLiteral("/typed/by/hand"));
        m_calls.clear();
        ui()->pushBtn_ok->click();
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        QCOMPARE(HWDefaultSettings::instance()->snapDir(), QStringLiteral("/typed/by/hand"));
        QCOMPARE(HWDefaultSettings::instance()->mapType(), 0);
        QCOMPARE(HWDefaultSettings::instance()->speedUnit(), 1);
        QVERIFY(m_calls.isEmpty());
        QTRY_VERIFY(m_dialog.isNull()); // deletes itself once closed
    }

    // The window's own entry point: the dialog runs modally, the window reacts to each change,
    // and closing by the title bar keeps what was chosen but not a folder typed by hand.
    void windowEntryPointAndTitleBarClose()
    {
        QCOMPARE(windowUi()->label_max_speed->text(), QStringLiteral("0 MPH"));
        const QString folder = HWDefaultSettings::instance()->snapDir();
        QPointer<LuAppSettingDialog> opened;
        QWidget *parent = nullptr;
        whenModal<LuAppSettingDialog>([&opened, &parent](LuAppSettingDialog *dialog) {
            opened = dialog;
            parent = dialog->parentWidget();
            Ui::LuAppSettingDialog *form = dialog->form();
            form->comboBox_unit->setCurrentIndex(0);
            form->comboBox_map->setCurrentIndex(2);
            form->lineEdit_snapDir->setText(QStringLiteral("/typed/by/hand"));
            dialog->titleBarWidget()
                ->findChild<QPushButton *>(QStringLiteral("ButtonClose"))
                ->click();
        });
        QAction *shortcut = nullptr;
        for (QAction *action : m_window->actions())
            if (action->shortcut() == QKeySequence(QStringLiteral("ctrl+,")))
                shortcut = action;
        QVERIFY(shortcut);
        shortcut->trigger();
        QCOMPARE(parent, m_window.get()); // the modal run is over by now
        QTRY_VERIFY(opened.isNull());

        HWDefaultSettings *store = HWDefaultSettings::instance();
        QCOMPARE(store->speedUnit(), 0);
        QCOMPARE(store->mapType(), 2);
        QCOMPARE(store->snapDir(), folder);
        // Nothing plays, so the empty display took the new unit; the map page followed.
        QCOMPARE(windowUi()->label_max_speed->text(), QStringLiteral("0 KM/H"));
        QTRY_VERIFY_WITH_TIMEOUT(
            windowUi()->webview->url().path().endsWith(QLatin1String("/solvaneos.html")), timeout);
    }

};

MAINWINDOW_TEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
