#pragma once

#include <QRect>

#include <array>

// As many panes as a recording has channels at most: a car's six cameras.
constexpr int kMaxPanes = 6;

// The split modes of recordings of four to six channels (those of fewer are 0 to 4).
constexpr int kCarSplit = 5;   // the car's cameras as they sit on the car
constexpr int kStripSplit = 6; // pane 1 large, the others in a strip below it
constexpr int kGridSplit = 7;  // every pane the same size, in a grid

// Where the playback panes go in the display area for a split mode (0 one large above two small,
// 1 side by side, 2/3/4 pane 1/2/3 alone; from four channels kCarSplit, kStripSplit, kGridSplit)
// and a recording's channel count.
struct PaneLayout
{
    std::array<QRect, kMaxPanes> rects;
    // Whether each pane is to be shown; false in changesVisibility leaves visibility alone.
    std::array<bool, kMaxPanes> visible{};
    bool changesVisibility = false;
    // Only pane 1 is placed; the others are to be hidden if they show.
    bool singleChannel = false;
};

// The split mode a recording opens in: one channel alone, two side by side, three as one large
// above two small, four to six as the car's cameras sit.
int defaultSplitType(int channelCount);

// keepRatio counts for the first three panes, in the layouts of up to three channels. cameras
// names the car's camera each pane shows (1 front, 2 back, 3 left repeater, 4 right repeater,
// 5 left pillar, 6 right pillar) for kCarSplit; zeros there mean pane n shows camera n.
PaneLayout paneLayout(int splitType, int channelCount, const QRect &area,
                      const std::array<bool, 3> &keepRatio,
                      const std::array<int, kMaxPanes> &cameras = {});

// The split mode after the next press of P: two channels go round 1, 2, 3; three go round 0, 2,
// 3, 4, except that one large pane above two small ones with kept aspect ratios stays; four to
// six go round the car's, the strip and the grid. One channel has only its own.
int nextSplitType(int splitType, int channelCount, bool keepRatio);
