#pragma once

#include "carsignals.h"

#include <QPixmap>
#include <QWidget>

// A compact row of the car's own signals beside the dials: gear, brake lamp, left and right
// blinker arrows, driver-assistance state, accelerator pedal bar and steering wheel with its
// angle. The unlit parts are drawn once into a cached picture; a new frame repaints only the
// parts whose look changes.
class CarSignalsRow : public QWidget
{
    Q_OBJECT

public:
    // The parts, left to right.
    enum Part
    {
        Gear,
        Brake,
        LeftBlinker,
        RightBlinker,
        Assist,
        Pedal,
        Steering,
        PartCount
    };

    explicit CarSignalsRow(QWidget *parent = nullptr);

    // The frame to show; clear() shows nothing lit and no gear.
    void setFrame(const CarSignalFrame &frame);
    void clear();

    bool hasFrame() const { return m_hasFrame; }
    QString gearText() const;
    QString assistText() const;
    bool brakeLit() const { return m_hasFrame && m_frame.brake; }
    bool leftLit() const { return m_hasFrame && m_frame.blinkerLeft; }
    bool rightLit() const { return m_hasFrame && m_frame.blinkerRight; }
    double pedal() const { return m_hasFrame ? double(m_frame.pedal) : 0.0; }
    // Whole degrees as shown, "-12°"; empty without a frame.
    QString steeringText() const;

    // Where a part lies in the widget.
    QRect partRect(Part part) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void paintStatic(QPainter &painter) const;
    void paintPart(QPainter &painter, Part part) const;
    // Whether a part looks different showing frame a or b.
    bool differs(Part part, bool hadA, const CarSignalFrame &a, bool hasB,
                 const CarSignalFrame &b) const;

    CarSignalFrame m_frame;
    bool m_hasFrame = false;
    QPixmap m_static; // the unlit row at the screen's pixel ratio
};
