#pragma once
#include "cliprequest.h"

#include <QRect>
#include <QString>

#include <vector>

class TelemetryStrip;

// One composed video: each channel scaled into its rectangle, the telemetry strip along the
// bottom, H.264 (yuv420p) at a constant frame rate with the first channel's audio copied.
struct ComposeJob
{
    QStringList channels;     // readable channels, front first
    std::vector<QRect> rects; // one per channel, inside the picture above the strip
    double from = 0;
    double to = 0;
    QSize size{1280, 720};
    int fps = 30;
    int stripHeight = 48;
    const TelemetryStrip *strip = nullptr;
    QString output;
};

// The frame count of a range: the composed video holds exactly this many frames.
int composedFrameCount(double from, double to, int fps);

// The strip's height for a picture height: a twentieth, even, at least 16 pixels.
int stripHeightFor(int pictureHeight);

bool composeClip(const ComposeJob &job, const ClipHooks &hooks,
                 const std::function<void(double)> &progress, QString *error);
