#include "luprogressslider.h"

#include <QDebug>
#include <QMouseEvent>

LuProgressSlider::LuProgressSlider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
}

void LuProgressSlider::mousePressEvent(QMouseEvent *e)
{
    QSlider::mousePressEvent(e);
    // A press on the handle starts a drag: its release seeks, not the press as well.
    if (isSliderDown())
        return;
    const double pos = double(e->x()) / double(width());
    setValue(int(minimum() + (maximum() - minimum()) * pos));
    qWarning() << "clicked pos" << pos;
    emit posChangedSignal(pos);
}
