#pragma once

#include <QObject>
#include <QVariant>

// What the map page may ask of the window, over the page's web channel. Everything arrives from
// page script, so every value is checked before it is used.
class MapBridge : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // The seconds of the open recording; requests outside [0, count) are refused.
    void setSecondCount(int count) { m_secondCount = count; }

    // A click on the route: play from the second of the sample under the pointer.
    Q_INVOKABLE void seekToSecond(const QVariant &second);

signals:
    void seekRequested(int second);

private:
    int m_secondCount = 0;
};
