#pragma once

#include <QString>

class LuFileInfoModel;

// How far a recording's clock was off. Against a track recorded apart: seconds added to the
// recording's clock when the track is matched to it. For the camera's own track: whole seconds
// its track is moved against the picture (line t shows what line t + shift held). The two are
// kept apart, beside the recording's track cache, so each survives a restart and a change of
// the recording's track source leaves the other as it was.
namespace ClockShift {
enum class Target
{
    Matching, // a loaded track's match
    OwnTrack, // the camera's own track (or its side file)
};
double of(const LuFileInfoModel *recording, Target target = Target::Matching);
double ofCache(const QString &cachePath, Target target);
// 0 removes the correction. False when it cannot be stored.
bool set(const LuFileInfoModel *recording, double seconds, Target target = Target::Matching);
} // namespace ClockShift
