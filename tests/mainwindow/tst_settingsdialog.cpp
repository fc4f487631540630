#include "mainwindowtest.h"

#include "luappsettingdialog.h"
#include "lucustomcombobox.h"
#include "lutitlebar.h"
#include "translation.h"
#include "ui_luappsettingdialog.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWebEngineView>
#include <QXmlStreamReader>

#include <functional>

using namespace windowtest;

namespace {

constexpr int kRussian = 3;

// Source text to translation, as the catalogue in the source tree spells it; empty for the
// Chinese interface, which has no catalogue.
QHash<QString, QString> catalogue(int language)
{
    static const char *const names[] = {"tr_ja_JA", "tr_en_US", "", "tr_ru_RU", "tr_vi_VN"};
    const QString name = QLatin1String(names[language]);
    QHash<QString, QString> entries;
    if (name.isEmpty())
        return entries;
    QFile file(QStringLiteral(QMARL_SOURCE_DIR "/resources/translations/") + name +
               QStringLiteral(".ts"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("catalogue %s cannot be read", qPrintable(name));
    QXmlStreamReader xml(&file);
    QString source;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("source"))
            source = xml.readElementText();
        else if (xml.name() == QLatin1String("translation"))
            entries.insert(source, xml.readElementText());
    }
    return entries;
}

QString translated(const QHash<QString, QString> &entries, const char *source)
{
    const QString text = QString::fromUtf8(source);
    const QString translation = entries.value(text);
    return translation.isEmpty() ? text : translation;
}

QStringList items(QComboBox *box)
{
    QStringList texts;
    for (int i = 0; i < box->count(); ++i)
        texts << box->itemText(i);
    return texts;
}

QStringList storedKeys()
{
    QSettings store(QStringLiteral("VOLQ"), QStringLiteral("Q-MARL"));
    QStringList keys = store.allKeys();
    keys.sort();
    return keys;
}

// Counts language-change events the application hands out.
class LanguageChangeCounter : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == qApp && event->type() == QEvent::LanguageChange)
            ++count;
        return false;
    }
};

// Runs `act` on the first modal widget of type T once it shows, from inside the modal loop
// that the caller is about to start. Gives up after `timeout` by closing whatever is modal,
// so a test never hangs in an event loop it cannot leave.
template <typename T> void whenModal(std::function<void(T *)> act)
{
    auto *poll = new QTimer(qApp);
    auto *clock = new QElapsedTimer;
    clock->start();
    QObject::connect(poll, &QTimer::timeout, [poll, clock, act] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *wanted = qobject_cast<T *>(modal)) {
            poll->stop();
            poll->deleteLater();
            delete clock;
            act(wanted);
        } else if (clock->elapsed() > timeout) {
            poll->stop();
            poll->deleteLater();
            delete clock;
            qWarning("no modal %s appeared", T::staticMetaObject.className());
            if (modal)
                modal->close();
        }
    });
    poll->start(20);
}

} // namespace

// The settings dialog: what opening it writes, what each choice stores and triggers, the
// folder chooser, the hidden G-sensor row, closing it, and the main window in every language.
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

    void openingWritesOnlyTheDefaults()
    {
        QVERIFY(storedKeys().isEmpty());
        openDialog();
        QCOMPARE(storedKeys(), (QStringList{QStringLiteral("g_settingKey_mapType"),
                                            QStringLiteral("g_settingKey_snapDir"),
                                            QStringLiteral("g_settingKey_speedUnit")}));
        HWDefaultSettings *store = HWDefaultSettings::instance();
        QCOMPARE(store->mapType(), 0);
        QCOMPARE(store->speedUnit(), 1);
        settle();
        QVERIFY(m_calls.isEmpty());

        QCOMPARE(m_dialog->size(), QSize(460, 341));
        QCOMPARE(m_dialog->windowFlags() & (Qt::FramelessWindowHint | Qt::Dialog),
                 Qt::FramelessWindowHint | Qt::Dialog);
        QCOMPARE(m_dialog->titleBarWidget()->titleContentText(), QStringLiteral("System Setting"));
        QCOMPARE(ui()->label_9->text(), QStringLiteral("Language:"));
        QCOMPARE(ui()->label_10->text(), QStringLiteral("Map:"));
        QCOMPARE(ui()->label_11->text(), QStringLiteral("Speed Unit:"));
        QCOMPARE(ui()->label_6->text(), QString::fromUtf8("Snap Dir："));
        QCOMPARE(ui()->pushBtn_selectSnapDir->text(), QStringLiteral("..."));
        QCOMPARE(ui()->pushBtn_ok->text(), QStringLiteral("Save"));
        QCOMPARE(
            items(ui()->comboBox_language),
            (QStringList{"Japanese", "English", "Simplified Chinese", "Russian", "Vietnamese"}));
        QCOMPARE(items(ui()->comboBox_map),
                 (QStringList{"Google Map", "Baidu Map", "OpenStreetMap"}));
        QCOMPARE(items(ui()->comboBox_unit), (QStringList{"KM/H", "MPH"}));
        QCOMPARE(items(ui()->comboBox_video_solution),
                 (QStringList{"Support G-Sensor", "Not support G-Sensor"}));
        QCOMPARE(ui()->comboBox_language->currentIndex(), 1);
        QCOMPARE(ui()->comboBox_map->currentIndex(), 0);
        QCOMPARE(ui()->comboBox_unit->currentIndex(), 1);
        QCOMPARE(ui()->comboBox_video_solution->currentIndex(), 1);
        QCOMPARE(ui()->lineEdit_snapDir->text(), store->snapDir());
        QCOMPARE(ui()->lineEdit_snapDir->toolTip(), store->snapDir());
        QVERIFY(qobject_cast<QListView *>(ui()->comboBox_map->view()));
    }

    void choosingTheStoredLanguageDoesNothing()
    {
        HWDefaultSettings::instance()->setLanguage(1);
        openDialog();
        LanguageChangeCounter counter;
        qApp->installEventFilter(&counter);
        const QStringList before = storedKeys();
        // The combo box cannot signal its own current index; the handler is asked directly.
        QVERIFY(QMetaObject::invokeMethod(m_dialog, "on_comboBox_language_currentIndexChanged",
                                          Q_ARG(int, 1)));
        settle();
        qApp->removeEventFilter(&counter);
        QCOMPARE(counter.count, 0);
        QVERIFY(m_calls.isEmpty());
        QCOMPARE(storedKeys(), before);
        QCOMPARE(ui()->label_9->text(), QStringLiteral("Language:"));
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
        QCOMPARE(windowUi()->pushBtn_stop->toolTip(), QString::fromUtf8("Стоп"));
        QCOMPARE(ui()->label_10->text(), QString::fromUtf8("Карты："));
        QCOMPARE(ui()->pushBtn_ok->text(), QString::fromUtf8("Закрыть"));
        QCOMPARE(m_dialog->titleBarWidget()->titleContentText(),
                 QString::fromUtf8("Системные Настройки"));
        QCOMPARE(items(ui()->comboBox_language),
                 (QStringList{"Japanese", "English", QString::fromUtf8("Упрощенный Китайский"),
                              QString::fromUtf8("Русский"), "Vietnamese"}));
        QCOMPARE(items(ui()->comboBox_map),
                 (QStringList{"Google Map", QString::fromUtf8("Карты Baidu"),
                              QString::fromUtf8("Карты Улиц")}));
        QCOMPARE(items(ui()->comboBox_video_solution),
                 (QStringList{QString::fromUtf8("Включен G-Sensor"),
                              QString::fromUtf8("Выключен G-Sensor")}));
        QCOMPARE(ui()->comboBox_language->currentIndex(), kRussian);
        QCOMPARE(ui()->comboBox_map->currentIndex(), 2);
        QCOMPARE(ui()->comboBox_unit->currentIndex(), 1);
        // Refilling the boxes is not a choice of the user's.
        QCOMPARE(m_calls, QList<bool>{true});
        QCOMPARE(HWDefaultSettings::instance()->mapType(), 2);
    }

    void choosingUnitsStoresThemAndSkipsTheMap()
    {
        HWDefaultSettings::instance()->setSpeedUnit(0);
        openDialog();
        QCOMPARE(ui()->comboBox_unit->currentIndex(), 0);
        ui()->comboBox_unit->setCurrentIndex(1);
        QCOMPARE(HWDefaultSettings::instance()->speedUnit(), 1);
        QCOMPARE(m_calls, QList<bool>{false});
        ui()->comboBox_unit->setCurrentIndex(0);
        QCOMPARE(HWDefaultSettings::instance()->speedUnit(), 0);
        QCOMPARE(m_calls, (QList<bool>{false, false}));
    }

    void choosingAMapStoresItAndAsksForTheMap()
    {
        openDialog();
        ui()->comboBox_map->setCurrentIndex(1);
        QCOMPARE(HWDefaultSettings::instance()->mapType(), 1);
        QCOMPARE(m_calls, QList<bool>{true});
    }

    void cancelledFolderChooserChangesNothing()
    {
        openDialog();
        const QString before = HWDefaultSettings::instance()->snapDir();
        QString caption;
        whenModal<QFileDialog>([&caption](QFileDialog *chooser) {
            caption = chooser->windowTitle();
            chooser->reject();
        });
        ui()->pushBtn_selectSnapDir->click();
        QCOMPARE(caption, QStringLiteral("Snap Dir"));
        QCOMPARE(ui()->lineEdit_snapDir->text(), before);
        QCOMPARE(HWDefaultSettings::instance()->snapDir(), before);
        QVERIFY(m_calls.isEmpty());
    }

    void chosenFolderIsStoredAtOnce()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        openDialog();
        whenModal<QFileDialog>([&folder](QFileDialog *chooser) {
            chooser->setDirectory(folder.path());
            static_cast<QDialog *>(chooser)->accept(); // the chooser checks the folder first
        });
        ui()->pushBtn_selectSnapDir->click();
        QCOMPARE(ui()->lineEdit_snapDir->text(), folder.path());
        QCOMPARE(ui()->lineEdit_snapDir->toolTip(), folder.path());
        QCOMPARE(HWDefaultSettings::instance()->snapDir(), folder.path());
    }

    void gSensorRowNeverShows()
    {
        openDialog();
        for (int language = 0; language < 5; ++language) {
            useLanguage(language);
            QVERIFY(!ui()->comboBox_video_solution->isVisible());
            QVERIFY(!ui()->label_gsensor->isVisible());
            QVERIFY(ui()->lineEdit_snapDir->isVisible());
            QVERIFY(ui()->label_6->isVisible());
        }
    }

    void saveStoresAllFourAndCloses()
    {
        openDialog();
        ui()->lineEdit_snapDir->setText(QStringLiteral("/typed/by/hand"));
        m_calls.clear();
        ui()->pushBtn_ok->click();
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        HWDefaultSettings *store = HWDefaultSettings::instance();
        QCOMPARE(store->language(), 1);
        QCOMPARE(store->mapType(), 0);
        QCOMPARE(store->speedUnit(), 1);
        QCOMPARE(store->snapDir(), QStringLiteral("/typed/by/hand"));
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

    void titleBarMenuOpensTheDialog()
    {
        QPointer<LuAppSettingDialog> opened;
        bool seen = false;
        whenModal<LuAppSettingDialog>([&opened, &seen](LuAppSettingDialog *dialog) {
            opened = dialog;
            seen = true;
            dialog->titleBarWidget()->onButtonCloseClicked();
        });
        m_window->titleBarWidget()->pnButtonMenuClicked();
        QVERIFY(seen);
        QTRY_VERIFY(opened.isNull());
        QVERIFY(m_calls.isEmpty());
    }

    void popupOpensBelowTheBox()
    {
        openDialog();
        LuCustomComboBox *box = ui()->comboBox_map;
        box->showPopup();
        auto *popup = box->findChild<QFrame *>();
        QVERIFY(popup);
        QTRY_VERIFY(popup->isVisible());
        const QPoint origin = box->mapToGlobal(QPoint(0, 0));
        QCOMPARE(popup->geometry().topLeft(), QPoint(origin.x(), origin.y() + box->height()));
        QCOMPARE(popup->width(), box->width());
        QCOMPARE(popup->styleSheet(), QStringLiteral("background-color: rgba(255, 255, 255,65); "));
        box->hidePopup();
    }

    void mainWindowSpeaksEachLanguage_data()
    {
        QTest::addColumn<int>("language");
        QTest::newRow("Japanese") << 0;
        QTest::newRow("English") << 1;
        QTest::newRow("Simplified Chinese") << 2;
        QTest::newRow("Russian") << 3;
        QTest::newRow("Vietnamese") << 4;
    }

    void mainWindowSpeaksEachLanguage()
    {
        QFETCH(int, language);
        // Chosen the way the user does, unless it is the language already in force.
        openDialog();
        ui()->comboBox_language->setCurrentIndex(language);
        settle();
        const QHash<QString, QString> entries = catalogue(language);
        Ui::KestroMainWidget *form = windowUi();
        const std::pair<QLabel *, const char *> captions[] = {
            {form->label_7, "当前经度"},  {form->label_6, "当前纬度"},  {form->label_8, "最大速度"},
            {form->label_14, "录像时长"}, {form->label_13, "文件大小"}, {form->label_9, "分辨率"},
        };
        QTRY_COMPARE(form->label_7->text(), translated(entries, "当前经度"));
        for (const auto &caption : captions)
            QCOMPARE(caption.first->text(), translated(entries, caption.second));
        const std::pair<QWidget *, const char *> tips[] = {
            {form->pushBtn_open_dir, "添加文件"},
            {form->pushBtn_fullscreen, "全屏播放"},
            {form->pushBtn_capture, "抓拍图片"},
            {form->pushBtn_lastFrame, "上一个"},
            {form->pushBtn_play, "播放/暂停"},
            {form->pushBtn_nextFrame, "下一个"},
            {form->pushBtn_stop, "停止"},
            {form->pushBtn_zoom_in, "缩小"},
            {form->pushBtn_zoom_out, "放大"},
            {form->pushBtn_mute, "静音"},
            {form->pushBtn_speed_slow_2, "慢放(较慢)"},
            {form->pushBtn_speed_slow_1, "慢放"},
            {form->pushBtn_speed_normal, "普通速度"},
            {form->pushBtn_speed_fast_1, "快放"},
            {form->pushBtn_speed_fast_2, "快放(较快)"},
            {form->pushBtn_speed_fast_3, "快放(非常快)"},
        };
        for (const auto &tip : tips)
            QCOMPARE(tip.first->toolTip(), translated(entries, tip.second));
        QVERIFY(form->pushBtn_setting->toolTip().isEmpty());
        // The dialog went along with the window.
        QCOMPARE(ui()->label_9->text(), translated(entries, "语言设置："));
        QCOMPARE(ui()->comboBox_language->currentIndex(), language);
        QCOMPARE(HWDefaultSettings::instance()->language(), language);
    }
};

MAINWINDOW_TEST_MAIN(TestSettingsDialog)
#include "tst_settingsdialog.moc"
