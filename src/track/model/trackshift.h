#pragma once

#include <QString>

// Moves a track cache against its video by whole seconds: afterwards line t holds what line
// t + seconds held, so a camera whose track runs behind (or ahead of) its picture can be set
// right. The file keeps its line count (the telemetry counts lines as seconds); the seconds
// shifted in at either end are lines without a fix whose clock continues from the edge. The
// file is replaced whole or left as it was; false when it cannot be read or written.
bool shiftTrackLines(const QString &path, int seconds);
