// The whole archive on the map: 1,000 and 10,000 simplified routes of one-minute recordings
// sent to the OpenStreetMap page in one call, the way the window sends them. "script": building
// the call's text; "drawn": from the call until the answer of a state query run after it (the
// page answers only once the call has drawn). The network is closed (tiles fail).
//
//   archivemap_bench [points per route] [runs]     default 12 points, 5 runs
#include "archivetypes.h"
#include "mappagekit.h"
#include "mapview.h"
#include "processenvironment.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {
// Routes scattered over a city 20 km across, each a minute's wiggling drive.
QVector<ArchiveRoute> archiveMapRoutes(int count, int points)
{
    QVector<ArchiveRoute> routes(count);
    for (int r = 0; r < count; ++r) {
        double lon = 11.45 + 0.25 * std::fmod(r * 0.618034, 1.0);
        double lat = 48.05 + 0.18 * std::fmod(r * 0.414214, 1.0);
        double heading = r * 0.7;
        routes[r].recordingId = r + 1;
        for (int p = 0; p < points; ++p) {
            routes[r].points.append(QPointF(lon, lat));
            heading += 0.4 * std::sin(p + r);
            lon += 0.0011 * std::sin(heading);
            lat += 0.0007 * std::cos(heading);
        }
    }
    return routes;
}

double archiveMapMedian(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    prepareProcessEnvironment();
    QApplication app(argc, argv);
    const int points = argc > 1 ? std::max(2, QString::fromLocal8Bit(argv[1]).toInt()) : 12;
    const int runs = argc > 2 ? std::max(1, QString::fromLocal8Bit(argv[2]).toInt()) : 5;
    QTextStream out(stdout);
    mapkit::MapPage page;
    page.view()->show();
    page.load(mapkit::pageUrl(QStringLiteral("solvaneos.html")));
    if (page.waitReady().value(QLatin1String("kind")).toString() != QLatin1String("osm")) {
        out << "the page did not come up\n";
        return 1;
    }
    for (int count : {1000, 10000}) {
        const QVector<ArchiveRoute> routes = archiveMapRoutes(count, points);
        QVector<double> scriptMs, drawnMs;
        int shown = 0;
        for (int run = 0; run < runs; ++run) {
            page.js(QStringLiteral("showArchive([])"));
            QElapsedTimer clock;
            clock.start();
            const QString script = MapView::archiveScript(routes);
            scriptMs << clock.nsecsElapsed() / 1e6;
            page.page()->runJavaScript(script);
            shown = page.js(QStringLiteral("qmarlMapState().archiveRoutes"), 60000).toInt();
            drawnMs << clock.nsecsElapsed() / 1e6;
        }
        out << QStringLiteral("%1 routes of %2 points (%3 routes drawn): script %4 ms, drawn %5 ms"
                              " (median of %6; text %7 MB)\n")
                   .arg(count)
                   .arg(points)
                   .arg(shown)
                   .arg(archiveMapMedian(scriptMs), 0, 'f', 1)
                   .arg(archiveMapMedian(drawnMs), 0, 'f', 1)
                   .arg(runs)
                   .arg(MapView::archiveScript(routes).size() / 1e6, 0, 'f', 1);
        out.flush();
    }
    return 0;
}
