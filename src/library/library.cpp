#include "library.h"

#include "careventattach.h"
#include "channelnames.h"
#include "drivelist.h"
#include "hwdefaultsettings.h"
#include "hwfilemanager.h"
#include "librarylog.h"
#include "lufileinfomodel.h"
#include "modelbatch.h"
#include "trackloader.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

Library::Library(QObject *parent) : QObject(parent)
{
    m_modelBatch = new ModelBatch(this);
    connect(m_modelBatch, &ModelBatch::built, this, [this](const QList<LuFileInfoModel *> &models) {
        adoptModels(models);
        regroup();
    });
    m_trackLoader = new TrackLoader(this);
    connect(m_trackLoader, &TrackLoader::trackReady, this, [this](LuFileInfoModel *model) {
        // A car's minute copied off its drive has lost the file time that told its length; its
        // track tells it now, and with it which of its events the recording holds.
        if (model && model->carCameras)
            attachCarEvents(m_models);
        emit trackReady(model);
    });
}

Library::~Library()
{
    rememberPendingFiles();
    // Waiting reads are dropped, running ones finish before the models go.
    delete m_trackLoader;
    m_trackLoader = nullptr;
    qDeleteAll(m_models);
}

bool Library::contains(const LuFileInfoModel *model) const
{
    return m_models.contains(const_cast<LuFileInfoModel *>(model));
}

int Library::channelCount(const LuFileInfoModel *model)
{
    const LuFileInfoModel *head = model;
    for (int step = 1; head->prevChannel && step < kMaxChannels; ++step)
        head = head->prevChannel;
    int count = 1;
    for (const LuFileInfoModel *c = head; c->nextChannel && count < kMaxChannels; c = c->nextChannel)
        ++count;
    return count;
}

void Library::addPaths(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    QList<LuFileInfoModel *> models;
    models.reserve(paths.size());
    QSet<QString> added;
    for (const QString &path : paths) {
        const QFileInfo info(path);
        models.append(new LuFileInfoModel(info.fileName(), info.absoluteFilePath()));
        added.insert(models.last()->identityPath);
    }
    // A recording keeps its playing mark only when every file added was that recording.
    keepPlayingMark(added.size() == 1 ? *added.cbegin() : QString());
    adoptModels(models);
}

void Library::listPaths(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    if (paths.size() <= kModelsBuiltHere) {
        addPaths(paths);
        regroup();
        return;
    }
    // The first file's recording is listed now, with those of its channels that came with it;
    // the rest once built.
    const QFileInfo info(paths.first());
    auto *first = new LuFileInfoModel(info.fileName(), info.absoluteFilePath());
    QList<LuFileInfoModel *> now{first};
    QStringList partners, partnerNames;
    for (const QString &partner : qAsConst(first->siblingPaths)) {
        partners << partner;
        partnerNames << QFileInfo(partner).fileName();
    }
    QStringList rest;
    rest.reserve(paths.size());
    for (int i = 1; i < paths.size(); ++i) {
        const QString &path = paths[i];
        // The name first: the full path is worked out only for the few that end alike.
        int partner = -1;
        for (int j = 0; j < partners.size() && partner < 0; ++j)
            if (path.endsWith(partnerNames[j]) &&
                QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()) == partners[j])
                partner = j;
        if (partner >= 0)
            now << new LuFileInfoModel(partnerNames[partner], partners[partner]);
        else
            rest << path;
    }
    keepPlayingMark(QString());
    adoptModels(now);
    regroup();
    if (!rest.isEmpty())
        m_modelBatch->build(rest);
}

LuFileInfoModel *Library::modelFor(const QString &path)
{
    const QFileInfo info(path);
    const int before = m_models.size();
    LuFileInfoModel *model =
        addUniqueModel(m_models, new LuFileInfoModel(info.fileName(), info.absoluteFilePath()));
    if (m_models.size() > before)
        emit filesAdded(1);
    return model;
}

void Library::reopenLastSession()
{
    QStringList lastFiles = HWDefaultSettings::instance()->lastFileList();
    lastFiles.erase(std::remove_if(lastFiles.begin(), lastFiles.end(),
                                   [](const QString &path) { return !QFileInfo::exists(path); }),
                    lastFiles.end());
    listPaths(lastFiles);
}

int Library::pending() const
{
    return m_modelBatch->pending();
}

void Library::rememberPendingFiles()
{
    // Files of a batch still being built are remembered for the next start as if listed.
    const QStringList waiting = m_modelBatch->pendingPaths();
    if (waiting.isEmpty())
        return;
    HWDefaultSettings *store = HWDefaultSettings::instance();
    QStringList paths = store->lastFileList();
    QSet<QString> known(paths.cbegin(), paths.cend());
    for (const QString &path : waiting) {
        const QString native = QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
        if (!known.contains(native)) {
            known.insert(native);
            paths << native;
        }
    }
    store->setLastFileList(paths);
}

void Library::keepPlayingMark(const QString &identityPath)
{
    for (LuFileInfoModel *model : qAsConst(m_models))
        if (model->identityPath != identityPath)
            model->isPlaying = false;
}

void Library::adoptModels(const QList<LuFileInfoModel *> &models)
{
    if (models.isEmpty())
        return;
    const QString firstPath = models.first()->nativePath; // the model may be a duplicate
    QSet<QString> known;
    known.reserve(m_models.size() + models.size());
    for (const LuFileInfoModel *existing : qAsConst(m_models))
        known.insert(existing->identityPath);
    int fresh = 0;
    for (LuFileInfoModel *model : models) {
        if (known.contains(model->identityPath)) {
            delete model; // listed already
            continue;
        }
        known.insert(model->identityPath);
        m_models.append(model);
        ++fresh;
    }
    qCWarning(lcLibrary) << "Library: listing" << models.size() << "files," << fresh << "new,"
                         << "first" << firstPath;
    if (fresh > 0)
        emit filesAdded(fresh);
}

void Library::regroup()
{
    sortAndLinkFileList(m_models);
    attachCarEvents(m_models);
    emit regrouped();
    for (LuFileInfoModel *model : qAsConst(m_models))
        m_trackLoader->queue(model);
}

void Library::remove(LuFileInfoModel *model)
{
    if (!contains(model))
        return;
    emit aboutToRemove(model);
    m_trackLoader->cancel(model);
    takeModelOut(m_models, model);
    delete model;
    emit removed();
    regroup();
}

void Library::loadTrack(LuFileInfoModel *model)
{
    m_trackLoader->load(model);
}

LuFileInfoModel *Library::recordingAfter(LuFileInfoModel *anchor, bool wrap) const
{
    const int i = m_models.indexOf(anchor);
    if (i < 0)
        return nullptr;
    const int last = m_models.size() - 1;
    LuFileInfoModel *first = wrap ? m_models.first() : nullptr;
    if (i == last)
        return first;
    // The list holds a recording's channels next to one another: the next one is past them.
    LuFileInfoModel *recording = recordingOf(anchor);
    for (int j = i + 1; j <= last; ++j)
        if (recordingOf(m_models.at(j)) != recording)
            return m_models.at(j);
    return first;
}

LuFileInfoModel *Library::recordingBefore(LuFileInfoModel *front) const
{
    const int i = m_models.indexOf(front);
    if (i < 0)
        return nullptr;
    LuFileInfoModel *target = m_models.last();
    if (i > 0) {
        target = m_models.at(i - 1);
        if (target == front->prevChannel || target == front->nextChannel)
            target = i > 1 ? m_models.at(i - 2) : m_models.last();
    }
    // The list holds the recording's last channel here; like the one after, it opens from its front.
    return recordingOf(target);
}

bool Library::holdsOnlyRecordingOf(const LuFileInfoModel *model) const
{
    return m_models.size() == channelCount(model);
}

LuFileInfoModel *Library::nextInDrive(const LuFileInfoModel *model, int channels) const
{
    if (!model || model->videoDuration <= 0)
        return nullptr;
    DriveFile current = driveFileOf(model);
    current.seconds = model->videoDuration;
    const QDateTime currentStart = driveFileStart(current);
    // The recording that starts first after this one, wherever the list shows it: a drive
    // plays forward in time.
    LuFileInfoModel *next = nullptr;
    QDateTime nextStart;
    for (LuFileInfoModel *candidate : m_models) {
        // A recording is entered by its front-most channel, as the list plays it.
        if (candidate == model || recordingOf(candidate) != candidate)
            continue;
        const QDateTime start = driveFileStart(driveFileOf(candidate));
        if (start > currentStart && (!next || start < nextStart)) {
            next = candidate;
            nextStart = start;
        }
    }
    if (!next || channelCount(next) != channels)
        return nullptr;
    return groupIntoDrives({current, driveFileOf(next)}).size() == 1 ? next : nullptr;
}

LuFileInfoModel *Library::nextAfterRun(const QList<LuFileInfoModel *> &run) const
{
    QSet<const LuFileInfoModel *> played;
    const Drive *runDrive = nullptr;
    const QVector<Drive> all = drives();
    for (LuFileInfoModel *model : run) {
        if (!contains(model))
            continue;
        played.insert(recordingOf(model));
        runDrive = driveHolding(all, recordingOf(model));
    }
    int last = -1;
    for (int i = 0; i < m_models.size(); ++i)
        if (played.contains(recordingOf(m_models[i])))
            last = i;
    if (last < 0)
        return nullptr;
    for (int i = last + 1; i < m_models.size(); ++i) {
        LuFileInfoModel *next = recordingOf(m_models[i]);
        if (played.contains(next))
            continue;
        const Drive *entered = driveHolding(all, next);
        if (entered && entered != runDrive && !entered->recordings.isEmpty())
            return entered->recordings.first();
        return next;
    }
    return nullptr;
}

QVector<Drive> Library::drives() const
{
    return drivesOf(m_models);
}

namespace {
// A card holds a few levels of folders; this bounds a link loop or a hostile tree.
constexpr int kMostFolderDepth = 16;

bool isVideoName(const QString &path)
{
    const QString tail = path.mid(4);
    return tail.contains(QLatin1String(".mp4"), Qt::CaseInsensitive) ||
           tail.contains(QLatin1String(".mov"), Qt::CaseInsensitive) ||
           tail.contains(QLatin1String(".ts"), Qt::CaseInsensitive);
}

// A card holds a few thousand entries; a folder that holds far more (a whole disk dropped by
// mistake) is listed this far, not for minutes.
constexpr int kMostFolderEntries = 200000;

struct FolderWalk
{
    QString skipped; // the viewer's own cache
    int entries = 0;
    QStringList found;
};

void collectVideos(const QDir &dir, int depth, FolderWalk *walk)
{
    const QFileInfoList entries =
        dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo &entry : entries) {
        if (++walk->entries > kMostFolderEntries)
            return;
        if (entry.isDir()) {
            if (depth < kMostFolderDepth && entry.canonicalFilePath() != walk->skipped)
                collectVideos(QDir(entry.filePath()), depth + 1, walk);
            continue;
        }
        const QString suffix = entry.suffix().toLower();
        if (suffix == QLatin1String("mp4") || suffix == QLatin1String("mov") ||
            suffix == QLatin1String("ts"))
            walk->found.append(entry.absoluteFilePath());
    }
}
} // namespace

QStringList Library::videoFilesIn(const QString &folder)
{
    // The viewer's own cache (track texts, previews) is never a recording.
    FolderWalk walk;
    walk.skipped = QFileInfo(HWFileManager::cacheFolder()).canonicalFilePath();
    if (QFileInfo(folder).canonicalFilePath() != walk.skipped)
        collectVideos(QDir(folder), 0, &walk);
    if (walk.entries > kMostFolderEntries)
        qCWarning(lcLibrary) << "Library: stopped looking through" << folder << "after"
                             << kMostFolderEntries << "entries";
    return walk.found;
}

QStringList Library::videoPaths(const QList<QUrl> &urls, QStringList *emptyFolders)
{
    QStringList paths;
    for (const QUrl &url : urls) {
        const QString path = url.toLocalFile();
        if (path.isEmpty())
            continue;
        if (QFileInfo(path).isDir()) {
            const QStringList videos = videoFilesIn(path);
            qCWarning(lcLibrary) << "Library:" << videos.size() << "videos in the folder" << path;
            if (videos.isEmpty() && emptyFolders)
                emptyFolders->append(QDir::toNativeSeparators(path));
            paths << videos;
        } else if (isVideoName(path)) {
            paths << path;
        }
    }
    return paths;
}

bool Library::mayHoldVideos(const QList<QUrl> &urls)
{
    return std::any_of(urls.cbegin(), urls.cend(), [](const QUrl &url) {
        const QString path = url.toLocalFile();
        return !path.isEmpty() && (isVideoName(path) || QFileInfo(path).isDir());
    });
}

QString Library::videoFileFilter()
{
    return QStringLiteral("*.mp4 *.MP4 *.mov *.MOV *.ts *.TS");
}

QStringList Library::videoPathsOfArguments(const QStringList &arguments,
                                           QStringList *emptyFolders)
{
    QList<QUrl> urls;
    for (const QString &argument : arguments) {
        const QFileInfo info(argument);
        if (!info.exists()) {
            qCWarning(lcLibrary) << "Library: ignoring the argument" << argument
                                 << "- no such file or folder";
            continue;
        }
        urls << QUrl::fromLocalFile(info.absoluteFilePath());
    }
    const QStringList videos = videoPaths(urls, emptyFolders);
    if (emptyFolders && !emptyFolders->isEmpty())
        qCWarning(lcLibrary) << "Library: nothing to play in" << *emptyFolders;
    for (const QUrl &url : qAsConst(urls))
        if (QFileInfo(url.toLocalFile()).isFile() && !videos.contains(url.toLocalFile()))
            qCWarning(lcLibrary) << "Library: ignoring the argument" << url.toLocalFile()
                                 << "- not a video file";
    return videos;
}
