#pragma once

#include <QByteArray>
#include <QVector>

// Small-scale geometry for the archive: distances on a local flat projection (metres), route
// simplification and the packed point lists the database stores.

// A fix of a recording: its second, position (WGS-84 degrees) and speed.
struct ArchiveFix
{
    int second = 0;
    double latitude = 0;
    double longitude = 0;
    float speedKmh = 0;
};

constexpr double kArchiveMetresPerDegree = 111320.0;

// Metres between two positions on a plane fitted at their latitude (exact enough below 10 km).
double archiveMetres(double lat1, double lon1, double lat2, double lon2);
// Metres from p to the segment a-b, and in *t where along it the nearest point lies (0 at a).
double archiveMetresToSegment(double pLat, double pLon, double aLat, double aLon, double bLat,
                              double bLon, double *t = nullptr);
// Indices of the fixes Douglas-Peucker keeps at the tolerance: first and last always.
QVector<int> simplifiedIndices(const QVector<ArchiveFix> &fixes, double toleranceMetres);

// Fixes packed 12 bytes each: latitude and longitude in 1e-7 degrees (int32), the second as
// an offset from firstSecond (uint16) and the speed in 0.01 km/h (uint16), little-endian.
QByteArray packFixes(const QVector<ArchiveFix> &fixes, int firstSecond);
// The inverse; a blob whose length is no multiple of 12 yields the whole fixes it holds.
QVector<ArchiveFix> unpackFixes(const QByteArray &blob, int firstSecond);
