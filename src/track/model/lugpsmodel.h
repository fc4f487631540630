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
    // Parses exactly length bytes of a track cache line; a NUL among them is data, not the end.
    // Always one sample, so the samples after it keep their second: missing or zero hemisphere
    // bytes (cameras write zeros before their first fix) give a sample without a fix, and a line
    // damaged beyond that gives a sample without a fix whose values are all zero.
    LuGPSModel(const char *line, int length, QObject *parent);

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

private:
    int scan(const char *line, double *rawLatitude, double *rawLongitude);
    void convert(double rawLatitude, double rawLongitude);
};

Q_DECLARE_METATYPE(LuGPSModel *)

// ddmm.mmmm (or dddmm.mmmm) to decimal degrees, unsigned as recorded.
double nmeaToDegrees(double value);
