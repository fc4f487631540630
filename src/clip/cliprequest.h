#pragma once
#include "trackexport.h"

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <functional>

// What to cut from a recording and what to write.
struct ClipRequest
{
    QStringList channels; // front first, then back and inside
    double from = 0;      // seconds of the front channel
    double to = 0;
    QString targetDir;
    bool copyChannels = true; // each channel as it is, cut without re-encoding
    bool composed = true;     // composed.mp4
    bool gpx = true;          // track.gpx
    // Pane placement as the window's (see panelayout.h); -1 picks the window's choice for the
    // channel count.
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
};
