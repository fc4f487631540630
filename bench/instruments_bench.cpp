// Paint time of the dials and the G-sensor chart at their sizes in the main window, with the
// value changing before each paint as it does during playback. Run by hand (offscreen is fine).
#include "lucampasslabel.h"
#include "lugpsspeedlabel.h"
#include "lugsensorwidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTextStream>
#include <QWindow>
#include <QtMath>

#include <algorithm>
#include <functional>

namespace {
// repaint() paints nothing until the window system has exposed the widget.
void showExposed(QWidget &widget)
{
    widget.show();
    QElapsedTimer clock;
    clock.start();
    while (!(widget.windowHandle() && widget.windowHandle()->isExposed()) && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

double medianMicroseconds(int runs, const std::function<void(int)> &step)
{
    QVector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        step(i);
        times << clock.nsecsElapsed() / 1e3;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen"
                                                                      : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    QLoggingCategory::setFilterRules(QStringLiteral("*.warning=false"));
    QTextStream out(stdout);
    constexpr int runs = 2000;

    LuGPSSpeedLabel speed;
    speed.resize(156, 156);
    showExposed(speed);
    const double speedUs = medianMicroseconds(runs, [&](int i) {
        speed.setAngle(float(i % 240));
        speed.repaint();
    });

    LuCampassLabel compass;
    compass.resize(110, 110);
    showExposed(compass);
    const double compassUs = medianMicroseconds(runs, [&](int i) {
        compass.setAngle(double((i * 7) % 360));
        compass.repaint();
    });

    LuGsensorWidget chart;
    chart.resize(632, 59);
    showExposed(chart);
    QList<float> x, y, z;
    for (int i = 0; i < 3600; ++i) {
        x << float(qSin(i / 30.0));
        y << float(qCos(i / 17.0)) * 0.5f;
        z << 1.0f + float(qSin(i / 7.0)) * 0.1f;
    }
    chart.setSeries(x, y, z);
    const double chartStillUs = medianMicroseconds(runs, [&](int i) {
        chart.setCurrentIndex(i % 150); // inside the first screen: no scrolling
        chart.repaint();
    });
    const double chartScrollUs = medianMicroseconds(runs, [&](int i) {
        chart.setCurrentIndex(200 + i); // every step scrolls
        chart.repaint();
    });

    out << "speedometer 156x156: median " << QString::number(speedUs, 'f', 1) << " us per paint\n"
        << "compass 110x110: median " << QString::number(compassUs, 'f', 1) << " us per paint\n"
        << "G-sensor chart 632x59, one-hour series, cursor moving without scrolling: median "
        << QString::number(chartStillUs, 'f', 1) << " us per paint\n"
        << "G-sensor chart 632x59, one-hour series, scrolling every step: median "
        << QString::number(chartScrollUs, 'f', 1) << " us per paint\n";
    return 0;
}
