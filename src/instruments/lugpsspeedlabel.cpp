#include "lugpsspeedlabel.h"

#include <QPainter>

LuGPSSpeedLabel::LuGPSSpeedLabel(QWidget *parent)
    : QLabel(parent)
    , needle(QStringLiteral(":/images/images/icon_meter_pointer.png"))
{
}

void LuGPSSpeedLabel::setAngle(float value)
{
    if (value == angle)
        return;
    const qreal from = needleRotation(angle);
    angle = value;
    needle.updateSweep(*this, from, needleRotation(angle));
}

void LuGPSSpeedLabel::paintEvent(QPaintEvent *event)
{
    // The label's own style-sheet background and frame, if the form gives it any.
    QLabel::paintEvent(event);
    QPainter painter(this);
    needle.paint(painter, size(), devicePixelRatioF(), needleRotation(angle));
}
