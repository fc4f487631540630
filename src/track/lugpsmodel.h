#pragma once
#include <QMetaType>
#include <QObject>

// One sample of a track, parsed from one track text line. A child of the recording that owns
// the track; the track itself is a plain list of these pointers in file order.
class LuGPSModel : public QObject
{
    Q_OBJECT
public:
    // Parses one track text line; never fails. Fields a malformed line does not reach stay zero
    // (and the time text empty); the coordinates are always computed.
    explicit LuGPSModel(const char *line, QObject *parent = nullptr);

    float speedKnots = 0;
    float speedKmh = 0;
    float speedMph = 0;
    float course = 0;
    char timeText[16] = {}; // "20" + yymmddhhmmss
    double latitude = 0;    // BD-09 inside China, else WGS-84
    double longitude = 0;
    double wgsLatitude = 0; // as recorded, signed decimal degrees
    double wgsLongitude = 0;
    char latHemisphere = 'N';
    char lonHemisphere = 'E';
    char status = 0;        // 'A' valid fix, 'V' none
    bool fromHaisi = false; // set by the owner: raw counts are 4096 per g instead of 256
    int gRawX = 0;
    int gRawY = 0;
    int gRawZ = 0;
};

Q_DECLARE_METATYPE(LuGPSModel *)

// ddmm.mmmm (or dddmm.mmmm) to decimal degrees, unsigned as recorded.
double nmeaToDegrees(double value);
