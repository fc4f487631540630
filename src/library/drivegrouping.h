#pragma once

#include <QDateTime>
#include <QString>
#include <QVector>

// What grouping needs to know of one file of the list.
struct DriveFile
{
    QString recording;   // the same for every channel of one recording
    QString fileName;    // its time stamp, in the naming families that have one, comes first
    QDateTime firstFix;  // the first GPS time, invalid when the file has no track
    QDateTime fileTime;  // the file's own time, the last resort
    double seconds = 0;  // the recording's duration
    QString apart;       // files of different values never share a drive (an event folder)
};

// The date and time that text starts with, digit by digit after layout ("yyyy_MMdd_HHmmss_"
// and the like), as wall-clock digits in a UTC QDateTime; invalid when it does not fit. Local
// times would ask the time zone on every step, which the grouping of a card cannot afford.
QDateTime wallClockFromDigits(const QString &text, const QString &layout);

// The time stamp the timestamped family's names start with ("2024_0516_101500_001A.MP4").
inline const QString kNameStampLayout = QStringLiteral("yyyy_MMdd_HHmmss_");

// The recording's start the file name gives, in the naming families that write one (local
// time, as wall-clock digits): 2024_0516_101500_…, 20240516_101500_…, 240516_101500_… (the
// years after 2000), REC_/EVT_/PARK_2024_05_16_10_15_00_…, 2025-11-20_14-03-12-…; invalid for
// any other name.
QDateTime nameTimeStamp(const QString &fileName);

// Where a file's recording starts: the file name's time stamp, else the first GPS time, else
// the file time.
QDateTime driveFileStart(const DriveFile &file);

// Consecutive recordings belong to one drive when the next starts no more than
// kDriveGapSeconds after the previous one ends (end = start + duration). Returns the indices
// of the files of each drive, drives and recordings in time order; the channels of one
// recording always stay together, and recordings kept apart never join one drive.
constexpr qint64 kDriveGapSeconds = 60;
QVector<QVector<int>> groupIntoDrives(const QVector<DriveFile> &files);
