#pragma once
#include "cliprequest.h"

// What an export will write, for the dialog to show before it starts: probed from the files'
// headers only, so cheap enough for each edit of the range (still not on the GUI thread for
// files on slow media).
struct ClipEstimate
{
    qint64 copyBytes = 0;      // the channels' copies: their files' bytes over the range
    qint64 composedBytes = 0;  // composed.mp4 at its usual rate
    double composedSeconds = 0; // the composed video's length (the range over the speed)
    double rangeSeconds = 0;    // the range after clamping to the recordings
};

ClipEstimate estimateClip(const ClipRequest &request);
