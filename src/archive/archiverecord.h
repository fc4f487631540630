#pragma once

#include "archivegeo.h"
#include "archivetypes.h"
#include "drivingevents.h"

#include <QByteArray>
#include <QString>
#include <QVector>

// One file of a recording as it was found.
struct ArchiveFile
{
    int channel = 0;
    QString path;
    QString name;
    qint64 size = -1; // -1: not found
    qint64 mtime = 0; // seconds since 1970, UTC
};

// A run of up to kArchiveChunkSeconds + 1 fixes with its bounding box: one row of the place index.
struct ArchiveChunk
{
    int firstSecond = 0;
    double minLat = 0, maxLat = 0, minLon = 0, maxLon = 0;
    QByteArray fixes; // packFixes, seconds from firstSecond
};
constexpr int kArchiveChunkSeconds = 16;
// Fixes further apart than this many seconds are not joined into one stretch of road.
constexpr int kArchiveLongestGap = 5;

// Seconds and metres driven in one quarter of an hour (UTC seconds / 900): every time zone's
// midnight falls on a quarter's start, so a day's share is exact in any zone.
struct ArchiveQuarter
{
    qint64 quarter = 0;
    double metres = 0;
    int seconds = 0;
};
constexpr qint64 kArchiveQuarterSeconds = 900;

// Everything the database keeps of a recording, worked out without the database.
struct IndexedRecording
{
    QVector<ArchiveFile> files; // the front file first
    QString trackCachePath;
    QString stamp;       // sizes and times of the files and the cache (see sourceStamp)
    qint64 startUtc = 0; // seconds since 1970
    double seconds = 0;
    double metres = 0;
    double topSpeedKmh = 0;
    ArchiveEventCounts events{};
    QVector<ArchiveCarEvent> carEvents; // from its event folder's event.json, in time order
    bool hasBox = false;
    double minLat = 0, maxLat = 0, minLon = 0, maxLon = 0;
    QByteArray route; // packFixes of the simplified route, seconds from 0
    QVector<ArchiveChunk> chunks;
    QVector<ArchiveQuarter> quarters;
};

// How the files, the track cache and (in a car's event folder) its event.json look now: any
// change makes the recording be read again.
QString sourceStamp(const ArchiveSource &source);

// The car's events a recording holds: the event.json of the car's event folder its front file
// sits in, when its time falls within the recording's seconds from startUtc, or at the instant
// they end when no minute of the folder starts there (see carEventHolder). A damaged file
// gives the folder's time (see readCarEventFile). Nothing for a file outside such a folder.
QVector<ArchiveCarEvent> carEventsOf(const QString &frontPath, qint64 startUtc, double seconds);

// Reads the recording's track (extracting it into the cache first only with mayExtract) and
// works out what the index keeps. The start is the front file name's time stamp in the
// computer's zone, else the first fix's time (UTC) less its second, else the file's time.
IndexedRecording describeRecording(const ArchiveSource &source,
                                   const DrivingEventThresholds &thresholds, bool mayExtract);

// The route is simplified to this many metres: enough to draw at city zoom.
constexpr double kArchiveRouteToleranceMetres = 8;
