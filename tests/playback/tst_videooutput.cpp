#include "../support/playertest.h"
#include "videooutputchoice.h"

#include <QProcess>
#include <QSignalSpy>

using namespace playertest;

// How the video output is chosen, and what a pane does where none works. Runs offscreen with
// the player's default options: there is no window to draw into, so no output works.
class TestVideoOutput : public QObject
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
};

PLAYER_TEST_MAIN(TestVideoOutput)
#include "tst_videooutput.moc"
