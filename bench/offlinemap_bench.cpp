// The offline map's streets from a large MBTiles file. Makes a synthetic file of about 1 GB
// (the same padded tile in every row, levels 10 to 16 over a block around Berlin) in a temporary
// folder, then times
//   - tiles read per second by one reader (random tiles of level 16, the thread's connection),
//   - tile requests answered per second through the scheme, by a page asking for them as images
//     64 at a time,
//   - the time from loading the offline page until a 10-minute route is drawn on the file's
//     streets (the route drawn and every tile in view loaded).
// The network is closed. Figures only, nothing asserted.
//
//   offlinemap_bench [megabytes]     default 1024
#include "mappagekit.h"
#include "mbtiles.h"
#include "processenvironment.h"
#include "tileaddress.h"
#include "tileschemehandler.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTextStream>

#include <cmath>

namespace {

constexpr double kLng = 13.405;
constexpr double kLat = 52.52;
constexpr int kTopZoom = 16;
constexpr int kLowZoom = 10;
constexpr int kTileBytes = 16000; // a street tile's usual size

double column(double lng, int z) { return (lng + 180.0) / 360.0 * std::ldexp(1.0, z); }
double row(double lat, int z)
{
    const double r = lat * M_PI / 180.0;
    return (1.0 - std::log(std::tan(r) + 1.0 / std::cos(r)) / M_PI) / 2.0 * std::ldexp(1.0, z);
}

// A real picture padded to a street tile's size; the picture decoder stops at its end.
QByteArray paddedTile()
{
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(QColor(200, 220, 200));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    bytes.append(QByteArray(qMax(0, kTileBytes - bytes.size()), '\0'));
    return bytes;
}

// The top level's block side for the size asked, each lower level covering the same block.
int blockSide(qint64 bytes)
{
    const double tiles = double(bytes) / kTileBytes / (4.0 / 3.0);
    return qMax(8, int(std::sqrt(tiles)));
}

bool makeFile(const QString &path, int side, qint64 *tiles)
{
    bool ok;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "make");
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery q(db);
        ok = ok && q.exec("PRAGMA journal_mode=OFF") && q.exec("PRAGMA synchronous=OFF");
        ok = ok && q.exec("CREATE TABLE metadata (name TEXT, value TEXT)");
        ok = ok && q.exec("CREATE TABLE tiles (zoom_level INTEGER, tile_column INTEGER, "
                          "tile_row INTEGER, tile_data BLOB)");
        ok = ok && q.exec("CREATE UNIQUE INDEX tile_index ON tiles (zoom_level, tile_column, tile_row)");
        ok = ok && q.exec(QStringLiteral("INSERT INTO metadata VALUES ('format','png'),"
                                         "('minzoom','%1'),('maxzoom','%2')")
                              .arg(kLowZoom)
                              .arg(kTopZoom));
        ok = ok && db.transaction();
        ok = ok && q.prepare("INSERT INTO tiles VALUES (?, ?, ?, ?)");
        const QByteArray data = paddedTile();
        *tiles = 0;
        for (int z = kTopZoom; z >= kLowZoom && ok; --z) {
            const int s = qMax(1, side >> (kTopZoom - z));
            const int c0 = int(column(kLng, z)) - s / 2, r0 = int(row(kLat, z)) - s / 2;
            for (int x = c0; x < c0 + s && ok; ++x)
                for (int y = r0; y < r0 + s && ok; ++y) {
                    q.addBindValue(z);
                    q.addBindValue(x);
                    q.addBindValue((1 << z) - 1 - y);
                    q.addBindValue(data);
                    ok = q.exec();
                    ++*tiles;
                }
        }
        ok = db.commit() && ok;
        db.close();
    }
    QSqlDatabase::removeDatabase("make");
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    prepareProcessEnvironment();
    registerTileScheme();
    QApplication app(argc, argv);
    QTextStream out(stdout);
    const qint64 megabytes = argc > 1 ? QByteArray(argv[1]).toLongLong() : 1024;
    QTemporaryDir dir;
    const QString path = dir.filePath("big.mbtiles");
    const int side = blockSide(megabytes << 20);
    qint64 tiles = 0;
    QElapsedTimer clock;
    clock.start();
    if (!makeFile(path, side, &tiles)) {
        out << "could not make the file\n";
        return 1;
    }
    out << QStringLiteral("file: %1 tiles, %2 MiB, made in %3 s\n")
               .arg(tiles)
               .arg(QFileInfo(path).size() >> 20)
               .arg(clock.elapsed() / 1000.0, 0, 'f', 1);

    // One reader, random tiles of the top level (warm page cache: the file was just written).
    {
        MbTilesReader reader(path);
        QRandomGenerator random(7);
        const int c0 = int(column(kLng, kTopZoom)) - side / 2, r0 = int(row(kLat, kTopZoom)) - side / 2;
        constexpr int kReads = 50000;
        qint64 bytes = 0;
        clock.restart();
        for (int i = 0; i < kReads; ++i)
            bytes += reader.tile(kTopZoom, c0 + random.bounded(side), r0 + random.bounded(side)).size();
        const double s = clock.nsecsElapsed() / 1e9;
        out << QStringLiteral("reader: %1 tiles/s (%2 MiB/s)\n")
                   .arg(kReads / s, 0, 'f', 0)
                   .arg(bytes / s / 1048576.0, 0, 'f', 0);
    }

    mapkit::MapPage map;
    TileSchemeHandler handler;
    map.page()->profile()->installUrlSchemeHandler(kTileScheme, &handler);
    const MbTilesInfo info = handler.setFile(path);
    map.view()->show();
    clock.restart();
    map.load(mapkit::pageUrl("solvaneos.html"));
    map.waitReady();

    // Through the scheme: the page asks for distinct tiles as images, 64 at a time.
    {
        constexpr int kRequests = 4000;
        const int c0 = int(column(kLng, kTopZoom)) - side / 2, r0 = int(row(kLat, kTopZoom)) - side / 2;
        const QString script = QStringLiteral(R"(
(function () {
  window.__done = 0; window.__failed = 0; window.__ms = 0;
  var next = 0, total = %1, side = %2, c0 = %3, r0 = %4, t0 = performance.now();
  function one() {
    if (next >= total) return;
    var i = next++, img = new Image();
    img.onload = img.onerror = function (e) {
      if (e.type === 'error') __failed++;
      if (++__done === total) __ms = performance.now() - t0; else one();
    };
    img.src = 'qmarl-tiles:/%5/' + (c0 + (i * 7919) % side) + '/' + (r0 + Math.floor(i / side) % side);
  }
  for (var k = 0; k < 64; ++k) one();
})())")
                                   .arg(kRequests)
                                   .arg(side)
                                   .arg(c0)
                                   .arg(r0)
                                   .arg(kTopZoom);
        map.js(script);
        QElapsedTimer wait;
        wait.start();
        while (map.js("__done").toInt() < kRequests && wait.elapsed() < 120000)
            QTest::qWait(20);
        const double ms = map.js("__ms").toDouble();
        out << QStringLiteral("scheme: %1 requests answered in %2 ms, %3 requests/s, %4 failed\n")
                   .arg(kRequests)
                   .arg(ms, 0, 'f', 0)
                   .arg(kRequests / (ms / 1000.0), 0, 'f', 0)
                   .arg(map.js("__failed").toInt());
    }

    // A 10-minute route (one point a second, about 8 km) on a fresh page, timed from the load.
    {
        QStringList points;
        double lng = kLng - 0.03, lat = kLat - 0.02, heading = 0.5;
        for (int t = 0; t < 600; ++t) {
            points << QStringLiteral("{lng:%1,lat:%2,t:%3,k:25}").arg(lng, 0, 'f', 6).arg(lat, 0, 'f', 6).arg(t);
            heading += 0.05 * std::sin(t / 30.0);
            lng += 0.00012 * std::sin(heading);
            lat += 0.00008 * std::cos(heading);
        }
        const QString offline = QStringLiteral("useOfflineTiles({minZoom:%1,maxZoom:%2})")
                                    .arg(info.minZoom)
                                    .arg(info.maxZoom);
        mapkit::MapPage fresh;
        fresh.page()->profile()->installUrlSchemeHandler(kTileScheme, &handler);
        fresh.view()->show();
        clock.restart();
        fresh.load(mapkit::pageUrl("solvaneos.html"));
        fresh.waitReady();
        fresh.js(offline + ";initGPSLine([" + points.join(',') + "], '#5298ff')");
        const double called = clock.nsecsElapsed() / 1e6;
        fresh.waitState([](const QJsonObject &s) {
            const QJsonObject o = s.value("offline").toObject();
            return s.value("linePoints").toInt() > 0 && o.value("loads").toInt() > 0 &&
                   !o.value("loading").toBool();
        }, 60000);
        const double drawn = clock.nsecsElapsed() / 1e6;
        out << QStringLiteral("10-minute route: page ready and route sent after %1 ms, drawn on "
                              "streets after %2 ms (zoom %3)\n")
                   .arg(called, 0, 'f', 0)
                   .arg(drawn, 0, 'f', 0)
                   .arg(fresh.state().value("view").toObject().value("zoom").toInt());
    }
    return 0;
}
