// The six map pages in a real web view, with the network closed.

#include "coordinates.h"
#include "mapbridge.h"
#include "mappagekit.h"
#include "processenvironment.h"

#include <QApplication>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

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

// The bridge logs what it refuses; what it does is checked instead, and those lines are dropped.
QtMessageHandler s_passOn = nullptr;
void dropMapMessages(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (qstrcmp(context.category, "qmarl.telemetry") != 0)
        s_passOn(type, context, message);
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

// The least of each service's script the page uses, put in first so the page takes it for the
// service. window.__stubClick(lat, lng) clicks the map in the service's own coordinates.
const char *const kGoogleStub = R"(
(function () {
  function Obj(o) { this.o = o || {}; }
  Obj.prototype.addListener = function (n, f) { (this.l = this.l || {})[n] = f; };
  Obj.prototype.setMap = function (m) { this.o.map = m; };
  Obj.prototype.getMap = function () { return this.o.map; };
  Obj.prototype.get = function (k) { return this.o[k]; };
  Obj.prototype.getPosition = function () { return this.o.position; };
  Obj.prototype.getTitle = function () { return this.o.title; };
  Obj.prototype.setPosition = function (p) { this.o.position = p; };
  Obj.prototype.getPath = function () {
    var p = this.o.path;
    return { getLength: function () { return p.length; } };
  };
  Obj.prototype.setStyle = function () {};
  Obj.prototype.add = function (f) { return { getGeometry: function () { return f.geometry; } }; };
  function LatLng(lat, lng) {
    this.lat = function () { return lat; };
    this.lng = function () { return lng; };
  }
  function Bounds() {}
  Bounds.prototype.extend = function () {};
  function Map() { Obj.call(this); window.__stubMap = this; }
  Map.prototype = Object.create(Obj.prototype);
  Map.prototype.fitBounds = function () {};
  function Data() { Obj.call(this); }
  Data.prototype = Object.create(Obj.prototype);
  Data.MultiLineString = function (lines) {
    this.getArray = function () {
      return lines.map(function (l) { return { getArray: function () { return l; } }; });
    };
  };
  window.google = { maps: { Map: Map, LatLng: LatLng, LatLngBounds: Bounds, Polyline: Obj,
    Marker: Obj, Data: Data, Size: Obj, Point: Obj, MapTypeId: {}, SymbolPath: {} } };
  window.__stubClick = function (lat, lng) {
    __stubMap.l.click({ latLng: new LatLng(lat, lng) });
  };
})();
)";

const char *const kBaiduStub = R"(
(function () {
  function Obj(a, o) { this.a = a; this.o = o || {}; }
  Obj.prototype.addEventListener = function () {};
  Obj.prototype.getPath = function () { return this.a; };
  Obj.prototype.getPosition = function () { return this.a; };
  Obj.prototype.getStrokeColor = function () { return this.o.strokeColor; };
  Obj.prototype.getTitle = function () { return this.o.title; };
  Obj.prototype.setPosition = function (p) { this.a = p; };
  function Map() { this.overlays = []; window.__stubMap = this; }
  Map.prototype = {
    centerAndZoom: function () {}, enableScrollWheelZoom: function () {},
    addControl: function () {}, setViewport: function () {},
    addEventListener: function (n, f) { this['on' + n] = f; },
    addOverlay: function (o) { this.overlays.push(o); },
    getOverlays: function () { return this.overlays.slice(); },
    removeOverlay: function (o) {
      this.overlays = this.overlays.filter(function (x) { return x !== o; });
    },
    clearOverlays: function () {
      this.overlays = this.overlays.filter(function (x) { return x.o.enableMassClear === false; });
    }
  };
  window.BMap = { Map: Map, Point: function (lng, lat) { this.lng = lng; this.lat = lat; },
    Polyline: Obj, Marker: Obj, Icon: Obj, Size: Obj, NavigationControl: Obj, MapTypeControl: Obj };
  window.__stubClick = function (lat, lng) {
    __stubMap.onclick({ point: new BMap.Point(lng, lat) });
  };
})();
)";

} // namespace

class TestMapPages : public QObject
{
    Q_OBJECT

private:
    // Three fixes of a drive's part, from second `first` on, starting at longitude `lng`.
    static QString part(int first, double lng)
    {
        QStringList points;
        for (int t = first; t < first + 3; ++t)
            points << QStringLiteral("{lng:%1,lat:%2,t:%3,k:20}")
                          .arg(lng + (t - first) * 0.002, 0, 'f', 6)
                          .arg(52.52 + (t - first) * 0.001, 0, 'f', 6)
                          .arg(t);
        return QLatin1Char('[') + points.join(QLatin1Char(',')) + QLatin1Char(']');
    }

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
        map.page()->setHtml(html, mapkit::pageUrl(page));
    }

private slots:
    // The resource tree's copies work as pages: script, Leaflet and markers resolve inside it.
    void resourceTreePageDraws()
    {
        QStringList files = kPages;
        files << "qmarlmap.js" << "qmarlmap.css" << "leaflet/leaflet.js" << "leaflet/leaflet.css"
              << "leaflet/images/layers.png" << "map_tab_s.png" << "map_tab_f.png"
              << "map_tab_current.png";
        for (const QString &name : files) {
            QFile resource(":/maps/mapinfo/" + name);
            QFile onDisk(mapkit::binDir() + '/' + name);
            QVERIFY2(resource.open(QIODevice::ReadOnly) && onDisk.open(QIODevice::ReadOnly),
                     qPrintable(name));
            QCOMPARE(resource.readAll(), onDisk.readAll());
        }
        MapPage map;
        map.view()->show();
        map.load(QUrl("qrc:/maps/mapinfo/solvaneos.html"));
        QCOMPARE(map.waitReady().value("kind").toString(), QStringLiteral("osm"));
        map.js("initGPSLine(" + mapkit::routeText(kTrack) + ", '#5298ff')");
        QTRY_VERIFY_WITH_TIMEOUT(
            map.js("Array.prototype.filter.call(document.querySelectorAll("
                   "'img.leaflet-marker-icon'), function (i) {"
                   " return i.complete && i.naturalWidth === 22; }).length")
                    .toInt() == 3,
            10000);
        noScriptErrors(map);
    }

    void serviceScriptAskedWithKey_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("note");
        const QString google = "key=TESTKEY&callback=initMap&language=";
        QTest::newRow("gg") << "solvanegg.html" << "maps.googleapis.com" << google + "en" << "Google";
        QTest::newRow("vi") << "solvanegg_vi.html" << "maps.googleapis.com" << google + "vi" << "Google";
        QTest::newRow("bd") << "solvanebd.html" << "api.map.baidu.com"
                            << "v=2.0&ak=TESTKEY&callback=initMap" << "Baidu";
    }

    // A blocked service script: fallback map with a note; asked with key, callback and language.
    void serviceScriptAskedWithKey()
    {
        QFETCH(QString, page);
        QFETCH(QString, host);
        QFETCH(QString, query);
        QFETCH(QString, note);
        MapPage map;
        loadWithKey(map, page);
        const QJsonObject s = map.waitReady();
        QCOMPARE(s.value("kind").toString(), QStringLiteral("fallback"));
        QVERIFY2(s.value("note").toString().contains(note), qPrintable(describe(s)));
        QCOMPARE(map.js("document.getElementById('qmarl-note').textContent").toString(),
                 s.value("note").toString());
        const QStringList asked = map.interceptor()->blocked().filter(host);
        QCOMPARE(asked.size(), 1);
        const QUrlQuery got(QUrl(asked.first()));
        for (const auto &item : QUrlQuery(query).queryItems())
            QCOMPARE(got.queryItemValue(item.first), item.second);
        noScriptErrors(map);
    }

    void scriptInterface_data()
    {
        QTest::addColumn<QString>("page");
        for (const QString &page : kPages)
            QTest::newRow(qPrintable(page)) << page;
    }

    // No key, no network: the OSM page on its own map, the service pages on the fallback map.
    void scriptInterface()
    {
        QFETCH(QString, page);
        MapPage map;
        map.load(mapkit::pageUrl(page));
        QJsonObject s = map.waitReady();
        QCOMPARE(s.value("kind").toString(), expectedKind(page));
        QCOMPARE(s.value("note").toString().isEmpty(), page == QLatin1String("solvaneos.html"));

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

        // Input the page cannot use draws nothing and throws nothing; of a list, the usable
        // points are drawn; the page's functions cannot be replaced by a careless script.
        QCOMPARE(map.js(call("initGPSLine('[{lng:1,lat:2}]', '#5298ff')")).toString(),
                 QStringLiteral("ok"));
        QCOMPARE(map.state().value("linePoints").toInt(), 0);
        QCOMPARE(map.js(call("initGPSLine([{lng:NaN,lat:1}, {lng:13.4,lat:52.5}, null,"
                             "{lng:'x',lat:2}, {lng:1e999,lat:0}, {lat:3}, {lng:200,lat:0},"
                             "{lng:13.5,lat:52.6}], '\"><script>')"))
                     .toString(),
                 QStringLiteral("ok"));
        QCOMPARE(map.state().value("linePoints").toInt(), 2);
        for (const QString bad : {"moveGPS(null)", "moveGPS({lng:NaN,lat:0})", "startGPS(2)",
                                   "startGPS(0.5)", "window.initGPSLine = null"})
            QCOMPARE(map.js(call(bad)).toString(), QStringLiteral("ok"));
        QVERIFY(near(map.state().value("moving"), {13.4, 52.5}));
        QCOMPARE(map.js("typeof initGPSLine").toString(), QStringLiteral("function"));
        noScriptErrors(map);
    }

    void callsBeforeTheMapExistsAreKept_data() { scriptInterface_data(); }

    // Made as soon as the document is parsed, before the service pages have a map.
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

    void speedColoursEventsAndPicking_data() { scriptInterface_data(); }

    // Marker text stays text; a click picks the nearest sample (the window is not there to seek).
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

        // A scale the page cannot trust leaves the plain colour and no legend.
        map.js("initGPSLine(" + route + ", '#5298ff', {scale:{unit:'<b>',factor:1,bands:[1,2,3,4]}})");
        s = map.state();
        QCOMPARE(s.value("lineColors").toArray(), QJsonArray({"#5298ff"}));
        QCOMPARE(s.value("legend").toString(), QString());
        noScriptErrors(map);
    }

    // Other recordings around the open one, markers at the drive's ends; a click on one plays it.
    void otherRecordingsAreDrawnAndPlayable()
    {
        MapPage map;
        map.view()->show();
        QVERIFY(QTest::qWaitForWindowExposed(map.view()));
        map.load(mapkit::pageUrl(QStringLiteral("solvaneos.html")));
        QVERIFY(!map.waitReady().isEmpty());
        // Before, the open recording, after; a part without a sound id is left out.
        map.js("initGPSLine(" + part(0, 13.40) + ", '#5298ff', {drive: {before: [{id: 0, "
               "points: " + part(0, 13.39) + "}], after: [{id: 1, points: " + part(0, 13.41) +
               "}, {id: 'x', points: " + part(0, 13.42) + "}, {id: 2.5, points: []}]}})");
        const QJsonObject s = map.state();
        QCOMPARE(s.value("driveParts").toInt(), 2);
        QCOMPARE(s.value("linePoints").toInt(), 3);
        QCOMPARE(s.value("start").toObject().value("lng").toDouble(), 13.39);
        QCOMPARE(s.value("end").toObject().value("lng").toDouble(), 13.414);
        QCOMPARE(s.value("moving").toObject().value("lng").toDouble(), 13.40);

        const QVariantMap pixel = map.js("qmarlSamplePixel(1, 1)").toMap();
        QVERIFY(pixel.contains("x"));
        QTest::mouseClick(map.view()->focusProxy(), Qt::LeftButton, {},
                          QPoint(pixel.value("x").toInt() + 3, pixel.value("y").toInt() - 2));
        const QJsonObject picked =
            map.waitState([](const QJsonObject &o) { return !o.value("lastPick").isNull(); });
        QCOMPARE(picked.value("lastPick").toObject(),
                 (QJsonObject{{"id", 1}, {"t", 1}, {"action", "play"}}));
        QVERIFY(map.page()->errors.isEmpty());
    }

    void archiveAndPlacesOnServiceMaps_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("stub");
        QTest::newRow("google") << "solvanegg.html" << kGoogleStub;
        QTest::newRow("baidu") << "solvanebd.html" << kBaiduStub;
    }

    // Kept while the route comes and goes, removed by an empty list; Baidu draws it in BD-09 as the
    // window converts routes. A click names the place in WGS-84 only while picking.
    void archiveAndPlacesOnServiceMaps()
    {
        QFETCH(QString, page);
        QFETCH(QString, stub);
        MapPage map;
        map.inject("stub", stub);
        map.load(mapkit::pageUrl(page));
        const QString kind = map.waitReady().value("kind").toString();
        QCOMPARE(kind, QString::fromLatin1(QTest::currentDataTag()));
        // Beijing, where the two systems differ by several hundred metres.
        const QPointF wgs(116.397128, 39.916527);
        QPointF shown = wgs;
        if (kind == QLatin1String("baidu")) {
            double gLng = 0, gLat = 0, bLng = 0, bLat = 0;
            wgs84ToGcj02(wgs.x(), wgs.y(), &gLng, &gLat);
            gcj02ToBd09(gLng, gLat, &bLng, &bLat);
            shown = {bLng, bLat};
        }
        const QString archive = QStringLiteral("showArchive([[%1,%2,116.4,39.92],"
                                               "[13.4,52.5,13.41,52.51,13.42,52.52],[1,2,3]])")
                                    .arg(wgs.x(), 0, 'f', 6)
                                    .arg(wgs.y(), 0, 'f', 6);
        QCOMPARE(map.js(call(archive)).toString(), QStringLiteral("ok"));
        const QStringList steps = {"0", "initGPSLine(" + mapkit::routeText(kTrack) + ")",
                                   "clearGPSLine()"};
        for (const QString &step : steps) {
            map.js(step);
            const QJsonObject s = map.state();
            QCOMPARE(s.value("archiveRoutes").toInt(), 2);
            QCOMPARE(s.value("archivePoints").toInt(), 5);
            QVERIFY2(near(s.value("archiveFirst"), shown, 1e-9), qPrintable(describe(s)));
        }
        map.js("setPlacePicking(true); __stubClick(" + QString::number(shown.y(), 'f', 9) + ',' +
               QString::number(shown.x(), 'f', 9) + ')');
        QJsonObject pick = map.state().value("lastPick").toObject();
        QCOMPARE(pick.value("action").toString(), QStringLiteral("place"));
        QVERIFY2(near(pick, wgs, 1e-6), qPrintable(describe(pick)));
        map.js("setPlacePicking(false); __stubClick(10, 20)");
        pick = map.state().value("lastPick").toObject();
        QVERIFY2(near(pick, wgs, 1e-6), qPrintable(describe(pick)));
        map.js("showArchive([])");
        QCOMPARE(map.state().value("archiveRoutes").toInt(), 0);
        noScriptErrors(map);
    }

    // Page script may ask for a whole second of the open recording or of the drive's; nothing else.
    void bridgeTakesOnlySecondsItKnows_data()
    {
        QTest::addColumn<QVariant>("id"); // none: a seek in the open recording of 100 s
        QTest::addColumn<QVariant>("second");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("a second") << QVariant() << QVariant(12.0) << true;
        QTest::newRow("the last") << QVariant() << QVariant(qlonglong(99)) << true;
        QTest::newRow("past the end") << QVariant() << QVariant(100.0) << false;
        QTest::newRow("not a number") << QVariant() << QVariant(std::nan("")) << false;
        QTest::newRow("a text") << QVariant() << QVariant(QStringLiteral("12")) << false;
        QTest::newRow("last second of the second recording") << QVariant(1) << QVariant(4.0) << true;
        QTest::newRow("second past the end") << QVariant(1) << QVariant(5) << false;
        QTest::newRow("unknown recording") << QVariant(2) << QVariant(0) << false;
        QTest::newRow("negative id") << QVariant(-1) << QVariant(0) << false;
        QTest::newRow("fraction") << QVariant(0) << QVariant(1.5) << false;
        QTest::newRow("id as text") << QVariant(QStringLiteral("0")) << QVariant(1) << false;
    }

    void bridgeTakesOnlySecondsItKnows()
    {
        QFETCH(QVariant, id);
        QFETCH(QVariant, second);
        QFETCH(bool, accepted);
        MapBridge bridge;
        bridge.setSecondCount(100);
        bridge.setDriveSecondCounts({3, 5});
        QSignalSpy seeks(&bridge, &MapBridge::seekRequested);
        QSignalSpy played(&bridge, &MapBridge::playRecordingRequested);
        s_passOn = qInstallMessageHandler(dropMapMessages);
        if (id.isValid())
            bridge.playRecordingAt(id, second);
        else
            bridge.seekToSecond(second);
        qInstallMessageHandler(s_passOn);
        QCOMPARE(seeks.count() + played.count(), accepted ? 1 : 0);
        const QVariantList expected = id.isValid() ? QVariantList{id.toInt(), second.toInt()}
                                                   : QVariantList{second.toInt()};
        if (accepted)
            QCOMPARE(id.isValid() ? played.first() : seeks.first(), expected);
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
