#include "externaltracks.h"

#include "clockshift.h"
#include "drivelist.h"
#include "hwfilemanager.h"
#include "library.h"
#include "librarylog.h"
#include "lufileinfomodel.h"
#include "trackmatch.h"
#include "videoduration.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QThread>

#include <algorithm>
#include <cmath>

namespace {
constexpr int kLateBatchMs = 300;

// Beside a cache that a loaded track wrote: which track it was, so that removing the track
// takes back what it gave, after a restart too.
QString giverPath(const QString &cachePath)
{
    return cachePath + QStringLiteral(".from");
}

void writeGiver(const QString &cachePath, const QString &trackPath)
{
    if (!replaceFile(giverPath(cachePath), trackPath.toUtf8()))
        qCWarning(lcLibrary) << "ExternalTracks: cannot note the track beside" << cachePath;
}

QString giverOf(const QString &cachePath)
{
    QFile file(giverPath(cachePath));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// The cache and its note go; the recording reads its own track again, if it has one.
bool takeBack(const QString &cachePath)
{
    QFile::remove(giverPath(cachePath));
    return QFile::remove(cachePath);
}

QString choiceIn(const QString &cachePath)
{
    return LuFileInfoModel::trackChoiceIn(cachePath);
}

// The loaded tracks, one path a line, so that the next start loads them again.
QString rememberedListPath()
{
    return HWFileManager::cacheFolder() + QStringLiteral("/external-tracks.txt");
}
} // namespace

struct ExternalTracks::Candidate
{
    QPointer<LuFileInfoModel> model;
    QString videoPath;
    QString cachePath;
    int64_t startMs = ExternalFix::kNoTime;
    double shift = 0;   // the recording's clock correction, seconds
    bool given = false; // its cache holds what a loaded track gave it earlier
    QString only;       // the one loaded track the user chose for it, else empty
};

struct ExternalTracks::Outcome
{
    QPointer<LuFileInfoModel> model;
    QString trackName; // of the track that gave it seconds, empty when none did
    double seconds = -1;
    TrackMatch match;
    bool cleared = false; // what an earlier match gave was taken back
};

ExternalTracks::ExternalTracks(Library *library, QObject *parent)
    : QObject(parent), m_library(library), m_alive(std::make_shared<bool>(true))
{
    // A recording found without a track after the tracks were loaded gets them too, once: a
    // card's worth of reads arriving is matched in a few batches.
    m_lateTimer.setSingleShot(true);
    m_lateTimer.setInterval(kLateBatchMs);
    connect(&m_lateTimer, &QTimer::timeout, this, [this] {
        QList<LuFileInfoModel *> late;
        for (const QPointer<LuFileInfoModel> &model : qAsConst(m_late))
            if (model && needsTrack(model))
                late << model;
        m_late.clear();
        match(late);
    });
    connect(library, &Library::aboutToRemove, this,
            [this](LuFileInfoModel *model) { m_given.remove(model); });
    connect(library, &Library::trackReady, this, [this](LuFileInfoModel *model) {
        if (!m_tracks.isEmpty() && model && model->trackNote.isEmpty() && needsTrack(model)) {
            m_late << model;
            m_lateTimer.start();
        }
    });
}

ExternalTracks::~ExternalTracks()
{
    *m_alive = false;
}

bool ExternalTracks::isTrackFile(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("gpx") || suffix == QLatin1String("kml") ||
           suffix == QLatin1String("nmea");
}

bool ExternalTracks::holdsTrackFile(const QList<QUrl> &urls)
{
    return std::any_of(urls.cbegin(), urls.cend(),
                       [](const QUrl &url) { return isTrackFile(url.toLocalFile()); });
}

bool ExternalTracks::needsTrack(LuFileInfoModel *model) const
{
    // The front channel stands for its recording; one of whose channels has a track keeps it.
    if (recordingOf(model) != model || !m_library->contains(model) ||
        !choiceIn(model->trackCachePath).isEmpty())
        return false; // a choice of the user's is kept
    for (LuFileInfoModel *c = model; c; c = c->nextChannel)
        if (c->trackState() != LuFileInfoModel::TrackState::Absent)
            return false;
    return true;
}

void ExternalTracks::load(const QString &path)
{
    ++m_busy;
    const std::shared_ptr<bool> alive = m_alive;
    QPointer<ExternalTracks> self(this);
    QThread *worker = QThread::create([path, alive, self] {
        auto track = std::make_shared<ExternalTrack>(readExternalTrack(path));
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, alive, path, track] {
            if (!*alive || !self)
                return;
            --self->m_busy;
            if (!track->ok()) {
                qCWarning(lcLibrary) << "ExternalTracks: refused" << path << "-" << track->error;
                emit self->loaded(path, refusalText(*track));
                return;
            }
            qCWarning(lcLibrary) << "ExternalTracks: read" << track->fixes.size()
                                 << "positions from" << path;
            // Loaded again: the newer reading replaces the one before.
            self->m_tracks.erase(std::remove_if(self->m_tracks.begin(), self->m_tracks.end(),
                                                [&path](const auto &held) { return held->path == path; }),
                                 self->m_tracks.end());
            self->m_tracks << track;
            self->remember();
            emit self->loaded(path, QString());
            QList<LuFileInfoModel *> recordings;
            for (LuFileInfoModel *model : self->m_library->models())
                if (self->needsTrack(model))
                    recordings << model;
            self->match(recordings);
        }, Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start(QThread::LowPriority);
}

QString ExternalTracks::refusalText(const ExternalTrack &track)
{
    const QString name = QFileInfo(track.path).fileName();
    switch (track.refusal) {
    case ExternalTrack::Refusal::Unreadable:
        return tr("无法读取 %1").arg(name);
    case ExternalTrack::Refusal::TooLarge:
        return tr("%1 太大，不能作为轨迹读取").arg(name);
    case ExternalTrack::Refusal::NotXml:
        return tr("%1 不是格式正确的 XML 文件").arg(name);
    case ExternalTrack::Refusal::NeitherGpxNorKml:
        return tr("%1 既不是 GPX 也不是 KML").arg(name);
    case ExternalTrack::Refusal::Untimed:
        return tr("%1 有不带时间的点").arg(name);
    case ExternalTrack::Refusal::NoPosition:
        return tr("%1 不含任何位置").arg(name);
    case ExternalTrack::Refusal::None:
        break;
    }
    return track.error;
}

bool ExternalTracks::gave(const LuFileInfoModel *recording) const
{
    return m_given.contains(recording) || !giverOf(recording->trackCachePath).isEmpty();
}

void ExternalTracks::remember() const
{
    QStringList paths;
    for (const auto &track : m_tracks)
        paths << track->path;
    QSaveFile file(rememberedListPath());
    const QByteArray text = paths.join(QLatin1Char('\n')).toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        qCWarning(lcLibrary) << "ExternalTracks: cannot remember the loaded tracks in"
                             << file.fileName();
}

void ExternalTracks::loadRemembered()
{
    QFile file(rememberedListPath());
    if (!file.open(QIODevice::ReadOnly))
        return;
    // A track file moved or deleted since is left out, without a word at start-up.
    for (const QString &path : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
        if (!path.isEmpty() && QFileInfo::exists(path))
            load(path);
}

QString ExternalTracks::choiceOf(const LuFileInfoModel *recording) const
{
    return choiceIn(recording->trackCachePath);
}

bool ExternalTracks::isLoadedTrackChoice(const QString &choice)
{
    return !choice.isEmpty() && choice != LuFileInfoModel::kNoTrackChoice &&
           choice != LuFileInfoModel::kVideoTrackChoice &&
           choice != LuFileInfoModel::kSideFileChoice;
}

void ExternalTracks::choose(LuFileInfoModel *recording, const QString &choice)
{
    if (!m_library->contains(recording))
        return;
    const QString path = LuFileInfoModel::trackChoicePath(recording->trackCachePath);
    if (choice.isEmpty() ? QFile::exists(path) && !QFile::remove(path)
                         : !replaceFile(path, choice.toUtf8())) {
        qCWarning(lcLibrary) << "ExternalTracks: cannot keep the choice for" << recording->fileName;
        return;
    }
    // What the cache holds came from the choice before: what a loaded track gave goes, and a
    // track read from the video or a side file is read again from where the choice says.
    if (gave(recording))
        takeBack(recording->trackCachePath);
    else
        dropOwnCache(recording);
    m_given.remove(recording);
    recording->trackNote.clear();
    recording->forgetTrack();
    if (isLoadedTrackChoice(choice))
        match({recording});
    else
        m_library->loadTrack(recording);
}

void ExternalTracks::dropOwnCache(LuFileInfoModel *recording)
{
    const QString cache = recording->trackCachePath;
    if (QFile::exists(cache) && !QFile::remove(cache))
        qCWarning(lcLibrary) << "ExternalTracks: cannot remove" << cache;
}

void ExternalTracks::remove(const QString &path)
{
    const auto held = std::find_if(m_tracks.begin(), m_tracks.end(),
                                   [&path](const auto &track) { return track->path == path; });
    if (held == m_tracks.end())
        return;
    m_tracks.erase(held);
    remember();
    // What it gave goes; those recordings are matched to the other tracks once read again.
    for (LuFileInfoModel *model : m_library->models()) {
        if (choiceIn(model->trackCachePath) == path)
            QFile::remove(LuFileInfoModel::trackChoicePath(model->trackCachePath)); // the choice goes with the track
        if (giverOf(model->trackCachePath) != path)
            continue;
        takeBack(model->trackCachePath);
        m_given.remove(model);
        model->trackNote.clear();
        model->forgetTrack();
        m_library->loadTrack(model);
    }
    emit removed(path);
}

ClockShift::Target ExternalTracks::shiftTargetOf(LuFileInfoModel *recording) const
{
    // A recording showing a track read from its video or side file has that track moved;
    // every other one has its clock set against the loaded tracks.
    const QString choice = choiceOf(recording);
    if (choice == LuFileInfoModel::kVideoTrackChoice || choice == LuFileInfoModel::kSideFileChoice)
        return ClockShift::Target::OwnTrack;
    if (!choice.isEmpty() || gave(recording))
        return ClockShift::Target::Matching;
    return trackOfRecording(recording)->trackState() == LuFileInfoModel::TrackState::Present
               ? ClockShift::Target::OwnTrack
               : ClockShift::Target::Matching;
}

double ExternalTracks::shiftOf(LuFileInfoModel *recording) const
{
    const ClockShift::Target target = shiftTargetOf(recording);
    return ClockShift::of(target == ClockShift::Target::OwnTrack ? trackOfRecording(recording)
                                                                 : recording,
                          target);
}

void ExternalTracks::setShift(const QList<LuFileInfoModel *> &recordings, double seconds)
{
    QList<LuFileInfoModel *> again;
    for (LuFileInfoModel *recording : recordings) {
        if (!m_library->contains(recording))
            continue;
        if (shiftTargetOf(recording) == ClockShift::Target::OwnTrack) {
            // The cache is built again from the video, moved by whole seconds.
            LuFileInfoModel *carrier = trackOfRecording(recording);
            const double whole = std::round(seconds);
            if (whole == ClockShift::of(carrier, ClockShift::Target::OwnTrack) ||
                !ClockShift::set(carrier, whole, ClockShift::Target::OwnTrack))
                continue;
            dropOwnCache(carrier);
            carrier->forgetTrack();
            m_library->loadTrack(carrier);
            continue;
        }
        if (!ClockShift::set(recording, seconds))
            continue;
        if (gave(recording) || needsTrack(recording))
            again << recording;
    }
    if (!m_tracks.isEmpty() && !again.isEmpty())
        match(again);
}

void ExternalTracks::match(const QList<LuFileInfoModel *> &recordings)
{
    m_late.clear(); // a full match takes them as well
    QList<Candidate> candidates;
    for (LuFileInfoModel *model : recordings)
        candidates.append({model, model->nativePath, model->trackCachePath,
                           recordingStartUtcMs(model), ClockShift::of(model), gave(model),
                           isLoadedTrackChoice(choiceIn(model->trackCachePath))
                               ? choiceIn(model->trackCachePath)
                               : QString()});
    if (candidates.isEmpty()) {
        emit matched(0, 0);
        return;
    }
    ++m_busy;
    const QList<std::shared_ptr<const ExternalTrack>> tracks = m_tracks;
    const std::shared_ptr<bool> alive = m_alive;
    QPointer<ExternalTracks> self(this);
    QThread *worker = QThread::create([candidates, tracks, alive, self] {
        QList<Outcome> outcomes;
        for (const Candidate &candidate : candidates) {
            Outcome outcome;
            outcome.model = candidate.model;
            const QByteArray video = QFile::encodeName(candidate.videoPath);
            outcome.seconds = videoDurationSeconds(video.constData());
            // The track that covers the most of it gives it its seconds; the newest on a tie.
            std::shared_ptr<const ExternalTrack> best;
            int most = 0;
            for (const auto &track : tracks) {
                if (!candidate.only.isEmpty() && track->path != candidate.only)
                    continue;
                const int covered = coveredSeconds(*track, candidate.startMs, outcome.seconds,
                                                   candidate.shift);
                if (covered > 0 && covered >= most) {
                    best = track;
                    most = covered;
                }
            }
            if (best) {
                outcome.match = writeMatchedTrack(*best, candidate.startMs, outcome.seconds,
                                                  candidate.shift, candidate.cachePath);
                outcome.trackName = QFileInfo(best->path).fileName();
                if (outcome.match.lines > 0)
                    writeGiver(candidate.cachePath, best->path);
            }
            // Shifted off every track: what an earlier match wrote must not stay.
            if (outcome.match.coveredSeconds == 0 && candidate.given)
                outcome.cleared = takeBack(candidate.cachePath);
            outcomes << outcome;
        }
        QMetaObject::invokeMethod(QCoreApplication::instance(), [self, alive, outcomes] {
            if (*alive && self) {
                --self->m_busy;
                self->apply(outcomes);
            }
        }, Qt::QueuedConnection);
    });
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    worker->start(QThread::LowPriority);
}

void ExternalTracks::apply(const QList<Outcome> &outcomes)
{
    int given = 0;
    for (const Outcome &outcome : outcomes) {
        LuFileInfoModel *model = outcome.model;
        if (!model || !m_library->contains(model))
            continue; // removed meanwhile
        const int whole = int(outcome.seconds + 0.5);
        if (outcome.match.coveredSeconds <= 0) {
            model->trackNote = tr("没有已加载的 GPS 轨迹覆盖此录像");
            if (outcome.cleared) {
                m_given.remove(model);
                model->forgetTrack();
            }
            // Its own track, if it has one, is read again (a choice let it go).
            if (!model->trackTried && !model->trackLoading)
                m_library->loadTrack(model);
            continue;
        }
        ++given;
        m_given.insert(model);
        model->trackNote = tr("GPS 轨迹 %1 覆盖此录像的 %2 / %3 秒")
                               .arg(outcome.trackName)
                               .arg(qMin(outcome.match.coveredSeconds, whole))
                               .arg(whole);
        // The cache holds the track now: the recording reads it as its own.
        model->forgetTrack();
        m_library->loadTrack(model);
    }
    qCWarning(lcLibrary) << "ExternalTracks: matched" << outcomes.size() << "recordings," << given
                         << "given seconds";
    emit matched(outcomes.size(), given);
}
