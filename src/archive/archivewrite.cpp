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

bool archiveExec(QSqlQuery &query, const QString &statement, const QVariantList &values)
{
    if (!query.prepare(statement)) {
        qCWarning(lcArchive) << "Archive: cannot prepare" << statement.left(60)
                             << query.lastError().text();
        return false;
    }
    for (const QVariant &value : values)
        query.addBindValue(value);
    if (!query.exec()) {
        qCWarning(lcArchive) << "Archive:" << statement.left(60)
                             << "failed:" << query.lastError().text();
        return false;
    }
    return true;
}
