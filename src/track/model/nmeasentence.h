#pragma once
#include "gpssample.h"

#include <cstddef>

// One NMEA 0183 sentence ($GPRMC, $GNRMC, ... and $xxGGA), checksum checked when present.
// RMC gives date, time, fix, position, speed and course; GGA only time, fix and position.
struct NmeaSentence
{
    enum Kind
    {
        None,
        Rmc,
        Gga
    } kind = None;
    int year = 0; // four digits; RMC only
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    double second = 0;
    bool fix = false;
    double latitude = 0; // signed decimal degrees
    double longitude = 0;
    double speedKnots = 0;
    double course = 0;
};
// Reads the sentence at the start of text (up to length bytes or the first line end); false
// when it is not an RMC or GGA sentence or does not hold together.
bool parseNmeaSentence(const char *text, std::size_t length, NmeaSentence *sentence);
// The clock of an RMC sentence, kNoClock for any other.
int64_t nmeaClock(const NmeaSentence &sentence);
// The sample a sentence makes, at time into the recording (below 0: not known).
GpsSample nmeaSample(const NmeaSentence &sentence, double time);
