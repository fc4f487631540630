// q-marl-track: extracts the GPS track a dash camera embedded in its video files, the same way the
// viewer does, and writes it as the viewer's track text, as GPX 1.1 or as CSV.
//
// Standard output carries only the requested result. Everything else (the readers' progress
// lines, per-file reports, errors) goes to standard error.
#include "boxwalk.h"
#include "extracttrack.h"
#include "recordinglisting.h"
#include "trackexport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <clocale>
#include <cstdio>
#include <unistd.h>

namespace {

enum class Format
{
    Text,
    Gpx,
    Csv,
    Probe
};

const char kUsage[] =
    "Usage: q-marl-track [--kind 0|1|2] [--gpx | --csv | --probe] [--output FILE] VIDEO...\n"
    "       q-marl-track --recordings [--json] [--output FILE] FILE|FOLDER...";

void report(const QString &message)
{
    std::fprintf(stderr, "q-marl-track: %s\n", message.toLocal8Bit().constData());
}

// The readers and the region test print progress with printf; point standard output at standard
// error and keep a private descriptor for the result, so nothing can mix into it.
int takeOverStandardOutput()
{
    std::fflush(stdout);
    const int result = ::dup(STDOUT_FILENO);
    if (result < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0)
        return -1;
    return result;
}

void quietMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    // The sample parser warns for every point outside China; that is no news here.
    if (type == QtFatalMsg || type == QtCriticalMsg)
        report(message);
}

struct Extraction
{
    bool ok = false;
    TrackLayout layout = TrackLayout::None;
    bool haisi = false;
    TrackReport report;
    QByteArray text;
};

Extraction extract(const QString &video, int kind, const QString &textPath)
{
    Extraction e;
    const TrackExtraction found = extractTrackReport(QFile::encodeName(video).constData(),
                                                     QFile::encodeName(textPath).constData(), kind);
    e.ok = found.ok();
    e.layout = found.report.layout;
    e.haisi = found.report.fineGScale;
    e.report = found.report;
    QFile text(textPath);
    if (e.ok && text.open(QIODevice::ReadOnly))
        e.text = text.readAll();
    QFile::remove(textPath);
    return e;
}

int sampleCount(const QByteArray &text)
{
    return int(text.count('\n')) + (text.isEmpty() || text.endsWith('\n') ? 0 : 1);
}

QByteArray probeReport(const QString &video, const Extraction &e)
{
    QByteArray out;
    const auto add = [&out](const QString &s) { out += s.toUtf8() + '\n'; };
    QFile file(video);
    add(QStringLiteral("file: %1").arg(video));
    add(QStringLiteral("size: %1").arg(QFileInfo(video).size()));
    add(QStringLiteral("layout: %1")
            .arg(QString::fromLatin1(trackLayoutName(e.ok ? e.layout : TrackLayout::None))));
    if (e.ok && !e.report.variant.empty())
        add(QStringLiteral("variant: %1").arg(QString::fromStdString(e.report.variant)));
    if (e.ok)
        add(QStringLiteral("clock: %1")
                .arg(e.report.localTime
                         ? QStringLiteral("local time (the file does not say which zone; "
                                          "written as UTC unchanged)")
                         : QStringLiteral("UTC")));
    if (e.ok && e.report.hasAccel)
        add(QStringLiteral("g-sensor: yes"));
    if (!e.ok && !e.report.problem.empty())
        add(QStringLiteral("note: %1").arg(QString::fromStdString(e.report.problem)));
    add(QStringLiteral("samples: %1").arg(e.ok ? sampleCount(e.text) : 0));
    if (!file.open(QIODevice::ReadOnly)) {
        add(QStringLiteral("boxes: cannot open the file"));
        return out;
    }
    const BoxWalk walk = walkBoxes(file);
    add(QStringLiteral("boxes:"));
    for (const BoxEntry &b : walk.boxes)
        add(QStringLiteral("%1%2 '%3' size %4")
                .arg(QString(2 + 2 * b.depth, QLatin1Char(' ')))
                .arg(b.offset)
                .arg(QString::fromLatin1(b.type))
                .arg(b.size));
    if (!walk.stopReason.isEmpty())
        add(QStringLiteral("  walk stopped: %1").arg(walk.stopReason));
    return out;
}

// One recording a line: start, drive, channel count, the files front first, between tabs (a
// file name may hold spaces).
QByteArray recordingLines(const QVector<ListedRecording> &recordings)
{
    QByteArray out;
    for (const ListedRecording &r : recordings) {
        QStringList fields{r.start.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")),
                           QString::number(r.drive), QString::number(r.channels.size())};
        for (const ListedChannel &c : r.channels)
            fields << c.path;
        out += fields.join(QLatin1Char('\t')).toUtf8() + '\n';
    }
    return out;
}

QByteArray recordingsJson(const QVector<ListedRecording> &recordings)
{
    QJsonArray array;
    for (const ListedRecording &r : recordings) {
        QJsonArray channels;
        for (const ListedChannel &c : r.channels)
            channels.append(QJsonObject{{QStringLiteral("camera"), c.camera},
                                        {QStringLiteral("path"), c.path}});
        array.append(QJsonObject{
            {QStringLiteral("start"), r.start.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"))},
            {QStringLiteral("drive"), r.drive},
            {QStringLiteral("channels"), channels}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

// --recordings: the arguments grouped as the viewer groups them. 1 when an argument gave
// nothing to list.
int listRecordingsTo(QFile &out, const QStringList &arguments, bool json)
{
    // The viewer's own cache folder is skipped in a walk, and the models name their caches
    // there, as the viewer's would.
    QCoreApplication::setApplicationName(QStringLiteral("q-marl"));
    const RecordingListing listing = listRecordings(arguments);
    for (const QString &path : listing.missing)
        report(QStringLiteral("%1: no such file or folder").arg(path));
    for (const QString &path : listing.emptyFolders)
        report(QStringLiteral("%1: no video in the folder").arg(path));
    for (const QString &path : listing.notVideos)
        report(QStringLiteral("%1: not a video file").arg(path));
    out.write(json ? recordingsJson(listing.recordings) : recordingLines(listing.recordings));
    if (!out.flush()) {
        report(QStringLiteral("cannot write the result: %1").arg(out.errorString()));
        return 1;
    }
    return listing.missing.isEmpty() && listing.emptyFolders.isEmpty() &&
                   listing.notVideos.isEmpty()
               ? 0
               : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const int resultFd = takeOverStandardOutput();
    QCoreApplication app(argc, argv);
    std::setlocale(LC_NUMERIC, "C"); // the track text always uses a decimal point
    QCoreApplication::setApplicationName(QStringLiteral("q-marl-track"));
    qInstallMessageHandler(quietMessages);
    if (resultFd < 0) {
        report(QStringLiteral("cannot set up standard output"));
        return 1;
    }

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Extracts the GPS track embedded in dash-camera video files (MP4, MOV, MPEG-TS).\n"
        "Without a format option the track text is written exactly as the viewer caches it.\n"
        "GPX and CSV hold the valid fixes only, in WGS-84 with UTC times; a sample the camera\n"
        "repeated for a rejected position jump is kept once."));
    const QCommandLineOption kindOption(
        QStringLiteral("kind"),
        QStringLiteral("Container kind: 0 MOV, 1 MP4, 2 transport stream "
                       "(default: from the file name)."),
        QStringLiteral("0|1|2"));
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write to FILE instead of standard output."), QStringLiteral("FILE"));
    const QCommandLineOption gpxOption(QStringLiteral("gpx"), QStringLiteral("Write GPX 1.1."));
    const QCommandLineOption csvOption(QStringLiteral("csv"),
                                       QStringLiteral("Write CSV with a header row."));
    const QCommandLineOption probeOption(
        QStringLiteral("probe"),
        QStringLiteral("Report the layout found, the box structure and the "
                       "sample count."));
    const QCommandLineOption recordingsOption(
        QStringLiteral("recordings"),
        QStringLiteral("List the recordings of the files and folders given, as the viewer groups "
                       "them: one a line, its start, drive, channel count and files (front "
                       "first), between tabs; no track is read."));
    const QCommandLineOption jsonOption(
        QStringLiteral("json"), QStringLiteral("With --recordings: a JSON array of recordings."));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help."));
    parser.addOptions({kindOption, outputOption, gpxOption, csvOption, probeOption,
                       recordingsOption, jsonOption, helpOption});
    parser.addPositionalArgument(QStringLiteral("VIDEO"),
                                 QStringLiteral("Video files, processed in turn."),
                                 QStringLiteral("VIDEO..."));

    if (!parser.parse(QCoreApplication::arguments())) {
        report(parser.errorText());
        std::fprintf(stderr, "%s\n", kUsage);
        return 2;
    }
    if (parser.isSet(helpOption)) {
        QFile out;
        out.open(resultFd, QIODevice::WriteOnly);
        out.write(parser.helpText()
                      .replace(QLatin1String("[options]"), QLatin1String("[options] VIDEO..."))
                      .toUtf8());
        return 0;
    }
    int kind = -1;
    if (parser.isSet(kindOption)) {
        const QString k = parser.value(kindOption);
        if (k != QLatin1String("0") && k != QLatin1String("1") && k != QLatin1String("2")) {
            report(QStringLiteral("--kind takes 0, 1 or 2, not '%1'").arg(k));
            return 2;
        }
        kind = k.toInt();
    }
    const int formats = int(parser.isSet(gpxOption)) + int(parser.isSet(csvOption)) +
                        int(parser.isSet(probeOption));
    if (formats > 1) {
        report(QStringLiteral("choose one of --gpx, --csv and --probe"));
        return 2;
    }
    const bool recordings = parser.isSet(recordingsOption);
    if (recordings && (formats > 0 || parser.isSet(kindOption))) {
        report(QStringLiteral("--recordings takes no --kind, --gpx, --csv or --probe"));
        return 2;
    }
    if (parser.isSet(jsonOption) && !recordings) {
        report(QStringLiteral("--json goes with --recordings"));
        return 2;
    }
    const Format format = parser.isSet(gpxOption)     ? Format::Gpx
                          : parser.isSet(csvOption)   ? Format::Csv
                          : parser.isSet(probeOption) ? Format::Probe
                                                      : Format::Text;
    const QStringList videos = parser.positionalArguments();
    if (videos.isEmpty()) {
        report(QStringLiteral("no video file given"));
        std::fprintf(stderr, "%s\n", kUsage);
        return 2;
    }

    QFile out;
    if (parser.isSet(outputOption)) {
        out.setFileName(parser.value(outputOption));
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            report(QStringLiteral("cannot write %1: %2").arg(out.fileName(), out.errorString()));
            return 1;
        }
    } else if (!out.open(resultFd, QIODevice::WriteOnly)) {
        report(QStringLiteral("cannot write to standard output"));
        return 1;
    }

    if (recordings)
        return listRecordingsTo(out, videos, parser.isSet(jsonOption));

    QTemporaryDir scratch;
    if (!scratch.isValid()) {
        report(QStringLiteral("cannot create a temporary folder: %1").arg(scratch.errorString()));
        return 1;
    }
    setTrackDiagnosticsStream(stderr);

    bool anyFailed = false;
    QVector<ExportedTrack> tracks;
    if (format == Format::Csv)
        out.write(trackCsvHeader());
    for (const QString &video : videos) {
        const int fileKind = kind >= 0 ? kind : containerKindForPath(video);
        const QFileInfo info(video);
        Extraction e;
        if (!info.isFile() || !info.isReadable()) {
            report(QStringLiteral("%1: cannot open the file").arg(video));
        } else {
            e = extract(video, fileKind, scratch.filePath(QStringLiteral("track.txt")));
            if (e.ok)
                report(QStringLiteral("%1: %2 samples, layout %3%4")
                           .arg(video)
                           .arg(sampleCount(e.text))
                           .arg(QString::fromLatin1(trackLayoutName(e.layout)))
                           .arg(e.haisi ? QStringLiteral(" (fine G-sensor scale)") : QString()));
            else if (!e.report.problem.empty())
                report(QStringLiteral("%1: no track: %2")
                           .arg(video, QString::fromStdString(e.report.problem)));
            else
                report(QStringLiteral("%1: no track found").arg(video));
        }
        anyFailed = anyFailed || !e.ok;
        switch (format) {
        case Format::Text:
            out.write(e.text);
            break;
        case Format::Probe:
            if (info.isFile())
                out.write(probeReport(video, e));
            break;
        case Format::Gpx:
        case Format::Csv: {
            if (!e.ok)
                break;
            const TrackExportOptions options = exportOptionsFor(e.layout, e.haisi);
            const QVector<TrackPoint> points = trackPointsFromText(e.text, options);
            if (format == Format::Csv)
                out.write(trackPointsToCsv(points));
            else
                tracks.push_back(ExportedTrack{info.fileName(), points});
            break;
        }
        }
    }
    if (format == Format::Gpx)
        out.write(tracksToGpx(tracks, QStringLiteral("q-marl-track")));
    if (!out.flush()) {
        report(QStringLiteral("cannot write the result: %1").arg(out.errorString()));
        return 1;
    }
    out.close();
    return anyFailed ? 1 : 0;
}
