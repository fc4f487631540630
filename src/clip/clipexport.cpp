#include "clipexport.h"

#include "avhandles.h"
#include "cliptime.h"
#include "composer.h"
#include "losslesscut.h"
#include "panelayout.h"
#include "telemetrystrip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cmath>

namespace {
// The share of the whole work each part gets on the progress bar.
constexpr double kCopyWeight = 1;
constexpr double kComposeWeight = 20;
// Exports of one range are numbered up to this many before the export gives up.
constexpr int kMaxSameNamedClips = 999;

struct Channel
{
    QString path;
    double duration = 0;
};

// The channels that can be read, with their durations; the front one must be.
bool probeChannels(const QStringList &paths, const ClipHooks &hooks, QVector<Channel> *channels,
                   QString *error)
{
    for (int i = 0; i < paths.size(); ++i) {
        QString why;
        InputPtr input = openMediaInput(paths[i], &why);
        if (input && av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0) < 0)
            why = QStringLiteral("no video stream");
        if (!input || !why.isEmpty()) {
            const QString name = QFileInfo(paths[i]).fileName();
            if (i == 0) {
                *error = QStringLiteral("%1: cannot read the front channel: %2").arg(name, why);
                return false;
            }
            if (hooks.note)
                hooks.note(QStringLiteral("%1: cannot be read (%2), left out").arg(name, why));
            continue;
        }
        const double duration =
            input->duration != AV_NOPTS_VALUE ? double(input->duration) / AV_TIME_BASE : 0;
        channels->push_back({paths[i], duration});
    }
    return true;
}

QByteArray extractFrontTrack(const QString &front, const QString &scratch,
                             TrackExportOptions *options)
{
    TrackLayout layout = TrackLayout::None;
    const QString textPath = QDir(scratch).filePath(QStringLiteral(".track.txt"));
    const int r = extractTrackTo(QFile::encodeName(front).constData(),
                                 QFile::encodeName(textPath).constData(),
                                 containerKindForPath(front), &layout);
    QFile file(textPath);
    QByteArray text;
    if (r >= 0 && file.open(QIODevice::ReadOnly))
        text = file.readAll();
    file.remove();
    *options = exportOptionsFor(layout, layout == TrackLayout::HiSilicon);
    return text;
}

// The track lines of the seconds the range touches.
QByteArray rangeLines(const QByteArray &track, double from, double to)
{
    const QList<QByteArray> lines = track.split('\n');
    const int first = int(std::floor(from));
    const int last = qMin(int(std::ceil(to)), int(lines.size()));
    QByteArray out;
    for (int i = qMax(0, first); i < last; ++i)
        out += lines[i] + '\n';
    return out;
}

// Clamps the range to the front channel and drops the channels that end before it.
bool settleRange(int fps, const ClipHooks &hooks, QVector<Channel> *channels, double *from,
                 double *to, QString *error)
{
    const double length = channels->front().duration;
    const double asked[] = {*from, *to};
    *from = qMax(0.0, *from);
    if (length > 0)
        *to = qMin(*to, length);
    if (*to - *from < 1.0 / qMax(1, fps)) {
        *error = QStringLiteral("the range %1-%2 s lies outside the recording (0-%3 s)")
                     .arg(clipSecondsText(asked[0]), clipSecondsText(asked[1]),
                          clipSecondsText(length));
        return false;
    }
    if (hooks.note && (*from != asked[0] || *to != asked[1]))
        hooks.note(QStringLiteral("the range %1-%2 s reaches outside the recording (0-%3 s): "
                                  "clamped to %4-%5 s")
                       .arg(clipSecondsText(asked[0]), clipSecondsText(asked[1]),
                            clipSecondsText(length), clipSecondsText(*from),
                            clipSecondsText(*to)));
    // A channel that stopped before the range has nothing to give (a stale last picture would
    // mislead in the composed video).
    for (int i = int(channels->size()) - 1; i > 0; --i) {
        const Channel &c = channels->at(i);
        if (c.duration > 0 && c.duration <= *from) {
            if (hooks.note)
                hooks.note(QStringLiteral("%1: ends at %2 s, before the range; left out")
                               .arg(QFileInfo(c.path).fileName(), clipSecondsText(c.duration)));
            channels->remove(i);
        }
    }
    return true;
}

bool writeGpx(const QVector<TrackPoint> &points, const QString &name, const QString &dir,
              QString *error)
{
    QFile gpx(QDir(dir).filePath(QStringLiteral("track.gpx")));
    const QByteArray text = tracksToGpx({{name, points}}, QStringLiteral("Q-MARL"));
    if (gpx.open(QIODevice::WriteOnly) && gpx.write(text) == text.size())
        return true;
    *error = QStringLiteral("cannot write track.gpx: %1").arg(gpx.errorString());
    return false;
}

QRect evenRect(const QRect &r)
{
    return QRect(r.x() & ~1, r.y() & ~1, r.width() & ~1, r.height() & ~1);
}

// The composed video of the range: the channels shown and where, placed as the window places
// them, above the strip.
ComposeJob composeJobFor(const QVector<Channel> &channels, const ClipRequest &request,
                         double from, double to)
{
    ComposeJob job;
    job.from = from;
    job.to = to;
    job.size = request.size;
    job.fps = request.fps;
    job.stripHeight = stripHeightFor(request.size.height());
    const QRect area(0, 0, request.size.width(), request.size.height() - job.stripHeight);
    const int count = int(channels.size());
    const int split = request.splitType >= 0 ? request.splitType : defaultSplitType(count);
    const PaneLayout layout = paneLayout(split, count, area, request.keepRatio);
    for (int i = 0; i < count && i < 3; ++i) {
        if ((layout.singleChannel && i > 0) || (layout.changesVisibility && !layout.visible[size_t(i)]))
            continue;
        const QRect rect = evenRect(layout.rects[size_t(i)].intersected(area));
        if (rect.width() < 2 || rect.height() < 2)
            continue;
        job.channels << channels[i].path;
        job.rects.push_back(rect);
    }
    return job;
}
} // namespace

QString targetFolderProblem(const QString &dir)
{
    const QFileInfo info(dir);
    if (dir.isEmpty() || !info.exists())
        return QStringLiteral("the folder %1 does not exist").arg(dir);
    if (!info.isDir())
        return QStringLiteral("%1 is not a folder").arg(dir);
    if (!info.isWritable())
        return QStringLiteral("the folder %1 cannot be written").arg(dir);
    return QString();
}

ClipResult exportClip(const ClipRequest &request, const ClipHooks &hooks)
{
    ClipResult result;
    const auto failed = [&result](const QString &why) {
        result.error = why;
        return result;
    };
    const auto note = [&hooks](const QString &line) {
        if (hooks.note)
            hooks.note(line);
    };
    if (request.channels.isEmpty())
        return failed(QStringLiteral("no recording given"));
    if (!request.copyChannels && !request.composed && !request.gpx)
        return failed(QStringLiteral("nothing to write"));
    if (!(request.to > request.from))
        return failed(QStringLiteral("the range's end is not after its start"));
    const QString problem = targetFolderProblem(request.targetDir);
    if (!problem.isEmpty())
        return failed(problem);

    QVector<Channel> channels;
    if (!probeChannels(request.channels, hooks, &channels, &result.error))
        return result;
    double from = request.from, to = request.to;
    if (!settleRange(request.fps, hooks, &channels, &from, &to, &result.error))
        return result;
    const QString front = channels.front().path;
    const QString name = clipFolderName(front, from, to);
    QTemporaryDir scratch(QDir(request.targetDir).filePath(QStringLiteral(".") + name +
                                                           QStringLiteral("-XXXXXX")));
    if (!scratch.isValid())
        return failed(QStringLiteral("cannot create a folder in %1: %2")
                          .arg(request.targetDir, scratch.errorString()));

    TrackExportOptions trackOptions = request.trackOptions;
    const QByteArray track = request.trackGiven
                                 ? request.trackText
                                 : extractFrontTrack(front, scratch.path(), &trackOptions);
    const TelemetryStrip strip(track, request.mph);

    const double total = (request.copyChannels ? kCopyWeight * channels.size() : 0) +
                         (request.composed ? kComposeWeight : 0);
    double done = 0;
    const auto partProgress = [&](double weight) {
        return std::function<void(double)>([&hooks, &done, total, weight](double f) {
            if (hooks.progress && total > 0)
                hooks.progress((done + f * weight) / total);
        });
    };
    const auto stopped = [&](const QString &why) {
        result.cancelled = hooks.cancelled();
        return failed(result.cancelled ? QStringLiteral("cancelled") : why);
    };

    QString why;
    if (request.copyChannels) {
        for (const Channel &channel : qAsConst(channels)) {
            const QString fileName = QFileInfo(channel.path).fileName();
            if (!cutLosslessly(channel.path, scratch.filePath(fileName), from, to, hooks,
                               partProgress(kCopyWeight), &why)) {
                if (hooks.cancelled() || channel.path == front)
                    return stopped(QStringLiteral("%1: %2").arg(fileName, why));
                note(QStringLiteral("%1: %2, left out").arg(fileName, why));
                QFile::remove(scratch.filePath(fileName));
            }
            done += kCopyWeight;
        }
    }
    if (request.composed) {
        ComposeJob job = composeJobFor(channels, request, from, to);
        job.strip = &strip;
        job.output = scratch.filePath(QStringLiteral("composed.mp4"));
        if (!strip.anyFix())
            note(QStringLiteral("%1 has no GPS fixes: the strip says \"no GPS\"")
                     .arg(QFileInfo(front).fileName()));
        if (!composeClip(job, hooks, partProgress(kComposeWeight), &why))
            return stopped(QStringLiteral("composed.mp4: %1").arg(why));
        done += kComposeWeight;
    }
    if (request.gpx) {
        const QVector<TrackPoint> points =
            trackPointsFromText(rangeLines(track, from, to), trackOptions);
        if (points.isEmpty())
            note(QStringLiteral("no GPS fix in the range: no track.gpx"));
        else if (!writeGpx(points, QFileInfo(front).completeBaseName(), scratch.path(), &why))
            return failed(why);
    }
    if (hooks.cancelled())
        return stopped(QString());
    // The temporary folder is private to its owner; the clip is for sharing.
    QFile::setPermissions(scratch.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                                              QFileDevice::ExeGroup | QFileDevice::ReadOther |
                                              QFileDevice::ExeOther);
    // A later export of the same range gets a folder of its own: "name (2)", "name (3)" …;
    // nothing that exists is ever written into or replaced, even one made meanwhile.
    const QDir folder(request.targetDir);
    QString target;
    for (int n = 1; n <= kMaxSameNamedClips && target.isEmpty(); ++n) {
        const QString candidate =
            folder.filePath(n == 1 ? name : QStringLiteral("%1 (%2)").arg(name).arg(n));
        if (!QFileInfo::exists(candidate) && QDir().rename(scratch.path(), candidate))
            target = candidate;
    }
    if (target.isEmpty())
        return failed(QStringLiteral("cannot move %1 to a free name beside %2")
                          .arg(scratch.path(), folder.filePath(name)));
    scratch.setAutoRemove(false);
    result.ok = true;
    result.folder = target;
    if (hooks.progress)
        hooks.progress(1.0);
    return result;
}

void silenceMediaLibraryLog()
{
    av_log_set_level(AV_LOG_QUIET);
}
