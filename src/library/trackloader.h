#pragma once

#include <QHash>
#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>

#include "trackpool.h"

#include <memory>

class LuFileInfoModel;

// Reads recordings' tracks on worker threads, so that extracting a track from a large video
// never holds up the window: load() returns at once and trackReady follows on this object's
// thread once the recording holds its track. A recording deleted meanwhile gets nothing; a
// recording already loaded, or already being loaded, is not read again.
// load() is for the recording on screen and starts at once; queue() reads the rest of the list
// in the background at low priority, recordings with a cache before those needing extraction.
class TrackLoader : public QObject
{
    Q_OBJECT

public:
    explicit TrackLoader(QObject *parent = nullptr);
    ~TrackLoader() override;

    void load(LuFileInfoModel *model);
    void queue(LuFileInfoModel *model);
    // Drops the model's waiting background read; one already running delivers nothing to it
    // once it has gone.
    void cancel(LuFileInfoModel *model);
    int waiting() const { return m_pool.waiting(); }

signals:
    // The model holds its track now (or, when none could be had, stays without one).
    void trackReady(LuFileInfoModel *model);

private:
    // Marks the model as loading and returns the read that delivers its track here.
    TrackPool::Job start(LuFileInfoModel *model);

    // Shared with the workers, which may finish after this object has gone.
    struct Link
    {
        QMutex mutex;
        TrackLoader *receiver = nullptr;
    };
    std::shared_ptr<Link> m_link;
    // The recordings being read, by address; an entry whose recording went holds null. A hash:
    // a card's folder queues hundreds at once.
    QHash<const LuFileInfoModel *, QPointer<LuFileInfoModel>> m_loading;
    TrackPool m_pool; // goes first, once its running reads are done
};
