#include "modelbatch.h"

#include "lufileinfomodel.h"

#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QThread>
#include <QThreadPool>

#include <atomic>

struct ModelBatch::Link
{
    QMutex mutex;
    ModelBatch *receiver = nullptr;
    std::atomic<bool> gone{false}; // the receiver went: the rest need not be built
};

// Owns the models until they are delivered: a batch whose window went away takes them along.
struct ModelBatch::Models
{
    QList<LuFileInfoModel *> list;
    ~Models() { qDeleteAll(list); }
};

ModelBatch::ModelBatch(QObject *parent)
    : QObject(parent)
    , m_link(std::make_shared<Link>())
{
    m_link->receiver = this;
}

ModelBatch::~ModelBatch()
{
    m_link->gone = true;
    QMutexLocker locker(&m_link->mutex);
    m_link->receiver = nullptr;
}

void ModelBatch::build(const QStringList &paths)
{
    const int batch = m_nextBatch++;
    m_waiting.insert(batch, paths);
    const std::shared_ptr<Link> link = m_link;
    QThread *const home = thread();
    QThreadPool::globalInstance()->start([paths, link, home, batch] {
        auto models = std::make_shared<Models>();
        models->list.reserve(paths.size());
        for (const QString &path : paths) {
            if (link->gone)
                return;
            const QFileInfo info(path);
            auto *model = new LuFileInfoModel(info.fileName(), info.absoluteFilePath());
            model->noteTrackCache();
            models->list.append(model);
        }
        QMutexLocker locker(&link->mutex);
        ModelBatch *receiver = link->receiver;
        if (!receiver)
            return; // deleted here, on the thread that made them
        for (LuFileInfoModel *model : qAsConst(models->list))
            model->moveToThread(home);
        // Dropped with the call if the receiver goes before it runs; the models go with it.
        QMetaObject::invokeMethod(
            receiver, [receiver, batch, models] { receiver->deliver(batch, *models); },
            Qt::QueuedConnection);
    });
}

QStringList ModelBatch::pendingPaths() const
{
    QStringList paths;
    for (const QStringList &batch : m_waiting)
        paths += batch;
    return paths;
}

void ModelBatch::deliver(int batch, Models &models)
{
    m_waiting.remove(batch);
    const QList<LuFileInfoModel *> list = std::exchange(models.list, {});
    emit built(list);
}
