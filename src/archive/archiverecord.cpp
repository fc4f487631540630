#include "archiverecord.h"

#include "carevent.h"
#include "carfolders.h"
#include "drivegrouping.h"
#include "lufileinfomodel.h"
#include "lugpsmodel.h"
#include "videoduration.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {
// A step no car drives in a second: a GPS jump, left out of the distance.
constexpr double kArchiveJumpMetresPerSecond = 70;
// A recording longer than a day is a clock fault; its end is kept within a day.
constexpr double kArchiveLongestSeconds = 86400;
const QString kArchiveFixTimeLayout = QStringLiteral("yyyyMMddHHmmss");

ArchiveFile archiveFileAt(int channel, const QString &path)
{
    const QFileInfo info(path);
    ArchiveFile file;
    file.channel = channel;
    file.path = path;
    file.name = info.fileName();
    if (info.isFile()) {
        file.size = info.size();
        file.mtime = info.lastModified().toSecsSinceEpoch();
    }
    return file;
}

QString statText(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() ? QString::number(info.size()) + QLatin1Char(':') +
                               QString::number(info.lastModified().toMSecsSinceEpoch())
                         : QStringLiteral("-");
}

void addChunks(const QVector<ArchiveFix> &fixes, IndexedRecording *r)
{
    // Fixes grouped by second / 16; each group also takes the next group's first fix when the
    // two are joined, so that every segment lies inside one chunk's box.
    int from = 0;
    while (from < fixes.size()) {
        const int chunkStart = fixes[from].second / kArchiveChunkSeconds * kArchiveChunkSeconds;
        int to = from;
        while (to < fixes.size() && fixes[to].second < chunkStart + kArchiveChunkSeconds)
            ++to;
        const bool joined =
            to < fixes.size() && fixes[to].second - fixes[to - 1].second <= kArchiveLongestGap;
        const QVector<ArchiveFix> part = fixes.mid(from, to - from + (joined ? 1 : 0));
        ArchiveChunk chunk;
        chunk.firstSecond = chunkStart;
        chunk.minLat = chunk.maxLat = part.first().latitude;
        chunk.minLon = chunk.maxLon = part.first().longitude;
        for (const ArchiveFix &fix : part) {
            chunk.minLat = std::min(chunk.minLat, fix.latitude);
            chunk.maxLat = std::max(chunk.maxLat, fix.latitude);
            chunk.minLon = std::min(chunk.minLon, fix.longitude);
            chunk.maxLon = std::max(chunk.maxLon, fix.longitude);
        }
        chunk.fixes = packFixes(part, chunkStart);
        r->chunks.append(chunk);
        from = to;
    }
}

qint64 startOf(const ArchiveFile &front, const QList<LuGPSModel *> &points)
{
    const QDateTime named = nameTimeStamp(front.name);
    if (named.isValid())
        return QDateTime(named.date(), named.time(), Qt::LocalTime).toSecsSinceEpoch();
    for (int second = 0; second < points.size(); ++second) {
        const LuGPSModel *point = points[second];
        if (point->status != 'A')
            continue;
        const QDateTime fixTime =
            wallClockFromDigits(QString::fromLatin1(point->timeText), kArchiveFixTimeLayout);
        if (fixTime.isValid())
            return fixTime.toSecsSinceEpoch() - second;
    }
    return front.mtime;
}
} // namespace

QString sourceStamp(const ArchiveSource &source)
{
    QString stamp = statText(source.frontPath);
    for (const QString &path : source.channelPaths)
        stamp += QLatin1Char('|') + statText(path);
    stamp += QLatin1Char('|') + statText(source.trackCachePath);
    const QString eventFolder = carEventFolderOf(source.frontPath);
    if (!eventFolder.isEmpty())
        stamp += QLatin1Char('|') + statText(QDir(eventFolder).filePath(kCarEventFileName));
    return stamp;
}

QVector<ArchiveCarEvent> carEventsOf(const QString &frontPath, qint64 startUtc, double seconds)
{
    QVector<ArchiveCarEvent> found;
    const QString eventFolder = carEventFolderOf(frontPath);
    if (eventFolder.isEmpty())
        return found;
    const QString path = QDir(eventFolder).filePath(kCarEventFileName);
    CarEvent event;
    if (!QFileInfo(path).isFile() || !readCarEventFile(path, &event))
        return found;
    // The car writes wall-clock digits; the recording's start was read from its name the same
    // way, in the computer's zone.
    const qint64 when =
        QDateTime(event.when.date(), event.when.time(), Qt::LocalTime).toSecsSinceEpoch();
    const qint64 second = when - startUtc;
    if (second < 0 || double(second) > seconds)
        return found;
    // At the instant it ends (a length of whole seconds), as carEventHolder takes it: only when
    // no minute of the folder starts there and so holds the second itself.
    if (double(second) >= std::ceil(seconds)) {
        const QStringList names = QDir(eventFolder).entryList(QDir::Files);
        for (const QString &name : names)
            if (nameTimeStamp(name) == event.when && !name.endsWith(kCarEventFileName))
                return found;
    }
    ArchiveCarEvent held;
    held.second = int(second);
    held.reason = event.reason;
    held.place = event.place();
    if (event.hasPosition()) {
        held.latitude = event.latitude;
        held.longitude = event.longitude;
    }
    found.append(held);
    return found;
}

IndexedRecording describeRecording(const ArchiveSource &source,
                                   const DrivingEventThresholds &thresholds, bool mayExtract)
{
    IndexedRecording r;
    r.stamp = sourceStamp(source);
    r.files.append(archiveFileAt(0, source.frontPath));
    for (int i = 0; i < source.channelPaths.size(); ++i)
        r.files.append(archiveFileAt(i + 1, source.channelPaths[i]));
    r.trackCachePath = source.trackCachePath;

    TrackLoadResult track;
    if (!source.trackCachePath.isEmpty() &&
        (mayExtract || LuFileInfoModel::hasTrackCache(source.trackCachePath))) {
        TrackSource trackSource;
        trackSource.nativePath = source.frontPath;
        trackSource.fileName = r.files.first().name;
        trackSource.cachePath = source.trackCachePath;
        trackSource.channelCount = int(r.files.size());
        trackSource.eventThresholds = thresholds;
        LuFileInfoModel::readTrack(trackSource, &track);
    }
    const QList<LuGPSModel *> &points = track.points;
    r.startUtc = startOf(r.files.first(), points);
    if (!points.isEmpty()) {
        r.seconds = points.size();
    } else if (r.files.first().size > 0) {
        const double duration =
            videoDurationSeconds(QFile::encodeName(source.frontPath).constData());
        r.seconds = duration > 0 ? duration : 0;
    }
    r.seconds = std::min(r.seconds, kArchiveLongestSeconds);

    QVector<ArchiveFix> fixes;
    for (int second = 0; second < points.size(); ++second) {
        const LuGPSModel *point = points[second];
        if (point->status != 'A' || !std::isfinite(point->wgsLatitude) ||
            !std::isfinite(point->wgsLongitude) || std::abs(point->wgsLatitude) > 90 ||
            std::abs(point->wgsLongitude) > 180)
            continue;
        fixes.append({second, point->wgsLatitude, point->wgsLongitude,
                      std::isfinite(point->speedKmh) ? std::max(0.0f, point->speedKmh) : 0.0f});
    }
    for (const DrivingEvent &event : track.statistics.drivingEvents)
        ++r.events[std::size_t(event.kind)];
    r.carEvents = carEventsOf(source.frontPath, r.startUtc, r.seconds);
    r.events[kArchiveCarEventKind] = int(r.carEvents.size());

    // Metres and seconds by quarter hour; a step's metres count at its later second.
    const auto quarterOf = [&](int second) {
        return (r.startUtc + second) / kArchiveQuarterSeconds;
    };
    const auto addToQuarter = [&](int second, double metres, int seconds) {
        const qint64 quarter = quarterOf(second);
        if (r.quarters.isEmpty() || r.quarters.last().quarter != quarter)
            r.quarters.append({quarter, 0, 0});
        r.quarters.last().metres += metres;
        r.quarters.last().seconds += seconds;
    };
    int fixAt = 0;
    for (int second = 0; second < int(r.seconds); ++second) {
        double metres = 0;
        while (fixAt < fixes.size() && fixes[fixAt].second < second)
            ++fixAt;
        if (fixAt > 0 && fixAt < fixes.size() && fixes[fixAt].second == second) {
            const ArchiveFix &a = fixes[fixAt - 1];
            const ArchiveFix &b = fixes[fixAt];
            const int gap = b.second - a.second;
            const double step = archiveMetres(a.latitude, a.longitude, b.latitude, b.longitude);
            if (gap <= kArchiveLongestGap && step <= kArchiveJumpMetresPerSecond * gap)
                metres = step;
        }
        r.metres += metres;
        addToQuarter(second, metres, 1);
    }

    if (fixes.isEmpty())
        return r;
    r.hasBox = true;
    r.minLat = r.maxLat = fixes.first().latitude;
    r.minLon = r.maxLon = fixes.first().longitude;
    for (const ArchiveFix &fix : qAsConst(fixes)) {
        r.topSpeedKmh = std::max(r.topSpeedKmh, double(fix.speedKmh));
        r.minLat = std::min(r.minLat, fix.latitude);
        r.maxLat = std::max(r.maxLat, fix.latitude);
        r.minLon = std::min(r.minLon, fix.longitude);
        r.maxLon = std::max(r.maxLon, fix.longitude);
    }
    QVector<ArchiveFix> route;
    for (int index : simplifiedIndices(fixes, kArchiveRouteToleranceMetres))
        route.append(fixes[index]);
    r.route = packFixes(route, 0);
    addChunks(fixes, &r);
    return r;
}
