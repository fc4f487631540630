#pragma once
#include "tracklayout.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVector>

// One exported point: a valid fix in WGS-84 with its UTC time (invalid when the line's time
// text is not a date), speed in metres per second, course in degrees, acceleration in g.
struct TrackPoint
{
    QDateTime time;
    double latitude = 0;
    double longitude = 0;
    double speedMs = 0;
    double course = 0;
    bool hasCourse = true; // false where the layout records no course (the line holds 0)
    double gX = 0;
    double gY = 0;
    double gZ = 0;
};

// The speed field of a track line holds knots, except in tracks from the chip trailer, whose
// reader copies the km/h figure of the camera's text unchanged.
enum class TrackSpeedUnit
{
    Knots,
    KilometresPerHour
};
TrackSpeedUnit speedUnitForLayout(TrackLayout layout);

struct TrackExportOptions
{
    TrackSpeedUnit speedUnit = TrackSpeedUnit::Knots;
    bool haisiScale = false; // raw G-sensor counts are 4096 per g instead of 256
    bool courseRecorded = true;
};

// Export options that fit the track a layout's reader wrote.
TrackExportOptions exportOptionsFor(TrackLayout layout, bool haisiTrack);

// The valid fixes ('A') of a track text in file order. A line identical to the one before it is
// the jump filter's repeat of the last accepted sample and is kept once.
QVector<TrackPoint> trackPointsFromText(const QByteArray &text, const TrackExportOptions &options);

struct ExportedTrack
{
    QString name;
    QVector<TrackPoint> points;
};

// GPX 1.1: one <trk> per track with one <trkseg>; speed and course in the Garmin
// TrackPointExtension v2 elements, which is where GPX 1.1 readers look for them.
QByteArray tracksToGpx(const QVector<ExportedTrack> &tracks, const QString &creator);

// Comma-separated values: the header line, then one row per point.
QByteArray trackCsvHeader();
QByteArray trackPointsToCsv(const QVector<TrackPoint> &points);
