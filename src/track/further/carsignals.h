#pragma once
// The car's own signals, frame by frame, from the vehicle telemetry in the SEI of a recording's
// video track (see seiframes.h): gear, brake, blinkers, driver assistance, accelerator pedal,
// steering angle and speed, for the window's row beside the dials and the composed clip's strip.
#include <QString>
#include <QVector>

#include <cstddef>

enum class CarGear
{
    Park = 0,
    Drive = 1,
    Reverse = 2,
    Neutral = 3,
    Unknown = 4, // a value the message may hold but no gear of these
};

enum class CarAssist
{
    None = 0,
    SelfDriving = 1,
    Autosteer = 2,
    Tacc = 3, // traffic-aware cruise control
    Unknown = 4,
};

struct CarSignalFrame
{
    double time = 0; // seconds from the file's start: the frame's time in the sample table
    CarGear gear = CarGear::Park;
    bool brake = false;
    bool blinkerLeft = false;
    bool blinkerRight = false;
    CarAssist assist = CarAssist::None;
    float pedal = 0;       // accelerator, 0 to 1
    float steeringDeg = 0; // steering wheel angle, degrees
    float speedMps = 0;
};

// At most this many frames are kept: over four hours at 36 frames a second.
inline constexpr int kMaxCarSignalFrames = 1 << 19;

// Reads the signals of every frame of the first video track that carries the telemetry, in time
// order. False, with *problem saying why, when the file cannot be read or carries none; frames
// whose message is damaged from its first byte are left out.
bool readCarSignals(const QString &path, QVector<CarSignalFrame> *frames, QString *problem);

// The same from bytes in memory (the fuzzers' and the tests' way in).
bool readCarSignalsFromMemory(const unsigned char *data, std::size_t size,
                              QVector<CarSignalFrame> *frames, QString *problem);

// The frame shown at time (seconds from the file's start): the last one at or before it, or -1
// before the first frame, for no frames, and once the last frame before time lies more than
// kCarSignalHold behind (a stretch the telemetry leaves out).
inline constexpr double kCarSignalHold = 0.5;
int carSignalFrameAt(const QVector<CarSignalFrame> &frames, double time);

// Gear and assistance from the message's numbers; values beyond the known ones are Unknown.
CarGear carGearOf(unsigned value);
CarAssist carAssistOf(unsigned value);

// "P", "D", "R", "N"; empty for an unknown gear.
QString carGearText(CarGear gear);
// "Self-driving", "Autosteer", "TACC"; empty for none and for an unknown state.
QString carAssistText(CarAssist assist);
