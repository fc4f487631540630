#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The decoded samples of the layouts that do not store the 80-byte record: each reader turns its
// own bytes into these, and writeSecondsTrack turns them into the track text the cache keeps,
// one line per second of the recording whatever rate the camera sampled at.

// Milliseconds since 1970-01-01 00:00 of the layout's clock (UTC, or local time where the
// layout holds only that); kNoClock when the sample carries no date and time.
constexpr int64_t kNoClock = INT64_MIN;

struct GpsSample
{
    double time = -1;          // seconds into the recording; below 0: not known
    int64_t clock = kNoClock;  // see kNoClock
    bool fix = false;          // a valid position
    double latitude = 0;       // signed decimal degrees, WGS-84
    double longitude = 0;
    double speedKmh = 0;
    double course = 0;         // degrees clockwise from north
    // Layouts that store only positions: the writer works speed and course out from the fixes
    // around the sample, so the dials still move.
    bool hasSpeed = true;
    bool hasCourse = true;
};

// One accelerometer reading in g, at its time into the recording.
struct AccelSample
{
    double time = 0;
    double x = 0;
    double y = 0;
    double z = 0;
};

// How a layout's clock relates to UTC.
enum class TrackClock
{
    Utc,
    LocalTime, // the camera's local time; the file does not say which zone
};

struct DecodedTrack
{
    std::vector<GpsSample> samples; // in recording order
    std::vector<AccelSample> accel; // in recording order
    TrackClock clock = TrackClock::Utc;
};

// Days since 1970-01-01 of a proleptic Gregorian date, and back; valid for any int year.
int64_t daysFromCivil(int year, int month, int day);
void civilFromDays(int64_t days, int *year, int *month, int *day);
// The clock value of a date and time; kNoClock when a field is out of its range (month 1-12,
// day 1 to the month's length, hour 0-23, minute 0-59, second 0-60, year 1970-2999).
int64_t clockOf(int year, int month, int day, int hour, int minute, double second);

// Samples whose time is not known are placed one second apart after the last known one (the
// cameras that do not stamp them write one a second). Then, for every whole second s of the
// recording from 0 to the last sample, the line holds the sample nearest s within half a
// second; a second without one is a no-fix line whose clock is the nearest sample's clock moved
// by the difference. The acceleration nearest each second fills the G-sensor fields (256 counts
// per g). The main line form is used, with the coordinates to the full six decimals of minutes.
// A fix without a recorded speed or course gets the one of the way from the previous second's
// fix (or to the next one's, for the first), over at most three seconds.
// Returns the number of lines written, or -1 when no sample carries a fix or a clock (nothing
// is written then) or the text file cannot be opened.
int writeSecondsTrack(const DecodedTrack &track, const char *textPath);

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
// Folds a run of sentences (one or more lines) into samples: each RMC sentence makes one; other
// sentences carry no date and are passed over. time is the recording time given to the first
// sample made from this run, the next ones a second apart (below 0: not known).
void appendNmeaText(const char *text, std::size_t length, double time,
                    std::vector<GpsSample> *samples);
