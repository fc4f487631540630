#pragma once
#include "trackio.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

// The samples of a movie's timed-metadata and text tracks, from their sample tables: where each
// sample lies in the file, how large it is and when it plays. Every count is clamped to what its
// box holds, and every sample lies inside the file.

struct MediaSample
{
    int64_t offset = 0;
    uint32_t size = 0;
    double time = 0;     // seconds into the track
    double duration = 0; // seconds
};

struct MediaTrack
{
    uint32_t handler = 0;   // "hdlr" handler type: "meta", "text", "sbtl", "camm", ...
    uint32_t format = 0;    // first sample description's format: "gpmd", "tx3g", "camm", ...
    uint32_t timescale = 0; // units per second ("mdhd")
    bool video = false;     // a "tkhd" with a picture size, or a "vide" handler
    std::vector<MediaSample> samples;
};

// Lists the tracks of the movie box whose sample description format is one of formats (every
// track when formats is empty), with their samples; other tracks are passed over without
// reading their tables. False when the file has no movie box.
bool readMediaTracks(InputFile &file, std::initializer_list<uint32_t> formats,
                     std::vector<MediaTrack> *tracks);

// Hands each sample of the track to decode(data, size, sample), read into one reused buffer;
// empty samples, those above maxBytes and those the file cannot supply are passed over. Returns
// the end of the last sample handed over, in seconds into the track.
template <typename Decode>
double forEachSample(InputFile &file, const MediaTrack &track, uint32_t maxBytes, Decode &&decode)
{
    std::vector<unsigned char> buffer;
    double end = 0;
    for (const MediaSample &s : track.samples) {
        if (s.size == 0 || s.size > maxBytes)
            continue;
        buffer.resize(s.size);
        if (!file.readAt(s.offset, buffer.data(), buffer.size()))
            continue;
        decode(buffer.data(), buffer.size(), s);
        end = std::max(end, s.time + s.duration);
    }
    return end;
}

// The byte ranges [first, second) that the movie's picture and sound tracks claim for their
// samples, sorted and merged: what lies between them is the rest of the media data. False when
// the file has no movie box (a recording cut short), so that nothing is known to be claimed.
bool claimedMediaRanges(InputFile &file, std::vector<std::pair<int64_t, int64_t>> *ranges);

// The top-level boxes of the file, in order, walked without descending (a damaged head ends
// the list).
std::vector<BoxHead> topLevelBoxes(InputFile &file);
