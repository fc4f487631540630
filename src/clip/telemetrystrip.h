#pragma once
#include "carsignals.h"

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
    // The car's own signals, frame by frame, timed on the range's clock (seconds from the start
    // of the first recording); a recording without them leaves them out.
    void setCarSignals(const QVector<CarSignalFrame> &frames) { m_carSignals = frames; }
    bool hasCarSignals() const { return !m_carSignals.isEmpty(); }
    // The car's signals at a moment: "D   BRAKE   ◀   Autosteer" (gear, brake, left and right
    // blinker, driver assistance, each only when on); empty without a frame there.
    QString carSignalsText(double time) const;
    // The strip for a second, size pixels, white text on black; with a moment given, the car's
    // signals then on its right, the brake in red and the blinkers in green.
    QImage render(int second, const QSize &size, double time = -1) const;

private:
    struct Second
    {
        bool fix = false;
        QString text;
        QPointF position;
    };
    QVector<Second> m_seconds;
    QVector<CarSignalFrame> m_carSignals;
};

// A compass point for a heading in degrees: N, NE, E, ...
QString compassPoint(double degrees);
