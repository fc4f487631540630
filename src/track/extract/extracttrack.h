#pragma once
// The extraction entry: the one way the rest of the viewer gets a video's track. It tries the
// chip trailer and the "gps0" box, then the readers of the file's container kind, then the further
// layouts' table, then the side file beside the video, and writes the track text the cache keeps.
#include "tracklayout.h"
#include "trackdiagnostics.h"

#include <QString>

#include <cstddef>
#include <string>

// Writes the track of videoPath into textPath (created or truncated). kind: 0 MOV, 1 MP4, 2
// transport stream. Returns 0 or more on success, a negative value on failure.
int extractTrack(const char *videoPath, const char *textPath, int kind);
// 1 when the text written by the calling thread's last extractTrack came from the HiSilicon
// reader and it succeeded, else 0.
int isHaisiTrack();

// What an extraction found, for the probe and the cache: the layout, its variant in words,
// whether its clock is the camera's local time, and, when a layout was recognised but could not
// be decoded, why.
struct TrackReport
{
    TrackLayout layout = TrackLayout::None;
    std::string variant; // for example "found by scanning the media data, scaled integers"
    bool localTime = false;
    bool hasAccel = false;
    bool fineGScale = false; // G-sensor counts at 4096 per g (the HiSilicon layout)
    std::string problem;     // "... found, but its text is masked in a way not yet known"
};

// One extraction's outcome: result as extractTrack returns it, and the report.
struct TrackExtraction
{
    int result = -1;
    TrackReport report;
    bool ok() const { return result >= 0; }
};

// Where a track may come from: the video, else the side file beside it (the default); only the
// video; only the side file.
enum class TrackFrom
{
    Any,
    Video,
    SideFile,
};

TrackExtraction extractTrackReport(const char *videoPath, const char *textPath, int kind,
                                   TrackFrom from = TrackFrom::Any);
// The same over size bytes in memory instead of a file (for the fuzzers: no file per input); a
// null textPath keeps the text in memory and throws it away. There is no side file.
TrackExtraction extractTrackReportFromMemory(const unsigned char *data, std::size_t size,
                                             const char *textPath, int kind);

// "none", "chip-trailer", "gps0", "gps-index", "hisilicon", "freegps", "transport-stream",
// "side-file", then the names of the further layouts' rows ("gpmf-track", ...).
const char *trackLayoutName(TrackLayout layout);
// Container kind from a file name the way the track cache derives it: contains ".mp4" -> 1, else
// ".mov" -> 0, else ".ts" -> 2, else 0; letter case ignored.
int containerKindForPath(const QString &path);
