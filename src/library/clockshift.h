#pragma once

class LuFileInfoModel;

// How far a recording's clock was off: seconds added to it when a track recorded apart is
// matched to it. Kept beside the recording's track cache, so it survives a restart.
namespace ClockShift {
double of(const LuFileInfoModel *recording);
// 0 removes the correction. False when it cannot be stored.
bool set(const LuFileInfoModel *recording, double seconds);
} // namespace ClockShift
