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
        QTest::newRow("quiet after rough keeps the rough scale")
            << QList<Series>{{2.0f, 0.0f}, {1.0f, 0.0f}, {0.5f, 0.0f},
                             {0.5f, 0.1f}, {0.2f, 0.1f}, {0.3f, 0.1f}}
            << 2.0f << 1.0f << 0.5f;
        QTest::newRow("a larger Y or Z sets the full scale")
            << QList<Series>{{0.5f}, {-1.0f}, {-1.5f}} << 1.5f << 1.0f << 1.5f;
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

    void scrollKeepsCursorInside_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("scroll");
        QTest::addColumn<int>("cursorColumn");
        QTest::newRow("middle") << 50 << 300 << 0 << 200;
        QTest::newRow("exactly one width in") << 75 << 300 << 0 << 299;
        QTest::newRow("scrolled") << 90 << 300 << 60 << 299;
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
        for (int index : {0, 59, 61, 100, 100, 10}) {
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
