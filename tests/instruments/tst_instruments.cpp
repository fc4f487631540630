#include "carsignalsrow.h"
#include "lucampasslabel.h"
#include "lugpsspeedlabel.h"
#include "lugsensorwidget.h"

#include <QPainter>
#include <QtTest>

#include <cmath>
#include <limits>

namespace {
QImage rendered(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// Pixel at distance r from the widget's centre (integer halves, as the needle turns) in the
// direction bearing, degrees clockwise from straight up.
QColor at(const QImage &image, qreal r, qreal bearing)
{
    const qreal a = qDegreesToRadians(bearing);
    const int x = qRound(image.width() / 2 + r * std::sin(a));
    const int y = qRound(image.height() / 2 - r * std::cos(a));
    return image.pixelColor(x, y);
}

// The ticks are thin and antialiased: look at the pixels around the point as well.
template<typename Predicate>
bool near(const QImage &image, qreal r, qreal bearing, Predicate predicate)
{
    const qreal a = qDegreesToRadians(bearing);
    const int x = qRound(image.width() / 2 + r * std::sin(a));
    const int y = qRound(image.height() / 2 - r * std::cos(a));
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (predicate(image.pixelColor(x + dx, y + dy)))
                return true;
    return false;
}

bool isAccent(const QColor &c)
{
    return c.alpha() > 100 && c.blue() > c.red() + 100;
}
bool isNorth(const QColor &c)
{
    return c.alpha() > 100 && c.red() > 150 && c.green() < 110;
}
bool isLight(const QColor &c)
{
    return c.alpha() > 100 && c.red() > 150 && c.green() > 150 && c.blue() > 150;
}

// The needle picture points at 0 here, and the dial scale starts here.
constexpr qreal speedZeroBearing = 225;

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

// The dials (speedometer, compass) and the G-sensor chart, painted.
class TestInstruments : public QObject
{
    Q_OBJECT

private slots:
    void speedNeedle_data()
    {
        QTest::addColumn<float>("speed");
        QTest::addColumn<int>("side");
        QTest::newRow("0") << 0.0f << 156;
        QTest::newRow("full scale") << 270.0f << 156;
        QTest::newRow("larger widget") << 92.0f << 200;
        QTest::newRow("smaller widget") << 30.0f << 100;
    }

    void speedNeedle()
    {
        QFETCH(float, speed);
        QFETCH(int, side);
        LuGPSSpeedLabel label;
        label.resize(side, side);
        label.setAngle(speed);
        QCOMPARE(label.currentAngle(), speed);
        const QImage image = rendered(label);
        const qreal scale = side / 156.0;
        const qreal bearing = speedZeroBearing + speed;
        for (qreal r : {25.0, 40.0, 55.0})
            QVERIFY2(isAccent(at(image, r * scale, bearing)), qPrintable(QString::number(r)));
        QCOMPARE(at(image, 40 * scale, bearing + 90).alpha(), 0);
        QCOMPARE(at(image, 40 * scale, bearing - 90).alpha(), 0);
        // The needle ends where the dial's ticks begin, also once rescaled.
        QCOMPARE(at(image, 70 * scale, bearing).alpha(), 0);
    }

    // One unit of speed is one degree: the dial's major ticks sit every 30 units from the
    // direction the unturned needle points in.
    void speedScaleMatchesNeedle()
    {
        const QImage ring = QImage(QStringLiteral(":/images/images/icon_meter_ring.png"))
                                .convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(ring.size(), QSize(156, 156));
        for (int speed = 0; speed <= 270; speed += 30) {
            QVERIFY2(near(ring, 62, speedZeroBearing + speed, isLight),
                     qPrintable(QString::number(speed)));
            QVERIFY2(!near(ring, 62, speedZeroBearing + speed + 5, isLight),
                     qPrintable(QString::number(speed)));
        }
        QVERIFY(!near(ring, 62, speedZeroBearing - 30, isLight));
    }

    void compassNeedle_data()
    {
        QTest::addColumn<double>("course");
        QTest::newRow("north") << 0.0;
        QTest::newRow("east") << 90.0;
        QTest::newRow("fraction") << 123.4;
    }

    // The needle shows where north lies seen from the car, whose heading is the ring's top:
    // course 90 puts north on the left.
    void compassNeedle()
    {
        QFETCH(double, course);
        LuCampassLabel label;
        label.resize(110, 110);
        label.setAngle(course);
        QCOMPARE(label.currentAngle(), course);
        const QImage image = rendered(label);
        const qreal north = -course;
        for (qreal r : {12.0, 22.0, 30.0}) {
            QVERIFY2(isNorth(at(image, r, north)), qPrintable(QString::number(r)));
            QVERIFY2(isLight(at(image, r, north + 180)), qPrintable(QString::number(r)));
        }
        QCOMPARE(at(image, 25, north + 90).alpha(), 0);
    }

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

    // The car's signals row at a frame: words, lamps and arrows as the frame says, lit in colour.
    void carSignalsRow_data()
    {
        QTest::addColumn<int>("gear"); // CarGear
        QTest::addColumn<int>("assist"); // CarAssist
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("brake");
        QTest::addColumn<QString>("gearText");
        QTest::addColumn<QString>("assistText");
        QTest::newRow("park, nothing lit") << int(CarGear::Park) << int(CarAssist::None) << false
                                           << false << false << "P" << "";
        QTest::newRow("drive, self-driving, left") << int(CarGear::Drive) << int(CarAssist::SelfDriving)
                                                   << true << false << false << "D" << "Self-driving";
        QTest::newRow("reverse, autosteer, right") << int(CarGear::Reverse) << int(CarAssist::Autosteer)
                                                   << false << true << false << "R" << "Autosteer";
        QTest::newRow("neutral, TACC, brake") << int(CarGear::Neutral) << int(CarAssist::Tacc)
                                              << false << false << true << "N" << "TACC";
        QTest::newRow("unknown values, both blinkers, brake")
            << int(CarGear::Unknown) << int(CarAssist::Unknown) << true << true << true << ""
            << "";
    }

    void carSignalsRow()
    {
        QFETCH(int, gear);
        QFETCH(int, assist);
        QFETCH(bool, left);
        QFETCH(bool, right);
        QFETCH(bool, brake);
        QFETCH(QString, gearText);
        QFETCH(QString, assistText);
        CarSignalsRow row;
        row.resize(row.sizeHint());
        CarSignalFrame frame;
        frame.gear = CarGear(gear);
        frame.assist = CarAssist(assist);
        frame.blinkerLeft = left;
        frame.blinkerRight = right;
        frame.brake = brake;
        frame.pedal = 0.5f;
        frame.steeringDeg = -12.4f;
        row.setFrame(frame);
        QCOMPARE(row.gearText(), gearText);
        QCOMPARE(row.assistText(), assistText);
        QCOMPARE(row.leftLit(), left);
        QCOMPARE(row.rightLit(), right);
        QCOMPARE(row.brakeLit(), brake);
        QCOMPARE(row.pedal(), 0.5);
        QCOMPARE(row.steeringText(), QStringLiteral("-12°"));
        const QImage image = rendered(row);
        const auto colourAt = [&image, &row](CarSignalsRow::Part part, qreal dx) {
            const QRect r = row.partRect(part);
            return image.pixelColor(r.left() + int(r.width() * dx), r.center().y());
        };
        const auto green = [](const QColor &c) { return c.green() > 150 && c.red() < 120; };
        const auto red = [](const QColor &c) { return c.red() > 180 && c.green() < 100; };
        // Arrow bodies at their middle; the brake lamp near its left edge, beside the word.
        QCOMPARE(green(colourAt(CarSignalsRow::LeftBlinker, 0.55)), left);
        QCOMPARE(green(colourAt(CarSignalsRow::RightBlinker, 0.45)), right);
        QCOMPARE(red(colourAt(CarSignalsRow::Brake, 0.06)), brake);
        // The pedal's bar is filled to half: green at a quarter, not at three quarters.
        QVERIFY(green(colourAt(CarSignalsRow::Pedal, 0.25)));
        QVERIFY(!green(colourAt(CarSignalsRow::Pedal, 0.75)));
        // Without a frame nothing is lit and no word is shown.
        row.clear();
        QVERIFY(!row.hasFrame() && row.gearText().isEmpty() && row.steeringText().isEmpty());
        const QImage cleared = rendered(row);
        QVERIFY(!green(cleared.pixelColor(row.partRect(CarSignalsRow::LeftBlinker).center())));
        QVERIFY(!red(cleared.pixelColor(row.partRect(CarSignalsRow::Brake).left() + 3,
                                        row.partRect(CarSignalsRow::Brake).center().y())));
    }
};

QTEST_MAIN(TestInstruments)
#include "tst_instruments.moc"
