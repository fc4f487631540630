#include "archiveindexer.h"

#include "archivedatabase.h"
#include "archiverecord.h"
#include "library.h"
#include "lufileinfomodel.h"

#include "archivelog.h"

#include <QDebug>
#include <QFileInfo>
#include <QMutex>
#include <QThread>

#include <memory>

// Lives on the worker thread; owns the database connection there.
class ArchiveWorker : public QObject
{
public:
    explicit ArchiveWorker(ArchiveIndexer *indexer) : m_indexer(indexer) {}

    void open(const QString &path)
    {
        m_database = std::make_unique<ArchiveDatabase>(path);
        QString aside;
        const bool ok = m_database->open(&aside);
        // Recordings stored before the archive kept the car's events get theirs now, before
        // anything reads the archive.
        if (ok)
            m_database->readMissingCarEvents();
        emit m_indexer->opened(ok, aside);
        if (!ok || aside.isEmpty())
            return;
        // Built anew: what the old file still names is indexed again from the track caches.
        int count = 0;
        for (const ArchiveSource &source : ArchiveDatabase::sourcesIn(aside)) {
            if (QThread::currentThread()->isInterruptionRequested())
                return;
            count += index(source, false) != int(ArchiveDatabase::Stored::Failed) ? 1 : 0;
        }
        qCInfo(lcArchive) << "Archive:" << count << "recordings indexed again from" << aside;
    }

    int index(const ArchiveSource &source, bool mayExtract)
    {
        if (!m_database || !m_database->isOpen())
            return int(ArchiveDatabase::Stored::Failed);
        if (m_database->isCurrent(source.frontPath, sourceStamp(source)))
            return int(ArchiveDatabase::Stored::Unchanged);
        return int(m_database->store(describeRecording(source, thresholds(), mayExtract)));
    }

    void indexFolder(const QString &folder)
    {
        int count = 0;
        for (const QString &path : Library::videoFilesIn(folder)) {
            if (QThread::currentThread()->isInterruptionRequested())
                break;
            const ArchiveSource source = sourceOf(path);
            if (source.frontPath.isEmpty())
                continue;
            const int outcome = index(source, true);
            if (outcome != int(ArchiveDatabase::Stored::Failed))
                ++count;
            emit m_indexer->recordingIndexed(source.frontPath, outcome);
        }
        emit m_indexer->folderIndexed(folder, count);
    }

    int checkOffline()
    {
        return m_database && m_database->isOpen() ? m_database->checkOffline() : 0;
    }

    DrivingEventThresholds thresholds()
    {
        QMutexLocker locker(&m_thresholdsMutex);
        return m_thresholds;
    }
    void setThresholds(const DrivingEventThresholds &thresholds)
    {
        QMutexLocker locker(&m_thresholdsMutex);
        m_thresholds = thresholds;
    }

private:
    // The recording a listed file belongs to, named by its first channel there, as the file
    // list links them; empty for a later channel whose recording has an earlier one there (that
    // one stands for it, with every channel found beside it).
    static ArchiveSource sourceOf(const QString &path)
    {
        const LuFileInfoModel model(QFileInfo(path).fileName(), path);
        // Naming rows number the front channel 1; 0 is a name no row matches.
        if (model.channelIndex > 1) {
            for (const QString &sibling : model.siblingPaths) {
                int channel = -1;
                LuFileInfoModel::getBackPath(sibling, &channel);
                if (!sibling.isEmpty() && channel >= 1 && channel < model.channelIndex)
                    return {};
            }
        }
        return ArchiveIndexer::sourceOf(model);
    }

    ArchiveIndexer *m_indexer;
    std::unique_ptr<ArchiveDatabase> m_database;
    QMutex m_thresholdsMutex;
    DrivingEventThresholds m_thresholds;
};

ArchiveSource ArchiveIndexer::sourceOf(const LuFileInfoModel &front)
{
    ArchiveSource source;
    source.frontPath = front.nativePath;
    source.channelPaths = front.siblingPaths;
    source.trackCachePath = front.trackCachePath;
    return source;
}

ArchiveIndexer::ArchiveIndexer(const QString &databasePath, QObject *parent)
    : QObject(parent), m_path(databasePath)
{
    qRegisterMetaType<ArchiveSource>();
    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("archive"));
    m_worker = new ArchiveWorker(this);
    m_worker->moveToThread(m_thread);
    // The connection is closed on the thread that used it.
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
}

ArchiveIndexer::~ArchiveIndexer()
{
    m_thread->requestInterruption();
    if (m_thread->isRunning()) {
        m_thread->quit();
        m_thread->wait();
    } else {
        delete m_worker;
    }
}

void ArchiveIndexer::setEventThresholds(const DrivingEventThresholds &thresholds)
{
    m_worker->setThresholds(thresholds);
}

void ArchiveIndexer::post(const std::function<void(ArchiveWorker *)> &work)
{
    m_pending.ref();
    QMetaObject::invokeMethod(
        m_worker,
        [this, work] {
            if (!QThread::currentThread()->isInterruptionRequested())
                work(m_worker);
            if (!m_pending.deref())
                emit idle();
        },
        Qt::QueuedConnection);
}

void ArchiveIndexer::start()
{
    if (m_thread->isRunning())
        return;
    m_thread->start(QThread::LowestPriority);
    const QString path = m_path;
    post([path](ArchiveWorker *worker) { worker->open(path); });
}

void ArchiveIndexer::addRecording(const ArchiveSource &source)
{
    post([this, source](ArchiveWorker *worker) {
        emit recordingIndexed(source.frontPath, worker->index(source, false));
    });
}

void ArchiveIndexer::addFolder(const QString &folder)
{
    post([folder](ArchiveWorker *worker) { worker->indexFolder(folder); });
}

void ArchiveIndexer::checkOffline()
{
    post([this](ArchiveWorker *worker) { emit offlineChecked(worker->checkOffline()); });
}
