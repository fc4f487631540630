#pragma once
#include "cliprequest.h"

#include <QString>
#include <QStringList>
#include <QVector>

// The files of a recording beside its front file, found by the channel naming rules: front,
// then the others that exist in channel order (back and inside, or the car's cameras). Empty (and *error) when the name is no front file's.
QStringList recordingChannels(const QString &frontPath, QString *error);

// The recordings of one drive given by their front files in time order, with their lengths.
// Empty (and *error naming the gap or the odd one) when they are not one drive: a recording
// starting more than the drive gap after the one before ends (by the names' time stamps, else
// the files' times), or one with another channel count.
QVector<ClipRecording> driveRecordings(const QStringList &frontPaths, QString *error);
