#pragma once

#include <QList>
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
    int pending() const { return m_pending; }

signals:
    // In the order of the paths; the receiver owns the models from here on.
    void built(const QList<LuFileInfoModel *> &models);

private:
    struct Link;
    struct Models;
    void deliver(Models &models);

    std::shared_ptr<Link> m_link;
    int m_pending = 0;
};
