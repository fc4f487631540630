#include "archivewrite.h"

#include "archivelog.h"

#include <QDebug>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

bool beginArchiveWrite(QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return true;
    qCWarning(lcArchive) << "Archive: cannot begin a write:" << query.lastError().text();
    return false;
}

bool endArchiveWrite(QSqlDatabase &db, bool commit)
{
    QSqlQuery query(db);
    if (commit && query.exec(QStringLiteral("COMMIT")))
        return true;
    if (commit)
        qCWarning(lcArchive) << "Archive: cannot commit:" << query.lastError().text();
    query.exec(QStringLiteral("ROLLBACK"));
    return false;
}
