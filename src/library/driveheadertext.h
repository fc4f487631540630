#pragma once

#include <QString>

struct Drive;

// The two lines of a drive's header in the file list: when it was driven (after the reason a
// car saved it for, for a car's event folder), then its distance,
// driving time, top speed in the chosen unit and number of driving events. A trailing "…"
// says that tracks are still being read and the figures may grow.
QString driveHeaderWhen(const Drive &drive);
QString driveHeaderFigures(const Drive &drive, bool mph);
