#include "luprogressslider.h"

#include "playbacklog.h"

#include <QDebug>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>
#include <QToolTip>

namespace {
// A tick within this many pixels of the pointer is the one hovered.
constexpr int hoverReach = 4;
} // namespace

LuProgressSlider::LuProgressSlider(QWidget *parent)
    : QSlider(Qt::Horizontal, parent)
{
}

void LuProgressSlider::setMarks(const QVector<Mark> &marks)
{
    m_marks = marks;
    update();
}

int LuProgressSlider::markX(int value) const
{
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option,
                                                 QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option,
                                                 QStyle::SC_SliderHandle, this);
    const int span = groove.width() - handle.width();
    return groove.left() + handle.width() / 2 +
           QStyle::sliderPositionFromValue(minimum(), maximum(), value, qMax(0, span));
}

void LuProgressSlider::setClipRange(int in, int out)
{
    m_clipIn = in;
    m_clipOut = out;
    update();
}

void LuProgressSlider::paintClipRange(QPainter &painter) const
{
    if (m_clipIn < 0 && m_clipOut < 0)
        return;
    const int left = markX(m_clipIn >= 0 ? m_clipIn : minimum());
    const int right = markX(m_clipOut >= 0 ? m_clipOut : maximum());
    // The lower half, so the band and the event ticks above it both stay readable.
    const QColor band(64, 160, 255);
    painter.fillRect(QRect(left, height() / 2, qMax(1, right - left), height() / 2),
                     QColor(band.red(), band.green(), band.blue(), 110));
    for (const int point : {m_clipIn, m_clipOut})
        if (point >= 0)
            painter.fillRect(QRect(markX(point) - 1, height() / 2, 2, height() / 2), band);
}

void LuProgressSlider::mousePressEvent(QMouseEvent *e)
{
    QSlider::mousePressEvent(e);
    // A press on the handle starts a drag: its release seeks, not the press as well.
    if (isSliderDown())
        return;
    const double pos = double(e->x()) / double(width());
    setValue(int(minimum() + (maximum() - minimum()) * pos));
    qCDebug(lcPlayback) << "clicked pos" << pos;
    emit posChangedSignal(pos);
}

void LuProgressSlider::paintEvent(QPaintEvent *event)
{
    QSlider::paintEvent(event);
    if (maximum() <= minimum())
        return;
    QPainter painter(this);
    paintClipRange(painter);
    for (const Mark &mark : qAsConst(m_marks)) {
        if (mark.value < minimum() || mark.value > maximum())
            continue;
        // Over the groove, above and below its middle, so the handle never hides a tick whole.
        painter.fillRect(QRect(markX(mark.value) - 1, 0, 3, height()), mark.colour);
    }
}

bool LuProgressSlider::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QSlider::event(event);
    const int x = static_cast<QHelpEvent *>(event)->pos().x();
    const Mark *nearest = nullptr;
    int distance = hoverReach + 1;
    for (const Mark &mark : qAsConst(m_marks)) {
        const int d = qAbs(markX(mark.value) - x);
        if (d < distance) {
            distance = d;
            nearest = &mark;
        }
    }
    if (nearest)
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), nearest->text, this);
    else
        QToolTip::hideText();
    return true;
}
