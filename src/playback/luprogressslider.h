#pragma once

#include <QColor>
#include <QSlider>
#include <QVector>

class QPainter;

// The playback position bar: a press jumps straight to the pressed place and reports it as a
// fraction of the bar's width. Marks (the recording's driving events) are drawn as ticks over
// the groove; hovering one shows its text.
class LuProgressSlider : public QSlider
{
    Q_OBJECT

public:
    struct Mark
    {
        int value = 0; // in the slider's range (seconds)
        QColor colour;
        QString text;
    };

    explicit LuProgressSlider(QWidget *parent = nullptr);

    void setMarks(const QVector<Mark> &marks);
    const QVector<Mark> &marks() const { return m_marks; }
    // Where a value's tick is drawn, in the slider's coordinates (the handle's centre there).
    int markX(int value) const;
    // The clip's in- and out-point in the slider's range, -1 where not set; drawn as a band
    // under the ticks (from the start or to the end when only one is set).
    void setClipRange(int in, int out);
    int clipIn() const { return m_clipIn; }
    int clipOut() const { return m_clipOut; }

signals:
    void posChangedSignal(double pos);

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    void paintClipRange(QPainter &painter) const;

    QVector<Mark> m_marks;
    int m_clipIn = -1;
    int m_clipOut = -1;
};
