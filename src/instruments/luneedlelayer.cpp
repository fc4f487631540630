#include "luneedlelayer.h"

#include <QRegion>
#include <QWidget>

#include <QImage>
#include <QPainter>
#include <QTransform>

LuNeedleLayer::LuNeedleLayer(const QString &imagePath)
    : path(imagePath)
{
}

QTransform LuNeedleLayer::transform(const QSize &size, qreal rotation)
{
    const int halfWidth = size.width() / 2;
    const int halfHeight = size.height() / 2;
    QTransform t;
    t.translate(halfWidth, halfHeight);
    t.rotate(rotation);
    t.translate(-halfWidth, -halfHeight);
    return t;
}

static QRect opaqueBounds(const QImage &image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(line[x]) == 0)
                continue;
            left = qMin(left, x);
            right = qMax(right, x);
            top = qMin(top, y);
            bottom = qMax(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

void LuNeedleLayer::prepare(const QSize &size, qreal devicePixelRatio)
{
    if (size == scaledSize && qFuzzyCompare(devicePixelRatio, scaledRatio) && !scaled.isNull())
        return;
    scaledSize = size;
    scaledRatio = devicePixelRatio;
    scaled = QPixmap();
    opaqueRect = QRect();
    const QImage source(path);
    if (source.isNull() || size.isEmpty())
        return;
    const QImage image = source
                             .scaled(size * devicePixelRatio, Qt::IgnoreAspectRatio,
                                     Qt::SmoothTransformation)
                             .convertToFormat(QImage::Format_ARGB32);
    const QRect devicePixels = opaqueBounds(image);
    if (!devicePixels.isNull()) {
        opaqueRect = QRectF(devicePixels.x() / devicePixelRatio, devicePixels.y() / devicePixelRatio,
                            (devicePixels.width()) / devicePixelRatio,
                            (devicePixels.height()) / devicePixelRatio)
                         .toAlignedRect();
    }
    scaled = QPixmap::fromImage(image);
    scaled.setDevicePixelRatio(devicePixelRatio);
}

void LuNeedleLayer::paint(QPainter &painter, const QSize &size, qreal devicePixelRatio,
                          qreal rotation)
{
    prepare(size, devicePixelRatio);
    if (scaled.isNull())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.setTransform(transform(size, rotation), true);
    painter.drawPixmap(0, 0, scaled);
    painter.restore();
}

void LuNeedleLayer::updateSweep(QWidget &widget, qreal fromRotation, qreal toRotation) const
{
    const QRect before = coveredRect(widget.size(), fromRotation);
    const QRect after = coveredRect(widget.size(), toRotation);
    if (before.isEmpty() || after.isEmpty())
        widget.update();
    else
        widget.update(QRegion(before) + after);
}

QRect LuNeedleLayer::coveredRect(const QSize &size, qreal rotation) const
{
    if (size != scaledSize || scaled.isNull())
        return QRect();
    return transform(size, rotation).mapRect(QRectF(opaqueRect)).toAlignedRect().adjusted(-2, -2, 2, 2);
}
