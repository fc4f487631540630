#pragma once

#include <array>

// How a camera names the files of one recording: the ending of a file's name gives its channel
// (1 front, 2 back, 3 inside) and the endings of its two partners.
struct ChannelPattern
{
    const char *own;
    const char *partner1;
    const char *partner2;
    int channel;
};

// Compared case-sensitively, first match wins: the order of the rows matters ("00.MP4" would
// also match the end of a name such as "x_100.MP4").
inline constexpr std::array<ChannelPattern, 30> ChannelPatternTable = {{
    {"A.MP4", "B.MP4", "C.MP4", 1},         {"A.mp4", "B.mp4", "C.mp4", 1},
    {"A.mov", "B.mov", "C.mov", 1},         {"A.MOV", "B.MOV", "C.MOV", 1},
    {"A.avi", "B.avi", "C.avi", 1},         {"A.AVI", "B.AVI", "C.AVI", 1},
    {"A.TS", "B.TS", "C.TS", 1},            {"A.ts", "B.ts", "C.ts", 1},
    {"B.MP4", "A.MP4", "C.MP4", 2},         {"B.mp4", "A.mp4", "C.mp4", 2},
    {"B.mov", "A.mov", "C.mov", 2},         {"B.MOV", "A.MOV", "C.MOV", 2},
    {"B.avi", "A.avi", "C.avi", 2},         {"B.AVI", "A.AVI", "C.AVI", 2},
    {"B.TS", "A.TS", "C.TS", 2},            {"B.ts", "A.ts", "C.ts", 2},
    {"C.MP4", "A.MP4", "B.MP4", 3},         {"C.mp4", "A.mp4", "B.mp4", 3},
    {"C.mov", "A.mov", "B.mov", 3},         {"C.MOV", "A.MOV", "B.MOV", 3},
    {"C.avi", "A.avi", "B.avi", 3},         {"C.AVI", "A.AVI", "B.AVI", 3},
    {"C.TS", "A.TS", "B.TS", 3},            {"C.ts", "A.ts", "B.ts", 3},
    {"01_b.MP4", "00.MP4", "02_c.MP4", 2}, {"02_c.MP4", "00.MP4", "01_b.MP4", 3},
    {"00.MP4", "01_b.MP4", "02_c.MP4", 1}, {"01_b.MOV", "00.MOV", "02_c.MOV", 2},
    {"02_c.MOV", "00.MOV", "01_b.MOV", 3}, {"00.MOV", "01_b.MOV", "02_c.MOV", 1},
}};
