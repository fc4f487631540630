#include "lugpsmodel.h"
#include "coordinates.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>

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
    // The width keeps an overlong time text inside its field; the rest of such a line is lost.
    if (line) {
        std::sscanf(line, "%c%15[^,],%lf,%c,%lf,%c,%f,%f,%d,%d,%d", &status, timeText, &rawLatitude,
                    &latHemisphere, &rawLongitude, &lonHemisphere, &speedKnots, &course, &gRawX,
                    &gRawY, &gRawZ);
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
        qWarning("convert_gcj02_to_bd09 is out of china");

    speedKmh = float(double(speedKnots) * 1.852);
    speedMph = float(double(speedKnots) * 1.150779);
}
