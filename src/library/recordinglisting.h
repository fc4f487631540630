#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

// One camera file of a listed recording.
struct ListedChannel
{
    QString camera; // "front", "back", "inside", or the car's "left_repeater" and so on
    QString path;
};

// A recording as the viewer's file list groups it.
struct ListedRecording
{
    QDateTime start; // local wall-clock time, held as its digits (see drivegrouping.h)
    int drive = 0;   // the drive it belongs to, numbered from 1 in time order
    QVector<ListedChannel> channels; // front first, in channel order
};

struct RecordingListing
{
    QVector<ListedRecording> recordings; // in time order
    QStringList missing;      // arguments that name neither a file nor a folder
    QStringList emptyFolders; // folders holding nothing playable
    QStringList notVideos;    // files that are no video by their name
};

// The files and folders given, taken as the viewer takes them on its command line (folders
// walked for their videos), grouped into recordings and drives as the file list groups them.
// A recording starts at its name's time stamp, else at its file's time: the GPS tracks are
// not read. Lengths are read from the files' headers.
RecordingListing listRecordings(const QStringList &arguments);
