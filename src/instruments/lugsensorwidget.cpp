#include "lugsensorwidget.h"

#include "instrumentslog.h"
#include "lufileinfomodel.h"

#include <QDebug>
#include <QLine>
#include <QPainter>
#include <QPaintEvent>

#include <cmath>

namespace {
const QColor frameColour(212, 221, 227);
const QColor cursorColour(47, 179, 255);
const QColor xColour(251, 247, 107);
const QColor yColour(10, 224, 55);
const QColor zColour(231, 44, 44);

// A sample the recorder could not measure must neither set the scale nor break the drawing.
float usable(float value)
{
    return std::isfinite(value) ? value : 0.0f;
}
} // namespace

LuGsensorWidget::LuGsensorWidget(QWidget *parent)
    : QWidget(parent)
{
}

void LuGsensorWidget::setTrack(const LuFileInfoModel *recording)
{
    if (!recording)
        clearSeries();
    else if (recording->hasGsensor)
        setSeries(recording->gsensorX, recording->gsensorY, recording->gsensorZ);
}

void LuGsensorWidget::setSeries(const QList<float> &x, const QList<float> &y,
                                const QList<float> &z)
{
    holdsSeries = true;
    seriesX = x;
    seriesY = y;
    seriesZ = z;
    invalidateCurves();
    update();

    for (float v : seriesX)
        maxX = qMax(maxX, std::fabs(usable(v)));
    for (float v : seriesY)
        maxY = qMax(maxY, std::fabs(usable(v)));
    for (float v : seriesZ)
        maxZ = qMax(maxZ, std::fabs(usable(v)));
    const float maxXAlone = maxX;
    maxX = qMax(maxX, qMax(maxY, maxZ));
    qCWarning(lcInstruments) << "gps X" << seriesX << "and max" << maxXAlone;
    qCWarning(lcInstruments) << "gps Y" << seriesY << "and max" << maxY;
    qCWarning(lcInstruments) << "gps Z" << seriesZ << "and max" << maxZ;
}

void LuGsensorWidget::clearSeries()
{
    holdsSeries = false;
    seriesX.clear();
    seriesY.clear();
    seriesZ.clear();
    invalidateCurves();
    update();
}

int LuGsensorWidget::scrollFor(int index, int width)
{
    return qMax(0, pixelsPerSample * index - width);
}

qreal LuGsensorWidget::cursorX(int index, int width)
{
    // Left of the right edge the line lies to the right of its sample's pixel boundary; from
    // the right edge on it lies to the left, so a cursor exactly one width in stays visible.
    const int x0 = pixelsPerSample * index;
    const int scroll = scrollFor(index, width);
    return x0 < width ? x0 + 0.5 : x0 - 0.5 - scroll;
}

QRect LuGsensorWidget::cursorRect(int index) const
{
    const int x = int(std::floor(cursorX(index, width())));
    return QRect(x - 1, 0, 3, height());
}

void LuGsensorWidget::setCurrentIndex(int index)
{
    if (index == cursorIndex)
        return;
    const int previous = cursorIndex;
    cursorIndex = index;
    if (!holdsSeries)
        return;
    // While the chart does not scroll only the cursor moves.
    if (scrollFor(previous, width()) == scrollFor(index, width()))
        update(QRegion(cursorRect(previous)) + cursorRect(index));
    else
        update();
}

void LuGsensorWidget::setShowX(bool show)
{
    if (show == showX)
        return;
    showX = show;
    invalidateCurves();
    update();
}

void LuGsensorWidget::setShowY(bool show)
{
    if (show == showY)
        return;
    showY = show;
    invalidateCurves();
    update();
}

void LuGsensorWidget::setShowZ(bool show)
{
    if (show == showZ)
        return;
    showZ = show;
    invalidateCurves();
    update();
}

void LuGsensorWidget::invalidateCurves()
{
    curvesCache = QPixmap();
    curvesCacheScroll = -1;
}

void LuGsensorWidget::drawFrameAndCurves(QPainter &painter, const QSize &size, int scroll) const
{
    const qreal w = size.width();
    const qreal h = size.height();
    painter.setPen(QPen(frameColour, 1.0));
    painter.drawLine(QLineF(0, h * 0.5, w, h * 0.5));
    painter.drawLine(QLineF(0, h - 0.5, w, h - 0.5));
    painter.drawLine(QLineF(0.5, 0, 0.5, h));

    if (!holdsSeries)
        return;
    const qreal half = h * 0.5;
    // A recording without any acceleration has no scale; its curves lie on the middle line.
    const qreal pixelsPerG = maxX > 0 ? half / maxX : 0.0;
    const int count = qMin(seriesX.size(), qMin(seriesY.size(), seriesZ.size()));
    if (count < 2)
        return;

    // Only the segments that reach into the visible width.
    const int first = qBound(0, scroll / pixelsPerSample - 1, count - 2);
    const int last = qBound(0, (scroll + size.width()) / pixelsPerSample + 1, count - 2);
    const struct
    {
        bool shown;
        const QList<float> &values;
        QPen pen;
    } curves[] = {{showX, seriesX, QPen(xColour, 1.0)},
                  {showY, seriesY, QPen(yColour, 1.0)},
                  {showZ, seriesZ, QPen(zColour, 1.0)}};
    for (int i = first; i <= last; ++i) {
        for (int axis = 0; axis < 3; ++axis) {
            if (!curves[axis].shown)
                continue;
            const int x1 = pixelsPerSample * i - scroll;
            const int y1 = int(half - usable(curves[axis].values.at(i)) * pixelsPerG);
            const int y2 = int(half - usable(curves[axis].values.at(i + 1)) * pixelsPerG);
            painter.setPen(curves[axis].pen);
            painter.drawLine(QLine(x1, y1, x1 + pixelsPerSample, y2));
        }
    }
}

void LuGsensorWidget::drawCursor(QPainter &painter, const QSize &size) const
{
    if (!holdsSeries)
        return;
    const qreal x = cursorX(cursorIndex, size.width());
    painter.setPen(QPen(cursorColour, 1));
    painter.drawLine(QLineF(x, 0, x, size.height()));
}

void LuGsensorWidget::paintChart(QPainter &painter, const QRect &rect) const
{
    painter.save();
    painter.translate(rect.topLeft());
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    const int scroll = scrollFor(cursorIndex, rect.width());
    drawFrameAndCurves(painter, rect.size(), scroll);
    drawCursor(painter, rect.size());
    painter.restore();
}

void LuGsensorWidget::resizeEvent(QResizeEvent *event)
{
    invalidateCurves();
    QWidget::resizeEvent(event);
}

void LuGsensorWidget::paintEvent(QPaintEvent *)
{
    const int scroll = scrollFor(cursorIndex, width());
    const qreal ratio = devicePixelRatioF();
    if (curvesCache.isNull() || curvesCacheScroll != scroll
        || !qFuzzyCompare(curvesCache.devicePixelRatioF(), ratio)) {
        curvesCache = QPixmap(size() * ratio);
        curvesCache.setDevicePixelRatio(ratio);
        curvesCache.fill(Qt::transparent);
        QPainter cachePainter(&curvesCache);
        cachePainter.setRenderHint(QPainter::Antialiasing, true);
        cachePainter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        drawFrameAndCurves(cachePainter, size(), scroll);
        curvesCacheScroll = scroll;
    }
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawPixmap(0, 0, curvesCache);
    drawCursor(painter, size());
}
