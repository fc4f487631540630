#pragma once
// The six readers of the layouts that store the 80-byte record (or the HiSilicon block, or the
// chip's text blocks), each walking the file itself with plain seeks and reads.
#include "tracklayout.h"
#include "trackio.h"
#include "tracktextfile.h"

#include <cstddef>

// Each reads the video from video (a file or bytes in memory),
// writes track text lines into textPath (opened "w+") and
// returns 0 (or more) on success, -1 when the file is not of its layout, is damaged before any
// sample, or a file cannot be opened.

// GPS text blocks before a marker in the last 16 bytes of the file.
int readChipTrailer(const VideoInput &video, const char *textPath);
// A top-level "gps0" box of RMCINFO records.
int readGps0Box(const VideoInput &video, const char *textPath);
// Whether size bytes at a block a "gps " index lists are of a form the further layouts read
// rather than the 80-byte record; the index reader then leaves the whole index to them.
using OtherBlockForm = bool (*)(const unsigned char *block, std::size_t size);
// The "gps " block index, else 716-byte blocks through a non-video track's chunk table; layout
// tells which of the two succeeded.
int readMp4Track(const VideoInput &video, const char *textPath, TrackLayout *layout,
                 OtherBlockForm otherForm);
// "freeGPS" blocks after the audio chunks.
int readMovFreeGps(const VideoInput &video, const char *textPath);
// 188-byte transport-stream packets of PID 0x300.
int readTransportStream(const VideoInput &video, const char *textPath);

// Shared by the two readers that walk tracks.
// Reads the width and height at the end of a "tkhd" box and tells whether the track is video.
bool isVideoTrackHeader(InputFile &file, const BoxHead &tkhd);
// Where the "freeGPS" block sits behind an audio chunk, from the sound sample description;
// false when the box is too small to hold one.
bool audioGpsOffset(InputFile &file, const BoxHead &stsd, int64_t *gpsOffset);
