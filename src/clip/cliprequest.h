#pragma once
#include "trackexport.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QVector>

#include <array>
#include <atomic>
#include <functional>

// One recording of a drive: its channel files and, optionally, its track.
struct ClipRecording
{
    QStringList channels; // front first, then the others in channel order
    double seconds = 0;   // its length; 0 reads it from the front channel's video
    bool trackGiven = false;
    QByteArray trackText; // one line a second, as the viewer has it
};

// The time-lapse factors offered: the composed video keeps every n-th moment.
inline constexpr std::array<int, 7> kClipSpeeds{1, 2, 4, 8, 16, 32, 64};

// What to cut from a recording, or from consecutive recordings of one drive, and what to write.
struct ClipRequest
{
    QStringList channels; // one recording: front first, then the others in channel order
    // Consecutive recordings of one drive in time order; when given, channels, trackGiven and
    // trackText are not used, and from/to count from the first recording's start along the
    // recordings placed end to end.
    QVector<ClipRecording> recordings;
    double from = 0; // seconds of the front channel
    double to = 0;
    int speed = 1; // time-lapse factor of the composed video (one of kClipSpeeds); silent above 1
    QString targetDir;
    bool copyChannels = true; // each channel as it is, cut without re-encoding
    bool composed = true;     // composed.mp4
    bool gpx = true;          // track.gpx
    // Pane placement as the window's (see panelayout.h); -1 picks the window's choice for the
    // channel count. The car's cameras go where the car's layout puts the camera each file's
    // name names.
    int splitType = -1;
    std::array<bool, 3> keepRatio{};
    QSize size{1280, 720};
    int fps = 30;
    bool mph = false; // the speed unit of the strip: km/h unless set
    // The track as the viewer has it (one line a second); when not given it is extracted from
    // the front channel.
    bool trackGiven = false;
    QByteArray trackText;
    TrackExportOptions trackOptions;
};

// The worker reports through these; both may be left empty.
struct ClipHooks
{
    std::function<void(double fraction)> progress; // 0..1 over the whole export
    std::function<void(const QString &line)> note;  // a clamp, a channel left out, ...
    const std::atomic<bool> *cancel = nullptr;
    bool cancelled() const { return cancel && cancel->load(std::memory_order_relaxed); }
};

struct ClipResult
{
    bool ok = false;
    bool cancelled = false;
    QString folder; // the folder written, on success
    QString error;  // why it failed
    bool outsideRange = false; // the range lies wholly outside the recordings
};
