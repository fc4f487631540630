#pragma once

#include "luneedlelayer.h"

#include <QLabel>

// Speedometer needle. The dial face is a separate picture behind this label; the needle
// picture points at 0 and one unit of speed turns it one degree clockwise.
class LuGPSSpeedLabel : public QLabel
{
    // For style-sheet type selectors and qobject_cast.
    Q_OBJECT

public:
    explicit LuGPSSpeedLabel(QWidget *parent = nullptr);

    // The speed in the unit the dial shows.
    void setAngle(float value);
    float currentAngle() const { return angle; }

    // Clockwise screen rotation of the needle picture for a speed.
    static qreal needleRotation(float speed) { return speed; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    float angle = 0;
    LuNeedleLayer needle;
};
