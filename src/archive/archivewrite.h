#pragma once

#include <QString>
#include <QVariantList>

class QSqlDatabase;
class QSqlQuery;

// Runs a prepared statement with its values; logs and returns false on failure.
bool archiveExec(QSqlQuery &query, const QString &statement, const QVariantList &values = {});

// Write transactions take the write lock when they begin (BEGIN IMMEDIATE) and so wait for
// another writer there: a transaction that has read and then wants to write is failed at once
// by SQLite when another connection writes, whatever the busy timeout.
bool beginArchiveWrite(QSqlDatabase &db);
// Commits, or with commit false rolls back; false when the commit failed (then rolled back).
bool endArchiveWrite(QSqlDatabase &db, bool commit);
