#include "appglobals.h"
#include "hwdefaultsettings.h"
#include "translation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

// The per-user store, which the test support has moved into a temporary folder, and the
// translations the stored language loads. What reached the disk is read from a copy of the
// file: QSettings objects of one process share unsaved changes, and one made on the file itself
// would flush them and hide a missing flush.
class TestSettings : public QObject
{
    Q_OBJECT

    static HWDefaultSettings *store() { return HWDefaultSettings::instance(); }

    static QVariantMap onDisk()
    {
        const QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("settings-copy.conf"));
        QVariantMap contents;
        if (QFile::copy(qEnvironmentVariable("XDG_CONFIG_HOME") + "/VOLQ/Q-MARL.conf", copy)) {
            QSettings file(copy, QSettings::IniFormat);
            for (const QString &key : file.allKeys())
                contents.insert(key, file.value(key));
        }
        return contents;
    }

    static void put(const QString &key, const QVariant &value)
    {
        QSettings other(g_organizationName, g_applicationName);
        other.setValue(key, value);
    }

    struct Entry
    {
        QString source;
        QString translation;
        QStringList forms; // a count's plural forms, in the catalogue language's order
    };

    static QVector<Entry> catalogueSource(const QString &name)
    {
        QFile file(QStringLiteral(QMARL_SOURCE_DIR "/resources/translations/") + name + ".ts");
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QVector<Entry> entries;
        QXmlStreamReader xml(&file);
        Entry entry;
        bool numerus = false;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("message")) {
                entry = Entry();
                numerus = xml.attributes().value(QLatin1String("numerus")) == QLatin1String("yes");
            } else if (xml.name() == QLatin1String("source")) {
                entry.source = xml.readElementText();
            } else if (xml.name() == QLatin1String("translation")) {
                if (numerus)
                    while (xml.readNextStartElement())
                        entry.forms << xml.readElementText();
                else
                    entry.translation = xml.readElementText();
                entries.append(entry);
            }
        }
        return entries;
    }

    // Which of a language's plural forms a count takes: English one or many; Russian one, few
    // or many; Japanese and Vietnamese a single form.
    static int pluralForm(int language, int n)
    {
        if (language == 1)
            return n == 1 ? 0 : 1;
        if (language == 3) {
            if (n % 10 == 1 && n % 100 != 11)
                return 0;
            return n % 10 >= 2 && n % 10 <= 4 && (n % 100 < 10 || n % 100 >= 20) ? 1 : 2;
        }
        return 0;
    }

private slots:
    void init() { QSettings(g_organizationName, g_applicationName).clear(); }
    void cleanup() { QCoreApplication::removeTranslator(&g_translator); }

    // Map and unit follow the language on first read and are stored then, so a later change of
    // language leaves them; plain defaults are not stored.
    void languageDependentDefaults_data()
    {
        QTest::addColumn<int>("language"); // -1: none stored
        QTest::addColumn<int>("mapType");
        QTest::addColumn<int>("speedUnit");
        QTest::newRow("none stored") << -1 << 0 << 1;
        QTest::newRow("simplified chinese") << 2 << 1 << 0;
    }

    void languageDependentDefaults()
    {
        QFETCH(int, language);
        QFETCH(int, mapType);
        QFETCH(int, speedUnit);
        QCOMPARE(store()->volume(), 100);
        QVERIFY(onDisk().isEmpty());
        if (language >= 0)
            store()->setLanguage(language);
        QCOMPARE(store()->mapType(), mapType);
        QCOMPARE(store()->speedUnit(), speedUnit);
        QCOMPARE(onDisk().value(g_settingKey_mapType).toInt(), mapType);
        QCOMPARE(onDisk().value(g_settingKey_speedUnit).toInt(), speedUnit);
        store()->setLanguage(language == 2 ? 1 : 2);
        QCOMPARE(store()->mapType(), mapType);
    }

    // The chart's choice; the old recorder choice, which the program itself always stored as
    // "no G-sensor", reads as Automatic and is dropped.
    void gsensorChartChoice_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("stored"); // invalid: nothing stored
        QTest::addColumn<int>("choice");
        const int automatic = int(GsensorChartChoice::Automatic);
        const int never = int(GsensorChartChoice::Never);
        const QString chart = g_settingKey_gsensorChart;
        const QString old = g_settingKey_videoSolution;
        QTest::newRow("nothing stored") << chart << QVariant() << automatic;
        QTest::newRow("automatic") << chart << QVariant(automatic) << automatic;
        QTest::newRow("never") << chart << QVariant(never) << never;
        QTest::newRow("unknown number") << chart << QVariant(7) << automatic;
        QTest::newRow("not a number") << chart << QVariant(QStringLiteral("x")) << automatic;
        QTest::newRow("old: no G-sensor") << old << QVariant(1) << automatic;
        QTest::newRow("old: G-sensor") << old << QVariant(0) << automatic;
    }

    void gsensorChartChoice()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, stored);
        QFETCH(int, choice);
        if (stored.isValid())
            put(key, stored);
        QCOMPARE(int(store()->gsensorChart()), choice);
        QVERIFY(!onDisk().contains(g_settingKey_videoSolution));
        store()->setGsensorChart(GsensorChartChoice::Never);
        QCOMPARE(onDisk().value(g_settingKey_gsensorChart).toInt(), int(GsensorChartChoice::Never));
        QCOMPARE(store()->gsensorChart(), GsensorChartChoice::Never);
        store()->setGsensorChart(GsensorChartChoice::Automatic);
        QCOMPARE(store()->gsensorChart(), GsensorChartChoice::Automatic);
    }

    void snapDirIsTheUsersPicturesUnlessStored()
    {
        const QString pictures =
            QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) + "/Q-MARL";
        QCOMPARE(store()->snapDir(), pictures);
        QVERIFY(QDir(pictures).exists());
        put(g_settingKey_snapDir, QStringLiteral("/tmp/kept-snaps"));
        QCOMPARE(store()->snapDir(), QStringLiteral("/tmp/kept-snaps"));
    }

    void drivingEventThresholdIsTheUsersWhenUsable()
    {
        const QString key = QStringLiteral("g_settingKey_event_braking_mps2");
        QCOMPARE(store()->drivingEventThresholds().brakingMps2, 3.5);
        QCOMPARE(onDisk().value(key).toDouble(), 3.5); // stored, so the user can tune it
        put(key, QStringLiteral("4.25"));
        QCOMPARE(store()->drivingEventThresholds().brakingMps2, 4.25);
        put(key, QStringLiteral("0"));
        QCOMPARE(store()->drivingEventThresholds().brakingMps2, 3.5);
    }

    // The reset clears what the user chose, but not the installation's identity (made once, 64
    // bits of time) nor the snapshot counter.
    void resetKeepsTheIdentityAndCounter()
    {
        const int rand = store()->createRandIndex();
        const qint64 time = store()->createTimeIndex();
        QVERIFY(rand >= 0 && time > 1700000000);
        put(QStringLiteral("g_settingKey_language"), 3);
        put(QStringLiteral("g_settingKey_last_filelist"), QStringList{"/v/a.MP4"});
        put(QStringLiteral("g_settingKey_last_capture_index"), 7);
        store()->resetToDefaults();
        QStringList left = onDisk().keys();
        left.sort();
        QCOMPARE(left, (QStringList{"g_settingKey_create_rand_index",
                                    "g_settingKey_create_time_index",
                                    "g_settingKey_last_capture_index"}));
        QCOMPARE(store()->createRandIndex(), rand);
        put(g_settingKey_create_time_index, qint64(1) << 40);
        QCOMPARE(store()->createTimeIndex(), qint64(1) << 40);
    }

    // An unknown language falls back to English; a catalogue loaded before must not leak into
    // a language without one.
    void loadTranslationFallsBack()
    {
        int language = 3;
        ::loadTranslation(language);
        QVERIFY(!g_translator.isEmpty());
        language = 2;
        ::loadTranslation(language);
        QVERIFY(g_translator.isEmpty());
        language = 5; // the first past the end
        QCOMPARE(::loadTranslation(language), QStringLiteral(":/translate/tr_en_US"));
        QCOMPARE(language, 1);
        QVERIFY(!g_translator.isEmpty());
    }

    // Every entry of every catalogue survives compilation and applies in any context.
    void cataloguesTranslateEveryEntry_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("pluralForms");
        QTest::newRow("english") << 1 << "tr_en_US" << 2;
        QTest::newRow("japanese") << 0 << "tr_ja_JA" << 1;
        QTest::newRow("russian") << 3 << "tr_ru_RU" << 3;
        QTest::newRow("vietnamese") << 4 << "tr_vi_VN" << 1;
    }

    void cataloguesTranslateEveryEntry()
    {
        QFETCH(int, language);
        QFETCH(QString, name);
        QFETCH(int, pluralForms);
        const QVector<Entry> entries = catalogueSource(name);
        // Every catalogue holds what the English one holds.
        QVERIFY(!entries.isEmpty());
        QCOMPARE(entries.size(), catalogueSource(QStringLiteral("tr_en_US")).size());
        ::loadTranslation(language);
        QCoreApplication::installTranslator(&g_translator);
        int counted = 0;
        for (const Entry &entry : entries) {
            const QByteArray source = entry.source.toUtf8();
            if (entry.forms.isEmpty()) {
                for (const char *context : {"KestroMainWidget", "LuAppSettingDialog", ""})
                    QCOMPARE(QCoreApplication::translate(context, source.constData()),
                             entry.translation);
                continue;
            }
            // A count: every form there, and each count in the form its language gives it.
            ++counted;
            QVERIFY2(entry.source.contains(QLatin1String("%n")), qPrintable(entry.source));
            QCOMPARE(entry.forms.size(), pluralForms);
            for (int n : {0, 1, 2, 4, 5, 11, 21, 22, 25, 101}) {
                QString expected = entry.forms.at(pluralForm(language, n));
                expected.replace(QLatin1String("%n"), QString::number(n));
                for (const char *context : {"ArchivePanel", ""})
                    QCOMPARE(QCoreApplication::translate(context, source.constData(), nullptr, n),
                             expected);
            }
        }
        QVERIFY(counted > 0);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
