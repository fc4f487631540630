#pragma once

#include <QString>
#include <QStringList>

// The most channels one recording holds: a car's six cameras.
constexpr int kMaxChannels = 6;

// How a file's name names its channel and its partners' names: the name with its own ending
// replaced by a partner's ending is the partner's name.
struct ChannelEndings
{
    // 1 front, 2 back (rear), 3 inside; for the car's cameras 3 left repeater, 4 right
    // repeater, 5 left pillar, 6 right pillar. 0 when the name names none.
    int channel = 0;
    QString own;          // the ending that names this file's channel
    QStringList partners; // the partners' endings in channel order
    bool fromTable = false; // a family of the channel table, whose time-stamped names may differ
                            // from their partners' by a second or a sequence number
    bool carCameras = false; // the car's family: any subset of six cameras, linked by name
};

// The camera a channel shows, as scripts and the clip export name it: "front", "back",
// "inside", or for the car's cameras "left_repeater", "right_repeater", "left_pillar",
// "right_pillar". Empty for a channel out of range.
QString cameraName(int channel, bool carCameras);

// The channel table's families first (…A/B/C, …00/01_b/02_c), which keep their priority; then
// the families that name the camera by a letter, F front, R rear, I inside, ending the name before
// its extension (.MP4, .MOV, .TS, .AVI, upper or lower case):
//   after a digit or "_":                  2024_0516_101500_000101F.MP4, REC_2024_05_16_10_15_00_F.MP4
//   after "_" and a recording-mode letter: 20240516_101500_NF.mp4 (N, E, P, M; partners share it)
//   after "_", before a quality letter:    240516_101500_001_FH.MP4 (H or L; partners share it)
// and the car's cameras, a local date and time then the camera:
//   2025-11-20_14-03-12-front.mp4, -back, -left_repeater, -right_repeater, -left_pillar,
//   -right_pillar
// False when the name fits none: the file is a recording of its own.
bool channelEndingsOf(const QString &fileName, ChannelEndings *endings);
