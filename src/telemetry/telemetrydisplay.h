#pragma once

#include "hwdefaultsettings.h"

#include <QList>
#include <QObject>
#include <QString>

class CarSignalsDisplay;
class CarSignalsRow;
class LuCampassLabel;
class LuGPSSpeedLabel;
class LuGsensorWidget;
class MapView;
class PlaybackSession;
class QAbstractButton;
class QLabel;
class QWidget;
class Library;
class LuFileInfoModel;

// The displays that follow the master pane: time, length and file labels, position and
// speeds, the dials, the G-sensor values with their chart.
struct TelemetryWidgets
{
    QLabel *playTime = nullptr;
    QLabel *duration = nullptr;
    QLabel *fileSize = nullptr;
    QLabel *resolution = nullptr;
    QLabel *longitude = nullptr;
    QLabel *latitude = nullptr;
    QLabel *maxSpeed = nullptr;
    QLabel *speedValue = nullptr;
    QLabel *speedUnit = nullptr;
    LuGPSSpeedLabel *speedometer = nullptr;
    LuCampassLabel *compass = nullptr;
    LuGsensorWidget *chart = nullptr;
    QAbstractButton *gsensorX = nullptr;
    QAbstractButton *gsensorY = nullptr;
    QAbstractButton *gsensorZ = nullptr;
    // What shows and hides with the chart: its row, the line under it.
    QList<QWidget *> gsensorRow;
    // The car's own signals beside the dials; may be left out.
    CarSignalsRow *carSignals = nullptr;
};

// Once a second of playback (and at every seek) the open recording's sample of that second
// moves the marker, the dials and the labels; at the end of a session they go back to zero. The
// car's signals row follows every position report, frame by frame.
class TelemetryDisplay : public QObject
{
    Q_OBJECT

public:
    TelemetryDisplay(const TelemetryWidgets &widgets, PlaybackSession *session, MapView *map,
                     Library *library, QObject *parent = nullptr);

    // The sample of this second of the open recording; nothing outside its track.
    void show(int second);
    // The empty display, in the chosen speed unit.
    void reset();
    // The speed unit follows a change at once, with or without a track.
    void settingsApplied();
    float maxSpeedKnots() const { return m_maxSpeedKnots; }
    CarSignalsDisplay *carSignals() const { return m_carSignals; }

    static QString formatPlayTime(int seconds);
    // The chart shows while the recording has G-sensor values, unless the user chose never.
    static bool showsGsensorChart(const LuFileInfoModel *recording, GsensorChartChoice choice);

private:
    // The unit under the speedometer and the maximum speed, in the chosen unit.
    void showSpeedUnit();
    void showTime(int second);
    void showLength(float seconds);
    void showAttributes(int width, int height);
    void placeGsensorChart();

    TelemetryWidgets m_widgets;
    PlaybackSession *m_session;
    MapView *m_map;
    CarSignalsDisplay *m_carSignals;
    float m_maxSpeedKnots = 0;
};
