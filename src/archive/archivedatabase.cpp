#include "archivedatabase.h"

#include "archiveschema.h"

#include "archivelog.h"
#include <QAtomicInt>
#include <QDateTime>

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QUrl>

Q_LOGGING_CATEGORY(lcArchive, "qmarl.archive", QtInfoMsg)

namespace {
QAtomicInt s_archiveConnections;

// Failures that say nothing against the file: another process holding the lock longer than
// the wait, or a file or disk that cannot be read or written now.
bool archiveNotTheFile(const QSqlError &error)
{
    switch (error.nativeErrorCode().toInt() & 0xff) {
    case 3:  // SQLITE_PERM
    case 5:  // SQLITE_BUSY
    case 6:  // SQLITE_LOCKED
    case 8:  // SQLITE_READONLY
    case 10: // SQLITE_IOERR
    case 13: // SQLITE_FULL
    case 14: // SQLITE_CANTOPEN
        return true;
    default:
        return false;
    }
}

QVariant archivePragma(QSqlDatabase &db, const QString &name, bool *ok, QSqlError *error)
{
    QSqlQuery query(db);
    *ok = query.exec(QStringLiteral("PRAGMA ") + name) && query.next();
    if (!*ok && error)
        *error = query.lastError();
    return *ok ? query.value(0) : QVariant();
}
} // namespace

QString ArchiveDatabase::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
           QStringLiteral("/archive.sqlite");
}

ArchiveDatabase::ArchiveDatabase(const QString &path)
    : m_path(path),
      m_connectionName(
          QStringLiteral("qmarl-archive-%1").arg(s_archiveConnections.fetchAndAddRelaxed(1)))
{}

ArchiveDatabase::~ArchiveDatabase()
{
    closeConnection();
}

QSqlDatabase ArchiveDatabase::connection() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

void ArchiveDatabase::closeConnection()
{
    m_open = false;
    if (!QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool ArchiveDatabase::openFile()
{
    closeConnection();
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
    db.setDatabaseName(m_path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kArchiveBusyMs));
    if (!db.open()) {
        qCWarning(lcArchive) << "Archive: cannot open" << m_path << db.lastError().text();
        m_leaveAlone = true;
        return false;
    }
    QSqlQuery query(db);
    // The wait first: switching to WAL needs the lock another process may hold.
    for (const QString &pragma : {QStringLiteral("PRAGMA busy_timeout = %1").arg(kArchiveBusyMs),
                                  QStringLiteral("PRAGMA foreign_keys = ON"),
                                  QStringLiteral("PRAGMA synchronous = NORMAL")}) {
        if (!query.exec(pragma)) {
            qCWarning(lcArchive) << "Archive:" << pragma << "failed:" << query.lastError().text();
            m_leaveAlone = archiveNotTheFile(query.lastError());
            return false;
        }
    }
    return true;
}

bool ArchiveDatabase::looksLikeOurs(QString *why)
{
    QSqlDatabase db = connection();
    bool ok = false;
    QSqlError error;
    const auto failed = [&](const QString &text) {
        *why = text + error.text();
        m_leaveAlone = archiveNotTheFile(error);
        return false;
    };
    const int applicationId =
        archivePragma(db, QStringLiteral("application_id"), &ok, &error).toInt();
    if (!ok)
        return failed(QString());
    const int version = archivePragma(db, QStringLiteral("user_version"), &ok, &error).toInt();
    if (!ok)
        return failed(QString());
    bool empty = false;
    {
        QSqlQuery query(db);
        empty = query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && query.next() &&
                query.value(0).toInt() == 0;
    }
    if (applicationId != kArchiveApplicationId && !(empty && version == 0))
        return failed(QStringLiteral("not an archive (application id %1)").arg(applicationId));
    if (version > kArchiveSchemaVersion)
        return failed(QStringLiteral("written by a newer version (schema %1)").arg(version));
    const QVariant check = archivePragma(db, QStringLiteral("quick_check"), &ok, &error);
    if (!ok || check.toString() != QLatin1String("ok"))
        return failed(QStringLiteral("damaged: ") + (ok ? check.toString() : QString()));
    QSqlQuery wal(db);
    if (!wal.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !wal.next() ||
        wal.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        error = wal.lastError();
        return failed(QStringLiteral("cannot use a write-ahead log: "));
    }
    return true;
}

bool ArchiveDatabase::openExisting()
{
    m_open = QFileInfo(m_path).isFile() && openFile();
    return m_open;
}

QVector<ArchiveSource> ArchiveDatabase::sourcesIn(const QString &path)
{
    QVector<ArchiveSource> sources;
    const QString name =
        QStringLiteral("qmarl-archive-salvage-%1").arg(s_archiveConnections.fetchAndAddRelaxed(1));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        QUrl url = QUrl::fromLocalFile(path);
        url.setScheme(QStringLiteral("file"));
        url.setQuery(QStringLiteral("immutable=1"));
        db.setDatabaseName(url.toString(QUrl::FullyEncoded));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY"));
        QSqlQuery query(db);
        if (db.open() && query.exec(QStringLiteral(
                             "SELECT r.id, r.front_path, r.track_cache, f.path FROM recordings r"
                             " LEFT JOIN files f ON f.recording_id = r.id AND f.channel > 0"
                             " ORDER BY r.id, f.channel"))) {
            qint64 last = -1;
            while (query.next()) {
                if (query.value(0).toLongLong() != last) {
                    last = query.value(0).toLongLong();
                    sources.append({query.value(1).toString(), {}, query.value(2).toString()});
                }
                if (!query.value(3).isNull())
                    sources.last().channelPaths << query.value(3).toString();
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return sources;
}

QString ArchiveDatabase::moveAside()
{
    closeConnection();
    const QString aside =
        m_path + QStringLiteral(".damaged-") +
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
    // The log and shared memory go with the file they belong to.
    for (const QString &ending : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")}) {
        if (QFile::exists(m_path + ending) && !QFile::rename(m_path + ending, aside + ending)) {
            qCWarning(lcArchive) << "Archive: cannot move" << m_path + ending << "aside";
            return QString();
        }
    }
    return aside;
}

bool ArchiveDatabase::open(QString *movedAside)
{
    QString why = QStringLiteral("cannot be opened as a database");
    m_leaveAlone = false;
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        qCWarning(lcArchive) << "Archive: no SQLite driver for Qt (libqt5sql5-sqlite); no archive";
        return false;
    }
    if (openFile() && looksLikeOurs(&why)) {
        bool ok = false;
        QSqlDatabase db = connection();
        const int version = archivePragma(db, QStringLiteral("user_version"), &ok, nullptr).toInt();
        m_open = ok && migrateArchive(db, version);
        if (m_open)
            return true;
        // Its own file at a version it knows: a failed step is the lock or the disk.
        why = QStringLiteral("its schema cannot be brought up to date");
        m_leaveAlone = true;
    }
    if (m_leaveAlone) {
        qCWarning(lcArchive).noquote() << "Archive:" << m_path << "cannot be used now:" << why;
        closeConnection();
        return false;
    }
    if (!QFile::exists(m_path))
        return false; // not even a fresh file could be made: nothing to move aside
    const QString aside = moveAside();
    if (aside.isEmpty())
        return false;
    qCWarning(lcArchive).noquote() << "Archive:" << m_path << "-" << why << "- moved aside to"
                                   << aside << "and a new archive started";
    if (movedAside)
        *movedAside = aside;
    if (!openFile() || !looksLikeOurs(&why)) {
        qCWarning(lcArchive).noquote()
            << "Archive: the new archive at" << m_path << "cannot be used:" << why;
        return false;
    }
    QSqlDatabase db = connection();
    m_open = migrateArchive(db, 0);
    return m_open;
}
