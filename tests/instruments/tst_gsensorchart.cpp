#include "lufileinfomodel.h"
#include "lugsensorwidget.h"

#include <QPainter>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {
using Series = QList<float>;

Series constant(int count, float value)
{
    return Series() << QVector<float>(count, value).toList();
}

QImage chart(const LuGsensorWidget &widget, const QSize &size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    widget.paintChart(painter, QRect(QPoint(0, 0), size));
    return image;
}

QImage rendered(LuGsensorWidget &widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The chart is drawn on a transparent background, so antialiasing changes only the alpha.
bool isX(const QColor &c) { return c.alpha() > 40 && c.red() > 200 && c.green() > 200 && c.blue() < 150; }
bool isY(const QColor &c) { return c.alpha() > 40 && c.green() > 150 && c.red() < 100; }
bool isZ(const QColor &c) { return c.alpha() > 40 && c.red() > 150 && c.green() < 120; }
bool isCursor(const QColor &c)
{
    return c.alpha() > 200 && c.blue() > 200 && c.red() < 100 && c.green() > 150 && c.green() < 200;
}

template<typename Predicate>
bool rowHas(const QImage &image, int y, int fromX, int toX, Predicate predicate)
{
    for (int x = qMax(0, fromX); x <= qMin(image.width() - 1, toX); ++x)
        if (predicate(image.pixelColor(x, y)))
            return true;
    return false;
}

template<typename Predicate>
bool columnHas(const QImage &image, int x, int fromY, int toY, Predicate predicate)
{
    for (int y = qMax(0, fromY); y <= qMin(image.height() - 1, toY); ++y)
        if (predicate(image.pixelColor(x, y)))
            return true;
    return false;
}
} // namespace

class TestGsensorChart : public QObject
{
    Q_OBJECT

private slots:
    void maximaOnlyGrow_data()
    {
        QTest::addColumn<QList<Series>>("recordings"); // x, y, z of each recording in turn
        QTest::addColumn<float>("fullScale");
        QTest::addColumn<float>("maxY");
        QTest::addColumn<float>("maxZ");
        QTest::newRow("one recording, largest on Z")
            << QList<Series>{{0.1f, -0.3f}, {0.2f, 0.25f}, {-1.5f, 1.0f}} << 1.5f << 0.25f << 1.5f;
        QTest::newRow("negative peaks count by size")
            << QList<Series>{{-2.0f}, {0.5f}, {-0.75f}} << 2.0f << 0.5f << 0.75f;
        QTest::newRow("quiet after rough keeps the rough scale")
            << QList<Series>{{2.0f, 0.0f}, {1.0f, 0.0f}, {0.5f, 0.0f},
                             {0.5f, 0.1f}, {0.2f, 0.1f}, {0.3f, 0.1f}}
            << 2.0f << 1.0f << 0.5f;
        QTest::newRow("rough after quiet raises the scale")
            << QList<Series>{{0.5f}, {0.1f}, {0.1f}, {0.2f}, {3.0f}, {0.1f}} << 3.0f << 3.0f << 0.1f;
        QTest::newRow("all zero") << QList<Series>{{0.0f, 0.0f}, {0.0f, 0.0f}, {0.0f, 0.0f}}
                                  << 0.0f << 0.0f << 0.0f;
        const float nan = std::numeric_limits<float>::quiet_NaN();
        const float inf = std::numeric_limits<float>::infinity();
        QTest::newRow("unmeasured samples ignored")
            << QList<Series>{{nan, 0.5f}, {inf, 0.25f}, {-inf, 0.0f}} << 0.5f << 0.25f << 0.0f;
    }

    void maximaOnlyGrow()
    {
        QFETCH(QList<Series>, recordings);
        QFETCH(float, fullScale);
        QFETCH(float, maxY);
        QFETCH(float, maxZ);
        LuGsensorWidget widget;
        for (int i = 0; i + 2 < recordings.size(); i += 3)
            widget.setSeries(recordings[i], recordings[i + 1], recordings[i + 2]);
        widget.clearSeries();
        QCOMPARE(widget.fullScale(), fullScale);
        QCOMPARE(widget.maxAbsY(), maxY);
        QCOMPARE(widget.maxAbsZ(), maxZ);
    }

    // A recording is taken only when it has G-sensor data; none lets go of what is held.
    void setTrackTakesOnlyRecordingsWithData()
    {
        LuGsensorWidget widget;
        LuFileInfoModel rough(QStringLiteral("a_A.MP4"), QStringLiteral("/nowhere/a_A.MP4"));
        rough.gsensorX = {1.0f, -2.0f};
        rough.gsensorY = {0.5f, 0.0f};
        rough.gsensorZ = {0.0f, 1.0f};
        rough.hasGsensor = true;
        LuFileInfoModel flat(QStringLiteral("b_A.MP4"), QStringLiteral("/nowhere/b_A.MP4"));
        flat.gsensorX = flat.gsensorY = flat.gsensorZ = {0.0f, 0.0f};

        widget.setTrack(&rough);
        QVERIFY(widget.hasSeries());
        QCOMPARE(widget.fullScale(), 2.0f);
        widget.setTrack(&flat);
        QVERIFY(widget.hasSeries()); // still the rough recording's curves
        QImage withRough(300, 60, QImage::Format_RGB32);
        QPainter painter(&withRough);
        widget.paintChart(painter, withRough.rect());
        painter.end();
        widget.setTrack(&rough);
        QImage again(300, 60, QImage::Format_RGB32);
        QPainter painter2(&again);
        widget.paintChart(painter2, again.rect());
        painter2.end();
        QCOMPARE(withRough, again);
        widget.setTrack(nullptr);
        QVERIFY(!widget.hasSeries());
    }

    void scrollKeepsCursorInside_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("scroll");
        QTest::addColumn<int>("cursorColumn");
        QTest::newRow("start") << 0 << 300 << 0 << 0;
        QTest::newRow("middle") << 50 << 300 << 0 << 200;
        QTest::newRow("last column before scrolling") << 74 << 300 << 0 << 296;
        QTest::newRow("exactly one width in") << 75 << 300 << 0 << 299;
        QTest::newRow("scrolled") << 90 << 300 << 60 << 299;
        QTest::newRow("narrow") << 99 << 120 << 276 << 119;
    }

    void scrollKeepsCursorInside()
    {
        QFETCH(int, index);
        QFETCH(int, width);
        QFETCH(int, scroll);
        QFETCH(int, cursorColumn);
        QCOMPARE(LuGsensorWidget::scrollFor(index, width), scroll);
        LuGsensorWidget widget;
        widget.setSeries(constant(100, 0), constant(100, 0), constant(100, 0));
        widget.setCurrentIndex(index);
        const QImage image = chart(widget, QSize(width, 60));
        // Away from the frame and from the flat curves on the middle line.
        for (int y : {5, 15, 45})
            QVERIFY2(isCursor(image.pixelColor(cursorColumn, y)), qPrintable(QString::number(y)));
        if (cursorColumn > 2)
            QVERIFY(!isCursor(image.pixelColor(cursorColumn - 2, 15)));
    }

    void fourPixelsPerSample_data()
    {
        QTest::addColumn<int>("peak");
        QTest::addColumn<int>("index");
        QTest::newRow("sample 5") << 5 << 0;
        QTest::newRow("sample 37") << 37 << 10;
        QTest::newRow("sample 120, scrolled by 200") << 120 << 125;
    }

    // A lone peak of full scale reaches the top row exactly at its sample's x.
    void fourPixelsPerSample()
    {
        QFETCH(int, peak);
        QFETCH(int, index);
        Series x = constant(200, 0);
        x[peak] = 1.5f;
        LuGsensorWidget widget;
        widget.setSeries(x, constant(200, 0), constant(200, 0));
        widget.setCurrentIndex(index);
        const int width = 300;
        const QImage image = chart(widget, QSize(width, 60));
        const int peakX = 4 * peak - LuGsensorWidget::scrollFor(index, width);
        QVERIFY(rowHas(image, 0, peakX - 1, peakX + 1, isX));
        QVERIFY(!rowHas(image, 0, 0, peakX - 3, isX));
        QVERIFY(!rowHas(image, 0, peakX + 3, width - 1, isX));
        // Half way up, the rising and falling edges are one sample to either side of the peak.
        QVERIFY(rowHas(image, 15, peakX - 3, peakX - 1, isX));
        QVERIFY(rowHas(image, 15, peakX + 1, peakX + 3, isX));
    }

    void fullScaleReachesTheEdges()
    {
        LuGsensorWidget widget;
        widget.setSeries(constant(50, 2.0f), constant(50, -2.0f), constant(50, 0.5f));
        const QImage image = chart(widget, QSize(200, 80));
        QVERIFY(rowHas(image, 0, 20, 180, isX));
        QVERIFY(rowHas(image, 79, 20, 180, isY));
        QVERIFY(columnHas(image, 100, 29, 30, isZ)); // 0.5 g of 2 g: a quarter up
    }

    void scaleStaysAfterQuieterRecording()
    {
        LuGsensorWidget widget;
        widget.setSeries(constant(10, 2.0f), constant(10, 0), constant(10, 0));
        widget.setSeries(constant(50, 0.5f), constant(50, 0), constant(50, 0));
        const QImage image = chart(widget, QSize(200, 80));
        QVERIFY(columnHas(image, 100, 29, 30, isX));
        QVERIFY(!rowHas(image, 0, 20, 180, isX));
    }

    void zeroScaleDrawsFlatCurves_data()
    {
        QTest::addColumn<int>("height");
        QTest::newRow("even height") << 60;
        QTest::newRow("odd height") << 61;
    }

    void zeroScaleDrawsFlatCurves()
    {
        QFETCH(int, height);
        LuGsensorWidget widget;
        widget.setSeries(constant(80, 0), constant(80, 0), constant(80, 0));
        // One curve at a time: overlapping curves blend their colours.
        widget.setShowX(false);
        widget.setShowZ(false);
        const QImage image = chart(widget, QSize(300, height));
        const int middle = height / 2;
        for (int x : {10, 100, 250})
            QVERIFY2(columnHas(image, x, middle - 1, middle, isY), qPrintable(QString::number(x)));
        QVERIFY(!columnHas(image, 100, 0, middle - 3, isY));
        QVERIFY(!columnHas(image, 100, middle + 3, height - 1, isY));
    }

    void showFlagsHideCurves_data()
    {
        QTest::addColumn<bool>("showX");
        QTest::addColumn<bool>("showY");
        QTest::addColumn<bool>("showZ");
        for (int flags = 0; flags < 8; ++flags)
            QTest::addRow("x%d y%d z%d", flags & 1, (flags >> 1) & 1, (flags >> 2) & 1)
                << bool(flags & 1) << bool(flags & 2) << bool(flags & 4);
    }

    void showFlagsHideCurves()
    {
        QFETCH(bool, showX);
        QFETCH(bool, showY);
        QFETCH(bool, showZ);
        LuGsensorWidget widget;
        widget.resize(200, 80);
        widget.setSeries(constant(60, 1.0f), constant(60, 0.5f), constant(60, -0.5f));
        rendered(widget); // builds the cached curves before the flags change
        widget.setShowX(showX);
        widget.setShowY(showY);
        widget.setShowZ(showZ);
        for (const QImage &image : {chart(widget, widget.size()), rendered(widget)}) {
            QCOMPARE(rowHas(image, 0, 20, 180, isX), showX);
            QCOMPARE(columnHas(image, 100, 19, 20, isY), showY);
            QCOMPARE(columnHas(image, 100, 59, 60, isZ), showZ);
        }
    }

    void nothingButFrameWithoutSeries()
    {
        LuGsensorWidget widget;
        widget.setCurrentIndex(20);
        QImage image = chart(widget, QSize(200, 80));
        QVERIFY(!columnHas(image, 80, 0, 79, isCursor));
        QVERIFY(image.pixelColor(100, 10).alpha() == 0);
        QVERIFY(image.pixelColor(100, 40).alpha() > 0); // middle line
        QVERIFY(image.pixelColor(0, 10).alpha() > 0);   // left line

        widget.setSeries(constant(40, 1.0f), constant(40, 1.0f), constant(40, 1.0f));
        widget.clearSeries();
        image = chart(widget, QSize(200, 80));
        QVERIFY(!rowHas(image, 0, 2, 199, isZ));
    }

    void singleSampleDrawsNoCurve()
    {
        LuGsensorWidget widget;
        widget.setSeries({1.0f}, {1.0f}, {1.0f});
        const QImage image = chart(widget, QSize(200, 80));
        QVERIFY(!rowHas(image, 0, 2, 199, isZ));
        QVERIFY(isCursor(image.pixelColor(0, 10)));
    }

    // The widget draws through its cache; it must match a full drawing after every change.
    void widgetMatchesFullDrawing()
    {
        Series x, y, z;
        for (int i = 0; i < 200; ++i) {
            x << std::sin(i * 0.2f);
            y << 0.5f * std::cos(i * 0.13f);
            z << ((i % 17) - 8) / 8.0f;
        }
        LuGsensorWidget widget;
        widget.resize(240, 70);
        widget.setSeries(x, y, z);
        for (int index : {0, 30, 59, 60, 61, 100, 100, 150, 10}) {
            widget.setCurrentIndex(index);
            QCOMPARE(rendered(widget), chart(widget, widget.size()));
        }
        widget.resize(300, 70);
        QCOMPARE(rendered(widget), chart(widget, widget.size()));
        widget.setSeries(z, x, y);
        QCOMPARE(rendered(widget), chart(widget, widget.size()));
    }
};

QTEST_MAIN(TestGsensorChart)
#include "tst_gsensorchart.moc"
