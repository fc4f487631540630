// The offline map page in a real web view, the network closed, its streets from an MBTiles file
// made here and served through the tile scheme.

#include "mappagekit.h"
#include "mbtilesfixture.h"
#include "processenvironment.h"
#include "tileaddress.h"
#include "tileschemehandler.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using mapkit::MapPage;

namespace {

constexpr double kLng = 13.405;
constexpr double kLat = 52.52;
constexpr int kRadius = 2;
const QColor kPlane(0xe9, 0xe6, 0xdf);
const QColor kRoute(0x52, 0x98, 0xff);

bool close(const QColor &a, const QColor &b, int tolerance = 8)
{
    return qAbs(a.red() - b.red()) <= tolerance && qAbs(a.green() - b.green()) <= tolerance &&
           qAbs(a.blue() - b.blue()) <= tolerance;
}

QString describe(const QColor &c)
{
    return QStringLiteral("(%1, %2, %3)").arg(c.red()).arg(c.green()).arg(c.blue());
}

// The window's call for a file (MapView::offlineTilesScript gives the same).
QString offlineCall(const MbTilesInfo &info, int version = 1)
{
    return QStringLiteral("useOfflineTiles({minZoom:%1,maxZoom:%2,west:%3,south:%4,east:%5,north:%6,version:%7})")
        .arg(info.minZoom)
        .arg(info.maxZoom)
        .arg(info.west, 0, 'f', 8)
        .arg(info.south, 0, 'f', 8)
        .arg(info.east, 0, 'f', 8)
        .arg(info.north, 0, 'f', 8)
        .arg(version);
}

// Where a point of a tile lies, in degrees: tile pixel (px, py) of the centre tile at zoom.
QPointF placeOf(int zoom, double px, double py)
{
    const int c = int(tilefixture::columnOf(kLng, zoom)), r = int(tilefixture::rowOf(kLat, zoom));
    return {tilefixture::lngOf(c + px / tilefixture::kTileSize, zoom),
            tilefixture::latOf(r + py / tilefixture::kTileSize, zoom)};
}

} // namespace

class TestOfflineMapPage : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_file;

    // The page with the file's streets; false when it did not come up.
    bool open(MapPage &map, TileSchemeHandler &handler)
    {
        map.page()->profile()->installUrlSchemeHandler(kTileScheme, &handler);
        if (!handler.setFile(m_file).ok)
            return false;
        map.view()->show();
        map.load(mapkit::pageUrl("solvaneos.html"));
        if (map.waitReady().value("kind").toString() != QLatin1String("osm"))
            return false;
        map.js(offlineCall(handler.info()));
        return map.state().value("offline").toObject().value("maxNativeZoom").toInt() == 14;
    }

    // Shows the place at the zoom and waits until the file's tiles there have loaded.
    static void showAt(MapPage &map, const QPointF &place, int zoom)
    {
        const int loads = map.state().value("offline").toObject().value("loads").toInt();
        map.js(QStringLiteral("qmarlSetView(%1, %2, %3)").arg(place.y(), 0, 'f', 9).arg(place.x(), 0, 'f', 9).arg(zoom));
        const QJsonObject s = map.waitState([loads](const QJsonObject &state) {
            const QJsonObject o = state.value("offline").toObject();
            return o.value("loads").toInt() > loads && !o.value("loading").toBool();
        });
        QVERIFY2(s.value("offline").toObject().value("loads").toInt() > loads,
                 "the file's tiles never loaded");
    }

    static QPoint pixelAt(MapPage &map, const QPointF &place)
    {
        const QVariantMap p = map.js(QStringLiteral("qmarlPixelAt(%1, %2)")
                                         .arg(place.y(), 0, 'f', 9)
                                         .arg(place.x(), 0, 'f', 9))
                                  .toMap();
        return {qRound(p.value("x").toDouble()), qRound(p.value("y").toDouble())};
    }

    static QColor colourAt(MapPage &map, const QPoint &pixel)
    {
        return map.view()->grab().toImage().pixelColor(pixel);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_file = m_dir.filePath("streets.mbtiles");
        QVERIFY(tilefixture::writeMbTiles(m_file, {13, 14}, kLng, kLat, kRadius));
    }

    // The view's zoom, the file's level that draws it (scaled beyond the file's range).
    void tilesUnderTheRoute_data()
    {
        QTest::addColumn<int>("zoom");
        QTest::addColumn<int>("native");
        QTest::newRow("13, the file's lowest") << 13 << 13;
        QTest::newRow("14, the file's highest") << 14 << 14;
        QTest::newRow("16: 14 scaled up") << 16 << 14;
        QTest::newRow("12: 13 scaled down") << 12 << 13;
    }

    void tilesUnderTheRoute()
    {
        QFETCH(int, zoom);
        QFETCH(int, native);
        MapPage map;
        TileSchemeHandler handler;
        QVERIFY(open(map, handler));
        // A route across the centre tile, below its mark.
        const double markMiddle = (tilefixture::kMarkFrom + tilefixture::kMarkTo) / 2.0;
        QStringList points;
        for (int i = 0; i < 5; ++i) {
            const QPointF p = placeOf(native, markMiddle - 20 + i * 20, markMiddle + 60);
            points << QStringLiteral("{lng:%1,lat:%2,t:%3,k:20}").arg(p.x(), 0, 'f', 9).arg(p.y(), 0, 'f', 9).arg(i);
        }
        map.js("initGPSLine([" + points.join(',') + "], '#5298ff')");
        const QPointF mark = placeOf(native, markMiddle, markMiddle);
        showAt(map, mark, zoom);

        const double scale = std::ldexp(1.0, zoom - native);
        const QPoint markPixel = pixelAt(map, mark);
        const QPoint tilePixel = pixelAt(map, placeOf(native, markMiddle + 80, markMiddle));
        QCOMPARE(tilePixel.x() - markPixel.x(), qRound(80 * scale));
        QVERIFY(QRect(QPoint(0, 0), map.view()->size()).contains(tilePixel));
        const QColor tile = tilefixture::colourOf(native);
        QTRY_VERIFY2_WITH_TIMEOUT(close(colourAt(map, tilePixel), tile),
                                  qPrintable(describe(colourAt(map, tilePixel))), 10000);
        // Near black: a scaled tile blends its mark's pixels a little.
        QVERIFY2(close(colourAt(map, markPixel), Qt::black, 24),
                 qPrintable(describe(colourAt(map, markPixel))));

        // The route lies over the tiles.
        const QVariantMap sample = map.js("qmarlSamplePixel(2)").toMap();
        const QPoint on(qRound(sample.value("x").toDouble()), qRound(sample.value("y").toDouble()));
        const QColor over = colourAt(map, on);
        QVERIFY2(!close(over, tile, 30) && over.blue() > 200, qPrintable(describe(over)));
        QVERIFY2(close(colourAt(map, on + QPoint(0, 12)), tile),
                 qPrintable(describe(colourAt(map, on + QPoint(0, 12)))));
    }

    // Past the file's east edge the map keeps its plain plane.
    void planeOutsideTheBounds()
    {
        MapPage map;
        TileSchemeHandler handler;
        QVERIFY(open(map, handler));
        const int c = int(tilefixture::columnOf(kLng, 14)), r = int(tilefixture::rowOf(kLat, 14));
        const QPointF edge(tilefixture::lngOf(c + kRadius + 1, 14), tilefixture::latOf(r + 0.5, 14));
        showAt(map, edge, 14);
        const QPoint at = pixelAt(map, edge);
        const QPoint inside = at - QPoint(100, 0), outside = at + QPoint(100, 0);
        QTRY_VERIFY2_WITH_TIMEOUT(close(colourAt(map, inside), tilefixture::colourOf(14)),
                                  qPrintable(describe(colourAt(map, inside))), 10000);
        QVERIFY2(close(colourAt(map, outside), kPlane), qPrintable(describe(colourAt(map, outside))));
    }

    // What the page may ask of the scheme: tiles of the file, nothing else.
    void schemeAnswers_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("outcome");
        const int c = int(tilefixture::columnOf(kLng, 14)), r = int(tilefixture::rowOf(kLat, 14));
        QTest::newRow("a tile of the file")
            << QStringLiteral("qmarl-tiles:/14/%1/%2").arg(c).arg(r) << "load";
        QTest::newRow("a tile the file lacks")
            << QStringLiteral("qmarl-tiles:/14/%1/%2").arg(c + 5).arg(r) << "error";
        QTest::newRow("a level the file lacks") << "qmarl-tiles:/3/1/1" << "error";
        QTest::newRow("outside its level") << "qmarl-tiles:/1/2/0" << "error";
        QTest::newRow("too few parts") << "qmarl-tiles:/14/1" << "error";
        QTest::newRow("extension") << QStringLiteral("qmarl-tiles:/14/%1/%2.png").arg(c).arg(r) << "error";
        QTest::newRow("query") << QStringLiteral("qmarl-tiles:/14/%1/%2?x=1").arg(c).arg(r) << "error";
        QTest::newRow("the file's version")
            << QStringLiteral("qmarl-tiles:/14/%1/%2?v=7").arg(c).arg(r) << "load";
        QTest::newRow("a version and more")
            << QStringLiteral("qmarl-tiles:/14/%1/%2?v=7&x=1").arg(c).arg(r) << "error";
        QTest::newRow("SQL in the path") << "qmarl-tiles:/14/1/1%20OR%201=1" << "error";
        QTest::newRow("the metadata") << "qmarl-tiles:/metadata" << "error";
        QTest::newRow("a file path") << "qmarl-tiles:/etc/passwd" << "error";
    }

    void schemeAnswers()
    {
        QFETCH(QString, url);
        QFETCH(QString, outcome);
        MapPage map;
        TileSchemeHandler handler;
        QVERIFY(open(map, handler));
        map.js(QStringLiteral("window.__tile = 'waiting'; var i = new Image();"
                              "i.onload = function () { __tile = 'load'; };"
                              "i.onerror = function () { __tile = 'error'; };"
                              "i.src = %1;")
                   .arg(QString::fromUtf8(QJsonDocument(QJsonArray{url}).toJson(QJsonDocument::Compact)).mid(1).chopped(1)));
        QTRY_VERIFY_WITH_TIMEOUT(map.js("__tile").toString() != QLatin1String("waiting"), 10000);
        QCOMPARE(map.js("__tile").toString(), outcome);
    }

    // Another file chosen, the page loaded again as the window does: the same tile addresses
    // show the new file's streets, none kept from the old one.
    void anotherFileShowsItsOwnStreets()
    {
        const QString other = m_dir.filePath("other.mbtiles");
        QVERIFY(tilefixture::writeMbTiles(other, {13, 14}, kLng, kLat, kRadius, true, 1));
        QVERIFY(tilefixture::colourOf(15) != tilefixture::colourOf(14));
        MapPage map;
        TileSchemeHandler handler;
        QVERIFY(open(map, handler));
        const double markMiddle = (tilefixture::kMarkFrom + tilefixture::kMarkTo) / 2.0;
        const QPointF place = placeOf(14, markMiddle + 80, markMiddle);
        showAt(map, place, 14);
        QTRY_VERIFY2_WITH_TIMEOUT(
            close(colourAt(map, pixelAt(map, place)), tilefixture::colourOf(14)),
            qPrintable(describe(colourAt(map, pixelAt(map, place)))), 10000);

        QVERIFY(handler.setFile(other).ok);
        QSignalSpy loaded(map.page(), &QWebEnginePage::loadFinished);
        map.load(mapkit::pageUrl("solvaneos.html"));
        QVERIFY(loaded.wait(20000));
        QCOMPARE(map.waitReady().value("kind").toString(), QStringLiteral("osm"));
        map.js(offlineCall(handler.info(), 2));
        showAt(map, place, 14);
        QTRY_VERIFY2_WITH_TIMEOUT(
            close(colourAt(map, pixelAt(map, place)), tilefixture::colourOf(15)),
            qPrintable(describe(colourAt(map, pixelAt(map, place)))), 10000);
    }

    // A file that cannot be used serves nothing, and the page keeps working.
    void refusedFileServesNothing()
    {
        MapPage map;
        TileSchemeHandler handler;
        QVERIFY(open(map, handler));
        QFile junk(m_dir.filePath("junk.mbtiles"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write("not a database");
        junk.close();
        QVERIFY(!handler.setFile(junk.fileName()).ok);
        const int c = int(tilefixture::columnOf(kLng, 14)), r = int(tilefixture::rowOf(kLat, 14));
        map.js(QStringLiteral("window.__tile = 'waiting'; var i = new Image();"
                              "i.onload = function () { __tile = 'load'; };"
                              "i.onerror = function () { __tile = 'error'; };"
                              "i.src = 'qmarl-tiles:/14/%1/%2';").arg(c).arg(r));
        QTRY_VERIFY_WITH_TIMEOUT(map.js("__tile").toString() != QLatin1String("waiting"), 10000);
        QCOMPARE(map.js("__tile").toString(), QStringLiteral("error"));
        map.js("useOfflineTiles(null)");
        QVERIFY(map.state().value("offline").isNull());
        QCOMPARE(map.state().value("kind").toString(), QStringLiteral("osm"));
    }
};

int main(int argc, char **argv)
{
    prepareProcessEnvironment();
    registerTileScheme();
    QApplication app(argc, argv);
    TestOfflineMapPage test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_offlinemappage.moc"
