#pragma once
#include "sampletable.h"
#include "trackio.h"
#include "tspackets.h"

#include <initializer_list>
#include <utility>
#include <vector>

// A video opened once for the readers of the further layouts, with its top-level boxes, the
// children of its movie box and the kind of each of its tracks indexed on opening. A track's
// sample tables are read the first time a reader asks for that track, and kept.
class VideoIndex
{
public:
    explicit VideoIndex(const VideoInput &input);
    VideoIndex(const VideoIndex &) = delete;
    VideoIndex &operator=(const VideoIndex &) = delete;

    bool isOpen() const { return m_file.isOpen(); }
    InputFile &file() { return m_file; }
    // The path the video was opened from (the caller's string, kept as given); null for bytes in
    // memory.
    const char *path() const { return m_path; }
    // In file order, walked without descending; a damaged head ends the list.
    const std::vector<BoxHead> &topLevel() const { return m_top; }
    // The first "moov" box, or null when the file has none (a recording cut short).
    const BoxHead *movie() const { return m_movie; }
    // The movie box's own children, in order.
    const std::vector<BoxHead> &movieChildren() const { return m_movieChildren; }
    // The movie's tracks whose first sample description has one of formats (every track when
    // formats is empty) and whose sample tables can be read, in file order. False when the file
    // has no movie box.
    bool mediaTracks(std::initializer_list<uint32_t> formats,
                     std::vector<const MediaTrack *> *tracks);
    // The byte ranges [first, second) that the movie's picture and sound tracks claim for their
    // samples, sorted and merged: what lies between them is the rest of the media data. False
    // when the file has no movie box, so that nothing is known to be claimed.
    bool claimedMediaRanges(std::vector<std::pair<int64_t, int64_t>> *ranges);

    // The PES units of a transport stream's PID, in stream order, collected in one pass over the
    // file the first time a reader asks for that PID (and kept); none when the file does not
    // start like a transport stream.
    const std::vector<std::vector<unsigned char>> &transportUnits(int pid);

private:
    struct IndexedTrack
    {
        MediaTrack track; // its samples once read
        TrackTables tables;
        bool read = false;   // the tables were read
        bool usable = false; // and held what a sample list needs
    };
    const MediaTrack *samplesOf(IndexedTrack &t);

    InputFile m_file;
    const char *m_path = nullptr;
    std::vector<BoxHead> m_top;
    const BoxHead *m_movie = nullptr;
    std::vector<BoxHead> m_movieChildren;
    std::vector<IndexedTrack> m_tracks;
    int m_unitsPid = -1;
    std::vector<std::vector<unsigned char>> m_units;
};
