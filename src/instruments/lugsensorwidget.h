#pragma once

#include <QList>
#include <QPixmap>
#include <QWidget>

class LuFileInfoModel;

// Strip chart of the three acceleration series (X, Y, Z, in g) of the open recording, four
// pixels per sample, with a vertical cursor at the sample being played. Once the cursor would
// leave the right edge the chart scrolls so the cursor stays there.
//
// The full scale is the largest absolute value of any axis seen by this widget; it only grows,
// so a quiet recording after a rough one is drawn against the rough one's scale.
class LuGsensorWidget : public QWidget
{
    Q_OBJECT

public:
    explicit LuGsensorWidget(QWidget *parent = nullptr);

    // Takes the recording's acceleration series: a null recording lets go of the series, one
    // without G-sensor data leaves the chart with what it holds.
    void setTrack(const LuFileInfoModel *recording);

    // Holds the series of a recording (the lists have one entry per track sample) and raises
    // the maxima. The chart draws nothing until series are held.
    void setSeries(const QList<float> &x, const QList<float> &y, const QList<float> &z);
    // Lets go of the series: the chart shows only its frame. The maxima stay.
    void clearSeries();
    bool hasSeries() const { return holdsSeries; }

    void setCurrentIndex(int index);
    int currentIndex() const { return cursorIndex; }

    void setShowX(bool show);
    void setShowY(bool show);
    void setShowZ(bool show);
    bool isShowingX() const { return showX; }
    bool isShowingY() const { return showY; }
    bool isShowingZ() const { return showZ; }

    float fullScale() const { return maxX; }
    float maxAbsY() const { return maxY; }
    float maxAbsZ() const { return maxZ; }

    static constexpr int pixelsPerSample = 4;
    // Pixels the chart is shifted left by so that the cursor at index stays inside width.
    static int scrollFor(int index, int width);
    // Horizontal centre of the cursor line.
    static qreal cursorX(int index, int width);

    // Draws the whole chart (frame, curves, cursor) for a chart of rect's size at rect's
    // top left.
    void paintChart(QPainter &painter, const QRect &rect) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void drawFrameAndCurves(QPainter &painter, const QSize &size, int scroll) const;
    void drawCursor(QPainter &painter, const QSize &size) const;
    QRect cursorRect(int index) const;
    void invalidateCurves();

    bool holdsSeries = false;
    QList<float> seriesX;
    QList<float> seriesY;
    QList<float> seriesZ;
    int cursorIndex = 0;
    bool showX = true;
    bool showY = true;
    bool showZ = true;
    float maxX = 0; // largest absolute X, then raised to the other axes: the full scale
    float maxY = 0;
    float maxZ = 0;

    // Frame and curves for one scroll position; the cursor is drawn over it.
    QPixmap curvesCache;
    int curvesCacheScroll = -1;
};
