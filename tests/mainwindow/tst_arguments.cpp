#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

// Files given on the command line (a file manager's "open with") open as if dropped.
class TestArguments : public QObject
{
    Q_OBJECT

    static QString recording(const char *name)
    {
        return QStringLiteral(QMARL_RECORDINGS "/") + QLatin1String(name);
    }

    // Runs the viewer with arguments until it shows the first recording playing (or gives up
    // after a while), and returns its log.
    static QString run(const QTemporaryDir &home, const QStringList &arguments, bool expectPlay)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", home.filePath("config"));
        env.insert("XDG_CACHE_HOME", home.filePath("cache"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("Q_MARL_MPV_OPTIONS", "vo=null,ao=null,hwdec=no");
        QProcess viewer;
        viewer.setProcessEnvironment(env);
        viewer.setWorkingDirectory(home.path());
        viewer.start(QStringLiteral(QMARL_BIN_DIR "/q-marl"), arguments);
        // Until it has started the viewer is not "running", and the loop below would end at once.
        if (!viewer.waitForStarted(30000))
            return QStringLiteral("the viewer did not start: ") + viewer.errorString();
        QString log;
        QElapsedTimer clock;
        clock.start();
        const QString until = expectPlay ? "HWPlayWidget::startVideo" : "KestroMainWidget::showEvent";
        while (clock.elapsed() < 30000 && !log.contains(until) &&
               viewer.state() == QProcess::Running) {
            viewer.waitForReadyRead(100);
            log += QString::fromLocal8Bit(viewer.readAllStandardError());
        }
        QTest::qWait(300);
        // Once the viewer has ended its id is 0, and kill(0) would signal this whole group.
        if (viewer.processId() > 0)
            ::kill(pid_t(viewer.processId()), SIGTERM);
        viewer.waitForFinished(30000);
        log += QString::fromLocal8Bit(viewer.readAllStandardError());
        return log;
    }

private slots:
    void videoArgumentsOpenAndPlayTheFirst()
    {
        QTemporaryDir home;
        const QStringList files = {recording("R2_00.MP4"), recording("clip.MP4")};
        const QString log =
            run(home, {files[0], home.filePath("missing.MP4"), home.path(), files[1]}, true);
        QVERIFY2(log.contains("HWPlayWidget::openFile"), qPrintable(log.right(2000)));
        const int opened = log.indexOf("HWPlayWidget::openFile");
        QVERIFY(log.indexOf(files[0], opened) > opened);
        QVERIFY(log.contains("ignoring the argument"));
        QSettings store(home.filePath("config/VOLQ/Q-MARL.conf"), QSettings::IniFormat);
        QStringList stored = store.value("g_settingKey_last_filelist").toStringList();
        stored.sort();
        QCOMPARE(stored, (QStringList{recording("R2_00.MP4"), recording("clip.MP4")}));
    }

    void otherArgumentsChangeNothing()
    {
        QTemporaryDir home;
        QFile text(home.filePath("notes.txt"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.close();
        const QString log = run(home, {"--bogus", home.filePath("notes.txt")}, false);
        QVERIFY2(log.contains("KestroMainWidget::showEvent"), qPrintable(log.right(3000)));
        QVERIFY(!log.contains("HWPlayWidget::openFile"));
        QSettings store(home.filePath("config/VOLQ/Q-MARL.conf"), QSettings::IniFormat);
        QVERIFY(store.value("g_settingKey_last_filelist").toStringList().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestArguments)
#include "tst_arguments.moc"
