#include "clipexport.h"

#include "avhandles.h"
#include "channelnames.h"
#include "cliptime.h"
#include "extracttrack.h"
#include "composer.h"
#include "losslesscut.h"
#include "panelayout.h"
#include "recordingrange.h"
#include "telemetrystrip.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>
#include <thread>
#include <vector>

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

// The channels with their durations, an empty path for one that cannot be read; the front one
// must be.
bool probeChannels(const QStringList &paths, const ClipHooks &hooks, QVector<Channel> *channels,
                   QString *error)
{
    for (int i = 0; i < paths.size(); ++i) {
        QString why;
        InputPtr input = openMediaHeader(paths[i], &why);
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
            channels->push_back({});
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
    const QString textPath = QDir(scratch).filePath(QStringLiteral(".track.txt"));
    const TrackExtraction extraction =
        extractTrackReport(QFile::encodeName(front).constData(),
                           QFile::encodeName(textPath).constData(), containerKindForPath(front));
    QFile file(textPath);
    QByteArray text;
    if (extraction.ok() && file.open(QIODevice::ReadOnly))
        text = file.readAll();
    file.remove();
    *options = exportOptionsFor(extraction.report.layout, extraction.report.fineGScale);
    return text;
}

// The track lines first up to (not including) end.
QByteArray rangeLines(const QByteArray &track, int first, int end)
{
    const QList<QByteArray> lines = track.split('\n');
    const int last = qMin(end, int(lines.size()));
    QByteArray out;
    for (int i = qMax(0, first); i < last; ++i)
        out += lines[i] + '\n';
    return out;
}

// Clamps the range to the recordings; false (and *outside) when nothing of it is left.
bool settleRange(double length, bool drive, int fps, const ClipHooks &hooks, double *from,
                 double *to, QString *error, bool *outside)
{
    const double asked[] = {*from, *to};
    const QString what = drive ? QStringLiteral("drive") : QStringLiteral("recording");
    *from = qMax(0.0, *from);
    if (length > 0)
        *to = qMin(*to, length);
    if (*to - *from < 1.0 / qMax(1, fps)) {
        *error = QStringLiteral("the range %1-%2 s lies outside the %3 (0-%4 s)")
                     .arg(clipSecondsText(asked[0]), clipSecondsText(asked[1]), what,
                          clipSecondsText(length));
        *outside = true;
        return false;
    }
    if (hooks.note && (*from != asked[0] || *to != asked[1]))
        hooks.note(QStringLiteral("the range %1-%2 s reaches outside the %3 (0-%4 s): "
                                  "clamped to %5-%6 s")
                       .arg(clipSecondsText(asked[0]), clipSecondsText(asked[1]), what,
                            clipSecondsText(length), clipSecondsText(*from),
                            clipSecondsText(*to)));
    return true;
}

// Drops the channels that end before the part of the range in their recording (a stale last
// picture would mislead in the composed video).
void dropEndedChannels(double localFrom, const ClipHooks &hooks, QVector<Channel> *channels)
{
    for (int i = int(channels->size()) - 1; i > 0; --i) {
        const Channel &c = channels->at(i);
        if (c.duration > 0 && c.duration <= localFrom) {
            if (hooks.note)
                hooks.note(QStringLiteral("%1: ends at %2 s, before the range; left out")
                               .arg(QFileInfo(c.path).fileName(), clipSecondsText(c.duration)));
            channels->remove(i);
        }
    }
}

// One recording of the range, probed.
struct Piece
{
    QVector<Channel> channels; // by channel, front first; empty path when left out
    RecordingSpan span;
    double from = 0; // the part of the range in this recording, its own seconds
    double to = 0;   // infinite when the range goes on into the next recording
};

// The file of channel c in a piece, or an empty text.
QString channelPath(const Piece &piece, int c)
{
    return c < piece.channels.size() ? piece.channels[c].path : QString();
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

// The car's camera each channel place shows, read from its files' names as the window reads
// them: channels left out close up, so place n need not show camera n. Zeros (place n shows
// camera n) for the other families.
namespace clipexport {
std::array<int, kMaxPanes> carCamerasOf(const QVector<Piece> &pieces, int count)
{
    std::array<int, kMaxPanes> cameras{};
    for (int c = 0; c < count && c < kMaxPanes; ++c) {
        for (const Piece &piece : pieces) {
            ChannelEndings endings;
            const QString path = channelPath(piece, c);
            if (path.isEmpty() || !channelEndingsOf(QFileInfo(path).fileName(), &endings))
                continue;
            if (endings.carCameras)
                cameras[size_t(c)] = endings.channel;
            break;
        }
    }
    return cameras;
}
} // namespace clipexport

// The composed video of the range: the channels shown and where, placed as the window places
// them, above the strip.
ComposeJob composeJobFor(const QVector<Piece> &pieces, int count, const ClipRequest &request,
                         double from, double to)
{
    ComposeJob job;
    job.from = from;
    job.to = to;
    job.speed = request.speed;
    job.size = request.size;
    job.fps = request.fps;
    job.stripHeight = stripHeightFor(request.size.height());
    const QRect area(0, 0, request.size.width(), request.size.height() - job.stripHeight);
    const int split = request.splitType >= 0 ? request.splitType : defaultSplitType(count);
    const PaneLayout layout =
        paneLayout(split, count, area, request.keepRatio, clipexport::carCamerasOf(pieces, count));
    for (int i = 0; i < count && i < kMaxPanes; ++i) {
        if ((layout.singleChannel && i > 0) || (layout.changesVisibility && !layout.visible[size_t(i)]))
            continue;
        const QRect rect = evenRect(layout.rects[size_t(i)].intersected(area));
        if (rect.width() < 2 || rect.height() < 2)
            continue;
        ComposeChannel channel;
        for (const Piece &piece : pieces)
            if (!channelPath(piece, i).isEmpty())
                channel.push_back({channelPath(piece, i), piece.span.offset});
        if (channel.isEmpty())
            continue;
        job.channels << channel;
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
    if (request.channels.isEmpty() && request.recordings.isEmpty())
        return failed(QStringLiteral("no recording given"));
    if (!request.copyChannels && !request.composed && !request.gpx)
        return failed(QStringLiteral("nothing to write"));
    if (!(request.to > request.from))
        return failed(QStringLiteral("the range's end is not after its start"));
    if (std::find(kClipSpeeds.cbegin(), kClipSpeeds.cend(), request.speed) == kClipSpeeds.cend())
        return failed(QStringLiteral("the speed %1 is not one of 1, 2, 4, 8, 16, 32, 64")
                          .arg(request.speed));
    const QString problem = targetFolderProblem(request.targetDir);
    if (!problem.isEmpty())
        return failed(problem);

    // The recordings, one after another; a lone recording is a drive of one.
    const bool drive = !request.recordings.isEmpty();
    QVector<ClipRecording> recordings = request.recordings;
    if (!drive)
        recordings.push_back({request.channels, 0, request.trackGiven, request.trackText});
    QVector<Piece> all;
    QVector<double> lengths;
    for (const ClipRecording &recording : qAsConst(recordings)) {
        Piece piece;
        if (recording.channels.isEmpty())
            return failed(QStringLiteral("a recording without files"));
        if (!probeChannels(recording.channels, hooks, &piece.channels, &result.error))
            return result;
        lengths.push_back(recording.seconds > 0 ? recording.seconds
                                                : recordingSeconds(recording.channels.front()));
        all.push_back(piece);
    }
    // A lone recording whose length no header tells is taken to hold the range.
    if (!drive && lengths.front() <= 0)
        lengths.front() = request.to;
    const QVector<RecordingSpan> spans = spansOf(lengths);
    double from = request.from, to = request.to;
    if (!settleRange(spans.last().end(), drive, request.fps, hooks, &from, &to, &result.error,
                     &result.outsideRange))
        return result;
    if (request.composed && composedFrameCount(from, to, request.fps, request.speed) < 1)
        return failed(QStringLiteral("the range %1-%2 s is too short for a time-lapse at %3x")
                          .arg(clipSecondsText(from), clipSecondsText(to))
                          .arg(request.speed));
    // The recordings the range touches, each with its part of the range.
    QVector<Piece> pieces;
    const QVector<int> touched = touchedSpans(spans, from, to);
    for (int n = 0; n < touched.size(); ++n) {
        Piece piece = all[touched[n]];
        piece.span = spans[touched[n]];
        piece.from = qMax(0.0, from - piece.span.offset);
        piece.to = n + 1 < touched.size() ? std::numeric_limits<double>::infinity()
                                          : to - piece.span.offset;
        dropEndedChannels(piece.from, hooks, &piece.channels);
        pieces.push_back(piece);
    }
    if (pieces.isEmpty())
        return failed(QStringLiteral("the range holds no picture"));
    // Channel places no recording of the range fills are closed up, as the window does.
    int channelCount = 0;
    for (const Piece &piece : qAsConst(pieces))
        channelCount = qMax(channelCount, int(piece.channels.size()));
    for (int c = channelCount - 1; c > 0; --c) {
        bool used = false;
        for (const Piece &piece : qAsConst(pieces))
            used = used || !channelPath(piece, c).isEmpty();
        if (used)
            continue;
        for (Piece &piece : pieces)
            if (c < piece.channels.size())
                piece.channels.remove(c);
        --channelCount;
    }
    const QString front = pieces.front().channels.front().path;
    const QString name = clipFolderName(front, from, to);
    QTemporaryDir scratch(QDir(request.targetDir).filePath(QStringLiteral(".") + name +
                                                           QStringLiteral("-XXXXXX")));
    if (!scratch.isValid())
        return failed(QStringLiteral("cannot create a folder in %1: %2")
                          .arg(request.targetDir, scratch.errorString()));

    // The track: in a drive, each touched recording's own lines one after another.
    TrackExportOptions trackOptions = request.trackOptions;
    QByteArray track;
    JoinedTrack joined;
    // Copies alone need no track (reading it costs a pass over each front file).
    const bool needTrack = request.composed || request.gpx;
    if (!drive) {
        track = request.trackGiven || !needTrack
                    ? request.trackText
                    : extractFrontTrack(front, scratch.path(), &trackOptions);
    } else {
        QVector<QByteArray> tracks(spans.size());
        for (int n = 0; n < touched.size(); ++n) {
            const ClipRecording &recording = recordings[touched[n]];
            TrackExportOptions options;
            const QString ownFront = pieces[n].channels.front().path;
            tracks[touched[n]] = recording.trackGiven || !needTrack
                                     ? recording.trackText
                                     : extractFrontTrack(ownFront, scratch.path(), &options);
            if (n == 0 && !recording.trackGiven)
                trackOptions = options;
        }
        joined = joinTracks(spans, tracks);
        track = joined.text;
    }
    // The track line of a moment: in a drive, its recording's own second.
    const auto lineAt = [&](double t) {
        return drive ? joined.lineAt(t) : int(std::floor(t + 1e-6));
    };
    TelemetryStrip strip(track, request.mph);

    const double total = (request.copyChannels ? kCopyWeight * channelCount : 0) +
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
        // The channels are copied side by side, each on a thread of its own: a copy is mostly
        // reading and writing, and the channels share nothing but the cancel flag. Notes are
        // said afterwards in channel order.
        struct ChannelCopy
        {
            QVector<CutPiece> cuts;
            bool join = true;
            QStringList notes;
            QString error; // set when the front channel failed (the export fails with it)
            std::atomic<int> permille{0};
        };
        std::vector<std::unique_ptr<ChannelCopy>> copies;
        for (int c = 0; c < channelCount; ++c) {
            auto copy = std::make_unique<ChannelCopy>();
            QStringList paths;
            for (const Piece &piece : qAsConst(pieces))
                if (!channelPath(piece, c).isEmpty()) {
                    copy->cuts.push_back({channelPath(piece, c), piece.from, piece.to});
                    paths << channelPath(piece, c);
                }
            if (copy->cuts.isEmpty())
                continue;
            // The channel's files of the range, joined into one when they are alike.
            if (copy->cuts.size() > 1) {
                const QString mismatch = copy->cuts.size() < pieces.size()
                                             ? QStringLiteral("missing from some recordings")
                                             : joinMismatch(paths);
                if (!mismatch.isEmpty()) {
                    copy->notes << QStringLiteral("%1: %2; one file per recording")
                                       .arg(QFileInfo(paths.front()).fileName(), mismatch);
                    copy->join = false;
                }
            }
            copies.push_back(std::move(copy));
        }
        const auto reportCopies = [&] {
            if (!hooks.progress || total <= 0)
                return;
            double sum = 0;
            for (const auto &copy : copies)
                sum += copy->permille.load(std::memory_order_relaxed) / 1000.0;
            hooks.progress(sum * kCopyWeight / total);
        };
        const auto run = [&](ChannelCopy *copy) {
            ClipHooks own = hooks; // the copy's own notes, said in order afterwards
            own.note = [copy](const QString &line) { copy->notes << line; };
            const int n = copy->join ? 1 : int(copy->cuts.size());
            for (int k = 0; k < n; ++k) {
                const CutPiece &cut = copy->cuts[k];
                const QString fileName = QFileInfo(cut.path).fileName();
                const auto cutProgress = [&, k, n](double f) {
                    copy->permille.store(int((k + f) / n * 1000), std::memory_order_relaxed);
                    reportCopies();
                };
                QString failure;
                const bool ok = copy->join ? joinLosslessly(copy->cuts, scratch.filePath(fileName),
                                                            own, cutProgress, &failure)
                                           : cutLosslessly(cut.path, scratch.filePath(fileName),
                                                           cut.from, cut.to, own, cutProgress,
                                                           &failure);
                if (ok)
                    continue;
                if (hooks.cancelled() || cut.path == front) {
                    copy->error = QStringLiteral("%1: %2").arg(fileName, failure);
                    return;
                }
                copy->notes << QStringLiteral("%1: %2, left out").arg(fileName, failure);
                QFile::remove(scratch.filePath(fileName));
            }
            copy->permille.store(1000, std::memory_order_relaxed);
        };
        std::vector<std::thread> threads;
        for (std::size_t i = 1; i < copies.size(); ++i)
            threads.emplace_back(run, copies[i].get());
        if (!copies.empty())
            run(copies.front().get());
        for (std::thread &thread : threads)
            thread.join();
        for (const auto &copy : copies)
            for (const QString &line : qAsConst(copy->notes))
                note(line);
        for (const auto &copy : copies)
            if (!copy->error.isEmpty())
                return stopped(copy->error);
        done += kCopyWeight * channelCount;
    }
    if (request.composed) {
        ComposeJob job = composeJobFor(pieces, channelCount, request, from, to);
        // The car's own signals, where a recording's front file carries them, on the range's
        // clock.
        QVector<CarSignalFrame> carSignals;
        for (const Piece &piece : qAsConst(pieces)) {
            QVector<CarSignalFrame> frames;
            QString unused;
            if (!readCarSignals(piece.channels.front().path, &frames, &unused))
                continue;
            for (CarSignalFrame &frame : frames)
                frame.time += piece.span.offset;
            carSignals += frames;
        }
        strip.setCarSignals(carSignals);
        job.strip = &strip;
        job.stripSecond = lineAt;
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
            trackPointsFromText(rangeLines(track, lineAt(from), lineAt(to - 1e-3) + 1),
                                trackOptions);
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
