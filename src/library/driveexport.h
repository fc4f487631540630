#pragma once

#include "lufileinfomodel.h"

#include <QString>
#include <QVector>

// One recording of a drive to export, copied so the work can run on any thread.
struct DriveExportPart
{
    QString name; // the recording's track name in the GPX
    TrackSource source;
};

// The parts' valid fixes, recordings in the given order, as GPX 1.1 (one track per recording)
// or, for a ".csv" path, as CSV; written whole or not at all. Reads (and, where no cache
// exists, extracts) every track: slow, so for a worker thread.
bool writeDriveTrack(const QVector<DriveExportPart> &parts, const QString &path);
