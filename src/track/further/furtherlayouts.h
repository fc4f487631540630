#pragma once
// The further layouts: the GPS and G-sensor layouts beyond the six that store the 80-byte record,
// one file (or one folder of files) per family, each one row of the table below. Every reader
// gets the same VideoIndex (the file opened, its top-level boxes and movie box indexed once) and
// returns what it decoded; the extraction entry writes it, one line per second.
#include "layoutread.h"
#include "videoindex.h"

#include <cstddef>

// What a layout can fill: positions always; some also the G-sensor, and some carry a clock of
// their own (else the samples are timed from the movie's start or creation time).
enum LayoutFills : unsigned
{
    FillsGps = 1u << 0,
    FillsGSensor = 1u << 1,
    OwnClock = 1u << 2,
};

// True when read holds a track the writer can write (isWritableTrack); false when the file is not
// of the layout, or, with read->problem set, when it is but holds nothing usable.
using FurtherReader = bool (*)(VideoIndex &video, LayoutRead *read);

struct FurtherLayout
{
    const char *name;         // the probe's name: "gpmf-track", ...
    const char *recognisedBy; // what in the file tells the layout, in words
    unsigned fills;           // LayoutFills
    FurtherReader read;
};

// The table, in the order the layouts are tried: those found through the movie box first, those
// that may scan the media data last.
const FurtherLayout *furtherLayouts(std::size_t *count);
