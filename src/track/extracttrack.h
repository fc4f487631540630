#pragma once
#include <QString>
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
    TransportStream
};
TrackLayout lastTrackLayout(); // the calling thread's last extraction
// extractTrack that reports which reader made the track (TrackLayout::None on failure) through
// layout instead of the calling thread's last-extraction state.
int extractTrackTo(const char *videoPath, const char *textPath, int kind, TrackLayout *layout);
// The same over size bytes in memory instead of a file (for the fuzzers: no file per input); a
// null textPath keeps the text in memory and throws it away.
int extractTrackFromMemory(const unsigned char *data, std::size_t size, const char *textPath,
                           int kind, TrackLayout *layout);
const char *trackLayoutName(TrackLayout layout); // "none", "chip-trailer", "gps0", "gps-index",
                                                 // "hisilicon", "freegps", "transport-stream"
// Where the readers' printf-style diagnostics go: standard output unless changed (the command-line
// tool sends them to standard error, a fuzzer to a null stream).
void setTrackDiagnosticsStream(FILE *stream);
// Drops the diagnostics without formatting them (the fuzzers: formatting costs more than some
// inputs' whole extraction).
void discardTrackDiagnostics();
// Container kind from a file name the way the track cache derives it: contains ".mp4" -> 1, else
// ".mov" -> 0, else ".ts" -> 2, else 0; letter case ignored.
int containerKindForPath(const QString &path);
