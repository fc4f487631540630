#pragma once
// The vehicle telemetry a car's built-in recorder writes into the H.264 SEI of its "avc1" video
// track, one protobuf message a frame. The walk over the frames and the message's decoding live
// here once, for the GPS reader (seitelemetry.cpp) and the per-frame car signals alike.
#include "videoindex.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

// One frame's message, as stored.
struct SeiTelemetry
{
    uint32_t version = 0;
    unsigned gear = 0; // 0 park, 1 drive, 2 reverse, 3 neutral
    uint64_t frameSeqNo = 0;
    float speedMps = 0;
    float acceleratorPedal = 0; // 0 to 1
    float steeringAngle = 0;    // degrees
    bool blinkerLeft = false;
    bool blinkerRight = false;
    bool brakeApplied = false;
    unsigned assistance = 0; // 0 none, 1 self-driving, 2 autosteer, 3 adaptive cruise control
    double latitude = 0;
    double longitude = 0;
    double heading = 0;
    double acceleration[3] = {}; // m/s², x y z
    bool hasAcceleration = false;
};

// A frame that holds the telemetry: when it is shown, in seconds into the track (its time in the
// sample table), where it ends, its message and how many of the message's fields were read
// (0 when the message is damaged from its first byte).
struct SeiFrame
{
    double time = 0;
    double end = 0;
    SeiTelemetry message;
    int fields = 0;
};

// The telemetry of one video's "avc1" tracks, frame by frame. Every frame's head is read at most
// once, within one budget of bytes for the whole file, so a damaged sample table that lists one
// place again and again ends the walk instead of reading on.
class SeiTelemetryWalk
{
public:
    explicit SeiTelemetryWalk(VideoIndex &video);

    // The "avc1" tracks whose samples can be listed, in file order.
    std::size_t tracks() const { return m_tracks.size(); }

    // Hands track k's frames that hold the telemetry to visit, in sample order, until visit
    // returns false or the budget is spent. A track whose first frames hold none is not of this
    // layout and is left at once. Returns the number of frames handed over.
    std::size_t walk(std::size_t k, const std::function<bool(const SeiFrame &)> &visit);

private:
    VideoIndex &m_video;
    std::vector<const MediaTrack *> m_tracks;
    std::vector<int> m_lengthSizes;
    int64_t m_budget = 0;
};
