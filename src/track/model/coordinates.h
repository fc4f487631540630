#pragma once
#include <QObject>
#include <QVector>

// The region in which maps of Chinese providers expect offset coordinates. One process-wide
// instance; the rectangle lists never change after construction, so any thread may ask.
class LuChinaLocation : public QObject
{
    Q_OBJECT
public:
    // Decimal degrees.
    struct Rectangle
    {
        double west;
        double north;
        double east;
        double south;
        bool contains(double latitude, double longitude) const
        {
            return west <= longitude && longitude <= east && south <= latitude && latitude <= north;
        }
    };

    static LuChinaLocation *instance();

    // Inside at least one region rectangle and in no exclude rectangle; borders count as inside.
    bool isInChina(double latitude, double longitude) const;

    const QVector<Rectangle> &regionRectangles() const { return m_region; }
    const QVector<Rectangle> &excludeRectangles() const { return m_exclude; }

private:
    LuChinaLocation();
    QVector<Rectangle> m_region;
    QVector<Rectangle> m_exclude;
};

// WGS-84 to GCJ-02; points outside China come back unchanged. Longitude first.
void wgs84ToGcj02(double longitude, double latitude, double *gcjLongitude, double *gcjLatitude);
// GCJ-02 to BD-09 in place; meant for points inside China only.
void gcj02ToBd09(double *latitude, double *longitude);
void gcj02ToBd09(double longitude, double latitude, double *bdLongitude, double *bdLatitude);

// Great-circle distance in metres, rounded to four decimals. Longitude first.
double distanceMetres(double lon1, double lat1, double lon2, double lat2);
// Single-precision form used by the readers' jump filter. Latitude first.
float distanceMetresF(float lat1, float lon1, float lat2, float lon2);
