#pragma once

#include "archivetypes.h"
#include "drivingevents.h"

#include <QAtomicInt>
#include <QObject>
#include <QString>

#include <functional>

class ArchiveWorker;
class LuFileInfoModel;
class QThread;

// Fills the archive on a worker thread of the lowest priority, which also opens (and, when
// needed, migrates or rebuilds) the database, so that start-up never waits for it. Requests
// are done in the order given; each recording is one transaction. The queries belong to an
// ArchiveDatabase opened with openExisting on the thread that asks, once opened() has come.
class ArchiveIndexer : public QObject
{
    Q_OBJECT

public:
    explicit ArchiveIndexer(const QString &databasePath, QObject *parent = nullptr);
    // Lets the recording being indexed finish, drops the rest of the queue and joins the worker.
    ~ArchiveIndexer() override;

    // What the archive is told of a listed recording: its front file's model, whose siblings
    // are the other channels.
    static ArchiveSource sourceOf(const LuFileInfoModel &front);

    QString databasePath() const { return m_path; }
    // Thresholds for the driving events of recordings indexed from now on (the settings').
    void setEventThresholds(const DrivingEventThresholds &thresholds);

    // Starts the worker; it opens the database first (opened follows), and when it had to
    // start anew, indexes again the recordings the old file still names. Called once.
    void start();
    // A recording whose track the library has read: its cache is read again, never extracted.
    void addRecording(const ArchiveSource &source);
    // Every recording under folder (as Library::videoFilesIn finds them), its track read from
    // the cache or extracted into it, without listing it anywhere.
    void addFolder(const QString &folder);
    // Marks the recordings whose front file is gone offline, and those back online.
    void checkOffline();
    // Requests given and not yet done.
    int pending() const { return m_pending.loadAcquire(); }

signals:
    void opened(bool ok, const QString &movedAside);
    // outcome: ArchiveDatabase::Stored as int.
    void recordingIndexed(const QString &frontPath, int outcome);
    void folderIndexed(const QString &folder, int recordings);
    void offlineChecked(int offline);
    // The queue ran empty.
    void idle();

private:
    void post(const std::function<void(ArchiveWorker *)> &work);

    QString m_path;
    QThread *m_thread = nullptr;
    ArchiveWorker *m_worker = nullptr;
    QAtomicInt m_pending;
};
