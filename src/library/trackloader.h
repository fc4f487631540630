#pragma once

#include <QList>
#include <QMutex>
#include <QObject>
#include <QPointer>

#include <memory>

class LuFileInfoModel;

// Reads recordings' tracks on worker threads, so that extracting a track from a large video
// never holds up the window: load() returns at once and trackReady follows on this object's
// thread once the recording holds its track. A recording deleted meanwhile gets nothing; a
// recording already loaded, or already being loaded, is not read again.
class TrackLoader : public QObject
{
    Q_OBJECT

public:
    explicit TrackLoader(QObject *parent = nullptr);
    ~TrackLoader() override;

    void load(LuFileInfoModel *model);

signals:
    // The model holds its track now (or, when none could be had, stays without one).
    void trackReady(LuFileInfoModel *model);

private:
    // Shared with the workers, which may finish after this object has gone.
    struct Link
    {
        QMutex mutex;
        TrackLoader *receiver = nullptr;
    };
    std::shared_ptr<Link> m_link;
    QList<QPointer<LuFileInfoModel>> m_loading;
};
