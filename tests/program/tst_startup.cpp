#include "../support/testfiles.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>

// Starts the real q-marl binary, each time in a working directory and with per-user folders of
// its own, and closes it the way a session manager would.
class TestStartup : public QObject
{
    Q_OBJECT

    struct Home
    {
        QTemporaryDir root;
        QString work() const { return root.filePath("work"); }
        QString config() const { return root.filePath("config"); }
        QString cache() const { return root.filePath("cache"); }
        QString settingsFile() const { return config() + "/VOLQ/Q-MARL.conf"; }
        QString marker() const { return cache() + "/q-marl/myapp.conf"; }
        QString log() const { return work() + "/debuglog.txt"; }
        Home() { QDir().mkpath(work()); }
    };

    struct Run
    {
        bool shown = false;
        int exitCode = -1;
        QProcess::ExitStatus exitStatus = QProcess::CrashExit;
        QString output; // standard error, or the log file when logging to it
        bool closedCleanly() const { return exitStatus == QProcess::NormalExit && exitCode == 0; }
    };

    static QSettings storeOf(const Home &home)
    {
        return QSettings(home.settingsFile(), QSettings::IniFormat);
    }

    static QString readFile(const QString &path) { return QString::fromUtf8(readBytes(path)); }

    // With until, the program is closed only once until() holds (or 30 s have passed).
    static Run start(const Home &home, const QStringList &extraEnv = {},
                     const QStringList &arguments = {}, const std::function<bool()> &until = {})
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.config());
        env.insert("XDG_CACHE_HOME", home.cache());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("Q_MARL_MPV_OPTIONS", "vo=null,ao=null"); // no drawing without a screen
        // The window's trace of being shown is a debug message, off unless asked for.
        env.insert("QT_LOGGING_RULES", "qmarl.mainwindow.debug=true");
        for (const QString &pair : extraEnv)
            env.insert(pair.section('=', 0, 0), pair.section('=', 1));

        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(home.work());
        process.start(QStringLiteral(QMARL_BIN_DIR "/q-marl"), arguments);
        Run run;
        if (!process.waitForStarted(10000))
            return run;
        QString seen;
        // Only what this run adds: an earlier run's lines in the log must not count as its own.
        const int logBefore = readFile(home.log()).size();
        const auto collect = [&]() -> QString {
            seen += QString::fromLocal8Bit(process.readAllStandardError());
            return seen + readFile(home.log()).mid(logBefore);
        };
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 30000 && process.state() == QProcess::Running &&
               !collect().contains("KestroMainWidget::showEvent"))
            process.waitForReadyRead(50);
        run.shown = collect().contains("KestroMainWidget::showEvent");
        while (until && clock.elapsed() < 30000 && process.state() == QProcess::Running && !until())
            process.waitForReadyRead(50);
        // It stays up until it is told to close.
        process.waitForFinished(300);
        if (process.state() == QProcess::Running)
            ::kill(pid_t(process.processId()), SIGTERM);
        else
            run.shown = false;
        process.waitForFinished(30000);
        run.exitCode = process.exitCode();
        run.exitStatus = process.exitStatus();
        run.output = collect();
        return run;
    }

private slots:
    void logIsAppendedAcrossRuns()
    {
        Home home;
        QFile log(home.log());
        QVERIFY(log.open(QIODevice::WriteOnly));
        log.close();

        QVERIFY(start(home).shown);
        const QString first = readFile(home.log());
        const QString startLine = QStringLiteral("============start========== QDate(\"%1\")\r\n\n")
                                      .arg(QDate::currentDate().toString(Qt::ISODate));
        QVERIFY2(first.startsWith(startLine), qPrintable(first.left(80)));
        QVERIFY(first.contains("checkFirstInstall 41\r\n\ncheckFirstInstall 47\r\n\n"));

        QVERIFY(start(home).shown);
        const QString both = readFile(home.log());
        QVERIFY(both.startsWith(first));
        QCOMPARE(both.count("============start=========="), 2);
        QVERIFY(both.mid(first.size()).startsWith("============start=========="));
        // Every message ends in CR LF LF: no bare line feed without a CR two places before.
        QCOMPARE(both.count("\r\n\n"), both.count('\n') / 2);
    }

    // A first start resets the settings (what a reset keeps is the settings' own test) and
    // writes the marker; a start with the marker keeps them. Without the switch, no log.
    void firstStartWritesTheMarkerAndResets()
    {
        Home home;
        const auto setVolume = [&home] { storeOf(home).setValue("g_settingKey_volume", 5); };
        setVolume();
        const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
        const Run run = start(home);
        QVERIFY(run.shown);
        QVERIFY2(run.closedCleanly(), qPrintable(run.output));
        QVERIFY(!QFile::exists(home.log()));
        QVERIFY(QDir(home.work()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
        QVERIFY(run.output.contains("checkFirstInstall 41"));

        const QString marker = readFile(home.marker());
        QCOMPARE(QFileInfo(home.marker()).size(), 19);
        const QDateTime stamp = QDateTime::fromString(marker, "yyyy-MM-dd HH:mm:ss");
        QVERIFY(stamp >= before && stamp <= QDateTime::currentDateTime());
        QVERIFY(storeOf(home).value("g_settingKey_volume").toInt() != 5);

        setVolume();
        QVERIFY(start(home).shown);
        QCOMPARE(storeOf(home).value("g_settingKey_volume").toInt(), 5);
        QCOMPARE(readFile(home.marker()), marker);
    }

    void storedLanguageIsLoaded_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("logged");
        QTest::addColumn<bool>("english"); // the texts shown are the English catalogue's
        QTest::newRow("english") << 1 << "load translate true" << true;
        QTest::newRow("chinese shows the source texts") << 2 << "load translate false" << false;
        QTest::newRow("out of range shows english") << 7 << "load translate true" << true;
    }

    void storedLanguageIsLoaded()
    {
        QFETCH(int, language);
        QFETCH(QString, logged);
        QFETCH(bool, english);
        Home home;
        QDir().mkpath(QFileInfo(home.marker()).path());
        QFile marker(home.marker());
        QVERIFY(marker.open(QIODevice::WriteOnly)); // not a first run: the language stays
        marker.close();
        {
            QSettings store = storeOf(home);
            store.setValue("g_settingKey_language", language);
        }
        const Run run = start(home);
        QVERIFY(run.shown);
        QVERIFY2(run.output.contains(logged), qPrintable(run.output));
        // Loaded is not enough: the program must also have installed it.
        const int at = run.output.indexOf(QLatin1String("interface language"));
        QVERIFY2(at >= 0, qPrintable(run.output));
        const QString line = run.output.mid(at).section('\n', 0, 0);
        QVERIFY2(line.contains(QLatin1String("\"Language:\"")) == english, qPrintable(line));
        QCOMPARE(storeOf(home).value("g_settingKey_language").toInt(), language);
    }

    void startsUnderAGermanLocale()
    {
        Home home;
        const Run run = start(home, {"LOCPATH=" QMARL_TEST_LOCPATH, "LC_ALL=de_DE.UTF-8"});
        QVERIFY2(run.shown, qPrintable(run.output));
        QVERIFY2(run.closedCleanly(), qPrintable(run.output));
    }

    void damagedSettingsAreKeptAside()
    {
        Home home;
        QDir().mkpath(QFileInfo(home.settingsFile()).path());
        QFile store(home.settingsFile());
        QVERIFY(store.open(QIODevice::WriteOnly));
        const QByteArray damaged("[General\ng_settingKey_volume=20\n\x01\x02");
        store.write(damaged);
        store.close();

        const Run run = start(home);
        QVERIFY(run.shown);
        QVERIFY2(run.closedCleanly(), qPrintable(run.output));
        QVERIFY2(run.output.contains("is damaged"), qPrintable(run.output));
        const QStringList copies = QDir(QFileInfo(home.settingsFile()).path())
                                       .entryList({"Q-MARL.conf.damaged-*"}, QDir::Files);
        QCOMPARE(copies.size(), 1);
        QFile copy(QFileInfo(home.settingsFile()).path() + '/' + copies.first());
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), damaged);
    }

    // Track files named among the videos are loaded as tracks, as a drop loads them, before or
    // after the videos and in either letter case; only the videos are listed.
    void trackArgumentsAreTracks_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("trackFirst");
        QTest::newRow("gpx after the video") << "phone.gpx" << false;
        QTest::newRow("gpx before the video") << "phone.gpx" << true;
        QTest::newRow("kml after") << "route.kml" << false;
        QTest::newRow("kml before") << "route.kml" << true;
        QTest::newRow("nmea after") << "logger.nmea" << false;
        QTest::newRow("nmea before") << "logger.nmea" << true;
        QTest::newRow("GPX in capitals") << "PHONE.GPX" << true;
        QTest::newRow("KML in capitals") << "ROUTE.KML" << false;
        QTest::newRow("NMEA in capitals") << "LOGGER.NMEA" << true;
    }

    void trackArgumentsAreTracks()
    {
        QFETCH(QString, name);
        QFETCH(bool, trackFirst);
        Home home;
        const QString suffix = QFileInfo(name).suffix().toLower();
        QByteArray text;
        if (suffix == "gpx")
            text = "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\"><trk><trkseg>"
                   "<trkpt lat=\"22.5412\" lon=\"114.0534\"><time>2024-05-16T10:00:00Z</time></trkpt>"
                   "<trkpt lat=\"22.5413\" lon=\"114.0535\"><time>2024-05-16T10:00:01Z</time></trkpt>"
                   "</trkseg></trk></gpx>\n";
        else if (suffix == "kml")
            text = "<kml xmlns:gx=\"urn:gx\"><Document><Placemark><gx:Track>"
                   "<when>2024-05-16T10:00:01Z</when><when>2024-05-16T10:00:02Z</when>"
                   "<gx:coord>114.0534 22.5412 3</gx:coord><gx:coord>114.0535 22.5413 3</gx:coord>"
                   "</gx:Track></Placemark></Document></kml>";
        else
            text = "$GPRMC,100000.00,A,2232.472,N,11403.204,E,10.0,90.0,160524,,,A\n"
                   "$GPRMC,100001.00,A,2232.480,N,11403.210,E,10.0,90.0,160524,,,A\n";
        // Named relative to the working folder, as a shell hands it over.
        writeBytes(QDir(home.work()).filePath(name), text);
        const QString video = QStringLiteral(QMARL_RECORDINGS "/long_A.MP4");
        const QStringList arguments =
            trackFirst ? QStringList{name, video} : QStringList{video, name};

        // The loaded tracks are remembered for the next start in the cache folder.
        const auto loadedTracks = [&home] {
            QDirIterator it(home.cache(), {"external-tracks.txt"}, QDir::Files,
                            QDirIterator::Subdirectories);
            return it.hasNext() ? readFile(it.next()).split('\n', Qt::SkipEmptyParts)
                                : QStringList();
        };
        const auto listed = [&home] {
            return storeOf(home).value("g_settingKey_last_filelist").toStringList();
        };
        const Run run = start(home, {}, arguments,
                              [&] { return !loadedTracks().isEmpty() && !listed().isEmpty(); });
        QVERIFY(run.shown);
        QVERIFY2(run.closedCleanly(), qPrintable(run.output));
        QCOMPARE(loadedTracks(), QStringList{QDir(home.work()).filePath(name)});
        QCOMPARE(listed(), QStringList{video});
    }

    void unwritablePlacesAreSurvived_data()
    {
        QTest::addColumn<bool>("cacheIsAFile");
        QTest::addColumn<bool>("logIsAFolder");
        QTest::addColumn<QString>("logged");
        QTest::newRow("cache folder") << true << false << "cannot create";
        QTest::newRow("log file") << false << true << "cannot append";
    }

    void unwritablePlacesAreSurvived()
    {
        QFETCH(bool, cacheIsAFile);
        QFETCH(bool, logIsAFolder);
        QFETCH(QString, logged);
        Home home;
        if (cacheIsAFile) {
            QFile blocker(home.cache());
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        if (logIsAFolder)
            QVERIFY(QDir().mkpath(home.log()));
        storeOf(home).setValue("g_settingKey_volume", 5);

        const Run run = start(home);
        QVERIFY2(run.shown, qPrintable(run.output));
        QVERIFY2(run.closedCleanly(), qPrintable(run.output));
        QVERIFY2(run.output.contains(logged), qPrintable(run.output));
    }
};

QTEST_GUILESS_MAIN(TestStartup)
#include "tst_startup.moc"
