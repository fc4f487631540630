#pragma once
#include "cliprequest.h"

#include <QRect>
#include <QString>

#include <functional>
#include <vector>

class TelemetryStrip;

// One recording's file of a channel, and where that recording starts on the range's clock
// (the recordings of a drive placed end to end).
struct ComposePiece
{
    QString path;
    double offset = 0;
};
using ComposeChannel = QVector<ComposePiece>; // in time order

// One composed video: each channel scaled into its rectangle, the telemetry strip along the
// bottom, a route inset in the corner above it, H.264 (yuv420p) at a constant frame rate with
// the first channel's audio copied (none in a time-lapse).
struct ComposeJob
{
    QVector<ComposeChannel> channels; // readable channels, front first
    std::vector<QRect> rects;         // one per channel, inside the picture above the strip
    double from = 0;
    double to = 0;
    int speed = 1; // each output frame moves speed/fps seconds on
    QSize size{1280, 720};
    int fps = 30;
    int stripHeight = 48;
    const TelemetryStrip *strip = nullptr;
    // The strip's second for a moment of the range's clock; whole seconds when not given.
    std::function<int(double)> stripSecond;
    bool routeInset = true;                // drawn when the strip has fixes in the range
    QString output;
};

// The frame count of a range: the composed video holds exactly this many frames.
int composedFrameCount(double from, double to, int fps, int speed = 1);

// Where the route inset goes in a picture whose strip is stripHeight high.
QRect routeInsetRect(const QSize &picture, int stripHeight);

// The strip's height for a picture height: a twentieth, even, at least 16 pixels.
int stripHeightFor(int pictureHeight);

bool composeClip(const ComposeJob &job, const ClipHooks &hooks,
                 const std::function<void(double)> &progress, QString *error);
