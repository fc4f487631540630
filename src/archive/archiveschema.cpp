#include "archiveschema.h"

#include "archivelog.h"
#include "archivewrite.h"

#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <functional>

namespace {
// Version 1: recordings with their files, distance by quarter hour, and the place index over
// chunks of each track (an R*Tree of boxes; the chunks table holds their fixes).
const QStringList kArchiveStep1 = {
    QStringLiteral("CREATE TABLE recordings ("
                   " id INTEGER PRIMARY KEY,"
                   " front_path TEXT NOT NULL UNIQUE,"
                   " front_name TEXT NOT NULL,"
                   " front_size INTEGER NOT NULL,"
                   " track_cache TEXT NOT NULL,"
                   " stamp TEXT NOT NULL,"
                   " start_utc INTEGER NOT NULL,"
                   " end_utc INTEGER NOT NULL,"
                   " seconds REAL NOT NULL,"
                   " metres REAL NOT NULL,"
                   " top_speed_kmh REAL NOT NULL,"
                   " braking INTEGER NOT NULL,"
                   " accelerations INTEGER NOT NULL,"
                   " jolts INTEGER NOT NULL,"
                   " min_lat REAL, max_lat REAL, min_lon REAL, max_lon REAL,"
                   " route BLOB,"
                   " offline INTEGER NOT NULL DEFAULT 0,"
                   " indexed_utc INTEGER NOT NULL)"),
    QStringLiteral("CREATE INDEX recordings_start ON recordings(start_utc)"),
    QStringLiteral("CREATE INDEX recordings_name_size ON recordings(front_name, front_size)"),
    QStringLiteral("CREATE TABLE files ("
                   " recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,"
                   " channel INTEGER NOT NULL,"
                   " path TEXT NOT NULL,"
                   " name TEXT NOT NULL,"
                   " size INTEGER NOT NULL,"
                   " mtime INTEGER NOT NULL,"
                   " PRIMARY KEY (recording_id, channel))"),
    QStringLiteral("CREATE INDEX files_path ON files(path)"),
    QStringLiteral("CREATE TABLE quarters ("
                   " recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,"
                   " quarter INTEGER NOT NULL,"
                   " metres REAL NOT NULL,"
                   " seconds INTEGER NOT NULL,"
                   " PRIMARY KEY (recording_id, quarter))"),
    QStringLiteral("CREATE INDEX quarters_quarter ON quarters(quarter)"),
    QStringLiteral("CREATE TABLE chunks ("
                   " id INTEGER PRIMARY KEY,"
                   " recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,"
                   " first_second INTEGER NOT NULL,"
                   " fixes BLOB NOT NULL)"),
    QStringLiteral("CREATE INDEX chunks_recording ON chunks(recording_id)"),
    QStringLiteral(
        "CREATE VIRTUAL TABLE place USING rtree(id, min_lat, max_lat, min_lon, max_lon)"),
};

// Version 2: the car's own events (event.json in its SavedClips / SentryClips folders), one row
// each at its second of the recording, and their count beside the other kinds. NULL in
// car_events: a recording stored before this step, whose folder has not been looked at yet
// (see ArchiveDatabase::readMissingCarEvents).
const QStringList kArchiveStep2 = {
    QStringLiteral("ALTER TABLE recordings ADD COLUMN car_events INTEGER"),
    QStringLiteral("CREATE TABLE car_events ("
                   " recording_id INTEGER NOT NULL REFERENCES recordings(id) ON DELETE CASCADE,"
                   " second INTEGER NOT NULL,"
                   " reason TEXT NOT NULL,"
                   " place TEXT NOT NULL,"
                   " lat REAL, lon REAL)"),
    QStringLiteral("CREATE INDEX car_events_recording ON car_events(recording_id)"),
};

bool runArchiveStep(QSqlDatabase &db, const QStringList &statements, int version)
{
    if (!beginArchiveWrite(db))
        return false;
    QSqlQuery query(db);
    // Another process may have taken the step while this one waited for the lock.
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        query.finish();
        endArchiveWrite(db, false);
        return false;
    }
    if (query.value(0).toInt() >= version) {
        query.finish();
        return endArchiveWrite(db, true);
    }
    query.finish();
    QStringList all = statements;
    all << QStringLiteral("PRAGMA user_version = %1").arg(version)
        << QStringLiteral("PRAGMA application_id = %1").arg(kArchiveApplicationId);
    for (const QString &statement : qAsConst(all)) {
        if (!query.exec(statement)) {
            qCWarning(lcArchive) << "Archive: schema step" << version
                                 << "failed:" << query.lastError().text() << statement.left(80);
            query.finish();
            endArchiveWrite(db, false);
            return false;
        }
    }
    query.finish();
    return endArchiveWrite(db, true);
}
} // namespace

bool migrateArchive(QSqlDatabase &db, int from, int to)
{
    const QVector<QStringList> steps = {kArchiveStep1, kArchiveStep2};
    static_assert(kArchiveSchemaVersion == 2, "a step for every version");
    for (int version = from + 1; version <= std::min(to, kArchiveSchemaVersion); ++version)
        if (!runArchiveStep(db, steps[version - 1], version))
            return false;
    return true;
}
