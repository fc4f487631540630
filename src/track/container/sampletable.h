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
    double time = 0;     // seconds into the track, when the sample is shown
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

// Where a track's sample tables lie ("tkhd" and the boxes under "mdia"/"minf"/"stbl"); a box not
// found has size 0.
struct TrackTables
{
    BoxHead tkhd, mdhd, hdlr, stsd, stts, ctts, stsc, stsz, stco;
    bool has(const BoxHead &b) const { return b.size > 0; }
};

// Reads what kind of track a "trak" box holds (handler, first sample format, time scale) and
// where its tables are, without reading the tables.
void readTrackHead(InputFile &file, const BoxHead &trak, MediaTrack *track, TrackTables *tables);
// Lists the track's samples from its tables; false when a table it needs is missing.
bool readTrackSamples(InputFile &file, const TrackTables &tables, MediaTrack *track);

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
        // Each sample lies elsewhere in the file: a buffered read would fill a whole stream
        // buffer for the few bytes of one.
        if (!file.readApart(s.offset, buffer.data(), buffer.size()))
            continue;
        decode(buffer.data(), buffer.size(), s);
        end = std::max(end, s.time + s.duration);
    }
    return end;
}
