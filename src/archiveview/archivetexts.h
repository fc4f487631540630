#pragma once

#include "archivetypes.h"

#include <QString>

// The archive view's figures in the chosen speed unit (km and km/h, or mi and mph), in the
// computer's time zone.
namespace archivetexts {
QString distance(double metres);
QString speed(double kmh);
QString events(const ArchiveEventCounts &counts);
// "10:15–10:45" local, the dates added when start and end fall on other days.
QString timeRange(const QDateTime &startUtc, const QDateTime &endUtc);
QString localTime(const QDateTime &utc);
} // namespace archivetexts
