#pragma once
// The track model, the lowest room of the track code: the sample as cameras store it (rmcinfo.h),
// as the readers decode it (here), as a track text line (secondstrack.h writes one a second) and
// as parsed from one (lugpsmodel.h), NMEA sentences, coordinates, the jump filter, driving
// events, export and clock shifts. It knows nothing of files' containers or layouts.
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
