#pragma once

#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>

class QPainter;
class QWidget;

// The moving part of a dial: a needle picture drawn over the whole widget, turned about the
// widget's centre. The picture is scaled once per widget size and pixel ratio, not per paint,
// and the area it covers is known so that a new angle repaints only what the needle sweeps.
class LuNeedleLayer
{
public:
    explicit LuNeedleLayer(const QString &imagePath);

    // rotation: degrees, clockwise on the screen.
    void paint(QPainter &painter, const QSize &size, qreal devicePixelRatio, qreal rotation);

    // Widget area the needle covers at the given rotation, widened for antialiasing; empty
    // before the first paint (the caller then repaints everything).
    QRect coveredRect(const QSize &size, qreal rotation) const;

    // Has widget repaint what the needle sweeps turning from one rotation to the other (all of
    // it when the needle has not been drawn at this size yet).
    void updateSweep(QWidget &widget, qreal fromRotation, qreal toRotation) const;

    // Turn about (width / 2, height / 2) in whole pixels.
    static QTransform transform(const QSize &size, qreal rotation);

private:
    void prepare(const QSize &size, qreal devicePixelRatio);

    QString path;
    QPixmap scaled;
    QSize scaledSize;
    qreal scaledRatio = 0;
    QRect opaqueRect; // in widget coordinates, unrotated
};
