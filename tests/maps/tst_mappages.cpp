// The six map pages in a real web view, with the network closed: the script interface the
// window relies on, the fallback map of the Google and Baidu pages, their drawing against
// stand-ins of the services' script objects, and the copies in the resource tree.

#include "mappagekit.h"
#include "processenvironment.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QRegularExpression>
#include <QtTest>

using mapkit::MapPage;

namespace {

const QStringList kPages = {"solvanebd.html",    "solvaneos.html",    "solvanegg.html",
                            "solvanegg_ja.html", "solvanegg_ru.html", "solvanegg_vi.html"};

const QVector<QPointF> kTrack = {{13.404954, 52.520008}, {13.405500, 52.520400},
                                 {13.406100, 52.520900}, {13.406800, 52.521300},
                                 {13.407400, 52.521600}};

// What the page holds when the service cannot be used: everything here runs offline.
QString expectedKind(const QString &page)
{
    return page == QLatin1String("solvaneos.html") ? QStringLiteral("osm")
                                                   : QStringLiteral("fallback");
}

bool near(const QJsonValue &point, const QPointF &expected, double tolerance = 1e-9)
{
    const QJsonObject p = point.toObject();
    return !p.isEmpty() && qAbs(p.value("lng").toDouble() - expected.x()) <= tolerance &&
           qAbs(p.value("lat").toDouble() - expected.y()) <= tolerance;
}

QString describe(const QJsonObject &o)
{
    return QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact));
}

// Google Maps objects as far as the page uses them; every constructor records its options.
const char kGoogleStandIn[] = R"JS(
(function () {
    var rec = window.__standin = { map: null, polylines: [], markers: [], fitBounds: [] };
    function LatLng(lat, lng) { this._lat = lat; this._lng = lng; }
    LatLng.prototype.lat = function () { return this._lat; };
    LatLng.prototype.lng = function () { return this._lng; };
    function plain(ll) { return { lat: ll.lat(), lng: ll.lng() }; }
    function Map(el, opts) {
        if (window.__standinThrows)
            throw new Error('stand-in refuses to start');
        rec.map = { element: el instanceof HTMLElement, zoom: opts.zoom,
                    center: plain(opts.center), mapTypeId: opts.mapTypeId,
                    panControl: opts.panControl, zoomControl: opts.zoomControl,
                    mapTypeControl: opts.mapTypeControl, scaleControl: opts.scaleControl,
                    streetViewControl: opts.streetViewControl,
                    overviewMapControl: opts.overviewMapControl,
                    rotateControl: opts.rotateControl, clickableIcons: opts.clickableIcons };
    }
    Map.prototype.fitBounds = function (b) { rec.fitBounds.push(b.points.length); };
    function Overlay() {}
    Overlay.prototype.setMap = function (m) { this.summary.onMap = !!m; };
    Overlay.prototype.addListener = function () {};
    function Polyline(o) {
        this.path = o.path.slice();
        this.summary = { points: o.path.length, geodesic: o.geodesic, strokeColor: o.strokeColor,
                         strokeOpacity: o.strokeOpacity, strokeWeight: o.strokeWeight,
                         onMap: !!o.map };
        rec.polylines.push(this.summary);
    }
    Polyline.prototype = Object.create(Overlay.prototype);
    Polyline.prototype.get = function (key) { return this.summary[key]; };
    Polyline.prototype.getPath = function () {
        var p = this.path;
        return { getLength: function () { return p.length; } };
    };
    function Marker(o) {
        this.pos = o.position;
        var icon = o.icon;
        this.title = o.title;
        this.summary = { onMap: !!o.map, position: plain(o.position), title: o.title,
                         icon: typeof icon === 'string' ? { url: icon } : !icon.url ?
                             { fillColor: icon.fillColor } :
                             { url: icon.url, size: [icon.size.width, icon.size.height],
                               origin: [icon.origin.x, icon.origin.y],
                               anchor: [icon.anchor.x, icon.anchor.y] } };
        rec.markers.push(this.summary);
    }
    Marker.prototype = Object.create(Overlay.prototype);
    Marker.prototype.setPosition = function (p) { this.pos = p; };
    Marker.prototype.getPosition = function () { return this.pos; };
    Marker.prototype.getTitle = function () { return this.title; };
    function LatLngBounds() { this.points = []; }
    LatLngBounds.prototype.extend = function (p) { this.points.push(plain(p)); };
    function Size(w, h) { this.width = w; this.height = h; }
    function Point(x, y) { this.x = x; this.y = y; }
    window.google = { maps: { Map: Map, Polyline: Polyline, Marker: Marker, LatLng: LatLng,
                              LatLngBounds: LatLngBounds, Size: Size, Point: Point,
                              MapTypeId: { TERRAIN: 'terrain' }, SymbolPath: { CIRCLE: 0 } } };
})();
)JS";

// Baidu Map objects as far as the page uses them.
const char kBaiduStandIn[] = R"JS(
(function () {
    var rec = window.__standin = { map: null, calls: [], controls: [], polylines: [], markers: [] };
    function Point(lng, lat) { this.lng = lng; this.lat = lat; }
    function Size(w, h) { this.width = w; this.height = h; }
    function Icon(url, size) { this.url = url; this.size = size; }
    function Map(el, opts) {
        rec.map = { element: el instanceof HTMLElement, enableMapClick: opts.enableMapClick };
    }
    Map.prototype.centerAndZoom = function (p, z) {
        rec.calls.push(['centerAndZoom', p.lng, p.lat, z]);
    };
    Map.prototype.enableScrollWheelZoom = function () { rec.calls.push(['enableScrollWheelZoom']); };
    Map.prototype.addControl = function (c) { rec.controls.push(c.summary); };
    Map.prototype.addOverlay = function (o) { rec.calls.push(['addOverlay', o.kind]); };
    Map.prototype.clearOverlays = function () { rec.calls.push(['clearOverlays']); };
    Map.prototype.setViewport = function (pts) { rec.calls.push(['setViewport', pts.length]); };
    function Polyline(pts, o) {
        this.kind = 'polyline';
        this.pts = pts.slice();
        this.color = o.strokeColor;
        rec.polylines.push({ points: pts.length, strokeColor: o.strokeColor,
                             strokeOpacity: o.strokeOpacity });
    }
    Polyline.prototype.getPath = function () { return this.pts.slice(); };
    Polyline.prototype.getStrokeColor = function () { return this.color; };
    Polyline.prototype.addEventListener = function () {};
    function Marker(p, o) {
        this.kind = 'marker';
        this.p = p;
        this.title = o.title;
        rec.markers.push(o.icon ? { url: o.icon.url, size: [o.icon.size.width, o.icon.size.height],
                                    lng: p.lng, lat: p.lat } : { title: o.title });
    }
    Marker.prototype.addEventListener = function () {};
    Marker.prototype.getTitle = function () { return this.title; };
    Marker.prototype.setPosition = function (p) { this.p = p; };
    Marker.prototype.getPosition = function () { return this.p; };
    function NavigationControl() { this.summary = { type: 'navigation' }; }
    function MapTypeControl(o) { this.summary = { type: 'maptype', mapTypes: o.mapTypes }; }
    window.BMAP_NORMAL_MAP = 'normal';
    window.BMAP_SATELLITE_MAP = 'satellite';
    window.BMAP_HYBRID_MAP = 'hybrid';
    window.BMap = { Map: Map, Point: Point, Size: Size, Icon: Icon, Polyline: Polyline,
                    Marker: Marker, NavigationControl: NavigationControl,
                    MapTypeControl: MapTypeControl };
})();
)JS";

} // namespace

class TestMapPages : public QObject
{
    Q_OBJECT

private:
    static void noScriptErrors(const MapPage &map)
    {
        const QStringList errors = map.page()->errors;
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
    }

    static QString call(const QString &text)
    {
        // As the window runs it, but answering whether the page threw.
        return QStringLiteral("(function () { try { %1; return 'ok'; } catch (e) { return 'threw: ' + e; } })()")
            .arg(text);
    }

    // The page with a made-up key, so that it asks the network for the service's script.
    static void loadWithKey(MapPage &map, const QString &page)
    {
        QFile file(mapkit::binDir() + '/' + page);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QString html = QString::fromUtf8(file.readAll());
        const QRegularExpression key(QStringLiteral("key: '[^']*'"));
        QVERIFY(html.contains(key));
        html.replace(key, QStringLiteral("key: 'TESTKEY'"));
        map.setHtml(html, mapkit::pageUrl(page));
    }

private slots:
    void pagesLieBesideTheExecutable()
    {
        QStringList files = kPages;
        files << "qmarlmap.js" << "qmarlmap.css" << "leaflet/leaflet.js" << "leaflet/leaflet.css"
              << "leaflet/LICENSE" << "leaflet/images/marker-icon.png";
        for (const QString &name : files)
            QVERIFY2(QFile::exists(mapkit::binDir() + '/' + name), qPrintable(name));
        for (const char *image : {"map_tab_s.png", "map_tab_f.png", "map_tab_current.png"}) {
            const QImage picture(mapkit::binDir() + '/' + QLatin1String(image));
            QVERIFY2(!picture.isNull(), image);
            QCOMPARE(picture.size(), QSize(22, 22));
            QVERIFY(picture.hasAlphaChannel());
        }
    }

    void pagesAreInTheResourceTree()
    {
        QStringList files = kPages;
        files << "qmarlmap.js" << "qmarlmap.css" << "leaflet/leaflet.js" << "leaflet/leaflet.css"
              << "leaflet/images/layers.png" << "map_tab_s.png" << "map_tab_f.png"
              << "map_tab_current.png";
        for (const QString &name : files) {
            QFile resource(":/maps/mapinfo/" + name);
            QVERIFY2(resource.exists(), qPrintable(name));
            QFile onDisk(mapkit::binDir() + '/' + name);
            QVERIFY(resource.open(QIODevice::ReadOnly) && onDisk.open(QIODevice::ReadOnly));
            QCOMPARE(resource.readAll(), onDisk.readAll());
        }
    }

    // The copies in the resource tree work as pages too: their script, Leaflet and marker
    // images resolve inside the tree.
    void resourceTreePageDraws()
    {
        MapPage map;
        map.view()->show();
        map.load(QUrl("qrc:/maps/mapinfo/solvaneos.html"));
        QCOMPARE(map.waitReady().value("kind").toString(), QStringLiteral("osm"));
        map.js("initGPSLine(" + mapkit::routeText(kTrack) + ", '#5298ff')");
        QCOMPARE(map.state().value("linePoints").toInt(), kTrack.size());
        QTRY_VERIFY_WITH_TIMEOUT(
            map.js("Array.prototype.filter.call(document.querySelectorAll("
                   "'img.leaflet-marker-icon'), function (i) {"
                   " return i.complete && i.naturalWidth === 22; }).length")
                    .toInt() == 3,
            10000);
        noScriptErrors(map);
    }

    void googlePagesAskForTheirLanguage_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("language");
        QTest::newRow("plain") << "solvanegg.html" << "en";
        QTest::newRow("ja") << "solvanegg_ja.html" << "ja";
        QTest::newRow("ru") << "solvanegg_ru.html" << "ru";
        QTest::newRow("vi") << "solvanegg_vi.html" << "vi";
    }

    // A configured key whose service script cannot be fetched (blocked here) ends on the
    // fallback map with a note; the script was asked for with the key, callback and language.
    void googlePagesAskForTheirLanguage()
    {
        QFETCH(QString, page);
        QFETCH(QString, language);
        MapPage map;
        loadWithKey(map, page);
        const QJsonObject s = map.waitReady();
        QCOMPARE(s.value("kind").toString(), QStringLiteral("fallback"));
        QVERIFY2(s.value("note").toString().contains("Google"), qPrintable(describe(s)));
        QVERIFY2(s.value("reason").toString().contains("could not be loaded"),
                 qPrintable(describe(s)));
        const QStringList asked = map.interceptor()->blocked().filter("maps.googleapis.com");
        QCOMPARE(asked.size(), 1);
        const QUrlQuery query(QUrl(asked.first()));
        QCOMPARE(QUrl(asked.first()).path(), QStringLiteral("/maps/api/js"));
        QCOMPARE(query.queryItemValue("key"), QStringLiteral("TESTKEY"));
        QCOMPARE(query.queryItemValue("callback"), QStringLiteral("initMap"));
        QCOMPARE(query.queryItemValue("language"), language);
        const QVariant shown = map.js("document.getElementById('qmarl-note').textContent");
        QCOMPARE(shown.toString(), s.value("note").toString());
        noScriptErrors(map);
    }

    void baiduPageAsksForVersionTwo()
    {
        MapPage map;
        loadWithKey(map, "solvanebd.html");
        const QJsonObject s = map.waitReady();
        QCOMPARE(s.value("kind").toString(), QStringLiteral("fallback"));
        QVERIFY2(s.value("note").toString().contains("Baidu"), qPrintable(describe(s)));
        const QStringList asked = map.interceptor()->blocked().filter("api.map.baidu.com");
        QCOMPARE(asked.size(), 1);
        const QUrlQuery query(QUrl(asked.first()));
        QCOMPARE(query.queryItemValue("v"), QStringLiteral("2.0"));
        QCOMPARE(query.queryItemValue("ak"), QStringLiteral("TESTKEY"));
        QCOMPARE(query.queryItemValue("callback"), QStringLiteral("initMap"));
        noScriptErrors(map);
    }

    void scriptInterface_data()
    {
        QTest::addColumn<QString>("page");
        for (const QString &page : kPages)
            QTest::newRow(qPrintable(page)) << page;
    }

    // The four calls on every page as it comes up here (no key, no network): the OSM page on
    // its own map, the service pages on the fallback map.
    void scriptInterface()
    {
        QFETCH(QString, page);
        MapPage map;
        map.load(mapkit::pageUrl(page));
        QJsonObject s = map.waitReady();
        QCOMPARE(s.value("kind").toString(), expectedKind(page));
        QCOMPARE(s.value("linePoints").toInt(), 0);
        QVERIFY(!s.value("hasMoving").toBool());
        if (page != QLatin1String("solvaneos.html"))
            QVERIFY2(s.value("note").toString().contains("Google") ||
                         s.value("note").toString().contains("Baidu"),
                     qPrintable(describe(s)));
        else
            QVERIFY(s.value("note").toString().isEmpty());

        QCOMPARE(map.js(call("initGPSLine(" + mapkit::routeText(kTrack) + ", '#5298ff')")).toString(),
                 QStringLiteral("ok"));
        s = map.waitState([](const QJsonObject &o) { return o.value("linePoints").toInt() > 0; });
        QCOMPARE(s.value("linePoints").toInt(), kTrack.size());
        QVERIFY(s.value("hasStart").toBool() && s.value("hasEnd").toBool() &&
                s.value("hasMoving").toBool());
        QVERIFY2(near(s.value("start"), kTrack.first()), qPrintable(describe(s)));
        QVERIFY2(near(s.value("end"), kTrack.last()), qPrintable(describe(s)));
        QVERIFY2(near(s.value("moving"), kTrack.first()), qPrintable(describe(s)));

        const QPointF elsewhere(13.41, 52.53);
        QCOMPARE(map.js(call("moveGPS(" + mapkit::pointText(elsewhere) + ")")).toString(),
                 QStringLiteral("ok"));
        s = map.state();
        QVERIFY2(near(s.value("moving"), elsewhere), qPrintable(describe(s)));
        QVERIFY(near(s.value("start"), kTrack.first()));

        QCOMPARE(map.js(call("startGPS(3)")).toString(), QStringLiteral("ok"));
        s = map.state();
        QVERIFY2(near(s.value("moving"), kTrack.at(3)), qPrintable(describe(s)));

        QCOMPARE(map.js(call("clearGPSLine()")).toString(), QStringLiteral("ok"));
        s = map.state();
        QCOMPARE(s.value("linePoints").toInt(), 0);
        QVERIFY(!s.value("hasStart").toBool() && !s.value("hasEnd").toBool() &&
                !s.value("hasMoving").toBool());
        // Nothing to move once cleared, and no error either.
        QCOMPARE(map.js(call("moveGPS({lng:1,lat:1}); startGPS(0)")).toString(),
                 QStringLiteral("ok"));
        QVERIFY(!map.state().value("hasMoving").toBool());

        // Drawn again after a clear, as when the next recording opens.
        map.js("initGPSLine(" + mapkit::routeText(kTrack.mid(0, 2)) + ", '#5298ff')");
        s = map.state();
        QCOMPARE(s.value("linePoints").toInt(), 2);
        QVERIFY(near(s.value("end"), kTrack.at(1)));
        noScriptErrors(map);
    }

    void callsBeforeTheMapExistsAreKept_data() { scriptInterface_data(); }

    // Calls made as soon as the document is parsed, before any map exists on the service
    // pages, take effect once the map is there.
    void callsBeforeTheMapExistsAreKept()
    {
        QFETCH(QString, page);
        MapPage map;
        map.inject("early", "window.__early = qmarlMapState().kind;"
                            "window.__earlyAnswer = (function () { try {"
                            "  initGPSLine(" + mapkit::routeText(kTrack) + ", '#5298ff');"
                            "  moveGPS(" + mapkit::pointText(kTrack.at(2)) + ");"
                            "  startGPS(4); moveGPS(" + mapkit::pointText(kTrack.at(1)) + ");"
                            "  return 'ok'; } catch (e) { return 'threw: ' + e; } })();",
                   QWebEngineScript::DocumentReady);
        map.load(mapkit::pageUrl(page));
        const QJsonObject s = map.waitState(
            [](const QJsonObject &o) { return o.value("linePoints").toInt() > 0; });
        QCOMPARE(s.value("kind").toString(), expectedKind(page));
        QCOMPARE(map.js("window.__earlyAnswer").toString(), QStringLiteral("ok"));
        if (page != QLatin1String("solvaneos.html"))
            QCOMPARE(map.js("window.__early").toString(), QStringLiteral("loading"));
        QCOMPARE(s.value("linePoints").toInt(), kTrack.size());
        QVERIFY(s.value("hasStart").toBool() && s.value("hasEnd").toBool());
        QVERIFY2(near(s.value("moving"), kTrack.at(1)), qPrintable(describe(s)));
        noScriptErrors(map);
    }

    void badInputDrawsWhatIsValid_data() { scriptInterface_data(); }

    void badInputDrawsWhatIsValid()
    {
        QFETCH(QString, page);
        MapPage map;
        map.load(mapkit::pageUrl(page));
        QVERIFY(!map.waitReady().isEmpty());
        for (const QString bad :
             {"initGPSLine([], '#5298ff')", "initGPSLine()", "initGPSLine(null, null)",
              "initGPSLine('[{lng:1,lat:2}]', '#5298ff')", "initGPSLine({lng:1,lat:2}, 5)",
              "initGPSLine([null, 7, 'x', {}, {lng:NaN,lat:1}, {lng:1,lat:Infinity}], '#5298ff')"}) {
            QCOMPARE(map.js(call(bad)).toString(), QStringLiteral("ok"));
            const QJsonObject s = map.state();
            QVERIFY2(s.value("linePoints").toInt() == 0 && !s.value("hasMoving").toBool(),
                     qPrintable(bad + ": " + describe(s)));
        }
        // Only the two usable points of this list are drawn.
        QCOMPARE(map.js(call("initGPSLine([{lng:NaN,lat:1}, {lng:13.4,lat:52.5}, null,"
                             "{lng:'x',lat:2}, {lng:1e999,lat:0}, {lat:3}, {lng:200,lat:0},"
                             "{lng:13.5,lat:52.6}], '\"><script>')"))
                     .toString(),
                 QStringLiteral("ok"));
        QJsonObject s = map.state();
        QCOMPARE(s.value("linePoints").toInt(), 2);
        QVERIFY(near(s.value("start"), {13.4, 52.5}));
        QVERIFY(near(s.value("end"), {13.5, 52.6}));
        for (const QString bad : {"moveGPS()", "moveGPS(null)", "moveGPS({lng:NaN,lat:0})",
                                   "moveGPS('{lng:1,lat:1}')", "moveGPS({lng:1})",
                                   "startGPS(2)", "startGPS(-1)", "startGPS(0.5)",
                                   "startGPS('x')", "startGPS(null)", "startGPS()"}) {
            QCOMPARE(map.js(call(bad)).toString(), QStringLiteral("ok"));
            s = map.state();
            QVERIFY2(near(s.value("moving"), {13.4, 52.5}), qPrintable(bad + ": " + describe(s)));
        }
        QCOMPARE(map.js(call("startGPS(1)")).toString(), QStringLiteral("ok"));
        QVERIFY(near(map.state().value("moving"), {13.5, 52.6}));
        // The page's functions cannot be replaced by a careless script.
        QCOMPARE(map.js(call("window.initGPSLine = null")).toString(), QStringLiteral("ok"));
        QCOMPARE(map.js("typeof initGPSLine").toString(), QStringLiteral("function"));
        noScriptErrors(map);
    }

    void speedColoursEventsAndPicking_data() { scriptInterface_data(); }

    // The route in speed bands with a legend, event markers whose text stays text, and a click
    // near the route picking the nearest sample (the window is not there to seek).
    void speedColoursEventsAndPicking()
    {
        QFETCH(QString, page);
        MapPage map;
        map.view()->show();
        QVERIFY(QTest::qWaitForWindowExposed(map.view()));
        map.load(mapkit::pageUrl(page));
        QVERIFY(!map.waitReady().isEmpty());
        // Knots giving 9, 37, 74, 111 and 148 km/h, then a point without a speed.
        QStringList points;
        const double knots[] = {5, 20, 40, 60, 80, -1};
        for (int i = 0; i < 6; ++i)
            points << QStringLiteral("{lng:%1,lat:%2,t:%3%4}")
                          .arg(13.40 + i * 0.002)
                          .arg(52.52 + i * 0.001)
                          .arg(i)
                          .arg(knots[i] < 0 ? QString() : QStringLiteral(",k:%1").arg(knots[i]));
        const QString route = QLatin1Char('[') + points.join(QLatin1Char(',')) + QLatin1Char(']');
        const QString kmh = "{unit:'km/h',factor:1.852,bands:[30,60,90,120]}";
        const QString hostile = "<img src=x onerror=\"window.__pwned=1\">";
        map.js("initGPSLine(" + route + ", '#5298ff', {scale:" + kmh + ", events:["
               "{t:2,lead:0,kind:'braking',text:'" + hostile + "'}, {t:3,kind:'nonsense'},"
               "{t:4.5,kind:'jolt'}, {kind:'acceleration'}]})");
        QJsonObject s = map.state();
        QCOMPARE(s.value("linePoints").toInt(), 6);
        QCOMPARE(s.value("lineColors").toArray(),
                 QJsonArray({"#1a9850", "#91cf60", "#f2c80f", "#fc8d59", "#d73027", "#5298ff"}));
        QCOMPARE(s.value("legend").toString(), QStringLiteral("km/h< 3030–6060–9090–120≥ 120"));
        const QJsonArray events = s.value("events").toArray();
        QCOMPARE(events.size(), 1);
        QCOMPARE(events[0].toObject().value("text").toString(), hostile);
        QVERIFY(near(events[0].toObject(), {13.404, 52.522}));

        // Near the route at second 3 (a few pixels off), then far from it.
        const QVariantMap pixel = map.js("qmarlSamplePixel(3)").toMap();
        QVERIFY(pixel.contains("x"));
        QWidget *surface = map.view()->focusProxy();
        QTest::mouseClick(surface, Qt::LeftButton, {},
                          QPoint(pixel.value("x").toInt() + 6, pixel.value("y").toInt() - 5));
        s = map.waitState([](const QJsonObject &o) { return !o.value("lastPick").isNull(); });
        QCOMPARE(s.value("lastPick").toObject(), (QJsonObject{{"t", 3}, {"action", "seek"}}));
        QTest::mouseClick(surface, Qt::LeftButton, {},
                          QPoint(pixel.value("x").toInt() + 40, pixel.value("y").toInt() + 40));
        const QPoint over(pixel.value("x").toInt(), pixel.value("y").toInt() + 3);
        QMouseEvent move(QEvent::MouseMove, over, surface->mapToGlobal(over), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(surface, &move);
        QTRY_COMPARE_WITH_TIMEOUT(map.state().value("lastPick").toObject().value("action"),
                                  QJsonValue("hover"), 10000);
        QCOMPARE(map.state().value("lastPick").toObject().value("t").toInt(), 3);
        QCOMPARE(map.js("document.getElementById('qmarl-hover').textContent").toString(),
                 QStringLiteral("00:00:03  111 km/h"));
        QVERIFY(map.js("window.__pwned === undefined && !document.querySelector('img[src=x]')")
                    .toBool());

        // Another unit; a scale the page cannot trust leaves the plain colour and no legend.
        map.js("initGPSLine(" + route + ", '#5298ff', {scale:{unit:'mph',factor:1.150779,"
               "bands:[20,40,55,75]}})");
        QVERIFY(map.state().value("legend").toString().startsWith("mph< 20"));
        map.js("initGPSLine(" + route + ", '#5298ff', {scale:{unit:'<b>',factor:1,bands:[1,2,3,4]}})");
        s = map.state();
        QCOMPARE(s.value("lineColors").toArray(), QJsonArray({"#5298ff"}));
        QCOMPARE(s.value("legend").toString(), QString());
        noScriptErrors(map);
    }

    void openStreetMapPageDrawing()
    {
        MapPage map;
        map.load(mapkit::pageUrl("solvaneos.html"));
        QJsonObject s = map.waitReady();
        QCOMPARE(s.value("kind").toString(), QStringLiteral("osm"));
        const QJsonObject view = s.value("view").toObject();
        QCOMPARE(view.value("lat").toDouble(), 51.505);
        QCOMPARE(view.value("lng").toDouble(), -0.09);
        QCOMPARE(view.value("zoom").toInt(), 13);
        QCOMPARE(view.value("maxZoom").toInt(), 18);

        map.js("initGPSLine(" + mapkit::routeText(kTrack) + ", '#5298ff')");
        // Drawn while the view is hidden, as when the window is not shown yet: the view fits
        // the line once it has a size.
        map.view()->show();
        s = map.waitState([](const QJsonObject &o) {
            return o.value("view").toObject().value("zoom").toInt() > 13;
        });
        QVERIFY2(s.value("view").toObject().value("zoom").toInt() > 13, qPrintable(describe(s)));
        QVERIFY(qAbs(s.value("view").toObject().value("lat").toDouble() - 52.5208) < 0.001);

        const QJsonObject drawn = map.json(R"JS({
            path: (function () { var p = document.querySelector('.leaflet-overlay-pane path');
                   return p && { stroke: p.getAttribute('stroke'),
                                 width: p.getAttribute('stroke-width'),
                                 opacity: p.getAttribute('stroke-opacity') }; })(),
            icons: Array.prototype.map.call(document.querySelectorAll('img.leaflet-marker-icon'),
                   function (i) { return { src: i.getAttribute('src'), w: i.style.width,
                                           h: i.style.height, left: i.style.marginLeft,
                                           top: i.style.marginTop }; }),
            attribution: (document.querySelector('.leaflet-control-attribution') || {}).textContent,
            tiles: document.querySelectorAll('img.leaflet-tile').length
        })JS");
        const QJsonObject path = drawn.value("path").toObject();
        QCOMPARE(path.value("stroke").toString(), QStringLiteral("#5298ff"));
        QCOMPARE(path.value("width").toString(), QStringLiteral("5"));
        QCOMPARE(path.value("opacity").toString(), QStringLiteral("0.9"));
        const QJsonArray icons = drawn.value("icons").toArray();
        QCOMPARE(icons.size(), 3);
        QMap<QString, QJsonObject> bySource;
        for (const QJsonValue &icon : icons)
            bySource.insert(icon.toObject().value("src").toString(), icon.toObject());
        for (const QString src : {"map_tab_s.png", "map_tab_f.png"}) {
            QVERIFY2(bySource.contains(src), qPrintable(describe(drawn)));
            QCOMPARE(bySource[src].value("w").toString(), QStringLiteral("22px"));
            QCOMPARE(bySource[src].value("h").toString(), QStringLiteral("22px"));
            QCOMPARE(bySource[src].value("left").toString(), QStringLiteral("-12px"));
            QCOMPARE(bySource[src].value("top").toString(), QStringLiteral("-22px"));
        }
        const QJsonObject current = bySource.value("map_tab_current.png");
        QCOMPARE(current.value("w").toString(), QStringLiteral("22px"));
        QCOMPARE(current.value("left").toString(), QStringLiteral("-11px"));
        QCOMPARE(current.value("top").toString(), QStringLiteral("-11px"));

        // Tiles come after the page's load; their attribution names the contributors only.
        QTRY_VERIFY_WITH_TIMEOUT(
            !map.interceptor()->blocked().filter("https://tile.openstreetmap.org/").isEmpty(),
            10000);
        const QString attribution =
            map.js("document.querySelector('.leaflet-control-attribution').textContent").toString();
        QVERIFY2(attribution.contains("OpenStreetMap contributors"), qPrintable(attribution));
        QVERIFY2(!attribution.contains("Leaflet"), qPrintable(attribution));
        QVERIFY2(!attribution.contains("|"), qPrintable(attribution));
        noScriptErrors(map);
    }

    void googleDrawingOnTheService()
    {
        MapPage map;
        map.inject("google stand-in", kGoogleStandIn);
        map.load(mapkit::pageUrl("solvanegg_ru.html"));
        QJsonObject s = map.waitReady();
        QCOMPARE(s.value("kind").toString(), QStringLiteral("google"));
        QVERIFY(s.value("note").toString().isEmpty());
        QJsonObject rec = map.json("window.__standin");
        const QJsonObject options = rec.value("map").toObject();
        QVERIFY(options.value("element").toBool());
        QCOMPARE(options.value("zoom").toInt(), 3);
        QCOMPARE(options.value("mapTypeId").toString(), QStringLiteral("terrain"));
        QCOMPARE(options.value("center").toObject().value("lat").toDouble(), 0.0);
        QCOMPARE(options.value("center").toObject().value("lng").toDouble(), -180.0);
        for (const char *control : {"panControl", "zoomControl", "mapTypeControl", "scaleControl",
                                    "streetViewControl", "overviewMapControl", "rotateControl"})
            QVERIFY2(options.value(control).toBool(), control);
        QCOMPARE(options.value("clickableIcons"), QJsonValue(false));

        map.js("initGPSLine(" + mapkit::routeText(kTrack) + ", '#5298ff')");
        rec = map.json("window.__standin");
        const QJsonArray lines = rec.value("polylines").toArray();
        QCOMPARE(lines.size(), 2); // the route, and the invisible wide line that catches clicks
        QCOMPARE(lines.last().toObject().value("strokeOpacity").toDouble(), 0.0);
        QCOMPARE(lines.last().toObject().value("strokeWeight").toInt(), 30);
        const QJsonObject line = lines.first().toObject();
        QCOMPARE(line.value("points").toInt(), kTrack.size());
        QCOMPARE(line.value("geodesic"), QJsonValue(true));
        QCOMPARE(line.value("strokeWeight").toInt(), 4);
        QCOMPARE(line.value("strokeOpacity").toDouble(), 1.0);
        QCOMPARE(line.value("strokeColor").toString(), QStringLiteral("#5298ff"));
        QVERIFY(line.value("onMap").toBool());
        QCOMPARE(rec.value("fitBounds").toArray(), QJsonArray({kTrack.size()}));
        const QJsonArray markers = rec.value("markers").toArray();
        QCOMPARE(markers.size(), 3);
        QCOMPARE(markers[0].toObject().value("icon").toObject().value("url").toString(),
                 QStringLiteral("map_tab_s.png"));
        QVERIFY(near(markers[0].toObject().value("position"), kTrack.first()));
        QCOMPARE(markers[1].toObject().value("icon").toObject().value("url").toString(),
                 QStringLiteral("map_tab_f.png"));
        QVERIFY(near(markers[1].toObject().value("position"), kTrack.last()));
        const QJsonObject moving = markers[2].toObject().value("icon").toObject();
        QCOMPARE(moving.value("url").toString(), QStringLiteral("map_tab_current.png"));
        QCOMPARE(moving.value("size").toArray(), QJsonArray({22, 22}));
        QCOMPARE(moving.value("origin").toArray(), QJsonArray({0, 0}));
        QCOMPARE(moving.value("anchor").toArray(), QJsonArray({11, 11}));
        QVERIFY(near(markers[2].toObject().value("position"), kTrack.first()));

        s = map.state();
        QCOMPARE(s.value("linePoints").toInt(), kTrack.size());
        map.js("moveGPS(" + mapkit::pointText(kTrack.at(2)) + ")");
        QVERIFY(near(map.state().value("moving"), kTrack.at(2)));
        map.js("startGPS(4)");
        QVERIFY(near(map.state().value("moving"), kTrack.at(4)));

        map.js("clearGPSLine()");
        s = map.state();
        QCOMPARE(s.value("kind").toString(), QStringLiteral("google"));
        QVERIFY(s.value("linePoints").toInt() == 0 && !s.value("hasStart").toBool() &&
                !s.value("hasEnd").toBool() && !s.value("hasMoving").toBool());
        rec = map.json("window.__standin");
        QVERIFY(!rec.value("polylines").toArray().first().toObject().value("onMap").toBool());
        for (const QJsonValue &marker : rec.value("markers").toArray())
            QVERIFY(!marker.toObject().value("onMap").toBool());
        noScriptErrors(map);
    }

    // The service's script is there but fails: at start, or by refusing the key after the
    // route was drawn. The route and the marker's place survive on the fallback map.
    void googleFailingLateFallsBack()
    {
        {
            MapPage map;
            map.inject("google stand-in", QStringLiteral("window.__standinThrows = true;") +
                                              kGoogleStandIn);
            map.load(mapkit::pageUrl("solvanegg.html"));
            const QJsonObject s = map.waitReady();
            QCOMPARE(s.value("kind").toString(), QStringLiteral("fallback"));
            QVERIFY2(s.value("reason").toString().contains("stand-in refuses"),
                     qPrintable(describe(s)));
            QCOMPARE(s.value("note").toString(),
                     QStringLiteral("Google Maps could not be loaded — showing the offline map"));
        }
        MapPage map;
        map.inject("google stand-in", kGoogleStandIn);
        map.load(mapkit::pageUrl("solvanegg.html"));
        QCOMPARE(map.waitReady().value("kind").toString(), QStringLiteral("google"));
        map.js("initGPSLine(" + mapkit::routeText(kTrack) + ", '#5298ff');"
               "moveGPS(" + mapkit::pointText(kTrack.at(3)) + ")");
        QCOMPARE(map.js(call("gm_authFailure()")).toString(), QStringLiteral("ok"));
        const QJsonObject s = map.state();
        QCOMPARE(s.value("kind").toString(), QStringLiteral("fallback"));
        QCOMPARE(s.value("linePoints").toInt(), kTrack.size());
        QVERIFY(s.value("hasStart").toBool() && s.value("hasEnd").toBool());
        QVERIFY2(near(s.value("moving"), kTrack.at(3)), qPrintable(describe(s)));
        QCOMPARE(map.js("document.querySelectorAll('.qmarl-canvas').length").toInt(), 1);
        noScriptErrors(map);
    }

    void baiduDrawingOnTheService()
    {
        MapPage map;
        map.inject("baidu stand-in", kBaiduStandIn);
        map.load(mapkit::pageUrl("solvanebd.html"));
        QJsonObject s = map.waitReady();
        QCOMPARE(s.value("kind").toString(), QStringLiteral("baidu"));
        QJsonObject rec = map.json("window.__standin");
        QCOMPARE(rec.value("map").toObject().value("enableMapClick"), QJsonValue(false));
        QCOMPARE(rec.value("calls").toArray(),
                 QJsonArray({QJsonArray({"centerAndZoom", 116.404, 39.914336, 13}),
                             QJsonArray({"enableScrollWheelZoom"}),
                             QJsonArray({"clearOverlays"})}));
        QCOMPARE(rec.value("controls").toArray(),
                 QJsonArray({QJsonObject{{"type", "navigation"}},
                             QJsonObject{{"type", "maptype"},
                                         {"mapTypes", QJsonArray({"normal", "satellite", "hybrid"})}}}));

        // One point: the line only, no markers.
        map.js("window.__standin.calls = [];"
               "initGPSLine([{lng:116.5,lat:39.9}], '#5298ff')");
        s = map.state();
        QCOMPARE(s.value("linePoints").toInt(), 1);
        QVERIFY(!s.value("hasStart").toBool() && !s.value("hasEnd").toBool() &&
                !s.value("hasMoving").toBool());
        QCOMPARE(map.json("window.__standin").value("markers").toArray().size(), 0);
        map.js("moveGPS({lng:116.6,lat:39.9})");
        QVERIFY(!map.state().value("hasMoving").toBool());

        const QVector<QPointF> track = {{116.40, 39.91}, {116.41, 39.92}, {116.42, 39.93}};
        map.js("window.__standin.calls = []; window.__standin.markers = [];"
               "window.__standin.polylines = [];"
               "initGPSLine(" + mapkit::routeText(track) + ", '#5298ff')");
        rec = map.json("window.__standin");
        QCOMPARE(rec.value("calls").toArray(),
                 QJsonArray({QJsonArray({"clearOverlays"}), QJsonArray({"addOverlay", "polyline"}),
                             QJsonArray({"addOverlay", "polyline"}),
                             QJsonArray({"centerAndZoom", 116.40, 39.91, 13}),
                             QJsonArray({"setViewport", 3}), QJsonArray({"addOverlay", "marker"}),
                             QJsonArray({"addOverlay", "marker"}),
                             QJsonArray({"addOverlay", "marker"})}));
        const QJsonObject line = rec.value("polylines").toArray().first().toObject();
        QCOMPARE(line.value("points").toInt(), 3);
        QCOMPARE(line.value("strokeOpacity").toDouble(), 1.0);
        QCOMPARE(line.value("strokeColor").toString(), QStringLiteral("#5298ff"));
        const QJsonArray markers = rec.value("markers").toArray();
        QCOMPARE(markers.size(), 3);
        QCOMPARE(markers[0].toObject().value("url").toString(), QStringLiteral("map_tab_s.png"));
        QCOMPARE(markers[0].toObject().value("size").toArray(), QJsonArray({22, 44}));
        QCOMPARE(markers[1].toObject().value("url").toString(), QStringLiteral("map_tab_f.png"));
        QCOMPARE(markers[1].toObject().value("size").toArray(), QJsonArray({22, 44}));
        QCOMPARE(markers[1].toObject().value("lng").toDouble(), 116.42);
        QCOMPARE(markers[2].toObject().value("url").toString(),
                 QStringLiteral("map_tab_current.png"));
        QCOMPARE(markers[2].toObject().value("size").toArray(), QJsonArray({22, 22}));

        s = map.state();
        QCOMPARE(s.value("linePoints").toInt(), 3);
        QVERIFY(near(s.value("moving"), track.first()));
        map.js("moveGPS({lng:116.415,lat:39.925})");
        QVERIFY(near(map.state().value("moving"), {116.415, 39.925}));
        map.js("startGPS(2)");
        QVERIFY(near(map.state().value("moving"), track.at(2)));

        map.js("window.__standin.calls = []; clearGPSLine()");
        QCOMPARE(map.json("window.__standin").value("calls").toArray(),
                 QJsonArray({QJsonArray({"clearOverlays"})}));
        s = map.state();
        QVERIFY(s.value("linePoints").toInt() == 0 && !s.value("hasMoving").toBool());
        noScriptErrors(map);
    }

    // The Baidu page is sent BD-09 inside China; its fallback draws on WGS-84 tiles, so it
    // takes the offsets back out there and leaves points elsewhere alone.
    void baiduFallbackDrawsInWgs84()
    {
        MapPage map;
        map.load(mapkit::pageUrl("solvanebd.html"));
        QCOMPARE(map.waitReady().value("kind").toString(), QStringLiteral("fallback"));
        // Shenzhen, WGS-84 (114.06, 22.54) sent as BD-09; then London, sent as is.
        map.js("initGPSLine([{lng:114.071663,lat:22.542953},{lng:-0.09,lat:51.505}], '#5298ff')");
        const QJsonObject s = map.state();
        QVERIFY2(near(s.value("start"), {114.06, 22.54}, 1e-5), qPrintable(describe(s)));
        QVERIFY2(near(s.value("end"), {-0.09, 51.505}), qPrintable(describe(s)));
        noScriptErrors(map);
    }

    // For review: the OpenStreetMap page with a route, as the window would show it offline.
    void screenshotOfARoute()
    {
        MapPage map;
        map.view()->show();
        map.load(mapkit::pageUrl("solvaneos.html"));
        QCOMPARE(map.waitReady().value("kind").toString(), QStringLiteral("osm"));
        QVector<QPointF> route;
        for (int i = 0; i <= 60; ++i)
            route << QPointF(-0.12 + i * 0.001, 51.50 + 0.004 * std::sin(i / 9.0));
        map.js("initGPSLine(" + mapkit::routeText(route) + ", '#5298ff'); startGPS(40)");

        // Wait until a grab shows the route's colour: the view paints asynchronously.
        QImage shot;
        int routePixels = 0;
        QElapsedTimer clock;
        clock.start();
        const auto imagesIn = [&map] {
            return map.js("Array.prototype.every.call(document.querySelectorAll("
                          "'img.leaflet-marker-icon'), function (i) {"
                          " return i.complete && i.naturalWidth === 22; })").toBool();
        };
        QTRY_VERIFY_WITH_TIMEOUT(imagesIn(), 10000);
        while (routePixels < 200 && clock.elapsed() < 15000) {
            QTest::qWait(100);
            shot = map.view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
            routePixels = 0;
            for (int y = 0; y < shot.height(); ++y)
                for (int x = 0; x < shot.width(); ++x) {
                    const QColor c = shot.pixelColor(x, y);
                    routePixels += qAbs(c.red() - 0x52) < 40 && qAbs(c.green() - 0x98) < 40 &&
                                   qAbs(c.blue() - 0xff) < 40;
                }
        }
        const QString file = QDir(mapkit::binDir()).absoluteFilePath("../map_osm_route.png");
        QVERIFY(shot.save(file));
        qInfo("screenshot: %s (%dx%d, %d route pixels)", qPrintable(QDir::cleanPath(file)),
              shot.width(), shot.height(), routePixels);
        QVERIFY2(routePixels >= 200, "the route never showed in the view's picture");
        noScriptErrors(map);
    }
};

int main(int argc, char **argv)
{
    prepareProcessEnvironment();
    QApplication app(argc, argv);
    TestMapPages test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mappages.moc"
