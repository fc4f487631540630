#pragma once

#include "luneedlelayer.h"

#include <QLabel>

// Compass needle over a ring whose top is the direction of travel: the needle shows where
// north lies, so it turns counter-clockwise as the course grows.
class LuCampassLabel : public QLabel
{
    // For style-sheet type selectors and qobject_cast.
    Q_OBJECT

public:
    explicit LuCampassLabel(QWidget *parent = nullptr);

    // Course over ground in degrees.
    void setAngle(double value);
    double currentAngle() const { return angle; }

    // Clockwise screen rotation of the needle picture for a course.
    static qreal needleRotation(double course) { return -course; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    double angle = 0;
    LuNeedleLayer needle;
};
