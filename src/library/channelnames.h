#pragma once

#include <QString>

// How a file's name names its channel and its partners' names: the name with its own ending
// replaced by a partner's ending is the partner's name.
struct ChannelEndings
{
    int channel = 0;      // 1 front, 2 back (rear), 3 inside; 0 when the name names none
    QString own;          // the ending that names this file's channel
    QString partners[2];  // the partners' endings, the front's first
    bool fromTable = false; // a family of the channel table, whose time-stamped names may differ
                            // from their partners' by a second or a sequence number
};

// The channel table's families first (…A/B/C, …00/01_b/02_c), which keep their priority; then
// the families that name the camera by a letter, F front, R rear, I inside, ending the name before
// its extension (.MP4, .MOV, .TS, .AVI, upper or lower case):
//   after a digit or "_":                  2024_0516_101500_000101F.MP4, REC_2024_05_16_10_15_00_F.MP4
//   after "_" and a recording-mode letter: 20240516_101500_NF.mp4 (N, E, P, M; partners share it)
//   after "_", before a quality letter:    240516_101500_001_FH.MP4 (H or L; partners share it)
// False when the name fits none: the file is a recording of its own.
bool channelEndingsOf(const QString &fileName, ChannelEndings *endings);
