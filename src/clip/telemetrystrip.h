#pragma once
#include <QByteArray>
#include <QImage>
#include <QPointF>
#include <QString>
#include <QVector>

// The per-second telemetry of a recording as the composed video's strip shows it: one entry per
// track line (line n = second n of the video).
class TelemetryStrip
{
public:
    TelemetryStrip(const QByteArray &trackText, bool mph);

    bool hasFix(int second) const;
    bool anyFix() const;
    int seconds() const { return int(m_seconds.size()); }
    // WGS-84 longitude (x) and latitude (y) of a second with a fix.
    QPointF position(int second) const;
    // "2024-05-16 10:15:03   52 km/h   22.543210° N   114.056780° E   90° E", or "no GPS" for a
    // second without a fix.
    QString text(int second) const;
    // The strip for a second, size pixels, white text on black.
    QImage render(int second, const QSize &size) const;

private:
    struct Second
    {
        bool fix = false;
        QString text;
        QPointF position;
    };
    QVector<Second> m_seconds;
};

// A compass point for a heading in degrees: N, NE, E, ...
QString compassPoint(double degrees);
