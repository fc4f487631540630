#pragma once

class QSqlDatabase;

// The archive's tables, built up by numbered steps: PRAGMA user_version holds the last step
// applied, and each step runs in its own transaction with the version it reaches.
constexpr int kArchiveSchemaVersion = 2;
// PRAGMA application_id of an archive: a database without it is someone else's.
constexpr int kArchiveApplicationId = 0x514d4152;

// Applies the steps after version `from` up to `to` (an older version only to build an old
// archive for a test); false (and the database left at the last whole step) when one fails.
bool migrateArchive(QSqlDatabase &db, int from, int to = kArchiveSchemaVersion);
