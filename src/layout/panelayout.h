#pragma once

#include <QRect>

#include <array>

// Where the three playback panes go in the display area for a split mode (0 one large above two
// small, 1 side by side, 2/3/4 pane 1/2/3 alone) and a recording's channel count.
struct PaneLayout
{
    std::array<QRect, 3> rects;
    // Whether each pane is to be shown; false in changesVisibility leaves visibility alone.
    std::array<bool, 3> visible{};
    bool changesVisibility = false;
    // Only pane 1 is placed; panes 2 and 3 are to be hidden if they show.
    bool singleChannel = false;
};

// The split mode a recording opens in: one channel alone, two side by side, three as one large
// above two small.
int defaultSplitType(int channelCount);

PaneLayout paneLayout(int splitType, int channelCount, const QRect &area,
                      const std::array<bool, 3> &keepRatio);

// The split mode after the next press of P: two channels go round 1, 2, 3; three go round 0, 2,
// 3, 4, except that one large pane above two small ones with kept aspect ratios stays. One
// channel has only its own.
int nextSplitType(int splitType, int channelCount, bool keepRatio);
