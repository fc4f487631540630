#pragma once

#include "archivetypes.h"

#include <QSqlDatabase>
#include <QString>

struct IndexedRecording;

// One connection to the archive's SQLite file (WAL, foreign keys, waiting up to
// kArchiveBusyMs for another process's lock). Use it on one thread; each thread that reads
// opens its own. Nothing here writes outside the database file and its -wal/-shm companions,
// except that a damaged or foreign file is renamed aside.
class ArchiveDatabase
{
public:
    static constexpr int kArchiveBusyMs = 15000;

    // <AppDataLocation>/archive.sqlite
    static QString defaultPath();

    explicit ArchiveDatabase(const QString &path = defaultPath());
    ~ArchiveDatabase();
    ArchiveDatabase(const ArchiveDatabase &) = delete;
    ArchiveDatabase &operator=(const ArchiveDatabase &) = delete;

    // Opens the file, creating it (and its folder) when missing, and brings its schema up to
    // date. A file that is no database, fails the quick check or belongs to another program is
    // renamed to "<path>.damaged-<UTC time>" (logged, and returned in *movedAside) and a fresh
    // archive takes its place. A file another process keeps locked past the wait, or one that
    // cannot be read or written now, is left alone: false.
    bool open(QString *movedAside = nullptr);
    // Opens an archive another connection has opened (and checked) already, without the check
    // or any change: a reading connection for another thread.
    bool openExisting();
    bool isOpen() const { return m_open; }
    QString path() const { return m_path; }
    QSqlDatabase connection() const;

    // The recordings a moved-aside (or any) archive file still names, as far as it can be read,
    // so that they can be indexed again; the file is opened immutable and never changed.
    static QVector<ArchiveSource> sourcesIn(const QString &path);

    // --- Writing (archivestore.cpp); each call is one transaction.
    enum class Stored
    {
        Added,
        Updated,
        Relinked,
        Unchanged,
        Failed
    };
    // The recording as it is now: a known front path is replaced; an unknown one whose name
    // and size match a recording whose front file is gone takes that entry over (the files
    // moved); else a new entry.
    Stored store(const IndexedRecording &recording);
    // The front path is indexed with this stamp and its file is there: nothing to read again.
    bool isCurrent(const QString &frontPath, const QString &stamp) const;
    // Reads the car's events (carEventsOf) of the recordings stored before the archive kept
    // them, whose files are there, in one transaction; nothing else of them changes. Returns
    // how many events were found.
    int readMissingCarEvents();
    // Looks at every recording's front file; marks those not found offline, those found online.
    // Returns how many are offline.
    int checkOffline();

    // --- Reading (archivequeries.cpp); in the computer's time zone as it is when asked.
    int recordingCount() const;
    // Local dates from..to with driving, each with what was driven in its local hours.
    QVector<ArchiveDay> days(const QDate &from, const QDate &to) const;
    // The drives with a recording in the local day, whole, grouped as the file list groups.
    QVector<ArchiveDrive> drivesOn(const QDate &day) const;
    // Each visit of a recording within radius metres of the place, in time order.
    QVector<ArchivePass> passesNear(double latitude, double longitude,
                                    double radiusMetres = 50) const;
    // Every recording's simplified route, in time order.
    QVector<ArchiveRoute> routes() const;
    ArchiveRecording recording(qint64 id) const;

private:
    bool openFile();
    bool looksLikeOurs(QString *why);
    void closeConnection();
    QString moveAside();
    QVector<ArchiveRecording> recordingsWhere(const QString &condition,
                                              const QVariantList &values) const;

    QString m_path;
    QString m_connectionName;
    bool m_open = false;
    bool m_leaveAlone = false; // the last failure was a lock or the disk, not the file
};
