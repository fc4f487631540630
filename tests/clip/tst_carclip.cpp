// The clip export of the car's six cameras, on tiny one-colour recordings made at test time:
// every channel's copy, each camera's colour where the car's layout puts it, a subset of the
// cameras, a front file alone, and the command line finding the partners by name.
#include "channelnames.h"
#include "clipexport.h"
#include "composer.h"
#include "drivefiles.h"
#include "../support/programrun.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString kStamp = QStringLiteral("2025-11-20_14-03-12");
// Each camera in its channel order, in a colour of its own.
const QStringList kCameras{"front", "back", "left_repeater", "right_repeater", "left_pillar",
                           "right_pillar"};
const QList<QColor> kColours{Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::magenta, Qt::cyan};

using Run = ProgramRun;

Run run(const QString &program, const QStringList &args)
{
    return runProgram(program, args);
}

QString carFile(const QString &folder, const QString &camera)
{
    return QDir(folder).filePath(kStamp + '-' + camera + ".mp4");
}

// A 64x48 one-colour H.264 recording of 3 s, written the same way every time.
bool writeCamera(const QString &path, const QColor &colour)
{
    const Run r = run("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                 QStringLiteral("color=c=%1:s=64x48:r=10:d=3").arg(colour.name()),
                                 "-an", "-c:v", "libx264", "-preset", "ultrafast", "-g", "10",
                                 "-pix_fmt", "yuv420p", "-fflags", "+bitexact", "-flags:v",
                                 "+bitexact", "-map_metadata", "-1", "-f", "mp4", path});
    return r.code == 0 && QFileInfo(path).size() > 0;
}

QStringList codecsOf(const QString &file)
{
    const QJsonObject probed = QJsonDocument::fromJson(
                                   run("ffprobe", {"-v", "error", "-show_streams", "-of", "json",
                                                   file}).out)
                                   .object();
    QStringList codecs;
    for (const QJsonValue &s : probed["streams"].toArray())
        codecs << s["codec_name"].toString();
    return codecs;
}

QImage frameAt(const QString &file, double seconds)
{
    return QImage::fromData(run("ffmpeg", {"-v", "error", "-ss", QString::number(seconds), "-i",
                                           file, "-frames:v", "1", "-f", "image2pipe", "-vcodec",
                                           "png", "-"})
                                .out,
                            "PNG")
        .convertToFormat(QImage::Format_RGB32);
}

// The mean colour of a 9x9 patch, to ride over the encoder's edges.
QColor patchColour(const QImage &image, const QPoint &at)
{
    int r = 0, g = 0, b = 0, n = 0;
    for (int y = at.y() - 4; y <= at.y() + 4; ++y)
        for (int x = at.x() - 4; x <= at.x() + 4; ++x) {
            const QRgb p = image.pixel(x, y);
            r += qRed(p), g += qGreen(p), b += qBlue(p), ++n;
        }
    return QColor(r / n, g / n, b / n);
}

bool near(const QColor &a, const QColor &b)
{
    return std::abs(a.red() - b.red()) < 48 && std::abs(a.green() - b.green()) < 48 &&
           std::abs(a.blue() - b.blue()) < 48;
}

using Spots = QList<QPair<QPointF, QString>>; // a place in the panes' area, the camera seen
} // namespace

Q_DECLARE_METATYPE(Spots)

class TestCarClip : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // A folder holding the given cameras' files only.
    QString cameraFolder(const QStringList &cameras)
    {
        const QString folder = m_dir.filePath(cameras.join('+'));
        QDir().mkpath(folder);
        for (const QString &camera : cameras)
            if (!QFile::exists(carFile(folder, camera)))
                QFile::copy(carFile(m_dir.filePath("all"), camera), carFile(folder, camera));
        return folder;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        silenceMediaLibraryLog();
        QDir().mkpath(m_dir.filePath("all"));
        for (int c = 0; c < kCameras.size(); ++c)
            QVERIFY2(writeCamera(carFile(m_dir.filePath("all"), kCameras[c]), kColours[c]),
                     qPrintable(kCameras[c]));
    }

    void everyChannelIsCopiedAndPlaced_data()
    {
        QTest::addColumn<QStringList>("cameras");
        QTest::addColumn<Spots>("spots");
        // The pillars beside the front on top, the repeaters beside the back below; a side
        // without its camera is the front's or the back's.
        QTest::newRow("six cameras")
            << kCameras
            << Spots{{{0.1, 0.3}, "left_pillar"},    {{0.5, 0.3}, "front"},
                     {{0.9, 0.3}, "right_pillar"},   {{0.1, 0.8}, "left_repeater"},
                     {{0.5, 0.8}, "back"},           {{0.9, 0.8}, "right_repeater"}};
        QTest::newRow("four cameras")
            << QStringList{"front", "back", "left_repeater", "right_pillar"}
            << Spots{{{0.1, 0.3}, "front"},         {{0.5, 0.3}, "front"},
                     {{0.9, 0.3}, "right_pillar"},  {{0.1, 0.8}, "left_repeater"},
                     {{0.5, 0.8}, "back"},          {{0.9, 0.8}, "back"}};
        QTest::newRow("front alone")
            << QStringList{"front"}
            << Spots{{{0.1, 0.1}, "front"}, {{0.5, 0.5}, "front"}, {{0.9, 0.9}, "front"}};
        // Up to three cameras go as the older families' channels do: one large above two small.
        QTest::newRow("front, back and a pillar")
            << QStringList{"front", "back", "left_pillar"}
            << Spots{{{0.5, 0.3}, "front"}, {{0.2, 0.8}, "back"}, {{0.7, 0.8}, "left_pillar"}};
    }
    void everyChannelIsCopiedAndPlaced()
    {
        QFETCH(QStringList, cameras);
        QFETCH(Spots, spots);
        const QString folder = cameraFolder(cameras);
        QString why;
        const QStringList channels = recordingChannels(carFile(folder, "front"), &why);
        QStringList expected;
        for (const QString &camera : kCameras)
            if (cameras.contains(camera))
                expected << carFile(folder, camera);
        QCOMPARE(channels, expected); // front first, then in channel order

        QTemporaryDir out;
        ClipRequest request;
        request.channels = channels;
        request.from = 0.5;
        request.to = 2.5;
        request.gpx = false;
        request.targetDir = out.path();
        const ClipResult result = exportClip(request);
        QVERIFY2(result.ok, qPrintable(result.error));

        QStringList names = QDir(result.folder).entryList(QDir::Files);
        QStringList wanted{"composed.mp4"};
        for (const QString &path : channels)
            wanted << QFileInfo(path).fileName();
        names.sort();
        wanted.sort();
        QCOMPARE(names, wanted);
        for (const QString &path : channels)
            QCOMPARE(codecsOf(result.folder + '/' + QFileInfo(path).fileName()),
                     QStringList{"h264"});

        const QImage picture = frameAt(result.folder + "/composed.mp4", 1.0);
        QCOMPARE(picture.size(), request.size);
        const int paneHeight = request.size.height() - stripHeightFor(request.size.height());
        for (const auto &spot : spots) {
            const QPoint at(int(spot.first.x() * request.size.width()),
                            int(spot.first.y() * paneHeight));
            const QColor seen = patchColour(picture, at);
            const QColor colour = kColours[kCameras.indexOf(spot.second)];
            QVERIFY2(near(seen, colour),
                     qPrintable(QStringLiteral("%1 at (%2, %3) shows %4, not %5")
                                    .arg(spot.second)
                                    .arg(at.x())
                                    .arg(at.y())
                                    .arg(seen.name(), colour.name())));
        }
    }

    // The command line takes the front file and finds the other cameras beside it.
    void commandLineFindsTheCameras_data()
    {
        QTest::addColumn<QStringList>("cameras");
        QTest::addColumn<int>("files");
        QTest::newRow("six cameras") << kCameras << 7;
        QTest::newRow("two cameras") << QStringList{"front", "right_repeater"} << 3;
        QTest::newRow("front alone") << QStringList{"front"} << 2;
    }
    void commandLineFindsTheCameras()
    {
        QFETCH(QStringList, cameras);
        QFETCH(int, files);
        const QString folder = cameraFolder(cameras);
        QTemporaryDir out;
        const Run r = run(QStringLiteral(QMARL_BIN_DIR "/q-marl-clip"),
                          {"--from", "0.5", "--to", "2", "--no-gpx", "--output", out.path(),
                           carFile(folder, "front")});
        QVERIFY2(r.code == 0, r.err.constData());
        const QString written = QString::fromLocal8Bit(r.out.trimmed());
        QCOMPARE(QDir(written).entryList(QDir::Files).size(), files);
        for (const QString &camera : cameras)
            QVERIFY(QFile::exists(written + '/' + QFileInfo(carFile(folder, camera)).fileName()));
    }
};

QTEST_MAIN(TestCarClip)
#include "tst_carclip.moc"
