#pragma once

#include <QSlider>

// The playback position bar: a press jumps straight to the pressed place and reports it as a
// fraction of the bar's width.
class LuProgressSlider : public QSlider
{
    Q_OBJECT

public:
    explicit LuProgressSlider(QWidget *parent = nullptr);

signals:
    void posChangedSignal(double pos);

protected:
    void mousePressEvent(QMouseEvent *e) override;
};
