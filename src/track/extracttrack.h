#pragma once
#include <QString>
#include <string>
#include <cstddef>
#include <cstdio>
// Writes the track of videoPath into textPath (created or truncated). kind: 0 MOV, 1 MP4, 2
// transport stream. Returns 0 or more on success, a negative value on failure.
int extractTrack(const char *videoPath, const char *textPath, int kind);
// 1 when the text written by the calling thread's last extractTrack came from the HiSilicon reader and it succeeded,
// else 0.
int isHaisiTrack();
// Which reader produced the last successful extraction.
enum class TrackLayout
{
    None,
    ChipTrailer,
    Gps0,
    GpsIndex,
    HiSilicon,
    FreeGps,
    TransportStream,
    // Layouts that do not store the 80-byte record; their readers decode samples of their own
    // and write one line per second of the recording.
    FreeGpsBlocks, // "freeGPS " blocks of other layouts, through a "gps " index or found by scanning
    NmeaFreeBox,   // NMEA text with millisecond stamps in a "gps " atom inside a top-level "free"
    GpmfTrack,     // a GPMF timed-metadata track ("gpmd")
    TextTrack,     // NMEA or camera text lines in a subtitle track ("text", "tx3g")
    NmeaAtom,      // NMEA text in a "gps " or "udat" atom
    CammTrack,     // camera motion metadata track ("camm", types 5 and 6)
    UuidGps,       // GPS in a "uuid" atom
    FmasBox,       // the "FMAS" layout
    UdtaGps,       // GPS in the user-data box
    RiffTrailer,   // a RIFF chunk list after the MP4 data
    SideFile,      // a file beside the video with its base name (NMEA, GPX, subtitles)
};

// What the last extraction found, for the probe: the layout's variant in words, whether its clock
// is the camera's local time, and, when a layout was recognised but could not be decoded, why.
struct TrackReport
{
    TrackLayout layout = TrackLayout::None;
    std::string variant; // for example "found by scanning the media data, scaled integers"
    bool localTime = false;
    bool hasAccel = false;
    std::string problem; // "... found, but its text is masked in a way not yet known"
};
const TrackReport &lastTrackReport(); // the calling thread's last extractTrack
TrackLayout lastTrackLayout(); // the calling thread's last extraction
// Where a track may come from: the video, else the side file beside it (the default); only the
// video; only the side file.
enum class TrackFrom
{
    Any,
    Video,
    SideFile,
};
// extractTrack that reports which reader made the track (TrackLayout::None on failure) through
// layout instead of the calling thread's last-extraction state.
int extractTrackTo(const char *videoPath, const char *textPath, int kind, TrackLayout *layout,
                   TrackFrom from = TrackFrom::Any);
// The same over size bytes in memory instead of a file (for the fuzzers: no file per input); a
// null textPath keeps the text in memory and throws it away.
int extractTrackFromMemory(const unsigned char *data, std::size_t size, const char *textPath,
                           int kind, TrackLayout *layout);
// "none", "chip-trailer", "gps0", "gps-index", "hisilicon", "freegps", "transport-stream", then
// the names of the further layouts ("freegps-blocks", "gpmf-track", ...).
const char *trackLayoutName(TrackLayout layout);
// Where the readers' printf-style diagnostics go: standard output unless changed (the command-line
// tool sends them to standard error, a fuzzer to a null stream).
void setTrackDiagnosticsStream(FILE *stream);
// Drops the diagnostics without formatting them (the fuzzers: formatting costs more than some
// inputs' whole extraction).
void discardTrackDiagnostics();
// Container kind from a file name the way the track cache derives it: contains ".mp4" -> 1, else
// ".mov" -> 0, else ".ts" -> 2, else 0; letter case ignored.
int containerKindForPath(const QString &path);
