#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

// Installs the build into a temporary prefix the way a user or the package does, and the helper
// that puts the demo recording into the viewer's list.
class TestInstall : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_prefix;

    struct Result
    {
        int exitCode = -1;
        QString out, err;
    };

    static Result run(const QString &program, const QStringList &args,
                      const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
    {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(program, args);
        if (!process.waitForFinished(240000) || process.exitStatus() != QProcess::NormalExit)
            return {-1, QString(), program + ": did not run to its end"};
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private slots:
    void initTestCase()
    {
        m_prefix = m_root.filePath("prefix");
        const Result r = run(QStringLiteral(QMARL_CMAKE_COMMAND),
                             {"--install", QStringLiteral(QMARL_BUILD_DIR), "--prefix", m_prefix});
        QVERIFY2(r.exitCode == 0, qPrintable(r.out + r.err));
    }

    void installedTree()
    {
        const QString bin = m_prefix + "/bin/";
        for (const char *name : {"q-marl", "q-marl-track", "q-marl-clip"})
            QVERIFY2(QFileInfo(bin + name).isExecutable(), name);
        // Build helpers stay in the build.
        for (const char *name : {"qmarl_demo_seed", "make_track_fixtures"})
            QVERIFY2(!QFile::exists(bin + name), name);
        QVERIFY(QFileInfo(m_prefix + "/libexec/q-marl/q-marl-vo-probe").isExecutable());
        // Every page and what it loads, as the build tree has them beside the viewer.
        QStringList pages{"qmarlmap.js", "qmarlmap.css", "map_tab_s.png", "map_tab_f.png",
                          "map_tab_current.png", "leaflet/leaflet.js", "leaflet/leaflet.css",
                          "leaflet/LICENSE"};
        pages << QDir(QStringLiteral(QMARL_BIN_DIR)).entryList({"solvane*.html"});
        for (const QString &image :
             QDir(QStringLiteral(QMARL_SOURCE_DIR "/resources/maps/leaflet/images")).entryList({"*.png"}))
            pages << "leaflet/images/" + image;
        QCOMPARE(pages.filter(".html").size(), 6);
        for (const QString &name : pages)
            QVERIFY2(QFileInfo(bin + name).size() > 0, qPrintable(name));

        const QString entry = m_prefix + "/share/applications/q-marl.desktop";
        const Result r = run(QStringLiteral("desktop-file-validate"), {entry});
        QVERIFY2(r.exitCode == 0 && r.out.trimmed().isEmpty(),
                 qPrintable("desktop-file-validate (desktop-file-utils): " + r.out + r.err));
        const QString hicolor = m_prefix + "/share/icons/hicolor";
        QVERIFY(QFile::exists(hicolor + "/scalable/apps/q-marl.svg"));
        for (int px : {16, 24, 32, 48, 64, 128, 256})
            QCOMPARE(QImageReader(QStringLiteral("%1/%2x%2/apps/q-marl.png").arg(hicolor).arg(px))
                         .size(),
                     QSize(px, px));
    }

    // A user who has run the viewer before: the demo goes after their own files, once, and
    // nothing else in the store changes.
    void demoJoinsTheUsersList()
    {
        QTemporaryDir home;
        const QString folder = home.filePath("demo");
        QCOMPARE(run(QStringLiteral(QMARL_TRACK_FIXTURE_TOOL),
                     {"--demo", "--seconds", "4", "--size", "160x90", "--fps", "5", folder})
                     .exitCode,
                 0);
        QStringList demo;
        for (const char *channel : {"A", "B", "C"})
            demo << QFileInfo(folder + "/2024_0516_101500_001" + channel + ".MP4")
                        .canonicalFilePath();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_CACHE_HOME", home.filePath("cache"));
        QVERIFY(QDir().mkpath(home.filePath("cache/q-marl")));
        QFile marker(home.filePath("cache/q-marl/myapp.conf"));
        QVERIFY(marker.open(QIODevice::WriteOnly)); // not a first start
        marker.close();
        const QString settings = home.filePath("config/VOLQ/Q-MARL.conf");
        // The demo's front file is already there, by a path of another spelling.
        const QStringList own{"/videos/own.mp4", folder + "/../demo/2024_0516_101500_001A.MP4"};
        {
            QSettings store(settings, QSettings::IniFormat);
            store.setValue("g_settingKey_last_filelist", own);
            store.setValue("g_settingKey_volume", 33);
        }
        for (int pass = 0; pass < 2; ++pass) {
            const Result r = run(QStringLiteral(QMARL_BIN_DIR "/qmarl_demo_seed"), demo, env);
            QVERIFY2(r.exitCode == 0, qPrintable(r.err));
            QSettings store(settings, QSettings::IniFormat);
            QCOMPARE(store.value("g_settingKey_last_filelist").toStringList(),
                     own + demo.mid(1));
            QCOMPARE(store.value("g_settingKey_volume").toInt(), 33);
        }
        // A file that is not there is refused.
        QVERIFY(run(QStringLiteral(QMARL_BIN_DIR "/qmarl_demo_seed"),
                          {home.filePath("nothing.MP4")}, env)
                    .exitCode != 0);
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"
