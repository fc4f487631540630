// The clip export against recordings made by the fixture generator: what lands in the folder,
// probed with ffprobe and decoded with ffmpeg, and how bad input and cancelling end.
#include "clipexport.h"
#include "composer.h"
#include "extracttrack.h"
#include "panelayout.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {
const QString kDemo = QStringLiteral(QMARL_CLIP_DEMO);
const QString kClock = QStringLiteral(QMARL_CLIP_CLOCK);
const QString kStream = QStringLiteral(QMARL_CLIP_STREAM "/tokyo.ts");

QStringList demoChannels()
{
    return {kDemo + "/2024_0516_101500_001A.MP4", kDemo + "/2024_0516_101500_001B.MP4",
            kDemo + "/2024_0516_101500_001C.MP4"};
}

QStringList clockChannels()
{
    return {kClock + "/2024_0516_120000_007A.MP4", kClock + "/2024_0516_120000_007B.MP4",
            kClock + "/2024_0516_120000_007C.MP4"};
}

struct Run
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Run run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(-1);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QJsonObject probe(const QString &file)
{
    const Run r = run("ffprobe", {"-v", "error", "-show_format", "-show_streams", "-of", "json",
                                  file});
    return QJsonDocument::fromJson(r.out).object();
}

// Pictures and sound; a camera's private data stream is not among them.
QStringList codecsOf(const QJsonObject &probed)
{
    QStringList codecs;
    for (const QJsonValue &s : probed["streams"].toArray())
        if (s["codec_type"] == "video" || s["codec_type"] == "audio")
            codecs << s["codec_name"].toString();
    return codecs;
}

double videoDuration(const QJsonObject &probed)
{
    for (const QJsonValue &s : probed["streams"].toArray())
        if (s["codec_type"] == "video")
            return s["duration"].toString().toDouble();
    return -1;
}

// One decoded picture of a file at a time, optionally scaled.
QImage frameAt(const QString &file, double seconds, const QSize &size = QSize())
{
    QStringList args{"-v", "error", "-ss", QString::number(seconds, 'f', 3), "-i", file,
                     "-frames:v", "1"};
    if (size.isValid())
        args << "-vf" << QStringLiteral("scale=%1:%2").arg(size.width()).arg(size.height());
    args << "-f" << "image2pipe" << "-vcodec" << "png" << "-";
    return QImage::fromData(run("ffmpeg", args).out, "PNG").convertToFormat(QImage::Format_RGB32);
}

// Mean absolute difference per colour channel, 0..255.
double difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

ClipRequest request(const QStringList &channels, double from, double to, const QString &target)
{
    ClipRequest r;
    r.channels = channels;
    r.from = from;
    r.to = to;
    r.targetDir = target;
    return r;
}
} // namespace

class TestClipExport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_out;
    ClipResult m_demo; // the demo drive's 5-12.5 s, everything written
    QStringList m_notes;

private slots:
    void initTestCase()
    {
        QVERIFY(m_out.isValid());
        discardTrackDiagnostics();
        ClipHooks hooks;
        hooks.note = [this](const QString &line) { m_notes << line; };
        m_demo = exportClip(request(demoChannels(), 5, 12.5, m_out.path()), hooks);
        QVERIFY2(m_demo.ok, qPrintable(m_demo.error));
    }

    void folderIsNamedAfterFrontAndRange()
    {
        QCOMPARE(QFileInfo(m_demo.folder).fileName(), QString("2024_0516_101500_001A_5-12.5"));
        QStringList names = QDir(m_demo.folder).entryList(QDir::Files);
        names.sort();
        QCOMPARE(names, QStringList({"2024_0516_101500_001A.MP4", "2024_0516_101500_001B.MP4",
                                     "2024_0516_101500_001C.MP4", "composed.mp4", "track.gpx"}));
        // The track of the range: one fix a second, seconds 5 to 12.
        QFile gpx(m_demo.folder + "/track.gpx");
        QVERIFY(gpx.open(QIODevice::ReadOnly));
        QCOMPARE(gpx.readAll().count("<trkpt "), 8);
        // Nothing temporary is left beside it.
        QCOMPARE(QDir(m_out.path()).entryList(QDir::AllEntries | QDir::Hidden |
                                              QDir::NoDotAndDotDot).size(), 1);
    }

    void copiesKeepStreamsAndStartOnKeyFrame_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        // Every fixture has a key frame a second.
        QTest::newRow("front with sound") << demoChannels()[0] << 5.0 << 12.5;
        QTest::newRow("transport stream") << kStream << 2.5 << 8.0;
    }
    void copiesKeepStreamsAndStartOnKeyFrame()
    {
        QFETCH(QString, input);
        QFETCH(double, from);
        QFETCH(double, to);
        QTemporaryDir dir;
        ClipRequest copyOnly = request({input}, from, to, dir.path());
        copyOnly.composed = copyOnly.gpx = false;
        const ClipResult r = exportClip(copyOnly);
        QVERIFY2(r.ok, qPrintable(r.error));
        const QString copy = r.folder + '/' + QFileInfo(input).fileName();
        const QJsonObject out = probe(copy);
        QCOMPARE(codecsOf(out), codecsOf(probe(input)));
        // Up to one key-frame interval early.
        const double duration = videoDuration(out);
        QVERIFY2(duration >= to - from - 0.05 && duration <= to - from + 1.0 + 0.05,
                 qPrintable(QString::number(duration)));
        // The first picture is a key frame at the start of the file's clock.
        const QJsonObject packet =
            QJsonDocument::fromJson(run("ffprobe", {"-v", "error", "-select_streams", "v",
                                                    "-read_intervals", "%+#1", "-show_entries",
                                                    "packet=pts_time,flags", "-of", "json", copy})
                                        .out)["packets"][0].toObject();
        QCOMPARE(packet["pts_time"].toString().toDouble(),
                 out["format"]["start_time"].toString().toDouble());
        QVERIFY(packet["flags"].toString().startsWith('K'));
    }

    void composedIsFrameExactH264WithSound()
    {
        const QString file = m_demo.folder + "/composed.mp4";
        const QJsonObject probed = probe(file);
        QCOMPARE(codecsOf(probed), QStringList({"h264", "aac"}));
        const QJsonObject video = probed["streams"].toArray().first().toObject();
        QCOMPARE(video["height"].toInt(), 720);
        QCOMPARE(video["pix_fmt"].toString(), QString("yuv420p")); // what every player shows
        QVERIFY(std::fabs(videoDuration(probed) - 7.5) <= 1.0 / 30 + 1e-6);
        // Fast start: the index comes before the media data.
        QFile bytes(file);
        QVERIFY(bytes.open(QIODevice::ReadOnly));
        const QByteArray head = bytes.read(1 << 20);
        QVERIFY(head.indexOf("moov") >= 0 && head.indexOf("moov") < head.indexOf("mdat"));
    }

    void composedShowsEachChannelInItsPane_data()
    {
        QTest::addColumn<int>("channel");
        for (int channel : {0, 1, 2})
            QTest::newRow(qPrintable(QString::number(channel))) << channel;
    }
    void composedShowsEachChannelInItsPane()
    {
        QFETCH(int, channel);
        const double at = 2.0; // 7 s into the recording
        const QSize size(1280, 720);
        const QRect area(0, 0, size.width(), size.height() - stripHeightFor(size.height()));
        const QRect placed = paneLayout(defaultSplitType(3), 3, area, {}).rects[size_t(channel)];
        // The composer keeps even coordinates for the halved colour planes.
        const QRect pane(placed.x() & ~1, placed.y() & ~1, placed.width() & ~1,
                         placed.height() & ~1);
        // Inside the pane, clear of the shared edge pixels.
        const QRect inner = pane.adjusted(4, 4, -4, -4);
        const QImage composed = frameAt(m_demo.folder + "/composed.mp4", at).copy(inner);
        const QImage source =
            frameAt(demoChannels()[channel], 5 + at, pane.size())
                .copy(inner.translated(-pane.topLeft()));
        const double same = difference(composed, source);
        QVERIFY2(same < 12, qPrintable(QString::number(same)));
        // And it is not just any picture: another channel's differs.
        const QImage other = frameAt(demoChannels()[(channel + 1) % 3], 5 + at, pane.size())
                                 .copy(inner.translated(-pane.topLeft()));
        QVERIFY(difference(composed, other) > 2 * same);
    }

    void cancelLeavesNothing()
    {
        QTemporaryDir out;
        std::atomic<bool> cancel{false};
        ClipHooks hooks;
        hooks.cancel = &cancel;
        hooks.progress = [&](double f) {
            if (f >= 0.5) // while composing
                cancel = true;
        };
        const ClipResult r = exportClip(request(demoChannels(), 2, 14, out.path()), hooks);
        QVERIFY(!r.ok);
        QVERIFY(r.cancelled);
        QVERIFY(QDir(out.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    void badInput_data()
    {
        QTest::addColumn<QStringList>("channels");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<QString>("said");       // in a note or the error
        QTest::addColumn<QStringList>("written"); // the folder's files
        const QStringList demo = demoChannels();
        QTest::newRow("range clamped") << QStringList{demo[0]} << 18.0 << 40.0 << true << "clamped"
                                       << QStringList{"2024_0516_101500_001A.MP4", "composed.mp4",
                                                      "track.gpx"};
        QTest::newRow("no GPS: no track.gpx")
            << clockChannels() << 1.0 << 2.0 << true << "no GPS"
            << QStringList{"2024_0516_120000_007A.MP4", "2024_0516_120000_007B.MP4",
                           "2024_0516_120000_007C.MP4", "composed.mp4"};
        QTest::newRow("back ends before the range")
            << clockChannels() << 10.0 << 11.0 << true << "007B.MP4: ends at 9 s"
            << QStringList{"2024_0516_120000_007A.MP4", "2024_0516_120000_007C.MP4",
                           "composed.mp4"};
        QTest::newRow("unreadable front") << QStringList{kDemo + "/missing_A.MP4"} << 1.0 << 2.0
                                          << false << "front channel" << QStringList();
    }
    void badInput()
    {
        QFETCH(QStringList, channels);
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(bool, ok);
        QFETCH(QString, said);
        QFETCH(QStringList, written);
        QTemporaryDir out;
        QStringList notes;
        ClipHooks hooks;
        hooks.note = [&](const QString &line) { notes << line; };
        const ClipResult r = exportClip(request(channels, from, to, out.path()), hooks);
        QCOMPARE(r.ok, ok);
        const QString told = notes.join('\n') + '\n' + r.error;
        QVERIFY2(told.contains(said), qPrintable(told));
        QStringList names = ok ? QDir(r.folder).entryList(QDir::Files) : QStringList();
        names.sort();
        QCOMPARE(names, written);
        if (!ok)
            QVERIFY(QDir(out.path()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        const QString front = demoChannels()[0];
        QTest::newRow("written") << QStringList{"--from", "0:01", "--to", "3", "--no-composed",
                                                front} << 0;
        QTest::newRow("unwritable folder")
            << QStringList{"--from", "1", "--to", "3", "--output", "/proc/none", front} << 1;
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QTemporaryDir out;
        if (!args.contains("--output"))
            args.prepend(out.path()), args.prepend("--output");
        const Run r = run(QStringLiteral(QMARL_BIN_DIR "/q-marl-clip"), args);
        QCOMPARE(r.code, code);
        // The folder written on standard output, or one line saying why not.
        if (code == 0)
            QVERIFY(QFile::exists(QString::fromLocal8Bit(r.out.trimmed()) + "/track.gpx"));
        else
            QVERIFY(r.out.isEmpty() && r.err.count('\n') == 1);
    }

    // The same range again, from the command line as from the dialog, gets a folder of its own.
    void aSecondExportOfARangeGetsAFolderOfItsOwn()
    {
        QTemporaryDir out;
        const QStringList args{"--from", "1", "--to", "3", "--no-composed",
                               "--output", out.path(), demoChannels()[0]};
        QStringList folders;
        for (int i = 0; i < 3; ++i) {
            const Run r = run(QStringLiteral(QMARL_BIN_DIR "/q-marl-clip"), args);
            QCOMPARE(r.code, 0);
            folders << QFileInfo(QString::fromLocal8Bit(r.out.trimmed())).fileName();
            QVERIFY(QFile::exists(out.filePath(folders.last()) + "/track.gpx"));
        }
        QCOMPARE(folders, (QStringList{folders[0], folders[0] + " (2)", folders[0] + " (3)"}));
    }
};

QTEST_MAIN(TestClipExport)
#include "tst_clipexport.moc"
