#include "mpvoptions.h"
#include "playerstartup.h"

#include <QProcess>
#include <QtTest>

// What the program does when libmpv cannot start: one line on standard error and a failure
// status, never a crash.
class TestPlayerStart : public QObject
{
    Q_OBJECT

private slots:
    void onlyPlayerFailuresAreCaught()
    {
        QCOMPARE(runWithPlayers([] { return 7; }), 7);
        QCOMPARE(runWithPlayers([]() -> int { throw std::runtime_error("mpv failed to initialize"); }),
                 playerStartFailureStatus);
        QCOMPARE(runWithPlayers([]() -> int { throw std::runtime_error("can't create mpv instance"); }),
                 playerStartFailureStatus);
        QVERIFY_EXCEPTION_THROWN(runWithPlayers([]() -> int { throw std::runtime_error("other"); }),
                                 std::runtime_error);
    }

    void programEndsCleanlyWithoutAPlayer_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<bool>("starts");
        QTest::newRow("working options, spaced") << " vo=null, ao=null ,hwdec=no" << true;
        QTest::newRow("unknown option") << "vo=null,no-such-option=1" << false;
        // Accepted as an option, refused by mpv_initialize itself.
        QTest::newRow("initialisation fails") << "vo=null,o=/nonexistent/out.zzz" << false;
    }

    void programEndsCleanlyWithoutAPlayer()
    {
        QFETCH(QString, options);
        QFETCH(bool, starts);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(mpvOptionsVariable), options);
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("QT_LOGGING_RULES", "*.warning=false"); // leaves only the program's own line
        QProcess probe;
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral(QMARL_BIN_DIR "/playerstart_probe"), QStringList());
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
        const QString errors = QString::fromLocal8Bit(probe.readAllStandardError());
        const QStringList lines = errors.split('\n', Qt::SkipEmptyParts);
        if (starts) {
            QCOMPARE(probe.exitCode(), 0);
            QVERIFY2(!errors.contains("cannot start"), qPrintable(errors));
            return;
        }
        QCOMPARE(probe.exitCode(), 1);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].startsWith("q-marl: cannot start the video player (mpv failed to initialize)"),
                 qPrintable(lines[0]));
        QVERIFY(lines[0].contains("libmpv"));
    }
};

QTEST_GUILESS_MAIN(TestPlayerStart)
#include "tst_playerstart.moc"
