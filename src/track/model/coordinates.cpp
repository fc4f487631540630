#include "coordinates.h"
#include "tracklog.h"
#include "trackdiagnostics.h"

#include <QtGlobal>

#include <cmath>

namespace {
namespace coordinates {
constexpr double kPi = 3.141592653589793;
constexpr double kKrasovskyA = 6378245.0;
constexpr double kKrasovskyEe = 0.006693421622965943;
constexpr double kKrasovskyAOneMinusEe = 6335552.717000426; // a * (1 - ee)
constexpr double kXPi = 52.35987755982988;                  // pi * 3000 / 180
constexpr double kEarthRadius = 6378137.0;
constexpr double kEarthDiameter = 12756274.0;

double twoThirds(double sum)
{
    return (sum + sum) / 3.0;
}

double gcjLatitudeOffset(double x, double y)
{
    double d =
        -100.0 + 2.0 * x + 3.0 * y + 0.2 * y * y + 0.1 * x * y + 0.2 * std::sqrt(std::fabs(x));
    d += twoThirds(20.0 * std::sin(6.0 * x * kPi) + 20.0 * std::sin(2.0 * x * kPi));
    d += twoThirds(20.0 * std::sin(y * kPi) + 40.0 * std::sin(y / 3.0 * kPi));
    d += twoThirds(160.0 * std::sin(y / 12.0 * kPi) + 320.0 * std::sin(y * kPi / 30.0));
    return d;
}

double gcjLongitudeOffset(double x, double y)
{
    double d = 300.0 + x + 2.0 * y + 0.1 * x * x + 0.1 * x * y + 0.1 * std::sqrt(std::fabs(x));
    d += twoThirds(20.0 * std::sin(6.0 * x * kPi) + 20.0 * std::sin(2.0 * x * kPi));
    d += twoThirds(20.0 * std::sin(x * kPi) + 40.0 * std::sin(x / 3.0 * kPi));
    d += twoThirds(150.0 * std::sin(x / 12.0 * kPi) + 300.0 * std::sin(x / 30.0 * kPi));
    return d;
}
} // namespace coordinates
} // namespace

LuChinaLocation::LuChinaLocation()
    : m_region{{79.4462, 49.2204, 96.33, 42.8899},
               {109.6872, 54.1415, 135.0002, 39.3742},
               {73.1246, 42.8899, 124.143255, 29.5297},
               {82.9684, 29.5297, 97.0352, 26.7186},
               {97.0253, 29.5297, 124.367395, 20.414096},
               {107.975793, 20.414096, 111.744104, 17.871542}},
      m_exclude{
          {119.921265, 25.398623, 122.497559, 21.785006}, {101.8652, 22.284, 106.665, 20.0988},
          {106.4525, 21.5422, 108.051, 20.4878},          {109.0323, 55.8175, 119.127, 50.3257},
          {127.4568, 55.8175, 137.0227, 49.5574},         {131.2662, 44.8922, 137.0227, 42.5692}}
{}

LuChinaLocation *LuChinaLocation::instance()
{
    using namespace coordinates;
    // Function-local statics are initialised once even under concurrent first calls.
    static LuChinaLocation *const s_instance = new LuChinaLocation;
    return s_instance;
}

bool LuChinaLocation::isInChina(double latitude, double longitude) const
{
    using namespace coordinates;
    bool inRegion = false;
    for (const Rectangle &rect : m_region) {
        if (rect.contains(latitude, longitude)) {
            inRegion = true;
            break;
        }
    }
    if (!inRegion) {
        trackDiag("out of region rectange\n");
        return false;
    }
    for (const Rectangle &rect : m_exclude) {
        if (rect.contains(latitude, longitude)) {
            trackDiag("in exclude rectange\n");
            return false;
        }
    }
    trackDiag("in region rectange\n");
    return true;
}

void wgs84ToGcj02(double longitude, double latitude, double *gcjLongitude, double *gcjLatitude)
{
    using namespace coordinates;
    if (!LuChinaLocation::instance()->isInChina(latitude, longitude)) {
        *gcjLongitude = longitude;
        *gcjLatitude = latitude;
        qCWarning(lcTrack, "convert_wgs84_to_gcj02 is out of china");
        return;
    }
    const double x = longitude - 105.0;
    const double y = latitude - 35.0;
    const double dLat = gcjLatitudeOffset(x, y);
    const double dLon = gcjLongitudeOffset(x, y);
    const double radLat = latitude / 180.0 * kPi;
    const double sinLat = std::sin(radLat);
    const double magic = 1 - kKrasovskyEe * sinLat * sinLat;
    const double sqrtMagic = std::sqrt(magic);
    *gcjLatitude = latitude + dLat * 180.0 / (kKrasovskyAOneMinusEe / (magic * sqrtMagic) * kPi);
    *gcjLongitude = longitude + dLon * 180.0 / (kKrasovskyA / sqrtMagic * std::cos(radLat) * kPi);
}

void gcj02ToBd09(double longitude, double latitude, double *bdLongitude, double *bdLatitude)
{
    using namespace coordinates;
    const double x = longitude;
    const double y = latitude;
    const double z = std::sqrt(x * x + y * y) + 0.00002 * std::sin(y * kXPi);
    const double theta = std::atan2(y, x) + 0.000003 * std::cos(x * kXPi);
    *bdLongitude = z * std::cos(theta) + 0.0065;
    *bdLatitude = z * std::sin(theta) + 0.006;
}

void gcj02ToBd09(double *latitude, double *longitude)
{
    using namespace coordinates;
    gcj02ToBd09(*longitude, *latitude, longitude, latitude);
}

double distanceMetres(double lon1, double lat1, double lon2, double lat2)
{
    using namespace coordinates;
    const double radLat1 = lat1 * kPi / 180.0;
    const double radLat2 = lat2 * kPi / 180.0;
    const double da = radLat1 - radLat2;
    const double db = lon1 * kPi / 180.0 - lon2 * kPi / 180.0;
    const double sinA = std::sin(da / 2);
    const double sinB = std::sin(db / 2);
    double s =
        2 * std::asin(std::sqrt(sinA * sinA + std::cos(radLat1) * std::cos(radLat2) * sinB * sinB));
    s *= kEarthRadius;
    s = std::round(s * 10000) / 10000;
    qCDebug(lcTrack, "--------(%f, %f) to (%f, %f)-----(%f)", lon1, lat1, lon2, lat2, s);
    return s;
}

float distanceMetresF(float lat1, float lon1, float lat2, float lon2)
{
    using namespace coordinates;
    trackDiag("before distance (%f,%f)--->(%f,%f)\n", double(lat1), double(lon1), double(lat2),
              double(lon2));
    const float radLat1 = float(lat1 * kPi / 180.0);
    const float radLat2 = float(lat2 * kPi / 180.0);
    const float da = radLat1 - radLat2;
    const float db = float(lon1 * kPi / 180.0 - lon2 * kPi / 180.0);
    const float sinA = float(std::sin(da / 2.0));
    const float sinB = float(std::sin(db / 2.0));
    const float cosProduct = float(std::cos(double(radLat1)) * std::cos(double(radLat2)));
    const float s = float(std::asin(std::sqrt(double(sinA * sinA + cosProduct * sinB * sinB))) *
                          kEarthDiameter);
    trackDiag("---->distance is %f\n", double(s));
    return s;
}
