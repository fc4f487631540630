// Reading the archive: the calendar, a day's drives, passes by place and the routes. Local
// dates are those of the computer's time zone when asked; the database holds UTC only.
#include "archivedatabase.h"
#include "archiverecord.h"
#include "archivewrite.h"
#include "drivegrouping.h"

#include "archivelog.h"

#include <QDebug>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <cmath>
#include <map>

namespace {
// A drive reaching into a day may have started this long before it (or end this long after).
constexpr qint64 kArchiveDriveReach = 6 * 3600;
constexpr qint64 kArchiveDaySeconds = 86400;

QDateTime utcAt(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}


QString idList(const QList<qint64> &ids)
{
    QStringList texts;
    texts.reserve(ids.size());
    for (qint64 id : ids)
        texts << QString::number(id);
    return texts.join(QLatin1Char(','));
}

// Part of a visit: from..to seconds near the place, closest at `second`.
struct ArchiveNear
{
    int from = 0;
    int to = 0;
    int second = 0;
    double metres = 0;
    double speedKmh = 0;
};
} // namespace

int ArchiveDatabase::recordingCount() const
{
    QSqlQuery query(connection());
    return archiveExec(query, QStringLiteral("SELECT count(*) FROM recordings"), {}) &&
                   query.next()
               ? query.value(0).toInt()
               : 0;
}

QVector<ArchiveRecording> ArchiveDatabase::recordingsWhere(const QString &condition,
                                                           const QVariantList &values) const
{
    QVector<ArchiveRecording> found;
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!archiveExec(query,
                      QStringLiteral("SELECT id, front_path, start_utc, end_utc, seconds, metres,"
                                     " top_speed_kmh, braking, accelerations, jolts,"
                                     " coalesce(car_events, 0), offline"
                                     " FROM recordings WHERE ") +
                          condition + QStringLiteral(" ORDER BY start_utc, id"),
                      values))
        return found;
    QHash<qint64, int> at;
    while (query.next()) {
        ArchiveRecording r;
        r.id = query.value(0).toLongLong();
        r.frontPath = query.value(1).toString();
        r.startUtc = utcAt(query.value(2).toLongLong());
        r.endUtc = utcAt(query.value(3).toLongLong());
        r.seconds = query.value(4).toDouble();
        r.metres = query.value(5).toDouble();
        r.topSpeedKmh = query.value(6).toDouble();
        for (std::size_t kind = 0; kind < r.events.size(); ++kind)
            r.events[kind] = query.value(7 + int(kind)).toInt();
        r.offline = query.value(11).toInt() != 0;
        at.insert(r.id, found.size());
        found.append(r);
    }
    if (found.isEmpty())
        return found;
    QSqlQuery files(connection());
    files.setForwardOnly(true);
    if (archiveExec(files,
                     QStringLiteral("SELECT recording_id, path FROM files WHERE channel > 0 AND"
                                    " recording_id IN (") +
                         idList(at.keys()) + QStringLiteral(") ORDER BY recording_id, channel"),
                     {}))
        while (files.next())
            found[at.value(files.value(0).toLongLong())].channelPaths << files.value(1).toString();
    QSqlQuery events(connection());
    events.setForwardOnly(true);
    if (archiveExec(events,
                     QStringLiteral("SELECT recording_id, second, reason, place, lat, lon"
                                    " FROM car_events WHERE recording_id IN (") +
                         idList(at.keys()) + QStringLiteral(") ORDER BY recording_id, second"),
                     {}))
        while (events.next()) {
            ArchiveCarEvent event;
            event.second = events.value(1).toInt();
            event.reason = events.value(2).toString();
            event.place = events.value(3).toString();
            if (!events.value(4).isNull() && !events.value(5).isNull()) {
                event.latitude = events.value(4).toDouble();
                event.longitude = events.value(5).toDouble();
            }
            found[at.value(events.value(0).toLongLong())].carEvents.append(event);
        }
    return found;
}

ArchiveRecording ArchiveDatabase::recording(qint64 id) const
{
    return recordingsWhere(QStringLiteral("id = ?"), {id}).value(0);
}

QVector<ArchiveDay> ArchiveDatabase::days(const QDate &from, const QDate &to) const
{
    QVector<ArchiveDay> days;
    if (!from.isValid() || !to.isValid() || to < from)
        return days;
    // Where each local day starts; the last entry ends the range.
    QVector<qint64> starts;
    for (QDate d = from; d <= to.addDays(1); d = d.addDays(1))
        starts.append(d.startOfDay(Qt::LocalTime).toSecsSinceEpoch());
    QVector<ArchiveDay> all(starts.size() - 1);
    QVector<QSet<qint64>> recordings(all.size());
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!archiveExec(query,
                      QStringLiteral("SELECT recording_id, quarter, metres, seconds FROM quarters"
                                     " WHERE quarter >= ? AND quarter < ?"),
                      {starts.first() / kArchiveQuarterSeconds,
                       (starts.last() + kArchiveQuarterSeconds - 1) / kArchiveQuarterSeconds}))
        return days;
    while (query.next()) {
        const qint64 start = query.value(1).toLongLong() * kArchiveQuarterSeconds;
        const int day =
            int(std::upper_bound(starts.cbegin(), starts.cend(), start) - starts.cbegin()) - 1;
        if (day < 0 || day >= all.size())
            continue;
        all[day].metres += query.value(2).toDouble();
        all[day].seconds += query.value(3).toDouble();
        recordings[day].insert(query.value(0).toLongLong());
    }
    for (int day = 0; day < all.size(); ++day) {
        if (recordings[day].isEmpty())
            continue;
        all[day].date = from.addDays(day);
        all[day].recordings = int(recordings[day].size());
        days.append(all[day]);
    }
    return days;
}

QVector<ArchiveDrive> ArchiveDatabase::drivesOn(const QDate &day) const
{
    QVector<ArchiveDrive> drives;
    if (!day.isValid())
        return drives;
    const qint64 dayStart = day.startOfDay(Qt::LocalTime).toSecsSinceEpoch();
    const qint64 dayEnd = day.addDays(1).startOfDay(Qt::LocalTime).toSecsSinceEpoch();
    const QVector<ArchiveRecording> near =
        recordingsWhere(QStringLiteral("start_utc >= ? AND start_utc < ? AND end_utc >= ?"),
                        {dayStart - kArchiveDriveReach - kArchiveDaySeconds,
                         dayEnd + kArchiveDriveReach, dayStart - kArchiveDriveReach});
    QVector<DriveFile> files;
    files.reserve(near.size());
    for (const ArchiveRecording &r : near) {
        DriveFile file;
        file.recording = QString::number(r.id);
        file.firstFix = file.fileTime = r.startUtc; // no name: the start is taken as it is
        file.seconds = r.seconds;
        files.append(file);
    }
    for (const QVector<int> &indices : groupIntoDrives(files)) {
        ArchiveDrive drive;
        for (int index : indices) {
            const ArchiveRecording &r = near[index];
            drive.recordings.append(r);
            drive.startUtc =
                drive.startUtc.isValid() ? std::min(drive.startUtc, r.startUtc) : r.startUtc;
            drive.endUtc = drive.endUtc.isValid() ? std::max(drive.endUtc, r.endUtc) : r.endUtc;
            drive.metres += r.metres;
            drive.topSpeedKmh = std::max(drive.topSpeedKmh, r.topSpeedKmh);
            for (std::size_t kind = 0; kind < drive.events.size(); ++kind)
                drive.events[kind] += r.events[kind];
        }
        const qint64 start = drive.startUtc.toSecsSinceEpoch();
        const qint64 end = drive.endUtc.toSecsSinceEpoch();
        if (start < dayEnd && (end > dayStart || start >= dayStart))
            drives.append(drive);
    }
    return drives;
}

QVector<ArchivePass> ArchiveDatabase::passesNear(double latitude, double longitude,
                                                 double radiusMetres) const
{
    QVector<ArchivePass> passes;
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || !(radiusMetres > 0) ||
        std::abs(latitude) > 89)
        return passes;
    const double dLat = radiusMetres / kArchiveMetresPerDegree;
    const double dLon = radiusMetres / (kArchiveMetresPerDegree * std::cos(latitude * M_PI / 180));
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!archiveExec(query,
                      QStringLiteral("SELECT c.recording_id, c.first_second, c.fixes FROM place p"
                                     " JOIN chunks c ON c.id = p.id WHERE p.max_lat >= ? AND"
                                     " p.min_lat <= ? AND p.max_lon >= ? AND p.min_lon <= ?"),
                      {latitude - dLat, latitude + dLat, longitude - dLon, longitude + dLon}))
        return passes;
    std::map<qint64, QVector<ArchiveNear>> nearBy;
    while (query.next()) {
        const QVector<ArchiveFix> fixes =
            unpackFixes(query.value(2).toByteArray(), query.value(1).toInt());
        QVector<ArchiveNear> &found = nearBy[query.value(0).toLongLong()];
        for (int i = 0; i < fixes.size(); ++i) {
            const ArchiveFix &a = fixes[i];
            const double own = archiveMetres(latitude, longitude, a.latitude, a.longitude);
            if (own <= radiusMetres)
                found.append({a.second, a.second, a.second, own, a.speedKmh});
            if (i + 1 == fixes.size() || fixes[i + 1].second - a.second > kArchiveLongestGap)
                continue;
            const ArchiveFix &b = fixes[i + 1];
            double t = 0;
            const double d = archiveMetresToSegment(latitude, longitude, a.latitude, a.longitude,
                                                    b.latitude, b.longitude, &t);
            if (d <= radiusMetres) {
                const ArchiveFix &closer = t < 0.5 ? a : b;
                found.append({a.second, b.second, closer.second, d, closer.speedKmh});
            }
        }
    }
    // Touching or overlapping parts of one recording make one visit, closest where its nearest
    // part is.
    QHash<qint64, QVector<ArchiveNear>> visits;
    for (auto &[id, parts] : nearBy) {
        std::sort(parts.begin(), parts.end(),
                  [](const ArchiveNear &x, const ArchiveNear &y) { return x.from < y.from; });
        QVector<ArchiveNear> merged;
        for (const ArchiveNear &part : qAsConst(parts)) {
            if (!merged.isEmpty() && part.from <= merged.last().to) {
                ArchiveNear &last = merged.last();
                last.to = std::max(last.to, part.to);
                if (part.metres < last.metres) {
                    last.metres = part.metres;
                    last.second = part.second;
                    last.speedKmh = part.speedKmh;
                }
            } else {
                merged.append(part);
            }
        }
        if (!merged.isEmpty())
            visits.insert(id, merged);
    }
    if (visits.isEmpty())
        return passes;
    QSqlQuery recordings(connection());
    recordings.setForwardOnly(true);
    if (!archiveExec(recordings,
                      QStringLiteral("SELECT id, front_path, start_utc, offline FROM recordings"
                                     " WHERE id IN (") +
                          idList(visits.keys()) + QLatin1Char(')'),
                      {}))
        return passes;
    while (recordings.next()) {
        const qint64 id = recordings.value(0).toLongLong();
        for (const ArchiveNear &visit : visits.value(id)) {
            ArchivePass pass;
            pass.recordingId = id;
            pass.frontPath = recordings.value(1).toString();
            pass.second = visit.second;
            pass.whenUtc = utcAt(recordings.value(2).toLongLong() + visit.second);
            pass.speedKmh = visit.speedKmh;
            pass.metres = visit.metres;
            pass.offline = recordings.value(3).toInt() != 0;
            passes.append(pass);
        }
    }
    std::sort(passes.begin(), passes.end(), [](const ArchivePass &x, const ArchivePass &y) {
        return x.whenUtc != y.whenUtc ? x.whenUtc < y.whenUtc : x.recordingId < y.recordingId;
    });
    return passes;
}

QVector<ArchiveRoute> ArchiveDatabase::routes() const
{
    QVector<ArchiveRoute> routes;
    QSqlQuery query(connection());
    query.setForwardOnly(true);
    if (!archiveExec(query,
                      QStringLiteral("SELECT id, start_utc, route FROM recordings"
                                     " WHERE route IS NOT NULL ORDER BY start_utc, id"),
                      {}))
        return routes;
    while (query.next()) {
        ArchiveRoute route;
        route.recordingId = query.value(0).toLongLong();
        route.startUtc = utcAt(query.value(1).toLongLong());
        const QVector<ArchiveFix> fixes = unpackFixes(query.value(2).toByteArray(), 0);
        route.points.reserve(fixes.size());
        for (const ArchiveFix &fix : fixes)
            route.points.append(QPointF(fix.longitude, fix.latitude));
        routes.append(route);
    }
    return routes;
}
