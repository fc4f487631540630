#pragma once
#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QVector>

class TelemetryStrip;

// The small map of a clip: the route of its range drawn from the track (no map tiles), and
// where the moment shown is on it.
class RouteInset
{
public:
    RouteInset() = default;
    // The fixes of seconds first..last.
    RouteInset(const TelemetryStrip &strip, int first, int last);

    // Fewer than two distinct places: no route to draw.
    bool isEmpty() const { return m_bounds.width() <= 0 && m_bounds.height() <= 0; }
    QImage render(int second, const QSize &size) const;

private:
    QVector<QPointF> m_points; // east and north, in degrees of latitude
    QVector<int> m_seconds;    // the second of each point
    QRectF m_bounds;
};
