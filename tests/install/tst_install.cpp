#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// Installs the build into a temporary prefix the way a user or the package does, and proves the
// installed tree works on its own: the viewer finds its map pages beside itself, the desktop
// entry is valid, and the demo recording reaches the viewer's list.
class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_prefix;

    QString bin() const { return m_prefix + "/bin"; }

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
        QProcessEnvironment environment() const
        {
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_CONFIG_HOME", config());
            env.insert("XDG_CACHE_HOME", cache());
            env.insert("QT_QPA_PLATFORM", "offscreen");
            env.insert("Q_MARL_MPV_OPTIONS", "vo=null,ao=null"); // no drawing without a screen
            return env;
        }
        QStringList storedList() const
        {
            return QSettings(settingsFile(), QSettings::IniFormat)
                .value("g_settingKey_last_filelist")
                .toStringList();
        }
    };

    struct Run
    {
        QString output;
        bool sawMapLoaded = false;
        int exitCode = -1;
        QProcess::ExitStatus exitStatus = QProcess::CrashExit;
        bool closedCleanly() const { return exitStatus == QProcess::NormalExit && exitCode == 0; }
    };

    static QString readFile(const QString &path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    struct Result
    {
        int exitCode = -1;
        QString out, err;
    };

    static Result runTool(const QString &program, const QStringList &args,
                          const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, args);
        Result r;
        if (!process.waitForStarted(10000) || !process.waitForFinished(240000)) {
            r.err = program + ": did not run to its end";
            return r;
        }
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = QString::fromUtf8(process.readAllStandardOutput());
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }

    // Starts the installed viewer with logging on, waits until its map page has loaded (or it
    // gives up) and ends it with SIGTERM.
    Run startViewer(const Home &home) const
    {
        QFile log(home.log());
        if (!log.exists() && log.open(QIODevice::WriteOnly))
            log.close();
        QProcess process;
        process.setProcessEnvironment(home.environment());
        process.setWorkingDirectory(home.work());
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(bin() + "/q-marl", QStringList());
        Run run;
        if (!process.waitForStarted(10000))
            return run;
        const QString loaded = QStringLiteral("KestroMainWidget::mapLoadFinishedSlot true");
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 90000 && process.state() == QProcess::Running &&
               !readFile(home.log()).contains(loaded))
            process.waitForFinished(100);
        run.sawMapLoaded = readFile(home.log()).contains(loaded);
        if (process.state() == QProcess::Running)
            ::kill(pid_t(process.processId()), SIGTERM);
        process.waitForFinished(30000);
        run.exitCode = process.exitCode();
        run.exitStatus = process.exitStatus();
        run.output = readFile(home.log());
        return run;
    }

    // Small and quick: the demo's layout, at a size a test can afford.
    static QString makeDemo(const QString &folder)
    {
        const Result r =
            runTool(QStringLiteral(QMARL_TRACK_FIXTURE_TOOL),
                    {"--demo", "--seconds", "8", "--size", "160x90", "--fps", "5", folder});
        return r.exitCode == 0 ? QString() : r.err;
    }

    static QStringList demoNames()
    {
        return {"2024_0516_101500_001A.MP4", "2024_0516_101500_001B.MP4",
                "2024_0516_101500_001C.MP4"};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        m_prefix = m_root.filePath("prefix");
        const Result r =
            runTool(QStringLiteral(QMARL_CMAKE_COMMAND),
                    {"--install", QStringLiteral(QMARL_BUILD_DIR), "--prefix", m_prefix});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    }

    void programsAreInstalled()
    {
        for (const char *name : {"q-marl", "q-marl-track", "q-marl-clip"}) {
            const QFileInfo program(bin() + '/' + name);
            QVERIFY2(program.isFile() && program.isExecutable(), name);
        }
        // Build helpers stay in the build.
        for (const char *name : {"qmarl_demo_seed", "make_track_fixtures"})
            QVERIFY2(!QFile::exists(bin() + '/' + name), name);
    }

    void pagesAndImagesLieBesideTheViewer()
    {
        QStringList expected{"solvanebd.html",      "solvaneos.html",      "solvanegg.html",
                             "solvanegg_ja.html",   "solvanegg_ru.html",   "solvanegg_vi.html",
                             "qmarlmap.js",         "qmarlmap.css",        "map_tab_s.png",
                             "map_tab_f.png",       "map_tab_current.png", "leaflet/leaflet.js",
                             "leaflet/leaflet.css", "leaflet/LICENSE"};
        const QDir leafletImages(QStringLiteral(QMARL_SOURCE_DIR) +
                                 "/resources/maps/leaflet/images");
        const QStringList images = leafletImages.entryList({"*.png"}, QDir::Files);
        QVERIFY(!images.isEmpty());
        for (const QString &image : images)
            expected << "leaflet/images/" + image;
        for (const QString &name : expected) {
            const QFileInfo file(bin() + '/' + name);
            QVERIFY2(file.isFile() && file.size() > 0, qPrintable(name));
        }
        for (const char *marker : {"map_tab_s.png", "map_tab_f.png", "map_tab_current.png"})
            QVERIFY2(!QImageReader(bin() + '/' + marker).size().isEmpty(), marker);
    }

    void desktopEntryIsValid()
    {
        const QString entry = m_prefix + "/share/applications/q-marl.desktop";
        QVERIFY(QFile::exists(entry));
        const Result r = runTool(QStringLiteral("desktop-file-validate"), {entry});
        QVERIFY2(r.exitCode == 0,
                 qPrintable("desktop-file-validate (Debian package desktop-file-utils): " + r.out +
                            r.err));
        QVERIFY2(r.out.trimmed().isEmpty(), qPrintable(r.out)); // not even a hint

        const QString text = readFile(entry);
        QVERIFY(text.contains("\nExec=q-marl %F\n"));
        QVERIFY(text.contains("\nIcon=q-marl\n"));
        QVERIFY(text.contains("\nCategories=AudioVideo;Video;Player;\n"));
        QVERIFY(text.contains("\nMimeType=video/mp4;video/quicktime;video/mp2t;\n"));
    }

    void iconIsInstalledAtEverySize()
    {
        const QString hicolor = m_prefix + "/share/icons/hicolor";
        QVERIFY(readFile(hicolor + "/scalable/apps/q-marl.svg").contains("<svg"));
        for (int px : {16, 24, 32, 48, 64, 128, 256}) {
            const QString png = QStringLiteral("%1/%2x%2/apps/q-marl.png").arg(hicolor).arg(px);
            QImageReader reader(png);
            QCOMPARE(reader.size(), QSize(px, px));
        }
    }

    void installedViewerLoadsItsPagesFromThePrefix()
    {
        Home home;
        const Run run = startViewer(home);
        QVERIFY2(run.sawMapLoaded, qPrintable(run.output));
        // The helper that picks the video output where the installed viewer looks for it.
        QVERIFY(QFileInfo(m_prefix + "/libexec/q-marl/q-marl-vo-probe").isExecutable());
        QVERIFY2(run.closedCleanly(), qPrintable(run.output));
        const int load = run.output.indexOf("KestroMainWidget::loadMap");
        QVERIFY(load >= 0);
        const QString loadLine = run.output.mid(load, run.output.indexOf('\n', load) - load);
        QVERIFY2(loadLine.contains(QDir(bin()).canonicalPath() + "/solvane") ||
                     loadLine.contains(bin() + "/solvane"),
                 qPrintable(loadLine));
        QVERIFY(run.output.indexOf("KestroMainWidget::mapLoadFinishedSlot true") > load);
    }

    void demoRecordingHasThreeChannelsAndADrive()
    {
        QTemporaryDir folder;
        QCOMPARE(makeDemo(folder.path()), QString());
        QByteArray previous;
        for (const QString &name : demoNames()) {
            QFile file(folder.filePath(name));
            QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name));
            const QByteArray bytes = file.readAll();
            QVERIFY(bytes.size() > 1000);
            QVERIFY(bytes != previous); // each channel its own picture
            previous = bytes;
        }
        QVERIFY(QDir(folder.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size() == 3);

        // The front channel carries one sample a second of a drive through Shenzhen at a clock
        // that matches the file names; the others carry none.
        const Result front = runTool(bin() + "/q-marl-track", {folder.filePath(demoNames()[0])});
        QVERIFY2(front.exitCode == 0, qPrintable(front.err));
        const QStringList lines = front.out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 8);
        QVERIFY2(lines.first().startsWith("A20240516101500,"), qPrintable(lines.first()));
        QVERIFY2(lines.last().startsWith("A20240516101507,"), qPrintable(lines.last()));
        QSet<QString> speeds;
        for (const QString &line : lines) {
            const QStringList f = line.split(',');
            QCOMPARE(f.size(), 10);
            QVERIFY2(f[0].startsWith('A'), qPrintable(line));
            QVERIFY(f[1].toDouble() > 2232.0 && f[1].toDouble() < 2233.5); // 22.54 N
            QCOMPARE(f[2], QStringLiteral("N"));
            QVERIFY(f[3].toDouble() > 11403.0 && f[3].toDouble() < 11404.0); // 114.06 E
            QCOMPARE(f[4], QStringLiteral("E"));
            speeds << f[5];
        }
        QVERIFY2(speeds.size() >= 4, "the speed changes along the drive");
        for (int channel : {1, 2}) {
            const Result other =
                runTool(bin() + "/q-marl-track", {folder.filePath(demoNames()[channel])});
            QVERIFY(other.exitCode != 0);
            QVERIFY(other.out.isEmpty());
        }
    }

    // A user who has run the viewer before: the demo goes after their own files, once.
    void demoJoinsTheUsersList()
    {
        QTemporaryDir folder;
        QCOMPARE(makeDemo(folder.path()), QString());
        QStringList demo;
        for (const QString &name : demoNames())
            demo << QFileInfo(folder.filePath(name)).canonicalFilePath();
        QVERIFY(QDir().mkpath(folder.filePath("own")));
        QVERIFY(QFile::copy(demo[1], folder.filePath("own/clip.mp4")));
        const QString own = QFileInfo(folder.filePath("own/clip.mp4")).canonicalFilePath();

        Home home;
        QVERIFY(QDir().mkpath(QFileInfo(home.marker()).path()));
        QFile marker(home.marker());
        QVERIFY(marker.open(QIODevice::WriteOnly)); // not a first start
        marker.close();
        {
            QSettings store(home.settingsFile(), QSettings::IniFormat);
            // The demo's front file is already there, by a path of another spelling.
            store.setValue("g_settingKey_last_filelist",
                           QStringList{own, folder.path() + "/own/../" + demoNames()[0]});
            store.setValue("g_settingKey_volume", 33);
        }
        const Result first =
            runTool(QStringLiteral(QMARL_BIN_DIR "/qmarl_demo_seed"), demo, home.environment());
        QVERIFY2(first.exitCode == 0, qPrintable(first.err));
        const QStringList seeded{own, folder.path() + "/own/../" + demoNames()[0], demo[1],
                                 demo[2]};
        QCOMPARE(home.storedList(), seeded);
        QCOMPARE(QSettings(home.settingsFile(), QSettings::IniFormat)
                     .value("g_settingKey_volume")
                     .toInt(),
                 33);

        const Result again =
            runTool(QStringLiteral(QMARL_BIN_DIR "/qmarl_demo_seed"), demo, home.environment());
        QVERIFY2(again.exitCode == 0, qPrintable(again.err));
        QVERIFY2(again.out.contains("already holds"), qPrintable(again.out));
        QCOMPARE(home.storedList(), seeded);
    }

    // A first start: the helper carries out the viewer's first-start reset itself, so the
    // viewer keeps the seeded list and reopens the recording.
    void demoSurvivesTheFirstStart()
    {
        QTemporaryDir folder;
        QCOMPARE(makeDemo(folder.path()), QString());
        QStringList demo;
        for (const QString &name : demoNames())
            demo << QFileInfo(folder.filePath(name)).canonicalFilePath();

        Home home;
        QVERIFY(!QFile::exists(home.marker()));
        const Result seed =
            runTool(QStringLiteral(QMARL_BIN_DIR "/qmarl_demo_seed"), demo, home.environment());
        QVERIFY2(seed.exitCode == 0, qPrintable(seed.err));
        QCOMPARE(home.storedList(), demo);
        QVERIFY(QFile::exists(home.marker()));
        const QString marker = readFile(home.marker());

        const Run run = startViewer(home);
        QVERIFY2(run.sawMapLoaded, qPrintable(run.output));
        // The helper that picks the video output where the installed viewer looks for it.
        QVERIFY(QFileInfo(m_prefix + "/libexec/q-marl/q-marl-vo-probe").isExecutable());
        QVERIFY2(run.closedCleanly(), qPrintable(run.output));
        QVERIFY(!run.output.contains("checkFirstInstall 47")); // no second reset
        for (const QString &path : demo)
            QVERIFY2(run.output.contains("KestroMainWidget::addFilePath \"" + path + '"'),
                     qPrintable(path));
        QStringList stored = home.storedList();
        stored.sort();
        QCOMPARE(stored, demo);
        QCOMPARE(readFile(home.marker()), marker);
    }

    void seedingRefusesMissingFiles()
    {
        Home home;
        const Result r = runTool(QStringLiteral(QMARL_BIN_DIR "/qmarl_demo_seed"),
                                 {home.root.filePath("nothing.MP4")}, home.environment());
        QVERIFY(r.exitCode != 0);
        QVERIFY(!QFile::exists(home.settingsFile()));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
