#pragma once
#include "rmcinfo.h"

// The output rule for samples of the "gps0" box and the "gps " index: a fix that lies further
// from the last accepted fix than 40 m per second since then is a jump of the receiver and is
// replaced by the last accepted sample.
class JumpFilter
{
public:
    // Adjusts info in place to what is to be written.
    void apply(RMCINFO *info);

private:
    static constexpr float kNoFixYet = -100000.0f;
    float m_lastLatitude = 0;
    float m_lastLongitude = kNoFixYet;
    int m_misses = 0;
    RMCINFO m_lastAccepted{};
};

// 'A' (or anything but 'V') without a usable position becomes 'V' at (0, 0).
void voidFixWithoutPosition(RMCINFO *info);

// ddmm.mmmm to signed decimal degrees as the jump filter sees them.
float rmcDegrees(float value, char hemisphere, char negativeHemisphere);
