#include "../support/playertest.h"
#include "mpvoptions.h"
#include "playerstartup.h"
#include "videooutputchoice.h"

#include <QProcess>
#include <QSignalSpy>

using namespace playertest;

// How a player starts: its video output (offscreen with the default options no output works), and
// when libmpv cannot start, one line on standard error and a failure status, never a crash.
class TestPlayerStart : public QObject
{
    Q_OBJECT

private slots:
    // Each candidate is judged by q-marl-vo-probe's one-line verdict.
    void probeVerdict_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QByteArray>("verdict");
        QTest::newRow("output that needs no window") << "vo=null" << QByteArray("ok");
        QTest::newRow("unknown output") << "vo=no-such-output" << QByteArray("failed:");
        QTest::newRow("no options at all") << QString() << QByteArray("failed:");
    }

    void probeVerdict()
    {
        QFETCH(QString, options);
        QFETCH(QByteArray, verdict);
        const QString program = VideoOutputChoice::probeProgram();
        QVERIFY2(!program.isEmpty(), "q-marl-vo-probe is built beside the tests");
        QProcess probe;
        probe.start(program, options.isEmpty() ? QStringList() : QStringList{options});
        QVERIFY(probe.waitForFinished(60000));
        const QByteArray line = probe.readAllStandardOutput().trimmed();
        QVERIFY2(line.startsWith(verdict), line.constData());
        QCOMPARE(probe.exitCode(), verdict == "ok" ? 0 : 1);
    }

    // No output: the pane says so in words, and the file still plays (time, end of file).
    void paneWithoutOutputSaysSoAndPlays()
    {
        QVERIFY(qEnvironmentVariableIsEmpty("Q_MARL_MPV_OPTIONS"));
        QWidget window;
        auto *player = new PlayLabel(&window);
        window.show();
        VideoOutputChoice &choice = VideoOutputChoice::instance();
        QVERIFY(choice.isReady());
        QVERIFY(!choice.showsPicture());
        QVERIFY(!player->text().isEmpty());

        QSignalSpy progress(player, &PlayLabel::sigProgressChange);
        QSignalSpy finished(player, &PlayLabel::sigPlayFinish);
        player->on_file_open(recording("cut_a.MP4"));
        player->on_file_contiue();
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), timeout);
        QVERIFY(!progress.isEmpty());
        QVERIFY(progress.last().at(0).toFloat() > 1.0f);
        QVERIFY(!player->text().isEmpty()); // still saying why there is no picture
    }

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

PLAYER_TEST_MAIN(TestPlayerStart)
#include "tst_playerstart.moc"
