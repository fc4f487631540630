// How long a map page takes to draw a one-hour route (3600 points, one per second, coloured by
// speed, with 20 driving events) sent the way the window sends it. "drawn": from the initGPSLine call until the answer of a state
// query run after it, which the page can only give once the call has drawn (round trip
// included). "painted": measured inside the page, from the call to the first task after the
// next frame. The network is closed for the pages (tiles fail), as on a machine without a
// connection.
//
//   maps_bench [runs]        default 15 runs per page; prints min, median and max in ms

#include "mappagekit.h"
#include "processenvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The route text as the window sends it: each point with its second and its speed in knots,
// here swinging between 10 and 70 km/h so the line changes colour often.
QString oneHourRoute()
{
    // A drive out of London's centre: about 14 m per second with gentle curves.
    QStringList points;
    points.reserve(3600);
    double lng = -0.1278, lat = 51.5074, heading = 0.6;
    for (int second = 0; second < 3600; ++second) {
        const double knots = 21.6 + 16.2 * std::sin(second / 25.0);
        points << QStringLiteral("{lng:%1,lat:%2,t:%3,k:%4}")
                      .arg(lng, 0, 'f', 6)
                      .arg(lat, 0, 'f', 6)
                      .arg(second)
                      .arg(knots, 0, 'f', 2);
        heading += 0.02 * std::sin(second / 40.0);
        lat += 0.000126 * std::cos(heading);
        lng += 0.000202 * std::sin(heading);
    }
    return QLatin1Char('[') + points.join(QLatin1Char(',')) + QLatin1Char(']');
}

QString mapOptions()
{
    QStringList events;
    for (int i = 0; i < 20; ++i)
        events << QStringLiteral("{t:%1,lead:%2,kind:'braking',text:'急刹车 62 → 18 km/h, 00:%3:00'}")
                      .arg(90 + i * 175)
                      .arg(85 + i * 175)
                      .arg(1 + i * 3, 2, 10, QLatin1Char('0'));
    return QStringLiteral("{scale:{unit:'km/h',factor:1.852,bands:[30,60,90,120]},events:[%1]}")
        .arg(events.join(QLatin1Char(',')));
}

bool measure(const QString &page, const QString &expectedKind, int runs, const QString &route)
{
    mapkit::MapPage map;
    map.view()->show();
    map.load(mapkit::pageUrl(page));
    const QString kind = map.waitReady().value(QLatin1String("kind")).toString();
    if (kind != expectedKind) {
        std::fprintf(stderr, "%s came up as '%s', not '%s'\n", qPrintable(page), qPrintable(kind),
                     qPrintable(expectedKind));
        return false;
    }
    const QString call = QStringLiteral("initGPSLine(%1, '#5298ff', %2)").arg(route, mapOptions());
    QVector<double> drawn, painted;
    for (int run = 0; run < runs + 1; ++run) {
        map.js(QStringLiteral("clearGPSLine(); window.__paintedMs = -1;"));
        QTest::qWait(50);
        QElapsedTimer clock;
        clock.start();
        map.page()->runJavaScript(call); // as the window does: no answer awaited
        // Queued behind the call, so its answer means the line and markers are in the page.
        const QJsonObject state = map.state();
        const double drawnMs = clock.nsecsElapsed() / 1e6;
        if (state.value(QLatin1String("linePoints")).toInt() != 3600 ||
            state.value(QLatin1String("events")).toArray().size() != 20) {
            std::fprintf(stderr, "%s drew %d points\n", qPrintable(page),
                         state.value(QLatin1String("linePoints")).toInt());
            return false;
        }
        // Timed inside the page: from the start of the call to the first task after the
        // next frame, i.e. with the route on screen.
        map.js(QStringLiteral("clearGPSLine(); (function () { var t0 = performance.now();"
                              " %1; requestAnimationFrame(function () { setTimeout(function () {"
                              " window.__paintedMs = performance.now() - t0; }, 0); }); })()")
                   .arg(call));
        double paintedMs = -1;
        while (paintedMs < 0 && clock.elapsed() < 10000) {
            QTest::qWait(5);
            paintedMs = map.js(QStringLiteral("window.__paintedMs")).toDouble();
        }
        if (run > 0) { // the first run warms the script engine up
            drawn << drawnMs;
            painted << paintedMs;
        }
    }
    for (auto *times : {&drawn, &painted})
        std::sort(times->begin(), times->end());
    std::printf("%-18s %-9s drawn:   min %6.1f  median %6.1f  max %6.1f ms\n", qPrintable(page),
                qPrintable(kind), drawn.first(), drawn.at(drawn.size() / 2), drawn.last());
    std::printf("%-18s %-9s painted: min %6.1f  median %6.1f  max %6.1f ms   (%d runs)\n",
                qPrintable(page), qPrintable(kind), painted.first(), painted.at(painted.size() / 2),
                painted.last(), int(painted.size()));
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    prepareProcessEnvironment();
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QString::fromLocal8Bit(argv[1]).toInt()) : 15;
    const QString route = oneHourRoute();
    std::printf("route text: %lld characters\n", static_cast<long long>(route.size()));
    bool ok = measure(QStringLiteral("solvaneos.html"), QStringLiteral("osm"), runs, route);
    ok = measure(QStringLiteral("solvanegg.html"), QStringLiteral("fallback"), runs, route) && ok;
    ok = measure(QStringLiteral("solvanebd.html"), QStringLiteral("fallback"), runs, route) && ok;
    return ok ? 0 : 1;
}
