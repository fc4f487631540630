// q-marl-clip: cuts a range out of a dash-camera recording the way the viewer's "Export clip"
// does: each channel copied without re-encoding, one composed video with the telemetry strip,
// and the GPX of the range, in a new folder whose path is printed on standard output. With
// --drive the range runs across consecutive recordings of one drive; --speed makes the composed
// video a time-lapse.
//
// Exit status: 0 written, 1 failed, 2 usage error. Each failure is one line on standard error.
#include "channelnames.h"
#include "clipexport.h"
#include "cliptime.h"
#include "drivefiles.h"
#include "recordingrange.h"
#include "extracttrack.h"

#include <QCommandLineParser>
#include <QDir>
#include <QGuiApplication>

#include <algorithm>
#include <clocale>
#include <cstdio>

namespace {
const char kUsage[] = "Usage: q-marl-clip --from T --to T [--output DIR] [--no-copy] "
                      "[--no-composed] [--no-gpx] [--speed N] FRONT [BACK [INSIDE]] | "
                      "--drive FRONT...";

void report(const QString &message)
{
    std::fprintf(stderr, "q-marl-clip: %s\n", message.toLocal8Bit().constData());
}

int usageError(const QString &message)
{
    report(message + QStringLiteral(" (") + QLatin1String(kUsage) + QLatin1Char(')'));
    return 2;
}

void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    // The sample parser warns for every point outside China; that is no news here.
    if (type == QtFatalMsg || type == QtCriticalMsg)
        report(message);
}
} // namespace

int main(int argc, char **argv)
{
    // The strip's text needs the font machinery of a GUI application, never a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietMessages);
    QGuiApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // the track text always uses a decimal point
    QCoreApplication::setApplicationName(QStringLiteral("q-marl-clip"));
    discardTrackDiagnostics();
    silenceMediaLibraryLog();

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Cuts the range FROM-TO (seconds, or [hh:]mm:ss[.fff]) out of a recording into a new\n"
        "folder <front name>_<from>-<to>: each channel copied without re-encoding (from the key\n"
        "frame at or before FROM), composed.mp4 with all channels and the telemetry, and\n"
        "track.gpx with the range's GPS fixes. A front file given alone brings the other\n"
        "channels found beside it by name (back and inside, or the car's cameras).\n"
        "With --drive, the files are the front files of consecutive recordings of one drive in\n"
        "time order (each one's other channels are found beside it); FROM and TO count\n"
        "from the first one's start, and each channel's copy is one file joined across them."));
    const QCommandLineOption fromOption(QStringLiteral("from"), QStringLiteral("Start of the range."),
                                        QStringLiteral("T"));
    const QCommandLineOption toOption(QStringLiteral("to"), QStringLiteral("End of the range."),
                                      QStringLiteral("T"));
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Folder to write into (default: the current folder)."),
        QStringLiteral("DIR"));
    const QCommandLineOption noCopy(QStringLiteral("no-copy"),
                                    QStringLiteral("Do not copy the channels."));
    const QCommandLineOption noComposed(QStringLiteral("no-composed"),
                                        QStringLiteral("Do not write composed.mp4."));
    const QCommandLineOption noGpx(QStringLiteral("no-gpx"),
                                   QStringLiteral("Do not write track.gpx."));
    const QCommandLineOption mph(QStringLiteral("mph"),
                                 QStringLiteral("Speed in miles per hour (default km/h)."));
    const QCommandLineOption driveOption(
        QStringLiteral("drive"),
        QStringLiteral("The files are front files of consecutive recordings of one drive."));
    const QCommandLineOption speedOption(
        QStringLiteral("speed"),
        QStringLiteral("Time-lapse factor of composed.mp4: 1, 2, 4, 8, 16, 32 or 64 (silent "
                       "above 1)."),
        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help."));
    parser.addOptions({fromOption, toOption, outputOption, noCopy, noComposed, noGpx, mph,
                       driveOption, speedOption, helpOption});
    parser.addPositionalArgument(QStringLiteral("FRONT"), QStringLiteral("Front channel file."),
                                 QStringLiteral("FRONT [OTHER CHANNELS...] | --drive FRONT..."));

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption)) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    const QStringList files = parser.positionalArguments();
    const bool drive = parser.isSet(driveOption);
    if (drive ? files.isEmpty() : files.isEmpty() || files.size() > kMaxChannels)
        return usageError(drive ? QStringLiteral("give the front files of the drive's recordings")
                                : QStringLiteral("give one to %1 channel files, front first")
                                      .arg(kMaxChannels));
    if (!parser.isSet(fromOption) || !parser.isSet(toOption))
        return usageError(QStringLiteral("--from and --to are both needed"));
    const std::optional<double> from = parseClipTime(parser.value(fromOption));
    const std::optional<double> to = parseClipTime(parser.value(toOption));
    if (!from || !to)
        return usageError(QStringLiteral("a time is seconds or [hh:]mm:ss[.fff]"));
    if (!(*to > *from))
        return usageError(QStringLiteral("the range's end is not after its start"));
    bool speedIsNumber = false;
    const int speed = parser.value(speedOption).toInt(&speedIsNumber);
    if (!speedIsNumber ||
        std::find(kClipSpeeds.cbegin(), kClipSpeeds.cend(), speed) == kClipSpeeds.cend())
        return usageError(QStringLiteral("--speed is 1, 2, 4, 8, 16, 32 or 64"));

    ClipRequest request;
    if (drive) {
        QString why;
        request.recordings = driveRecordings(files, &why);
        if (request.recordings.isEmpty())
            return usageError(why);
        QVector<double> lengths;
        for (const ClipRecording &r : qAsConst(request.recordings))
            lengths << r.seconds;
        const double length = spansOf(lengths).last().end();
        if (*from >= length)
            return usageError(QStringLiteral("the range %1-%2 s lies outside the drive (0-%3 s)")
                                  .arg(clipSecondsText(*from), clipSecondsText(*to),
                                       clipSecondsText(length)));
    } else if (files.size() == 1) {
        // A front file named as one brings its partners; any other file is a recording alone.
        QString notFront;
        request.channels = recordingChannels(files.front(), &notFront);
        if (request.channels.isEmpty())
            request.channels = files;
    } else {
        request.channels = files;
    }
    request.speed = speed;
    request.from = *from;
    request.to = *to;
    request.targetDir = parser.isSet(outputOption) ? parser.value(outputOption) : QDir::currentPath();
    request.copyChannels = !parser.isSet(noCopy);
    request.composed = !parser.isSet(noComposed);
    request.gpx = !parser.isSet(noGpx);
    request.mph = parser.isSet(mph);
    if (!request.copyChannels && !request.composed && !request.gpx)
        return usageError(QStringLiteral("nothing left to write"));

    ClipHooks hooks;
    hooks.note = report;
    const ClipResult result = exportClip(request, hooks);
    if (!result.ok) {
        report(result.error);
        return drive && result.outsideRange ? 2 : 1;
    }
    std::printf("%s\n", QDir::toNativeSeparators(result.folder).toLocal8Bit().constData());
    return 0;
}
