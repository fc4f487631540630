#include "lucampasslabel.h"
#include "lugpsspeedlabel.h"

#include <QPainter>
#include <QtTest>

#include <cmath>

namespace {
QImage render(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_ARGB32);
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
} // namespace

class TestDials : public QObject
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
        const QImage image = render(label);
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
        const QImage image = render(label);
        const qreal north = -course;
        for (qreal r : {12.0, 22.0, 30.0}) {
            QVERIFY2(isNorth(at(image, r, north)), qPrintable(QString::number(r)));
            QVERIFY2(isLight(at(image, r, north + 180)), qPrintable(QString::number(r)));
        }
        QCOMPARE(at(image, 25, north + 90).alpha(), 0);
    }
};

QTEST_MAIN(TestDials)
#include "tst_dials.moc"
