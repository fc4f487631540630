#include "trackloader.h"

#include "librarylog.h"
#include "lufileinfomodel.h"
#include "lugpsmodel.h"

#include <QDebug>
#include <QPointer>
#include <QThread>
#include <QThreadPool>

namespace {
// Background ranks: a cached track is read in a moment, an extraction may take seconds.
constexpr int kRankCached = 1;
constexpr int kRankExtract = 0;

// What is left of a read (containers the worker allocated, the points of a recording that went)
// is freed on a pool thread. Freed here, it could wait on the allocator's lock of a lowered
// worker that the scheduler has set aside: the window stalled for over 100 ms that way.
void disposeOfResult(std::shared_ptr<TrackLoadResult> result)
{
    QThreadPool::globalInstance()->start([result = std::move(result)]() mutable { result.reset(); });
}

quintptr keyOf(const LuFileInfoModel *model)
{
    return reinterpret_cast<quintptr>(model);
}
} // namespace

TrackLoader::TrackLoader(QObject *parent) : QObject(parent), m_link(std::make_shared<Link>())
{
    m_link->receiver = this;
}

TrackLoader::~TrackLoader()
{
    // Workers still running finish their file work and drop what they read; their recordings
    // may be loaded again by whoever asks next.
    {
        QMutexLocker locker(&m_link->mutex);
        m_link->receiver = nullptr;
    }
    for (const QPointer<LuFileInfoModel> &model : qAsConst(m_loading))
        if (model)
            model->trackLoading = false;
}

void TrackLoader::load(LuFileInfoModel *model)
{
    if (!model || model->trackLoaded)
        return;
    if (model->trackLoading) {
        // Waiting in the background: it goes ahead of the queue. Already running: it comes.
        if (TrackPool::Job job = m_pool.take(keyOf(model)))
            QThreadPool::globalInstance()->start(std::move(job));
        return;
    }
    QThreadPool::globalInstance()->start(start(model));
}

void TrackLoader::queue(LuFileInfoModel *model)
{
    // A read that found no track is tried again only when the recording is opened.
    if (!model || model->trackLoaded || model->trackLoading || model->trackTried)
        return;
    const bool cached = model->trackCacheNoted >= 0
                            ? model->trackCacheNoted == 1
                            : LuFileInfoModel::hasTrackCache(model->trackCachePath);
    model->trackCacheNoted = -1; // a later queueing looks again
    const int rank = cached ? kRankCached : kRankExtract;
    m_pool.add(keyOf(model), rank, start(model));
}

void TrackLoader::cancel(LuFileInfoModel *model)
{
    if (!model || !m_pool.take(keyOf(model)))
        return;
    model->trackLoading = false;
    m_loading.remove(model);
}

TrackPool::Job TrackLoader::start(LuFileInfoModel *model)
{
    model->trackLoading = true;
    m_loading.insert(model, model);
    const TrackSource source = model->trackSource();
    const QPointer<LuFileInfoModel> target(model);
    const LuFileInfoModel *const key = model;
    const std::shared_ptr<Link> link = m_link;
    QThread *const home = thread();
    return [source, target, key, link, home] {
        auto result = std::make_shared<TrackLoadResult>();
        LuFileInfoModel::readTrack(source, result.get());
        QMutexLocker locker(&link->mutex);
        TrackLoader *receiver = link->receiver;
        if (!receiver)
            return; // the points go with the result, on the thread that made them
        for (LuGPSModel *point : qAsConst(result->points))
            point->moveToThread(home);
        QMetaObject::invokeMethod(
            receiver,
            [receiver, target, key, result]() mutable {
                LuFileInfoModel *recording = target.data();
                // Unless a new recording at the same address is being read now.
                const auto entry = receiver->m_loading.constFind(key);
                if (entry != receiver->m_loading.cend() && entry.value() == target)
                    receiver->m_loading.erase(entry);
                if (recording) {
                    recording->trackLoading = false;
                    recording->applyTrack(result.get());
                } else {
                    qCWarning(lcLibrary)
                        << "TrackLoader: the recording went before its track was read";
                    // The points belong to this thread now, so they go here.
                    qDeleteAll(result->points);
                    result->points.clear();
                }
                disposeOfResult(std::move(result));
                if (recording)
                    emit receiver->trackReady(recording);
            },
            Qt::QueuedConnection);
    };
}
