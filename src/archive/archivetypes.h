#pragma once

#include <QDate>
#include <QDateTime>
#include <QMetaType>
#include <QPointF>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <limits>

// What the archive is told of one recording: its files and where its track is cached.
struct ArchiveSource
{
    QString frontPath;        // the recording's first channel; identifies it
    QStringList channelPaths; // the other channels, in channel order
    QString trackCachePath;   // the track cache as the library names it
};

// Hard braking, hard acceleration, jolts and the car's own events: indexed by DrivingEventKind.
using ArchiveEventCounts = std::array<int, 4>;
constexpr std::size_t kArchiveCarEventKind = 3;

// An event the car wrote beside the clips it saved (event.json), at a second of the recording
// whose event folder holds it.
struct ArchiveCarEvent
{
    int second = 0;  // into the recording
    QString reason;  // as the car wrote it; shown in words by the view
    QString place;   // "street, city", either alone, or empty
    double latitude = std::numeric_limits<double>::quiet_NaN();
    double longitude = std::numeric_limits<double>::quiet_NaN();
};

// One recording as the archive holds it.
struct ArchiveRecording
{
    qint64 id = 0;
    QString frontPath;
    QStringList channelPaths;
    QDateTime startUtc;
    QDateTime endUtc;
    double seconds = 0;
    double metres = 0;
    double topSpeedKmh = 0;
    ArchiveEventCounts events{};
    QVector<ArchiveCarEvent> carEvents; // in time order
    bool offline = false; // its front file was not found at the last check
};

// A local date with driving, and what was driven on it.
struct ArchiveDay
{
    QDate date;
    double metres = 0;
    double seconds = 0;
    int recordings = 0;
};

// Recordings that follow one another with gaps of at most a minute, as the file list groups them.
struct ArchiveDrive
{
    QVector<ArchiveRecording> recordings; // in time order
    QDateTime startUtc;
    QDateTime endUtc;
    double metres = 0;
    double topSpeedKmh = 0;
    ArchiveEventCounts events{};
};

// One visit of a recording to a place: the second of its closest approach.
struct ArchivePass
{
    qint64 recordingId = 0;
    QString frontPath;
    QDateTime whenUtc;   // the recording's start + second
    int second = 0;      // into the recording
    double speedKmh = 0; // at that second
    double metres = 0;   // from the place at the closest approach
    bool offline = false;
};

// A recording's simplified route for drawing; points are longitude (x), latitude (y), WGS-84.
struct ArchiveRoute
{
    qint64 recordingId = 0;
    QDateTime startUtc;
    QVector<QPointF> points;
};

Q_DECLARE_METATYPE(ArchiveSource)
