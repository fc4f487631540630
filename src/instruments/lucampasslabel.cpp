#include "lucampasslabel.h"

#include <QPainter>

LuCampassLabel::LuCampassLabel(QWidget *parent)
    : QLabel(parent)
    , needle(QStringLiteral(":/images/images/icon_pointer.png"))
{
}

void LuCampassLabel::setAngle(double value)
{
    if (value == angle)
        return;
    const qreal from = needleRotation(angle);
    angle = value;
    needle.updateSweep(*this, from, needleRotation(angle));
}

void LuCampassLabel::paintEvent(QPaintEvent *event)
{
    // The label's own style-sheet background and frame, if the form gives it any.
    QLabel::paintEvent(event);
    QPainter painter(this);
    needle.paint(painter, size(), devicePixelRatioF(), needleRotation(angle));
}
