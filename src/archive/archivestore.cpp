// Writing the archive: one transaction per recording, so a process killed at any moment leaves
// whole recordings only.
#include "archivedatabase.h"
#include "archiverecord.h"
#include "archivewrite.h"

#include "archivelog.h"
#include <QDateTime>

#include <QDebug>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>

namespace {
namespace archivestore {

QVariant nullableDouble(bool present, double value)
{
    return present ? QVariant(value) : QVariant(QVariant::Double);
}

// The entry whose front file is gone and whose name and size match: the files moved.
qint64 movedEntry(QSqlQuery &query, const ArchiveFile &front)
{
    if (front.size < 0 || !archiveExec(query,
                                       QStringLiteral("SELECT id, front_path FROM recordings"
                                                      " WHERE front_name = ? AND front_size = ?"),
                                       {front.name, front.size}))
        return 0;
    while (query.next())
        if (!QFileInfo::exists(query.value(1).toString()))
            return query.value(0).toLongLong();
    return 0;
}

// A NULL would break the NOT NULL columns: an empty text is bound as one.
QString notNull(const QString &text)
{
    return text.isNull() ? QString(QLatin1String("")) : text;
}

bool writeCarEvents(QSqlQuery &query, qint64 id, const QVector<ArchiveCarEvent> &events)
{
    for (const ArchiveCarEvent &event : events)
        if (!archiveExec(query,
                         QStringLiteral("INSERT INTO car_events (recording_id, second, reason,"
                                        " place, lat, lon) VALUES (?, ?, ?, ?, ?, ?)"),
                         {id, event.second, notNull(event.reason), notNull(event.place),
                          nullableDouble(std::isfinite(event.latitude), event.latitude),
                          nullableDouble(std::isfinite(event.longitude), event.longitude)}))
            return false;
    return true;
}

bool writeParts(QSqlQuery &query, qint64 id, const IndexedRecording &r)
{
    for (const QString &statement :
         {QStringLiteral("DELETE FROM files WHERE recording_id = ?"),
          QStringLiteral("DELETE FROM quarters WHERE recording_id = ?"),
          QStringLiteral(
              "DELETE FROM place WHERE id IN (SELECT id FROM chunks WHERE recording_id = ?)"),
          QStringLiteral("DELETE FROM chunks WHERE recording_id = ?"),
          QStringLiteral("DELETE FROM car_events WHERE recording_id = ?")})
        if (!archiveExec(query, statement, {id}))
            return false;
    for (const ArchiveFile &file : r.files)
        if (!archiveExec(
                query,
                QStringLiteral("INSERT INTO files (recording_id, channel, path, name, size,"
                               " mtime) VALUES (?, ?, ?, ?, ?, ?)"),
                {id, file.channel, file.path, file.name, file.size, file.mtime}))
            return false;
    for (const ArchiveQuarter &quarter : r.quarters)
        if (!archiveExec(query,
                         QStringLiteral("INSERT INTO quarters (recording_id, quarter, metres,"
                                        " seconds) VALUES (?, ?, ?, ?)"),
                         {id, quarter.quarter, quarter.metres, quarter.seconds}))
            return false;
    if (!writeCarEvents(query, id, r.carEvents))
        return false;
    for (const ArchiveChunk &chunk : r.chunks) {
        if (!archiveExec(query,
                         QStringLiteral("INSERT INTO chunks (recording_id, first_second, fixes)"
                                        " VALUES (?, ?, ?)"),
                         {id, chunk.firstSecond, chunk.fixes}))
            return false;
        const QVariant chunkId = query.lastInsertId();
        if (!archiveExec(query,
                         QStringLiteral("INSERT INTO place (id, min_lat, max_lat, min_lon, max_lon)"
                                        " VALUES (?, ?, ?, ?, ?)"),
                         {chunkId, chunk.minLat, chunk.maxLat, chunk.minLon, chunk.maxLon}))
            return false;
    }
    return true;
}
} // namespace archivestore
} // namespace

ArchiveDatabase::Stored ArchiveDatabase::store(const IndexedRecording &r)
{
    using namespace archivestore;
    if (!m_open || r.files.isEmpty())
        return Stored::Failed;
    QSqlDatabase db = connection();
    if (!beginArchiveWrite(db))
        return Stored::Failed;
    const auto fail = [&db] {
        endArchiveWrite(db, false);
        return Stored::Failed;
    };
    Stored outcome = Stored::Failed;
    {
        QSqlQuery query(db);
        const ArchiveFile &front = r.files.first();
        qint64 id = 0;
        if (!archiveExec(query, QStringLiteral("SELECT id FROM recordings WHERE front_path = ?"),
                         {front.path}))
            return fail();
        if (query.next()) {
            id = query.value(0).toLongLong();
            outcome = Stored::Updated;
        } else if ((id = movedEntry(query, front)) != 0) {
            outcome = Stored::Relinked;
            qCInfo(lcArchive) << "Archive: recording" << id << "found again at" << front.path;
        }
        const QVariantList values = {front.path,
                                     front.name,
                                     front.size,
                                     r.trackCachePath,
                                     r.stamp,
                                     r.startUtc,
                                     r.startUtc + qint64(r.seconds),
                                     r.seconds,
                                     r.metres,
                                     r.topSpeedKmh,
                                     r.events[0],
                                     r.events[1],
                                     r.events[2],
                                     r.events[kArchiveCarEventKind],
                                     nullableDouble(r.hasBox, r.minLat),
                                     nullableDouble(r.hasBox, r.maxLat),
                                     nullableDouble(r.hasBox, r.minLon),
                                     nullableDouble(r.hasBox, r.maxLon),
                                     r.route,
                                     front.size < 0 ? 1 : 0,
                                     QDateTime::currentSecsSinceEpoch()};
        const QString columns = QStringLiteral(
            "front_path, front_name, front_size, track_cache, stamp, start_utc, end_utc, seconds,"
            " metres, top_speed_kmh, braking, accelerations, jolts, car_events, min_lat, max_lat, min_lon,"
            " max_lon, route, offline, indexed_utc");
        if (id == 0) {
            if (!archiveExec(query,
                             QStringLiteral("INSERT INTO recordings (") + columns +
                                 QStringLiteral(") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                                                " ?, ?, ?, ?, ?, ?, ?, ?)"),
                             values))
                return fail();
            id = query.lastInsertId().toLongLong();
            outcome = Stored::Added;
        } else {
            QString assignments = columns;
            assignments.replace(QLatin1String(","), QLatin1String(" = ?,"));
            QVariantList withId = values;
            withId << id;
            if (!archiveExec(query,
                             QStringLiteral("UPDATE recordings SET ") + assignments +
                                 QStringLiteral(" = ? WHERE id = ?"),
                             withId))
                return fail();
        }
        if (!writeParts(query, id, r))
            return fail();
    }
    return endArchiveWrite(db, true) ? outcome : Stored::Failed;
}

bool ArchiveDatabase::isCurrent(const QString &frontPath, const QString &stamp) const
{
    QSqlQuery query(connection());
    return m_open &&
           archiveExec(query,
                       QStringLiteral("SELECT stamp, offline FROM recordings WHERE front_path = ?"),
                       {frontPath}) &&
           query.next() && query.value(0).toString() == stamp && query.value(1).toInt() == 0;
}

int ArchiveDatabase::checkOffline()
{
    if (!m_open)
        return 0;
    QSqlDatabase db = connection();
    QVector<std::pair<qint64, int>> changes;
    int offline = 0;
    {
        QSqlQuery query(db);
        if (!archiveExec(query, QStringLiteral("SELECT id, front_path, offline FROM recordings"),
                         {}))
            return 0;
        while (query.next()) {
            const int gone = QFileInfo::exists(query.value(1).toString()) ? 0 : 1;
            offline += gone;
            if (gone != query.value(2).toInt())
                changes.append({query.value(0).toLongLong(), gone});
        }
    }
    if (changes.isEmpty())
        return offline;
    if (!beginArchiveWrite(db))
        return offline;
    bool written = true;
    {
        QSqlQuery update(db);
        for (const auto &[id, gone] : qAsConst(changes))
            written = written &&
                      archiveExec(update,
                                  QStringLiteral("UPDATE recordings SET offline = ? WHERE id = ?"),
                                  {gone, id});
    }
    endArchiveWrite(db, written);
    return offline;
}

int ArchiveDatabase::readMissingCarEvents()
{
    using namespace archivestore;
    if (!m_open)
        return 0;
    QSqlDatabase db = connection();
    struct Missing
    {
        qint64 id = 0;
        QVector<ArchiveCarEvent> events;
    };
    QVector<Missing> found;
    {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!archiveExec(query,
                         QStringLiteral("SELECT id, front_path, start_utc, seconds FROM recordings"
                                        " WHERE car_events IS NULL"),
                         {}))
            return 0;
        while (query.next()) {
            const QString front = query.value(1).toString();
            // A folder not there now (a drive not attached) is looked at again next time.
            if (!QFileInfo::exists(front))
                continue;
            found.append({query.value(0).toLongLong(),
                          carEventsOf(front, query.value(2).toLongLong(),
                                      query.value(3).toDouble())});
        }
    }
    if (found.isEmpty())
        return 0;
    if (!beginArchiveWrite(db))
        return 0;
    int events = 0;
    bool written = true;
    {
        QSqlQuery query(db);
        for (const Missing &missing : qAsConst(found)) {
            written = written &&
                      archiveExec(query,
                                  QStringLiteral("DELETE FROM car_events WHERE recording_id = ?"),
                                  {missing.id}) &&
                      writeCarEvents(query, missing.id, missing.events) &&
                      archiveExec(query,
                                  QStringLiteral("UPDATE recordings SET car_events = ? WHERE id = ?"),
                                  {int(missing.events.size()), missing.id});
            events += int(missing.events.size());
        }
    }
    if (!endArchiveWrite(db, written))
        return 0;
    qCInfo(lcArchive) << "Archive: looked for the car's events of" << found.size()
                      << "recordings stored before; found" << events;
    return events;
}
