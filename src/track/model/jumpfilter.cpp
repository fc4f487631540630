#include "jumpfilter.h"
#include "coordinates.h"

#include <cmath>

void voidFixWithoutPosition(RMCINFO *info)
{
    if (info->status != 'V' && (info->latitude == 0 || info->longitude == 0)) {
        info->status = 'V';
        info->latitude = 0;
        info->longitude = 0;
    }
}

float rmcDegrees(float value, char hemisphere, char negativeHemisphere)
{
    const double whole = std::trunc(double(value) / 100);
    const double degrees = whole + (double(value) - whole * 100) / 60;
    return float(hemisphere == negativeHemisphere ? -degrees : degrees);
}

void JumpFilter::apply(RMCINFO *info)
{
    voidFixWithoutPosition(info);
    if (info->status != 'A') {
        ++m_misses;
        return;
    }
    const float latitude = rmcDegrees(info->latitude, info->latHemisphere, 'S');
    const float longitude = rmcDegrees(info->longitude, info->lonHemisphere, 'W');
    bool accept = m_lastLongitude == kNoFixYet;
    if (!accept) {
        const float distance =
            distanceMetresF(m_lastLatitude, m_lastLongitude, latitude, longitude);
        accept = double(distance) <= 40.0 * (double(m_misses) + 1);
    }
    if (accept) {
        m_lastLatitude = latitude;
        m_lastLongitude = longitude;
        m_lastAccepted = *info;
        m_misses = 0;
    } else {
        ++m_misses;
        *info = m_lastAccepted;
    }
}
