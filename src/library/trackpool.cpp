#include "trackpool.h"

#include <QMutexLocker>
#include <QThread>

#include <algorithm>

#ifdef Q_OS_LINUX
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {
// Qt's lowest priority changes nothing for ordinary threads on Linux, where a thread's own nice
// value is what the scheduler weighs.
void lowerThisThread()
{
    thread_local bool lowered = false;
    if (lowered)
        return;
    lowered = true;
    QThread::currentThread()->setPriority(QThread::LowestPriority);
#ifdef Q_OS_LINUX
    constexpr int kNicest = 19;
    setpriority(PRIO_PROCESS, id_t(syscall(SYS_gettid)), kNicest);
#endif
}
} // namespace

TrackPool::TrackPool(int threads) : m_maxWorkers(std::max(1, threads))
{
    m_threads.setMaxThreadCount(m_maxWorkers);
}

TrackPool::~TrackPool()
{
    {
        QMutexLocker locker(&m_mutex);
        m_queue.clear();
    }
    m_threads.waitForDone();
}

void TrackPool::add(quintptr key, int rank, Job job)
{
    QMutexLocker locker(&m_mutex);
    // After the last job of this rank or higher; looked for from the back, where a folder's
    // worth of jobs of one rank is added, so that queueing hundreds costs no time per job.
    const auto last = std::find_if(m_queue.rbegin(), m_queue.rend(),
                                   [rank](const Entry &entry) { return entry.rank >= rank; });
    m_queue.insert(last.base(), Entry{key, rank, std::move(job)});
    if (m_workers < m_maxWorkers) {
        ++m_workers;
        m_threads.start([this] { work(); });
    }
}

TrackPool::Job TrackPool::take(quintptr key)
{
    QMutexLocker locker(&m_mutex);
    const auto found = std::find_if(m_queue.begin(), m_queue.end(),
                                    [key](const Entry &entry) { return entry.key == key; });
    if (found == m_queue.end())
        return {};
    Job job = std::move(found->job);
    m_queue.erase(found);
    return job;
}

int TrackPool::waiting() const
{
    QMutexLocker locker(&m_mutex);
    return int(m_queue.size());
}

void TrackPool::work()
{
    lowerThisThread();
    for (;;) {
        Job job;
        {
            QMutexLocker locker(&m_mutex);
            if (m_queue.empty()) {
                --m_workers;
                return;
            }
            job = std::move(m_queue.front().job);
            m_queue.pop_front();
        }
        job();
    }
}
