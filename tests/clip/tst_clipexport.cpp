// The clip export on generated recordings, checked with ffprobe and ffmpeg; bad input; cancelling.
#include "clipestimate.h"
#include "clipexport.h"
#include "cliptime.h"
#include "composer.h"
#include "extracttrack.h"
#include "losslesscut.h"
#include "panelayout.h"
#include "recordingrange.h"
#include "routeinset.h"
#include "telemetrystrip.h"
#include "../support/programrun.h"

#include <QDir>
#include <QImage>
#include <QPainter>
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
const QString kDrive = QStringLiteral(QMARL_CLIP_DRIVE);
const QString kSmall = QStringLiteral(QMARL_CLIP_SMALL);

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

using Run = ProgramRun;

Run run(const QString &program, const QStringList &args)
{
    return runProgram(program, args);
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

// The drive's recording r (0..2): its files, front first.
QStringList driveChannels(int r)
{
    const QString stem = kDrive + QStringLiteral("/2024_0516_1210%1_%2")
                                      .arg(r * 4, 2, 10, QLatin1Char('0'))
                                      .arg(21 + r, 3, 10, QLatin1Char('0'));
    return {stem + "A.MP4", stem + "B.MP4", stem + "C.MP4"};
}

// Recording r's track: 12:10:00 + 4r + j at second j, at 10r + j knots, going east.
QByteArray driveTrack(int r)
{
    QByteArray text;
    for (int j = 0; j < 5; ++j)
        text += QStringLiteral("A2024051612%1%2,2232.5000,N,%3,E,%4,90.00,0,0,0\n")
                    .arg(10, 2, 10, QLatin1Char('0'))
                    .arg(4 * r + j, 2, 10, QLatin1Char('0'))
                    .arg(11403.0 + 0.1 * (4 * r + j), 0, 'f', 4)
                    .arg(10 * r + j)
                    .toLatin1();
    return text;
}

struct Packet
{
    double pts = 0;
    double duration = 0;
    bool key = false;
};

QVector<Packet> videoPackets(const QString &file)
{
    QVector<Packet> packets;
    const QByteArray out = run("ffprobe", {"-v", "error", "-select_streams", "v", "-show_entries",
                                           "packet=pts_time,duration_time,flags", "-of",
                                           "csv=p=0", file}).out;
    for (const QByteArray &line : out.split('\n')) {
        const QList<QByteArray> f = line.split(',');
        if (f.size() >= 3)
            packets.push_back({f[0].toDouble(), f[1].toDouble(), f[2].startsWith('K')});
    }
    std::sort(packets.begin(), packets.end(),
              [](const Packet &a, const Packet &b) { return a.pts < b.pts; });
    return packets;
}

// The clock band's quarter second (0..39) a luma shows.
int bandStep(double luma)
{
    return int(std::lround((luma - 16) / 5));
}

QVector<int> bandSteps(const QString &file)
{
    const QByteArray out =
        run("ffmpeg", {"-v", "error", "-i", file, "-vf",
                       "crop=iw:ih/8:0:0,scale=1:1:flags=area", "-fps_mode", "passthrough",
                       "-pix_fmt", "yuv420p", "-f", "rawvideo", "-"}).out;
    QVector<int> steps;
    // Each one-pixel frame is its luma and two colour bytes.
    for (int i = 0; i + 2 < out.size(); i += 3)
        steps.push_back(bandStep(uchar(out[i])));
    return steps;
}

QVector<QImage> framesOf(const QString &file, const QVector<int> &numbers, const QSize &size)
{
    QStringList picks;
    for (const int n : numbers)
        picks << QStringLiteral("eq(n\\,%1)").arg(n);
    const QByteArray out =
        run("ffmpeg", {"-v", "error", "-i", file, "-vf", "select='" + picks.join('+') + "'",
                       "-fps_mode", "passthrough", "-f", "rawvideo", "-pix_fmt", "rgb24", "-"})
            .out;
    QVector<QImage> frames;
    const int bytes = size.width() * size.height() * 3;
    for (int at = 0; at + bytes <= out.size(); at += bytes)
        frames.push_back(QImage(reinterpret_cast<const uchar *>(out.constData() + at),
                                size.width(), size.height(), size.width() * 3,
                                QImage::Format_RGB888)
                             .convertToFormat(QImage::Format_RGB32));
    return frames;
}

// Mean luma of a grey area of an RGB picture (limited-range video decoded to full range).
double greyLuma(const QImage &image, const QRect &area)
{
    double sum = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            sum += qGreen(image.pixel(x, y));
    return 16 + sum / (area.width() * area.height()) * 219 / 255;
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
    ClipResult m_join; // the clock drive's 2.5-10 s, the channels only
    QStringList m_notes;

private slots:
    // The strip of a recording with the car's signals shows them at each frame, on its right.
    void stripShowsCarSignals_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("red");   // the brake
        QTest::addColumn<bool>("green"); // a blinker
        QTest::newRow("before the first frame") << -0.5 << "" << false << false;
        QTest::newRow("first frame: park") << 0.0 << "P" << false << false;
        QTest::newRow("second frame: drive, braking, left blinker, autosteer")
            << 0.5 << QStringLiteral("D   BRAKE   \u25c0   Autosteer") << true << true;
        QTest::newRow("between frames: the earlier one") << 0.9 << QStringLiteral("D   BRAKE   \u25c0   Autosteer") << true << true;
        QTest::newRow("last frame: reverse, right blinker, TACC")
            << 1.0 << QStringLiteral("R   \u25b6   TACC") << false << true;
        QTest::newRow("neutral, self-driving, both blinkers, only in the next recording")
            << 61.0 << QStringLiteral("N   \u25c0   \u25b6   Self-driving") << false << true;
        QTest::newRow("after the last frame's hold") << 61.6 << "" << false << false;
    }

    void stripShowsCarSignals()
    {
        QFETCH(double, time);
        QFETCH(QString, text);
        QFETCH(bool, red);
        QFETCH(bool, green);
        TelemetryStrip strip(QByteArray(), false);
        QVERIFY(!strip.hasCarSignals());
        QVector<CarSignalFrame> frames(4);
        frames[0].time = 0;
        frames[1].time = 0.5;
        frames[1].gear = CarGear::Drive;
        frames[1].brake = frames[1].blinkerLeft = true;
        frames[1].assist = CarAssist::Autosteer;
        frames[2].time = 1.0;
        frames[2].gear = CarGear::Reverse;
        frames[2].blinkerRight = true;
        frames[2].assist = CarAssist::Tacc;
        frames[3].time = 61.0; // a drive's next recording, placed after the first
        frames[3].gear = CarGear::Neutral;
        frames[3].blinkerLeft = frames[3].blinkerRight = true;
        frames[3].assist = CarAssist::SelfDriving;
        strip.setCarSignals(frames);
        QVERIFY(strip.hasCarSignals());
        QCOMPARE(strip.carSignalsText(time), text);
        const QImage image = strip.render(0, QSize(1280, 36), time);
        bool anyRed = false, anyGreen = false;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                anyRed = anyRed || (c.red() > 180 && c.green() < 120 && c.blue() < 120);
                anyGreen = anyGreen || (c.green() > 150 && c.red() < 120 && c.blue() < 160);
            }
        QCOMPARE(anyRed, red);
        QCOMPARE(anyGreen, green);
        // Without a moment the strip is the track's alone, as before.
        QCOMPARE(strip.render(0, QSize(1280, 36)), TelemetryStrip(QByteArray(), false).render(0, QSize(1280, 36)));
    }

    void initTestCase()
    {
        QVERIFY(m_out.isValid());
        silenceMediaLibraryLog();
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
        QImage composed = frameAt(m_demo.folder + "/composed.mp4", at).copy(inner);
        QImage source = frameAt(demoChannels()[channel], 5 + at, pane.size())
                            .copy(inner.translated(-pane.topLeft()));
        // The route inset covers a corner of a pane.
        const QRect inset = routeInsetRect(size, stripHeightFor(size.height()))
                                .translated(-inner.topLeft());
        for (QImage *image : {&composed, &source})
            QPainter(image).fillRect(inset, Qt::black);
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

    void timesAreSecondsOrClockTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("seconds"); // -1: refused
        QTest::newRow("seconds") << " 12.5 " << 12.5;
        QTest::newRow("minutes and seconds") << "2:05" << 125.0;
        QTest::newRow("hours and milliseconds") << "1:02:03.250" << 3723.25;
        QTest::newRow("minutes past 59") << "1:60:00" << -1.0;
        QTest::newRow("seconds past 59") << "0:60" << -1.0;
        QTest::newRow("four decimals") << "0:01.2345" << -1.0;
    }
    void timesAreSecondsOrClockTexts()
    {
        QFETCH(QString, text);
        QFETCH(double, seconds);
        QCOMPARE(parseClipTime(text).value_or(-1.0), seconds);
    }

    void aRangeTouchesTheRecordingsItOverlaps()
    {
        const QVector<RecordingSpan> spans = spansOf({4, 4, 4});
        QCOMPARE(touchedSpans(spans, 4, 8), QVector<int>{1});
        QCOMPARE(touchedSpans(spans, 3.5, 8.5), (QVector<int>{0, 1, 2}));
    }

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

    // Each channel joined across three recordings: timestamps run on without a gap or a jump, and
    // the pictures are the range's in order, from the key frame at or before the in-point.
    void joinAcrossRecordings_data()
    {
        QTest::addColumn<int>("channel");
        for (const int channel : {0, 1, 2})
            QTest::newRow(qPrintable(QString::number(channel))) << channel;
    }
    void joinAcrossRecordings()
    {
        QFETCH(int, channel);
        const double from = 2.5, to = 10;
        if (!m_join.ok) {
            ClipRequest r = request({}, from, to, m_out.path());
            for (int k = 0; k < 3; ++k)
                r.recordings.push_back({driveChannels(k), 0, false, {}});
            r.composed = r.gpx = false;
            m_join = exportClip(r);
            QVERIFY2(m_join.ok, qPrintable(m_join.error));
        }
        const QString copy = m_join.folder + '/' + QFileInfo(driveChannels(0)[channel]).fileName();
        const QVector<Packet> out = videoPackets(copy);
        QVERIFY(!out.isEmpty() && out[0].key);
        for (int i = 0; i + 1 < out.size(); ++i)
            QVERIFY2(std::fabs(out[i + 1].pts - out[i].pts - out[i].duration) < 0.0015,
                     qPrintable(QStringLiteral("frame %1 at %2 s").arg(i + 1).arg(out[i + 1].pts)));
        // The recordings lie end to end on the front channels' clock.
        QVector<Packet> first = videoPackets(driveChannels(0)[channel]);
        int key = 0;
        for (int i = 0; i < first.size(); ++i)
            if (first[i].key && first[i].pts <= from)
                key = i;
        const double third = videoDuration(probe(driveChannels(0)[0])) +
                             videoDuration(probe(driveChannels(1)[0]));
        int lastCount = 0;
        for (const Packet &p : videoPackets(driveChannels(2)[channel]))
            lastCount += p.pts < to - third ? 1 : 0;
        const QVector<int> expected = bandSteps(driveChannels(0)[channel]).mid(key) +
                                      bandSteps(driveChannels(1)[channel]) +
                                      bandSteps(driveChannels(2)[channel]).mid(0, lastCount);
        QCOMPARE(bandSteps(copy), expected);
        // What the dialog foresaw: the copies' size within a key-frame interval's share.
        if (channel == 0) {
            ClipRequest asked = request({}, from, to, m_out.path());
            for (int k = 0; k < 3; ++k)
                asked.recordings.push_back({driveChannels(k), 0, false, {}});
            asked.speed = 4;
            const ClipEstimate foreseen = estimateClip(asked);
            qint64 written = 0;
            for (const QFileInfo &file : QDir(m_join.folder).entryInfoList(QDir::Files))
                written += file.size();
            QVERIFY2(std::abs(foreseen.copyBytes - written) < written / 4,
                     qPrintable(QStringLiteral("%1 for %2").arg(foreseen.copyBytes).arg(written)));
            QCOMPARE(foreseen.composedSeconds, (to - from) / 4);
        }
    }

    // A card that fills up during the copy fails the export: never a cut-short file called done.
    void aFullDiskFailsTheCopy()
    {
        QTemporaryDir dir;
        const QString full = dir.filePath("full.MP4");
        QVERIFY(QFile::link(QStringLiteral("/dev/full"), full));
        QVector<CutPiece> pieces;
        for (int k = 0; k < 3; ++k)
            pieces.push_back({driveChannels(k)[0], 0, 1e9});
        QString why;
        QVERIFY(!joinLosslessly(pieces, full, {}, {}, &why));
        QVERIFY2(why.contains(QStringLiteral("No space left")), qPrintable(why));
    }

    void parametersThatDifferGiveOneFilePerRecording()
    {
        QTemporaryDir out;
        ClipRequest r = request({}, 1, 11, out.path());
        const QStringList small{kSmall + "/2024_0516_120000_007A.MP4",
                                kSmall + "/2024_0516_120000_007B.MP4",
                                kSmall + "/2024_0516_120000_007C.MP4"};
        for (const QStringList &channels : {driveChannels(0), small, driveChannels(2)})
            r.recordings.push_back({channels, 0, false, {}});
        r.composed = r.gpx = false;
        QStringList notes;
        ClipHooks hooks;
        hooks.note = [&](const QString &line) { notes << line; };
        const ClipResult result = exportClip(r, hooks);
        QVERIFY2(result.ok, qPrintable(result.error));
        QVERIFY2(notes.filter("one file per recording").size() == 3 &&
                     notes.join('\n').contains("160x120"),
                 qPrintable(notes.join('\n')));
        const QStringList written = QDir(result.folder).entryList(QDir::Files);
        QCOMPARE(written.size(), 9);
        for (const QString &front : {driveChannels(0)[0], small[0], driveChannels(2)[0]})
            QVERIFY(written.contains(QFileInfo(front).fileName()));
    }

    // Every n-th moment at 30 fps, silent: the front pane shows it, the strip its track second.
    void timeLapseShowsTheMomentAndItsSecond_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<double>("from");
        QTest::newRow("4x") << 4 << 0.5;
        QTest::newRow("16x, key frames only where a step spans a group") << 16 << 0.0;
    }
    void timeLapseShowsTheMomentAndItsSecond()
    {
        QFETCH(int, speed);
        QFETCH(double, from);
        const double to = 12.3;
        QTemporaryDir out;
        ClipRequest r = request({}, from, to, out.path());
        for (int k = 0; k < 3; ++k)
            r.recordings.push_back({driveChannels(k), 0, true, driveTrack(k)});
        r.copyChannels = r.gpx = false;
        r.speed = speed;
        r.size = QSize(640, 360);
        const ClipResult result = exportClip(r);
        QVERIFY2(result.ok, qPrintable(result.error));
        const QString composed = result.folder + "/composed.mp4";
        const QJsonObject probed = probe(composed);
        QCOMPARE(codecsOf(probed), QStringList{"h264"});
        const int frames = int(std::lround((to - from) * 30 / speed));
        QCOMPARE(probed["streams"][0]["nb_frames"].toString().toInt(), frames);

        QVector<double> offsets{0};
        QVector<QVector<Packet>> packets;
        QVector<QVector<int>> steps;
        for (int k = 0; k < 3; ++k) {
            offsets << offsets.last() + videoDuration(probe(driveChannels(k)[0]));
            packets << videoPackets(driveChannels(k)[0]);
            steps << bandSteps(driveChannels(k)[0]);
        }
        const int strip = stripHeightFor(r.size.height());
        const QRect area(0, 0, r.size.width(), r.size.height() - strip);
        const QRect pane = paneLayout(defaultSplitType(3), 3, area, {}).rects[0];
        const QRect band(pane.x() + 8, pane.y() + 2, pane.width() - 16, pane.height() / 8 - 4);
        const QVector<int> picked{0, frames / 3, frames / 2, frames - 1};
        const QVector<QImage> shown = framesOf(composed, picked, r.size);
        QCOMPARE(shown.size(), picked.size());
        for (int i = 0; i < picked.size(); ++i) {
            const double t = from + picked[i] * double(speed) / 30;
            int k = 0;
            while (k < 2 && t >= offsets[k + 1])
                ++k;
            const double own = t - offsets[k];
            int frame = 0;
            while (frame + 1 < packets[k].size() && packets[k][frame + 1].pts <= own + 1e-4)
                ++frame;
            const QString where = QStringLiteral("frame %1 (%2 s): band %3, expected %4")
                                      .arg(picked[i])
                                      .arg(t)
                                      .arg(greyLuma(shown[i], band))
                                      .arg(steps[k][frame]);
            QVERIFY2(bandStep(greyLuma(shown[i], band)) == steps[k][frame], qPrintable(where));
            // The strip's date and speed: closer to the second shown than to its neighbours.
            const TelemetryStrip track(driveTrack(k), false);
            const QRect text(0, r.size.height() - strip, r.size.width() / 2, strip);
            const QImage rendered = shown[i].copy(text);
            const auto against = [&](int second) {
                return difference(rendered, track.render(second, QSize(r.size.width(), strip))
                                                .copy(text.translated(0, -text.y())));
            };
            const int second = int(own);
            for (const int other : {second - 1, second + 1})
                if (other >= 0 && other < 5)
                    QVERIFY2(against(second) < against(other), qPrintable(where));
        }
        // The route inset's position marker moves east with the drive.
        const QRect inset = routeInsetRect(r.size, strip);
        const auto markerX = [&](const QImage &image) {
            double sum = 0, count = 0;
            for (int y = inset.top(); y <= inset.bottom(); ++y)
                for (int x = inset.left(); x <= inset.right(); ++x) {
                    const QRgb p = image.pixel(x, y);
                    if (qRed(p) > 180 && qGreen(p) < 90 && qBlue(p) < 90)
                        sum += x, ++count;
                }
            return count > 0 ? sum / count : -1.0;
        };
        QVERIFY(markerX(shown.first()) > inset.left());
        QVERIFY(markerX(shown.last()) > markerX(shown.first()) + inset.width() / 4);
    }

    void commandLineSaysWhy_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said"); // on standard error
        const QStringList drive{"--drive", driveChannels(0)[0], driveChannels(1)[0],
                                driveChannels(2)[0]};
        QTest::newRow("time-lapse written")
            << QStringList{"--from", "3", "--to", "9", "--speed", "8", "--no-gpx"} + drive << 0
            << "";
        QTest::newRow("range outside the drive")
            << QStringList{"--from", "13", "--to", "15"} + drive << 2 << "outside the drive";
        QTest::newRow("gap in the drive")
            << QStringList{"--from", "0", "--to", "5", "--drive", clockChannels()[0],
                           driveChannels(0)[0]}
            << 2 << "not one drive: 2024_0516_121000_021A.MP4 starts 587 s after";
        QTest::newRow("another channel count")
            << QStringList{"--from", "0", "--to", "5", "--drive", driveChannels(0)[0],
                           "LONE/2024_0516_121004_022A.MP4"}
            << 2 << "has 1 channels";
        QTest::newRow("a speed not offered")
            << QStringList{"--from", "0", "--to", "5", "--speed", "3"} + drive << 2 << "--speed";
        const QString front = demoChannels()[0];
        const QStringList range{"--from", "0", "--to", "5"};
        QTest::newRow("an unknown option") << range + QStringList{"--frm", front} << 2
                                           << "Unknown option 'frm'";
        QTest::newRow("seven channel files")
            << range + QStringList{front, front, front, front, front, front, front}
                                            << 2 << "give one to 6 channel files";
        QTest::newRow("a drive of no files") << range + QStringList{"--drive"} << 2
                                             << "give the front files";
        QTest::newRow("no end") << QStringList{"--from", "0", front} << 2
                                << "--from and --to are both needed";
        QTest::newRow("a time not understood") << QStringList{"--from", "0:60", "--to", "5", front}
                                               << 2 << "a time is seconds";
        QTest::newRow("an empty range") << QStringList{"--from", "5", "--to", "5", front} << 2
                                        << "end is not after its start";
        QTest::newRow("nothing to write")
            << range + QStringList{"--no-copy", "--no-composed", "--no-gpx", front} << 2
            << "nothing left to write";
        QTest::newRow("unwritable folder")
            << range + QStringList{"--output", "/proc/none", front} << 1 << "/proc/none";
    }
    void commandLineSaysWhy()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, said);
        QTemporaryDir out;
        // A front file without its partners.
        QVERIFY(QFile::copy(driveChannels(1)[0], out.filePath("2024_0516_121004_022A.MP4")));
        args.replaceInStrings("LONE", out.path());
        const Run r = run(QStringLiteral(QMARL_BIN_DIR "/q-marl-clip"),
                          QStringList{"--output", out.path()} + args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(said.toLocal8Bit()), r.err.constData());
        // A failure is one line on standard error and nothing on standard output.
        if (code != 0) {
            QVERIFY2(r.out.isEmpty() && r.err.count('\n') == 1, r.err.constData());
            return;
        }
        const QString folder = QString::fromLocal8Bit(r.out.trimmed());
        QCOMPARE(QDir(folder).entryList(QDir::Files).size(), 4);
        QCOMPARE(codecsOf(probe(folder + "/composed.mp4")), QStringList{"h264"});
    }
};

QTEST_MAIN(TestClipExport)
#include "tst_clipexport.moc"
