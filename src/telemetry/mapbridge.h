#pragma once

#include <QObject>
#include <QVariant>
#include <QVector>

// What the map page may ask of the window, over the page's web channel. Everything arrives from
// page script, so every value is checked before it is used.
class MapBridge : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The seconds of the open recording; requests outside [0, count) are refused.
    void setSecondCount(int count) { m_secondCount = count; }
    // The seconds of each recording of the drive on the map, by page id; empty without one.
    void setDriveSecondCounts(const QVector<int> &counts) { m_driveSecondCounts = counts; }

    // A click on the route: play from the second of the sample under the pointer.
    Q_INVOKABLE void seekToSecond(const QVariant &second);
    // A click on another recording's part of the drive: play that recording from that second.
    Q_INVOKABLE void playRecordingAt(const QVariant &id, const QVariant &second);
    // A click on the map while places are picked: its position, WGS-84 degrees.
    Q_INVOKABLE void placeClicked(const QVariant &latitude, const QVariant &longitude);

signals:
    void seekRequested(int second);
    void playRecordingRequested(int id, int second);
    void placeChosen(double latitude, double longitude);

private:
    int m_secondCount = 0;
    QVector<int> m_driveSecondCounts;
};
