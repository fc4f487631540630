#pragma once

#include <QList>
#include <QMap>
#include <QObject>
#include <QStringList>

#include <memory>

class LuFileInfoModel;

// Builds the models of a large batch of added files on a worker thread. Each file costs a look
// at the file, up to fifty lookups of its partner channels' names and a look for its track
// cache: for a card's folder that is a long moment the window would otherwise stand still.
class ModelBatch : public QObject
{
    Q_OBJECT

public:
    explicit ModelBatch(QObject *parent = nullptr);
    // Models of batches still being built are deleted, never delivered.
    ~ModelBatch() override;

    void build(const QStringList &paths);
    // Batches still being built, and their files.
    int pending() const { return int(m_waiting.size()); }
    QStringList pendingPaths() const;

signals:
    // In the order of the paths; the receiver owns the models from here on.
    void built(const QList<LuFileInfoModel *> &models);

private:
    struct Link;
    struct Models;
    void deliver(int batch, Models &models);

    std::shared_ptr<Link> m_link;
    QMap<int, QStringList> m_waiting; // by batch number, in the order asked
    int m_nextBatch = 0;
};
