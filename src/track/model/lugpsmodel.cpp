#include "lugpsmodel.h"
#include "tracklog.h"
#include "coordinates.h"

#include <QByteArray>
#include <QtGlobal>

#include <QList>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <utility>

double nmeaToDegrees(double value)
{
    // The whole degrees are taken from the value printed with eight decimals, so a value that
    // rounds up there (2259.9999999) counts as the next degree.
    const QByteArray text = QByteArray::number(value / 100, 'f', 8);
    const int dot = text.indexOf('.');
    const int degrees = (dot < 0 ? text : text.left(dot)).toInt();
    return degrees + ((value / 100 - degrees) * 100) / 60;
}

LuGPSModel::LuGPSModel(const char *line, QObject *parent) : QObject(parent)
{
    double rawLatitude = 0;
    double rawLongitude = 0;
    if (line)
        scan(line, &rawLatitude, &rawLongitude);
    convert(rawLatitude, rawLongitude);
}

LuGPSModel::LuGPSModel(const char *line, int length, QObject *parent) : QObject(parent)
{
    constexpr int kFields = 11;
    constexpr int kLatHemisphere = 3;
    constexpr int kLonHemisphere = 5;
    QByteArray text = line && length > 0 ? QByteArray(line, length) : QByteArray();
    while (text.endsWith('\n') || text.endsWith('\r'))
        text.chop(1);

    // Hemisphere bytes the camera left zero (or left out) mean it had no fix yet.
    bool fix = true;
    QList<QByteArray> fields = text.split(',');
    if (fields.size() >= kFields) {
        for (const auto &hemisphere : {std::make_pair(kLatHemisphere, 'N'),
                                       std::make_pair(kLonHemisphere, 'E')}) {
            QByteArray &field = fields[hemisphere.first];
            if (field.isEmpty() || field == QByteArray(1, '\0')) {
                field = QByteArray(1, hemisphere.second);
                fix = false;
            }
        }
        text = fields.join(',');
    }

    double rawLatitude = 0;
    double rawLongitude = 0;
    if (text.contains('\0') || scan(text.constData(), &rawLatitude, &rawLongitude) != kFields) {
        qCWarning(lcTrack) << "LuGPSModel: damaged track line, kept as a sample without a fix:"
                   << text.left(120);
        std::fill(std::begin(timeText), std::end(timeText), '\0');
        speedKnots = course = 0;
        gRawX = gRawY = gRawZ = 0;
        latHemisphere = 'N';
        lonHemisphere = 'E';
        rawLatitude = rawLongitude = 0;
        fix = false;
    }
    if (!fix)
        status = 'V';
    convert(rawLatitude, rawLongitude);
}

int LuGPSModel::scan(const char *line, double *rawLatitude, double *rawLongitude)
{
    // The width keeps an overlong time text inside its field; the rest of such a line is lost.
    return std::sscanf(line, "%c%15[^,],%lf,%c,%lf,%c,%f,%f,%d,%d,%d", &status, timeText,
                       rawLatitude, &latHemisphere, rawLongitude, &lonHemisphere, &speedKnots,
                       &course, &gRawX, &gRawY, &gRawZ);
}

void LuGPSModel::convert(double rawLatitude, double rawLongitude)
{
    // A damaged fix can hold NaN or infinity; such a point has no place on a map.
    if (!std::isfinite(rawLatitude) || !std::isfinite(rawLongitude)) {
        qCWarning(lcTrack) << "LuGPSModel: non-finite coordinates, kept as a sample without a fix";
        rawLatitude = rawLongitude = 0;
        status = 'V';
    }
    wgsLatitude = nmeaToDegrees(rawLatitude);
    wgsLongitude = nmeaToDegrees(rawLongitude);
    if (lonHemisphere == 'W')
        wgsLongitude = -wgsLongitude;
    if (latHemisphere == 'S')
        wgsLatitude = -wgsLatitude;

    wgs84ToGcj02(wgsLongitude, wgsLatitude, &longitude, &latitude);
    if (LuChinaLocation::instance()->isInChina(latitude, longitude))
        gcj02ToBd09(&latitude, &longitude);
    else
        qCWarning(lcTrack, "convert_gcj02_to_bd09 is out of china");
    if (!std::isfinite(latitude) || !std::isfinite(longitude) || !std::isfinite(wgsLatitude) ||
        !std::isfinite(wgsLongitude)) {
        qCWarning(lcTrack) << "LuGPSModel: coordinates out of range, kept as a sample without a fix";
        latitude = longitude = wgsLatitude = wgsLongitude = 0;
        status = 'V';
    }

    speedKmh = float(double(speedKnots) * 1.852);
    speedMph = float(double(speedKnots) * 1.150779);
}
