#include "appglobals.h"
#include "hwdefaultsettings.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

// The store under test is the real per-user store, which the test support has moved into a
// temporary folder. A second QSettings on the same file reads what reached the disk.
class TestSettings : public QObject
{
    Q_OBJECT

private:
    static HWDefaultSettings *store() { return HWDefaultSettings::instance(); }

    // What the file on disk holds. QSettings objects of one process share unsaved changes, so
    // this reads a copy of the file.
    static QVariantMap diskContents()
    {
        const QString copy = QDir::temp().filePath(QStringLiteral("qmarl-settings-copy.conf"));
        QFile::remove(copy);
        QVariantMap contents;
        // The path is spelled out: a QSettings made here would flush the pending changes when
        // it goes away, which would hide a missing flush.
        const QString path = qEnvironmentVariable("XDG_CONFIG_HOME") + "/VOLQ/Q-MARL.conf";
        if (QFile::copy(path, copy)) {
            QSettings file(copy, QSettings::IniFormat);
            for (const QString &key : file.allKeys())
                contents.insert(key, file.value(key));
        }
        QFile::remove(copy);
        return contents;
    }
    static QVariant onDisk(const QString &key) { return diskContents().value(key); }
    static QStringList keysOnDisk() { return diskContents().keys(); }

    static void put(const QString &key, const QVariant &value)
    {
        QSettings other(g_organizationName, g_applicationName);
        other.setValue(key, value);
        other.sync();
    }

private slots:
    void init()
    {
        QSettings other(g_organizationName, g_applicationName);
        other.clear();
        other.sync();
    }

    void storeLivesInTheIsolatedConfigFolder()
    {
        QSettings other(g_organizationName, g_applicationName);
        QVERIFY(other.fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
        QVERIFY(other.fileName().endsWith(QStringLiteral("VOLQ/Q-MARL.conf")));
    }

    void languageDependentDefaults_data()
    {
        QTest::addColumn<QVariant>("storedLanguage");
        QTest::addColumn<int>("language");
        QTest::addColumn<int>("mapType");
        QTest::addColumn<int>("speedUnit");
        QTest::newRow("absent") << QVariant() << 1 << 0 << 1;
        QTest::newRow("japanese") << QVariant(0) << 0 << 0 << 1;
        QTest::newRow("english") << QVariant(1) << 1 << 0 << 1;
        QTest::newRow("simplified chinese") << QVariant(2) << 2 << 1 << 0;
        QTest::newRow("russian") << QVariant(3) << 3 << 0 << 1;
        QTest::newRow("out of range") << QVariant(7) << 7 << 0 << 1;
    }

    void languageDependentDefaults()
    {
        QFETCH(QVariant, storedLanguage);
        QFETCH(int, language);
        QFETCH(int, mapType);
        QFETCH(int, speedUnit);
        if (storedLanguage.isValid())
            store()->setLanguage(storedLanguage.toInt());

        QCOMPARE(store()->language(), language);
        QCOMPARE(onDisk(g_settingKey_language), storedLanguage.isValid() ? storedLanguage
                                                                          : QVariant());
        QCOMPARE(store()->mapType(), mapType);
        QCOMPARE(store()->speedUnit(), speedUnit);
        // Both defaults are written on first read, so they are fixed from now on.
        QCOMPARE(onDisk(g_settingKey_mapType).toInt(), mapType);
        QCOMPARE(onDisk(g_settingKey_speedUnit).toInt(), speedUnit);
    }

    void storedDefaultsSurviveALanguageChange()
    {
        QCOMPARE(store()->mapType(), 0);
        QCOMPARE(store()->speedUnit(), 1);
        store()->setLanguage(2);
        QCOMPARE(store()->mapType(), 0);
        QCOMPARE(store()->speedUnit(), 1);
    }

    void plainDefaultsAreNotStored()
    {
        QCOMPARE(store()->volume(), 100);
        QCOMPARE(store()->keepOriginalSize(), true);
        QCOMPARE(store()->videoDir(), QString());
        QCOMPARE(store()->lastCaptureIndex(), 0);
        QCOMPARE(store()->lastFileList(), QStringList());
        QCOMPARE(store()->language(), 1);
        QSettings other(g_organizationName, g_applicationName);
        QVERIFY2(other.allKeys().isEmpty(), qPrintable(other.allKeys().join(QLatin1Char(','))));
    }

    void settersWriteThroughToDisk()
    {
        const QStringList files = {QStringLiteral("/v/a_01.MP4"), QStringLiteral("/v/a_02.MP4")};
        store()->setVolume(35);
        store()->setKeepOriginalSize(false);
        store()->setVideoDir(QStringLiteral("/media/card"));
        store()->setLastCaptureIndex(41);
        store()->setLastFileList(files);
        store()->setSnapDir(QStringLiteral("/tmp/snaps"));
        store()->setMapType(2);
        store()->setSpeedUnit(0);

        QCOMPARE(onDisk(g_settingKey_volume).toInt(), 35);
        QCOMPARE(onDisk(g_settingKey_keepOriginalSize).toBool(), false);
        QCOMPARE(onDisk(g_settingKey_videoDir).toString(), QStringLiteral("/media/card"));
        QCOMPARE(onDisk(g_settingKey_last_capture_index).toInt(), 41);
        QCOMPARE(onDisk(g_settingKey_last_filelist).toStringList(), files);
        QCOMPARE(onDisk(g_settingKey_snapDir).toString(), QStringLiteral("/tmp/snaps"));
        QCOMPARE(onDisk(g_settingKey_mapType).toInt(), 2);
        QCOMPARE(onDisk(g_settingKey_speedUnit).toInt(), 0);

        QCOMPARE(store()->volume(), 35);
        QCOMPARE(store()->keepOriginalSize(), false);
        QCOMPARE(store()->lastFileList(), files);
        QCOMPARE(store()->mapType(), 2);
    }

    void snapDirDefault_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("expected");
        const QString pictures =
            QStandardPaths::writableLocation(QStandardPaths::PicturesLocation) + "/Q-MARL";
        QTest::newRow("new installation: the user's pictures") << QString() << pictures;
        QTest::newRow("a stored folder is kept") << "/tmp/kept-snaps" << "/tmp/kept-snaps";
    }

    void snapDirDefault()
    {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        if (!stored.isEmpty())
            put(g_settingKey_snapDir, stored);
        QVERIFY(!expected.contains(QStandardPaths::writableLocation(QStandardPaths::CacheLocation)));
        QCOMPARE(store()->snapDir(), expected);
        QCOMPARE(onDisk(g_settingKey_snapDir).toString(), expected);
        if (stored.isEmpty())
            QVERIFY(QDir(expected).exists());
    }

    void drivingEventThresholds_data()
    {
        QTest::addColumn<QString>("stored"); // braking threshold; empty: none stored
        QTest::addColumn<double>("expected");
        QTest::newRow("default, then stored") << QString() << 3.5;
        QTest::newRow("tuned by the user") << "4.25" << 4.25;
        QTest::newRow("not a number") << "hard" << 3.5;
        QTest::newRow("not positive") << "-1" << 3.5;
    }

    void drivingEventThresholds()
    {
        QFETCH(QString, stored);
        QFETCH(double, expected);
        const QString key = QStringLiteral("g_settingKey_event_braking_mps2");
        if (!stored.isEmpty())
            put(key, stored);
        const DrivingEventThresholds thresholds = store()->drivingEventThresholds();
        QCOMPARE(thresholds.brakingMps2, expected);
        QCOMPARE(thresholds.accelerationMps2, 3.0);
        QCOMPARE(thresholds.joltFromRestG, 0.8);
        QCOMPARE(thresholds.joltStepG, 0.5);
        QCOMPARE(onDisk(key).toDouble(), expected);
    }

    void installationIdentityIsMadeOnceAndSurvivesTheReset()
    {
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        const int rand = store()->createRandIndex();
        const qint64 time = store()->createTimeIndex();
        QVERIFY(rand >= 0);
        QVERIFY(time >= before && time <= QDateTime::currentSecsSinceEpoch());
        QCOMPARE(onDisk(g_settingKey_create_rand_index).toInt(), rand);
        QCOMPARE(onDisk(g_settingKey_create_time_index).toLongLong(), time);

        store()->resetToDefaults();
        QCOMPARE(store()->createRandIndex(), rand);
        QCOMPARE(store()->createTimeIndex(), time);
    }

    void timeIndexKeepsSixtyFourBits()
    {
        put(g_settingKey_create_time_index, qint64(1) << 40);
        QCOMPARE(store()->createTimeIndex(), qint64(1) << 40);
    }

    void resetRemovesExactlyTheFourteenKeys()
    {
        const QStringList removed = {
            "g_settingKey_screenSplitType", "g_settingKey_snapDir",
            "g_settingKey_language",        "g_settingKey_mapType",
            "g_settingKey_speedUnit",       "g_settingKey_videoSolution",
            "g_settingKey_keepOriginalSize", "g_settingKey_mainsizes_0",
            "g_settingKey_mainsizes_1",     "g_settingKey_rightsizes_0",
            "g_settingKey_rightsizes_1",    "g_settingKey_last_filelist",
            "g_settingKey_volume",          "g_settingKey_videoDir"};
        const QStringList kept = {"g_settingKey_create_rand_index",
                                  "g_settingKey_create_time_index",
                                  "g_settingKey_last_capture_index", "someOtherKey"};
        for (const QString &key : removed + kept)
            put(key, 3);

        store()->resetToDefaults();

        // The reset has to reach the disk, not only memory.
        QStringList left = keysOnDisk();
        left.sort();
        QStringList expected = kept;
        expected.sort();
        QCOMPARE(left, expected);
        QCOMPARE(store()->language(), 1);
        QCOMPARE(store()->volume(), 100);
        QCOMPARE(store()->lastCaptureIndex(), 3);
    }

    void videoSolutionIgnoresTheStore()
    {
        put(g_settingKey_videoSolution, 0);
        QCOMPARE(store()->videoSolution(), 1);
        put(g_settingKey_videoSolution, 2);
        QCOMPARE(store()->videoSolution(), 1);
    }

    void unconvertibleValuesReadAsQtConverts()
    {
        put(g_settingKey_volume, QStringLiteral("loud"));
        put(g_settingKey_language, QStringLiteral("x"));
        QCOMPARE(store()->volume(), 0);
        QCOMPARE(store()->language(), 0);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
