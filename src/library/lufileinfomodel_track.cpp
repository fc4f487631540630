// The track side of a recording: the cache file, the points read from it and what is computed
// from them once.
#include "lufileinfomodel.h"

#include "hwdefaultsettings.h"
#include "librarylog.h"

#include "appglobals.h"
#include "clockshift.h"
#include "coordinates.h"
#include "extracttrack.h"
#include "lugpsmodel.h"
#include "trackshift.h"

#include <QDateTime>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSet>
#include <QWaitCondition>

#include <atomic>
#include <cmath>
#include <cstdio>

namespace {
const QString kTxt = QStringLiteral(".txt");
// A cache line is about 90 characters; anything far longer is damage, read whole as one sample.
constexpr qint64 kLongestLine = 4096;
constexpr float kFineScale = 1.0f / 4096.0f;
constexpr double kCoarseScale = 1.0 / 256.0;

bool isNonEmptyFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.size() > 0;
}

QString withHaisiMarker(const QString &cachePath)
{
    if (cachePath.contains(g_haisiSuffix + kTxt))
        return cachePath;
    const int at = cachePath.indexOf(kTxt, 0, Qt::CaseSensitive);
    return at < 0 ? cachePath : QString(cachePath).insert(at, g_haisiSuffix);
}

// Reads one whole line however long it is; false at the end of the file.
bool readWholeLine(QFile &file, QByteArray &line)
{
    line = file.readLine(kLongestLine);
    if (line.isEmpty())
        return false;
    while (!line.endsWith('\n') && !file.atEnd()) {
        line.clear(); // too long: drop it, then skip to its end
        const QByteArray rest = file.readLine(kLongestLine);
        if (rest.endsWith('\n') || file.atEnd())
            return true;
    }
    return true;
}

// A route point for the map page: position, its second in the recording and its speed.
QString pointText(double longitude, double latitude, int second, double knots)
{
    return QStringLiteral("{lng:%1,lat:%2,t:%3,k:%4}")
        .arg(longitude, 0, 'f', 6)
        .arg(latitude, 0, 'f', 6)
        .arg(second)
        .arg(knots, 0, 'f', 2);
}
} // namespace

QString recordTimeText(const LuGPSModel *point)
{
    return QStringLiteral("%1").arg(QString::fromLatin1(point->timeText));
}

QDateTime parseRecordTime(const LuGPSModel *point)
{
    return QDateTime::fromString(recordTimeText(point), QStringLiteral("yyyyMMddHHmmss"));
}

// The statistics, route texts and acceleration series of a track of two or more points.
static void computeStatistics(const QList<LuGPSModel *> &track, TrackStatistics *s);

TrackLoadResult::~TrackLoadResult()
{
    qDeleteAll(points);
}

void LuFileInfoModel::loadTrack()
{
    QMutexLocker locker(&trackMutex);
    if (trackLoaded)
        return;
    TrackLoadResult result;
    readTrack(trackSource(), &result);
    takeTrack(&result);
}

TrackSource LuFileInfoModel::trackSource() const
{
    return {nativePath, fileName, trackCachePath, channelCount,
            HWDefaultSettings::instance()->drivingEventThresholds()};
}

bool LuFileInfoModel::hasTrackCache(const QString &cachePath)
{
    return isNonEmptyFile(withHaisiMarker(cachePath)) || isNonEmptyFile(cachePath);
}

LuFileInfoModel::TrackState LuFileInfoModel::trackState() const
{
    if (trackLoaded && !track.isEmpty())
        return TrackState::Present;
    return trackTried && !trackLoading ? TrackState::Absent : TrackState::Pending;
}

void LuFileInfoModel::applyTrack(TrackLoadResult *result)
{
    QMutexLocker locker(&trackMutex);
    if (!trackLoaded)
        takeTrack(result);
}

QString LuFileInfoModel::unmarkedCachePath(const QString &cachePath)
{
    QString plain = cachePath;
    return plain.replace(g_haisiSuffix + kTxt, kTxt);
}

QString LuFileInfoModel::trackChoicePath(const QString &cachePath)
{
    return unmarkedCachePath(cachePath) + QStringLiteral(".choice");
}

QString LuFileInfoModel::trackChoiceIn(const QString &cachePath)
{
    QFile file(trackChoicePath(cachePath));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.read(4096)) : QString();
}

void LuFileInfoModel::forgetTrack()
{
    QMutexLocker locker(&trackMutex);
    qDeleteAll(track);
    track.clear();
    drivingEvents.clear();
    routeTextBd.clear();
    routeTextWgs.clear();
    routeTextWgs2.clear();
    trackLoaded = false;
    trackTried = false;
}

void LuFileInfoModel::takeTrack(TrackLoadResult *result)
{
    trackTried = true;
    trackCachePath = result->cachePath;
    fineGScale = result->fineGScale;
    if (!result->loaded)
        return;
    for (LuGPSModel *point : qAsConst(result->points))
        point->setParent(this);
    track = result->points;
    result->points.clear();
    const TrackStatistics &statistics = result->statistics;
    routeTextBd = statistics.routeTextBd;
    routeTextWgs = statistics.routeTextWgs;
    routeTextWgs2 = statistics.routeTextWgs2;
    maxSpeed = statistics.maxSpeed;
    averageSpeed = statistics.averageSpeed;
    totalDistance = statistics.totalDistance;
    durationSeconds = statistics.durationSeconds;
    startTimeText = statistics.startTimeText;
    endTimeText = statistics.endTimeText;
    gsensorX = statistics.gsensorX;
    gsensorY = statistics.gsensorY;
    gsensorZ = statistics.gsensorZ;
    hasGsensor = statistics.hasGsensor;
    drivingEvents = statistics.drivingEvents;
    trackLoaded = true;
}

namespace {
// Cache files being built, by name: one extraction per cache file at a time, whichever thread
// asks, so two opens of one file never write the same temporary file.
QMutex s_buildMutex;
QWaitCondition s_buildDone;
QSet<QString> s_building;
// Extractions started in this process.
std::atomic<int> s_extractions{0};

class CacheBuildLock
{
public:
    explicit CacheBuildLock(const QString &cachePath) : m_path(cachePath)
    {
        QMutexLocker locker(&s_buildMutex);
        while (s_building.contains(m_path))
            s_buildDone.wait(&s_buildMutex);
        s_building.insert(m_path);
    }
    ~CacheBuildLock()
    {
        QMutexLocker locker(&s_buildMutex);
        s_building.remove(m_path);
        s_buildDone.wakeAll();
    }
    CacheBuildLock(const CacheBuildLock &) = delete;
    CacheBuildLock &operator=(const CacheBuildLock &) = delete;

private:
    const QString m_path;
};

// Extracts the video's track into a temporary file and moves it to the cache name, marked when
// the HiSilicon reader made it.
bool buildTrackCache(const TrackSource &source, TrackLoadResult *result)
{
    ++s_extractions;
    qCWarning(lcLibrary) << "need paras gps info..." << source.fileName;
    const QString temporary = result->cachePath + QStringLiteral(".tmp");
    const QString choice = LuFileInfoModel::trackChoiceIn(source.cachePath);
    const TrackFrom from = choice == LuFileInfoModel::kVideoTrackChoice ? TrackFrom::Video
                           : choice == LuFileInfoModel::kSideFileChoice ? TrackFrom::SideFile
                                                                        : TrackFrom::Any;
    const TrackExtraction extraction =
        extractTrackReport(QFile::encodeName(source.nativePath).constData(),
                           QFile::encodeName(temporary).constData(),
                           containerKindForPath(source.fileName), from);
    const int code = extraction.result;
    // Success is 0 or more (the readers that count their lines return the count).
    if (code < 0) {
        qCWarning(lcLibrary) << "LuFileInfoModel::loadTrack: no track in" << source.nativePath
                             << "result" << code;
        QFile::remove(temporary);
        return false;
    }
    // A camera whose track runs off its picture: the user's correction, in whole seconds.
    const long shift = std::lround(ClockShift::ofCache(source.cachePath, ClockShift::Target::OwnTrack));
    if (shift != 0 && !shiftTrackLines(temporary, int(shift)))
        qCWarning(lcLibrary) << "LuFileInfoModel::loadTrack: the track of" << source.nativePath
                             << "is kept unshifted";
    if (extraction.report.fineGScale) {
        result->fineGScale = true;
        result->cachePath = withHaisiMarker(result->cachePath);
    }
    QFile::remove(result->cachePath);
    if (!QFile::rename(temporary, result->cachePath)) {
        qCWarning(lcLibrary) << "LuFileInfoModel::loadTrack: cannot move" << temporary << "to"
                             << result->cachePath;
        QFile::remove(temporary);
        return false;
    }
    return true;
}

// Every line is one sample, damaged or not: the telemetry finds a second's sample by its
// index, so a line left out would put every later sample a second early.
bool readTrackCache(const QString &cachePath, bool fineGScale, QList<LuGPSModel *> *points)
{
    QFile file(cachePath);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcLibrary) << "LuFileInfoModel::loadTrack: cannot open" << cachePath
                             << file.errorString();
        return false;
    }
    QByteArray line;
    while (readWholeLine(file, line)) {
        qCDebug(lcCacheLines) << line;
        auto *point = new LuGPSModel(line.constData(), line.size(), nullptr);
        point->fromHaisi = fineGScale;
        points->append(point);
    }
    return true;
}
} // namespace

int LuFileInfoModel::trackExtractions()
{
    return s_extractions.load();
}

void LuFileInfoModel::readTrack(const TrackSource &source, TrackLoadResult *result)
{
    result->cachePath = source.cachePath;
    // The user chose no track for it: none is read or extracted.
    if (trackChoiceIn(source.cachePath) == kNoTrackChoice) {
        result->loaded = true;
        return;
    }
    const auto findCache = [&] {
        // A HiSilicon track is cached under the marked name so its finer G-sensor scale
        // survives a restart; look for that name first.
        const QString marked = withHaisiMarker(source.cachePath);
        if (isNonEmptyFile(marked)) {
            result->cachePath = marked;
            result->fineGScale = true;
            return true;
        }
        return isNonEmptyFile(source.cachePath);
    };
    if (!findCache()) {
        const CacheBuildLock lock(source.cachePath);
        if (!findCache()) // another thread may have built it meanwhile
            buildTrackCache(source, result);
    }

    qCDebug(lcLibrary) << "............................" << source.channelCount;
    result->loaded = readTrackCache(result->cachePath, result->fineGScale, &result->points);
    if (!result->loaded)
        return;
    qCDebug(lcLibrary) << "............................";
    // Computed here too, so a worker leaves the recording's thread only the hand-over.
    if (result->points.size() >= 2) {
        computeStatistics(result->points, &result->statistics);
        result->statistics.drivingEvents = findDrivingEvents(
            result->points, result->fineGScale ? 1.0 / 4096 : 1.0 / 256, source.eventThresholds);
    }
}

static void computeStatistics(const QList<LuGPSModel *> &track, TrackStatistics *s)
{
    s->startTimeText = recordTimeText(track.first());
    s->endTimeText = recordTimeText(track.last());
    s->durationSeconds =
        float(parseRecordTime(track.first()).secsTo(parseRecordTime(track.last())));

    QString bd = QStringLiteral("[");
    QString wgs = QStringLiteral("[");
    double speedSum = 0;
    const LuGPSModel *previous = nullptr;
    int second = -1;
    for (const LuGPSModel *point : qAsConst(track)) {
        ++second;
        if (point->speedKnots > s->maxSpeed)
            s->maxSpeed = point->speedKnots;
        speedSum += point->speedKnots;
        if (previous)
            s->totalDistance = float(double(s->totalDistance) +
                                     distanceMetres(previous->longitude, previous->latitude,
                                                    point->longitude, point->latitude));
        float x, y, z;
        if (point->fromHaisi) {
            x = float(point->gRawX) * kFineScale;
            y = float(point->gRawY) * kFineScale;
            z = float(point->gRawZ) * kFineScale;
        } else {
            x = float(point->gRawX * kCoarseScale);
            y = float(point->gRawY * kCoarseScale);
            z = float(point->gRawZ * kCoarseScale);
        }
        s->gsensorX.append(x);
        s->gsensorY.append(y);
        s->gsensorZ.append(z);
        if (!s->hasGsensor && (x != 0 || y != 0 || z != 0))
            s->hasGsensor = true;
        previous = point;
        if (point->status == 'A') {
            // The separator follows every valid point but the track's last, so a track that
            // ends in void points ends in ",]"; the map pages accept that.
            const QString separator = point == track.last() ? QString() : QStringLiteral(",");
            bd += pointText(point->longitude, point->latitude, second, point->speedKnots) +
                  separator;
            wgs += pointText(point->wgsLongitude, point->wgsLatitude, second, point->speedKnots) +
                   separator;
        }
    }
    s->routeTextBd = bd + QLatin1Char(']');
    s->routeTextWgs = wgs + QLatin1Char(']');
    s->routeTextWgs2 = s->routeTextWgs;
    s->averageSpeed = float(speedSum / track.size());
    qCDebug(lcLibrary).noquote() << "===============" + s->routeTextBd + "============";
}
