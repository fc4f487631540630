#pragma once

#include <QMutex>
#include <QThreadPool>

#include <functional>
#include <list>

// Background work for the tracks of the whole file list: jobs run on threads of their own, at
// most as many as there are cores, at the lowest priority, so that playback and the window keep
// the machine. Jobs of a higher rank run first, those of one rank in the order they came; a job
// still waiting can be taken back by its key. Destroying the pool drops the waiting jobs and
// waits for the running ones.
class TrackPool
{
public:
    using Job = std::function<void()>;

    explicit TrackPool(int threads = QThread::idealThreadCount());
    ~TrackPool();
    TrackPool(const TrackPool &) = delete;
    TrackPool &operator=(const TrackPool &) = delete;

    void add(quintptr key, int rank, Job job);
    // The waiting job of key, taken out of the queue; empty when it runs already or never came.
    Job take(quintptr key);
    int waiting() const;

private:
    struct Entry
    {
        quintptr key;
        int rank;
        Job job;
    };

    void work();

    mutable QMutex m_mutex;
    std::list<Entry> m_queue;
    int m_workers = 0;
    const int m_maxWorkers;
    QThreadPool m_threads;
};
