#pragma once
#include "gpssample.h"
#include "nmeasentence.h"
#include "videoindex.h"

#include <cstdint>
#include <string>
#include <vector>

// What the two readers of NMEA text kept in atoms share: finding the atoms, reading their text
// and turning its RMC sentences into samples.

// The atoms of the first top-level "free" box that holds a "gps " atom: the NMEA text, and
// beside it, where present, the recording's start time ("sttm") and accelerometer readings
// ("3gf ").
struct NmeaFreeBox
{
    BoxHead gps;
    BoxHead startTime;
    BoxHead accel;
    bool hasStartTime = false;
    bool hasAccel = false;
};
bool findNmeaFreeBox(VideoIndex &video, NmeaFreeBox *box);

// The payload of an atom up to a bound (a longer one is cut there), with dropPadding its
// trailing zero bytes dropped; false when it cannot be read.
bool readAtomBytes(InputFile &file, const BoxHead &atom, std::size_t bound, std::string *bytes,
                   bool dropPadding);

// One RMC sentence of the text and the millisecond stamp written before it ("[1719812345678]"),
// when there is one.
struct StampedRmc
{
    NmeaSentence sentence;
    bool stamped = false;
    int64_t stamp = 0;
};
// Every RMC sentence of text, in order (at most a bounded number); sentences that fail their
// checksum or do not hold together are passed over.
std::vector<StampedRmc> rmcSentences(const std::string &text);


// Camera text lines, the other form such atoms hold: "240701082400[1][N][38431234][W][009085089]
// [+00315][050][325]..." - date and time (UTC), a fix flag (1: fix), the hemispheres and the
// position as whole degrees then ten-thousandths of minutes, the altitude in decimetres, the speed
// in km/h and the course in degrees; what follows is not read. The samples carry their clocks;
// their times are not known.
std::vector<GpsSample> cameraTextLines(const std::string &text);
