#pragma once

#include "archivetypes.h"

#include <QString>

// The archive view's figures in the chosen speed unit (km and km/h, or mi and mph), in the
// computer's time zone.
namespace archivetexts {
QString distance(double metres);
QString speed(double kmh);
QString events(const ArchiveEventCounts &counts);
// "14:13:05 · Saved by the horn · street, city": the car's event at its local time, its reason
// in words and the place it gives.
QString carEvent(const ArchiveCarEvent &event, const QDateTime &recordingStartUtc);
// "10:15–10:45" local, the dates added when start and end fall on other days.
QString timeRange(const QDateTime &startUtc, const QDateTime &endUtc);
QString localTime(const QDateTime &utc);
} // namespace archivetexts
