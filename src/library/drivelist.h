#pragma once

#include "drivegrouping.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QVector>

class LuFileInfoModel;

// A drive of the library as the file list shows it, with what is known of its figures so far:
// the figures grow as the recordings' tracks arrive.
struct Drive
{
    QString key;                         // the first recording's identity, stable across regroupings
    QList<LuFileInfoModel *> recordings; // one model per recording (its front-most channel), in time order
    QList<LuFileInfoModel *> files;      // every channel of every recording
    QDateTime start;
    QDateTime end;
    double metres = 0;
    double seconds = 0; // the recordings' durations added up
    float maxKnots = 0;
    int events = 0;
    QString title; // a car's event folder: the reason in words the car saved it for
    int pending = 0; // recordings whose track is still being read
};

// The front-most linked channel of the recording that model belongs to.
LuFileInfoModel *recordingOf(LuFileInfoModel *model);
// The channel of a recording whose track counts for the drive: the first with a track.
LuFileInfoModel *trackOfRecording(LuFileInfoModel *recording);

DriveFile driveFileOf(const LuFileInfoModel *model);
// The recording's length as far as known: played, else its track's seconds, else from the
// file's time when the name says when it started; 0 when not known.
double recordingSeconds(const LuFileInfoModel *model);

// The drives of the library, in time order. Files with no time at all belong to none.
QVector<Drive> drivesOf(const QList<LuFileInfoModel *> &list);
// The drive holding model among drives, or null.
const Drive *driveHolding(const QVector<Drive> &drives, const LuFileInfoModel *model);
