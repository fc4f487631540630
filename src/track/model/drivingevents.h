#pragma once

#include <QList>
#include <QString>
#include <QVector>

#include <limits>

class LuGPSModel;

// Moments a driver looks for after an incident, found in a track of one sample a second; the
// last kind is not found in a track but written by the car itself beside its saved clips.
enum class DrivingEventKind { HardBraking, HardAcceleration, Jolt, CarEvent };

// When a change counts as an event. Stored in the settings store under the keys of
// HWDefaultSettings::drivingEventThresholds; these are the defaults.
struct DrivingEventThresholds
{
    double brakingMps2 = 3.5;      // deceleration between two samples a second apart
    double accelerationMps2 = 3.0; // acceleration likewise
    double joltFromRestG = 0.8;    // the acceleration vector's length away from 1 g
    double joltStepG = 0.5;        // any axis changing between two samples
};

// Consecutive triggering samples make one event: from its first to its last sample (track
// indexes, i.e. seconds), with the sample of its largest value.
struct DrivingEvent
{
    DrivingEventKind kind = DrivingEventKind::HardBraking;
    int startSecond = 0;
    int peakSecond = 0;
    int endSecond = 0;
    double peakValue = 0;      // m/s² for braking and acceleration, g for a jolt
    float speedBeforeKmh = 0;  // at the start
    float speedAfterKmh = 0;   // at the end
    // Only for CarEvent: why the car saved the clip (as the car wrote it), where it says it was
    // ("street, city"), and its estimated position; NaN when it gave none.
    QString reason;
    QString place;
    double latitude = std::numeric_limits<double>::quiet_NaN();
    double longitude = std::numeric_limits<double>::quiet_NaN();
};

// Samples without a fix, and a step whose distance the receiver cannot have driven (a GPS
// jump, more than 40 m for each second), never make an event; G-sensor values count only
// where the track carries any. gScale: g per raw count (1/256, or 1/4096 for fine tracks).
QVector<DrivingEvent> findDrivingEvents(const QList<LuGPSModel *> &track, double gScale,
                                        const DrivingEventThresholds &thresholds = {});
