#include "appglobals.h"
#include "hwdefaultsettings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

// The per-user store, which the test support has moved into a temporary folder. What reached the
// disk is read from a copy of the file: QSettings objects of one process share unsaved changes,
// and one made on the file itself would flush them and hide a missing flush.
class TestSettings : public QObject
{
    Q_OBJECT

    static HWDefaultSettings *store() { return HWDefaultSettings::instance(); }

    static QVariantMap onDisk()
    {
        const QString copy = QDir::temp().filePath(QStringLiteral("qmarl-settings-copy.conf"));
        QFile::remove(copy);
        QVariantMap contents;
        if (QFile::copy(qEnvironmentVariable("XDG_CONFIG_HOME") + "/VOLQ/Q-MARL.conf", copy)) {
            QSettings file(copy, QSettings::IniFormat);
            for (const QString &key : file.allKeys())
                contents.insert(key, file.value(key));
        }
        QFile::remove(copy);
        return contents;
    }

    static void put(const QString &key, const QVariant &value)
    {
        QSettings other(g_organizationName, g_applicationName);
        other.setValue(key, value);
    }

private slots:
    void init() { QSettings(g_organizationName, g_applicationName).clear(); }

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
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
