// The generated recordings are real videos: they decode without error, the generator gives the
// same bytes on every run, and the committed expected texts are the generator's.
#include "trackfixtures.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

class TestTrackFixtures : public QObject
{
    Q_OBJECT

    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    static QStringList fixtures()
    {
        return QDir(QStringLiteral(QMARL_TRACK_FIXTURES))
            .entryList({QStringLiteral("*.mp4"), QStringLiteral("*.mov"), QStringLiteral("*.ts")},
                       QDir::Files, QDir::Name);
    }

private slots:
    void allFixturesExist() { QCOMPARE(fixtures().size(), 12); }

    void decodesWithoutError_data()
    {
        QTest::addColumn<QString>("fixture");
        for (const QString &f : fixtures())
            QTest::newRow(qPrintable(f)) << f;
    }

    void decodesWithoutError()
    {
        QFETCH(QString, fixture);
        QProcess ffmpeg;
        ffmpeg.start(QStringLiteral("ffmpeg"),
                     {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
                      QStringLiteral("-i"), trackFixture(fixture), QStringLiteral("-f"),
                      QStringLiteral("null"), QStringLiteral("-")});
        QVERIFY(ffmpeg.waitForFinished(60000));
        QCOMPARE(ffmpeg.exitCode(), 0);
        QCOMPARE(ffmpeg.readAllStandardError(), QByteArray());

        QProcess probe;
        probe.start(QStringLiteral("ffprobe"),
                    {QStringLiteral("-v"), QStringLiteral("error"),
                     QStringLiteral("-select_streams"), QStringLiteral("v"),
                     QStringLiteral("-show_entries"),
                     QStringLiteral("stream=codec_name,width,height"), QStringLiteral("-of"),
                     QStringLiteral("csv=p=0"), trackFixture(fixture)});
        QVERIFY(probe.waitForFinished(60000));
        QCOMPARE(probe.exitCode(), 0);
        // Transport streams list the stream once more under their program.
        const QByteArray streams = probe.readAllStandardOutput().trimmed();
        QVERIFY(!streams.isEmpty());
        for (const QByteArray &line : streams.split('\n'))
            QVERIFY2(line.isEmpty() || line == "h264,320,240", streams.constData());
    }

    void generatorIsDeterministic()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QProcess gen;
        gen.start(QStringLiteral(QMARL_BIN_DIR "/make_track_fixtures"), {dir.path()});
        QVERIFY(gen.waitForFinished(300000));
        QVERIFY2(gen.exitCode() == 0, gen.readAllStandardError().constData());
        for (const QString &f : fixtures()) {
            QVERIFY2(readAll(dir.filePath(f)) == readAll(trackFixture(f)), qPrintable(f));
            QVERIFY2(
                readAll(dir.filePath(QStringLiteral("expected/")) + f + QStringLiteral(".txt")) ==
                    readAll(trackFixture(QStringLiteral("expected/")) + f + QStringLiteral(".txt")),
                qPrintable(f));
        }
    }

    void committedExpectationsMatchTheGenerator_data()
    {
        QTest::addColumn<QString>("fixture");
        for (const QString &f : fixtures())
            if (!f.startsWith(QLatin1String("plain")))
                QTest::newRow(qPrintable(f)) << f;
    }

    void committedExpectationsMatchTheGenerator()
    {
        QFETCH(QString, fixture);
        QCOMPARE(
            readAll(expectedTrackPath(fixture)),
            readAll(trackFixture(QStringLiteral("expected/")) + fixture + QStringLiteral(".txt")));
    }
};

QTEST_GUILESS_MAIN(TestTrackFixtures)
#include "tst_trackfixtures.moc"
