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
    const QRect before = needle.coveredRect(size(), needleRotation(angle));
    angle = value;
    const QRect after = needle.coveredRect(size(), needleRotation(angle));
    if (before.isEmpty() || after.isEmpty())
        update();
    else
        update(QRegion(before) + after);
}

void LuCampassLabel::paintEvent(QPaintEvent *event)
{
    // The label's own style-sheet background and frame, if the form gives it any.
    QLabel::paintEvent(event);
    QPainter painter(this);
    needle.paint(painter, size(), devicePixelRatioF(), needleRotation(angle));
}
