#pragma once
#include "extracttrack.h"
#include "trackio.h"

// The readers behind extractTrack. Each reads the video from video (a file or bytes in memory),
// writes track text lines into textPath (opened "w+") and
// returns 0 (or more) on success, -1 when the file is not of its layout, is damaged before any
// sample, or a file cannot be opened.

// GPS text blocks before a marker in the last 16 bytes of the file.
int readChipTrailer(const VideoInput &video, const char *textPath);
// A top-level "gps0" box of RMCINFO records.
int readGps0Box(const VideoInput &video, const char *textPath);
// The "gps " block index, else 716-byte blocks through a non-video track's chunk table; layout
// tells which of the two succeeded.
int readMp4Track(const VideoInput &video, const char *textPath, TrackLayout *layout);
// "freeGPS" blocks after the audio chunks.
int readMovFreeGps(const VideoInput &video, const char *textPath);
// 188-byte transport-stream packets of PID 0x300.
int readTransportStream(const VideoInput &video, const char *textPath);

// The readers of the further layouts (see TrackLayout): each decodes its samples and writes them
// through writeSecondsTrack, one line per second. On failure, report->problem says why when the
// layout was recognised but could not be decoded; report->variant and report->localTime describe
// what was read.
int readFreeGpsBlocks(const VideoInput &video, const char *textPath, TrackReport *report);
int readNmeaFreeBox(const VideoInput &video, const char *textPath, TrackReport *report);
int readGpmfTrack(const VideoInput &video, const char *textPath, TrackReport *report);
int readTextTrack(const VideoInput &video, const char *textPath, TrackReport *report);
int readNmeaAtom(const VideoInput &video, const char *textPath, TrackReport *report);
int readCammTrack(const VideoInput &video, const char *textPath, TrackReport *report);
int readUuidGps(const VideoInput &video, const char *textPath, TrackReport *report);
int readFmasBox(const VideoInput &video, const char *textPath, TrackReport *report);
int readUdtaGps(const VideoInput &video, const char *textPath, TrackReport *report);
int readRiffTrailer(const VideoInput &video, const char *textPath, TrackReport *report);

// Shared by the two readers that walk tracks.
// Reads the width and height at the end of a "tkhd" box and tells whether the track is video.
bool isVideoTrackHeader(InputFile &file, const BoxHead &tkhd);
// Where the "freeGPS" block sits behind an audio chunk, from the sound sample description;
// false when the box is too small to hold one.
bool audioGpsOffset(InputFile &file, const BoxHead &stsd, int64_t *gpsOffset);
