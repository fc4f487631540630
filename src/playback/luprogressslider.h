#pragma once

#include <QColor>
#include <QSlider>
#include <QVector>

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

signals:
    void posChangedSignal(double pos);

protected:
    void mousePressEvent(QMouseEvent *e) override;
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;

private:
    QVector<Mark> m_marks;
};
