/*
 * Code shared by the map pages. Each page calls qmarlMap.start(config) with
 *   service: 'google' | 'baidu' | 'osm'
 *   key:     the service's key, empty when none was configured at build time
 *   language: language parameter of the Google script
 *   failNote: text shown in the corner when the service cannot be used
 *
 * The window drives the page through initGPSLine, moveGPS, clearGPSLine and startGPS. Those
 * calls only update the model below; whichever drawing backend is ready renders it. So calls
 * that arrive before the map exists are kept, and a service that fails late is replaced by the
 * bundled Leaflet map without losing the route. None of the four calls ever throws.
 */
(function (global) {
    'use strict';

    var SERVICE_TIMEOUT_MS = 10000;

    var model = { drawn: false, track: [], color: '#5298ff', moving: null };
    var config = {};
    var backend = null;
    var pendingKind = 'loading';
    var note = '';
    var reason = '';
    var serviceTimer = null;

    function warn(text) {
        if (global.console)
            global.console.warn('qmarlmap: ' + text);
    }

    // ---- Input checks -------------------------------------------------------------------

    // Numbers, or texts holding one; anything else (null, booleans, objects) is not a number.
    function toNumber(v) {
        if (typeof v === 'number')
            return v;
        if (typeof v === 'string' && v.trim() !== '')
            return Number(v);
        return NaN;
    }

    function toPoint(p) {
        if (p === null || typeof p !== 'object')
            return null;
        var lng = toNumber(p.lng), lat = toNumber(p.lat);
        if (!isFinite(lng) || !isFinite(lat) || lat < -90 || lat > 90 || lng < -180 || lng > 180)
            return null;
        return { lng: lng, lat: lat };
    }

    function toTrack(pts) {
        var track = [];
        if (!Array.isArray(pts))
            return track;
        for (var i = 0; i < pts.length; ++i) {
            var p = toPoint(pts[i]);
            if (p)
                track.push(p);
        }
        return track;
    }

    function toColor(color) {
        // Anything that is not a plain colour word or code keeps the default, so the value
        // never reaches a style attribute unchecked.
        if (typeof color === 'string' && /^(#[0-9a-fA-F]{3,8}|[a-zA-Z]{1,30})$/.test(color))
            return color;
        return '#5298ff';
    }

    // ---- Rendering the model ------------------------------------------------------------

    function render() {
        if (!backend)
            return;
        guarded(function () {
            backend.clear();
            if (model.drawn) {
                backend.draw(model.track, model.color);
                if (model.moving)
                    backend.move(model.moving);
            }
        });
    }

    // Runs a drawing step. A service that throws is replaced by the fallback map; an error of
    // the bundled map itself is logged and swallowed, since the window never reads results.
    function guarded(step) {
        try {
            step();
        } catch (e) {
            if (backend && backend.isService) {
                fallBack('the service failed while drawing: ' + e);
            } else {
                warn('drawing failed: ' + e);
            }
        }
    }

    function initGPSLine(pts, color) {
        model.track = toTrack(pts);
        model.color = toColor(color);
        model.drawn = true;
        model.moving = model.track.length ? model.track[0] : null;
        render();
    }

    function moveGPS(pt) {
        var p = toPoint(pt);
        if (!p || !model.drawn || !model.track.length)
            return;
        model.moving = p;
        if (backend)
            guarded(function () { backend.move(p); });
    }

    function clearGPSLine() {
        model.drawn = false;
        model.track = [];
        model.moving = null;
        if (backend)
            guarded(function () { backend.clear(); });
    }

    function startGPS(index) {
        var i = toNumber(index);
        if (!isFinite(i) || Math.floor(i) !== i || i < 0 || i >= model.track.length)
            return;
        moveGPS(model.track[i]);
    }

    function safe(fn) {
        return function () {
            try {
                fn.apply(null, arguments);
            } catch (e) {
                warn('call ignored: ' + e);
            }
        };
    }

    // ---- State for inspection -----------------------------------------------------------

    function mapState() {
        var state = {
            kind: backend ? backend.kind : pendingKind,
            linePoints: 0, hasStart: false, hasEnd: false, hasMoving: false,
            start: null, end: null, moving: null,
            note: note, reason: reason
        };
        if (backend) {
            try {
                backend.state(state);
            } catch (e) {
                state.error = String(e);
            }
        }
        return state;
    }

    // ---- Corner note --------------------------------------------------------------------

    function showNote(text) {
        note = text;
        var el = document.getElementById('qmarl-note');
        if (!el) {
            el = document.createElement('div');
            el.id = 'qmarl-note';
            el.className = 'qmarl-note';
            document.body.appendChild(el);
        }
        el.textContent = text;
    }

    // ---- Backends -----------------------------------------------------------------------

    // Every backend draws into a fresh element, so a failed service's leftovers go with it.
    function freshContainer() {
        var host = document.getElementById('map');
        while (host.firstChild)
            host.removeChild(host.firstChild);
        var el = document.createElement('div');
        el.className = 'qmarl-canvas';
        host.appendChild(el);
        return el;
    }

    function leafletBackend(kind, toDisplay) {
        var L = global.L;
        var el = freshContainer();
        var map = L.map(el, { center: [51.505, -0.09], zoom: 13, maxZoom: 18,
                              attributionControl: false });
        L.control.attribution({ prefix: false }).addTo(map);
        var iconS = L.icon({ iconUrl: 'map_tab_s.png', iconSize: [22, 22], iconAnchor: [12, 22] });
        var iconF = L.icon({ iconUrl: 'map_tab_f.png', iconSize: [22, 22], iconAnchor: [12, 22] });
        var iconM = L.icon({ iconUrl: 'map_tab_current.png', iconSize: [22, 22],
                             iconAnchor: [11, 11] });
        var line = null, start = null, end = null, moving = null;
        var display = toDisplay || function (p) { return p; };

        // Tiles wait until the page has finished loading: image requests to an unreachable
        // tile server must not hold back the page's load signal, on which the window draws.
        whenLoaded(function () {
            L.tileLayer('https://tile.openstreetmap.org/{z}/{x}/{y}.png', {
                maxZoom: 18,
                attribution: '&copy; <a href="https://www.openstreetmap.org/copyright" ' +
                             'target="_blank">OpenStreetMap</a> contributors'
            }).addTo(map);
        });

        // A map without size (its view hidden) cannot fit anything; it fits once it is shown.
        var unfitted = null;
        function fit(bounds) {
            var size = map.getSize();
            unfitted = size.x > 0 && size.y > 0 ? null : bounds;
            if (!unfitted)
                map.fitBounds(bounds);
        }
        map.on('resize', function () {
            if (unfitted)
                fit(unfitted);
        });

        function latLng(p) {
            var d = display(p);
            return [d.lat, d.lng];
        }

        return {
            kind: kind,
            isService: false,
            draw: function (track, color) {
                var lls = track.map(latLng);
                line = L.polyline(lls, { color: color, weight: 5, opacity: 0.9 }).addTo(map);
                if (!lls.length)
                    return;
                fit(line.getBounds());
                start = L.marker(lls[0], { icon: iconS }).addTo(map);
                end = L.marker(lls[lls.length - 1], { icon: iconF }).addTo(map);
                moving = L.marker(lls[0], { icon: iconM, zIndexOffset: 1000 }).addTo(map);
            },
            move: function (p) {
                if (moving)
                    moving.setLatLng(latLng(p));
            },
            clear: function () {
                [line, start, end, moving].forEach(function (layer) {
                    if (layer)
                        map.removeLayer(layer);
                });
                line = start = end = moving = null;
                unfitted = null;
            },
            state: function (s) {
                function at(marker) {
                    if (!marker || !map.hasLayer(marker))
                        return null;
                    var ll = marker.getLatLng();
                    return { lng: ll.lng, lat: ll.lat };
                }
                s.linePoints = line && map.hasLayer(line) ? line.getLatLngs().length : 0;
                s.start = at(start);
                s.end = at(end);
                s.moving = at(moving);
                s.hasStart = !!s.start;
                s.hasEnd = !!s.end;
                s.hasMoving = !!s.moving;
                var c = map.getCenter();
                s.view = { lat: c.lat, lng: c.lng, zoom: map.getZoom(), maxZoom: map.getMaxZoom() };
            }
        };
    }

    function googleBackend() {
        var g = global.google.maps;
        var el = freshContainer();
        var map = new g.Map(el, {
            zoom: 3,
            center: new g.LatLng(0, -180),
            mapTypeId: g.MapTypeId.TERRAIN,
            panControl: true,
            zoomControl: true,
            mapTypeControl: true,
            scaleControl: true,
            streetViewControl: true,
            overviewMapControl: true,
            rotateControl: true,
            clickableIcons: false
        });
        var line = null, start = null, end = null, moving = null;

        function latLng(p) {
            return new g.LatLng(p.lat, p.lng);
        }

        return {
            kind: 'google',
            isService: true,
            draw: function (track, color) {
                var path = track.map(latLng);
                line = new g.Polyline({ path: path, geodesic: true, strokeColor: color,
                                        strokeOpacity: 1.0, strokeWeight: 4, map: map });
                if (!path.length)
                    return;
                var bounds = new g.LatLngBounds();
                path.forEach(function (ll) { bounds.extend(ll); });
                map.fitBounds(bounds);
                start = new g.Marker({ position: path[0], map: map, icon: 'map_tab_s.png' });
                end = new g.Marker({ position: path[path.length - 1], map: map,
                                     icon: 'map_tab_f.png' });
                moving = new g.Marker({
                    position: path[0], map: map, zIndex: 1000,
                    icon: { url: 'map_tab_current.png', size: new g.Size(22, 22),
                            origin: new g.Point(0, 0), anchor: new g.Point(11, 11) }
                });
            },
            move: function (p) {
                if (moving)
                    moving.setPosition(latLng(p));
            },
            clear: function () {
                [line, start, end, moving].forEach(function (o) {
                    if (o)
                        o.setMap(null);
                });
                line = start = end = moving = null;
            },
            state: function (s) {
                function at(marker) {
                    if (!marker)
                        return null;
                    var ll = marker.getPosition();
                    return { lng: ll.lng(), lat: ll.lat() };
                }
                s.linePoints = line ? line.getPath().getLength() : 0;
                s.start = at(start);
                s.end = at(end);
                s.moving = at(moving);
                s.hasStart = !!start;
                s.hasEnd = !!end;
                s.hasMoving = !!moving;
            }
        };
    }

    function baiduBackend() {
        var B = global.BMap;
        var el = freshContainer();
        var map = new B.Map(el, { enableMapClick: false });
        map.centerAndZoom(new B.Point(116.404, 39.914336), 13);
        map.enableScrollWheelZoom(true);
        map.addControl(new B.NavigationControl());
        map.addControl(new B.MapTypeControl({
            mapTypes: [global.BMAP_NORMAL_MAP, global.BMAP_SATELLITE_MAP, global.BMAP_HYBRID_MAP]
        }));
        var line = null, start = null, end = null, moving = null;

        return {
            kind: 'baidu',
            isService: true,
            draw: function (track, color) {
                var points = track.map(function (p) { return new B.Point(p.lng, p.lat); });
                line = new B.Polyline(points, { strokeColor: color, strokeOpacity: 1 });
                map.addOverlay(line);
                if (points.length)
                    map.centerAndZoom(points[0], 13);
                if (points.length)
                    map.setViewport(points);
                if (points.length < 2)
                    return;
                start = new B.Marker(points[0],
                                     { icon: new B.Icon('map_tab_s.png', new B.Size(22, 44)) });
                end = new B.Marker(points[points.length - 1],
                                   { icon: new B.Icon('map_tab_f.png', new B.Size(22, 44)) });
                moving = new B.Marker(points[0], {
                    icon: new B.Icon('map_tab_current.png', new B.Size(22, 22))
                });
                map.addOverlay(start);
                map.addOverlay(end);
                map.addOverlay(moving);
            },
            move: function (p) {
                if (moving)
                    moving.setPosition(new B.Point(p.lng, p.lat));
            },
            clear: function () {
                map.clearOverlays();
                line = start = end = moving = null;
            },
            state: function (s) {
                function at(marker) {
                    if (!marker)
                        return null;
                    var pt = marker.getPosition();
                    return { lng: pt.lng, lat: pt.lat };
                }
                s.linePoints = line ? line.getPath().length : 0;
                s.start = at(start);
                s.end = at(end);
                s.moving = at(moving);
                s.hasStart = !!start;
                s.hasEnd = !!end;
                s.hasMoving = !!moving;
            }
        };
    }

    // ---- BD-09 back to WGS-84 for the fallback of the Baidu page --------------------------
    // The Baidu page is sent BD-09 for points inside China; OpenStreetMap tiles are WGS-84,
    // so without this the route would sit several hundred metres off the roads.

    var REGION = [[79.4462, 49.2204, 96.33, 42.8899], [109.6872, 54.1415, 135.0002, 39.3742],
                  [73.1246, 42.8899, 124.143255, 29.5297], [82.9684, 29.5297, 97.0352, 26.7186],
                  [97.0253, 29.5297, 124.367395, 20.414096],
                  [107.975793, 20.414096, 111.744104, 17.871542]];
    var EXCLUDE = [[119.921265, 25.398623, 122.497559, 21.785006], [101.8652, 22.284, 106.665, 20.0988],
                   [106.4525, 21.5422, 108.051, 20.4878], [109.0323, 55.8175, 119.127, 50.3257],
                   [127.4568, 55.8175, 137.0227, 49.5574], [131.2662, 44.8922, 137.0227, 42.5692]];

    function inRect(r, lng, lat) {
        return lng >= r[0] && lng <= r[2] && lat >= r[3] && lat <= r[1];
    }

    function isInChina(lng, lat) {
        return REGION.some(function (r) { return inRect(r, lng, lat); }) &&
               !EXCLUDE.some(function (r) { return inRect(r, lng, lat); });
    }

    function wgsToGcj(lng, lat) {
        var PI = Math.PI, A = 6378245.0, EE = 0.006693421622965943;
        var x = lng - 105.0, y = lat - 35.0;
        var dLat = -100.0 + 2.0 * x + 3.0 * y + 0.2 * y * y + 0.1 * x * y + 0.2 * Math.sqrt(Math.abs(x)) +
                   (20.0 * Math.sin(6.0 * x * PI) + 20.0 * Math.sin(2.0 * x * PI)) * 2.0 / 3.0 +
                   (20.0 * Math.sin(y * PI) + 40.0 * Math.sin(y / 3.0 * PI)) * 2.0 / 3.0 +
                   (160.0 * Math.sin(y / 12.0 * PI) + 320.0 * Math.sin(y * PI / 30.0)) * 2.0 / 3.0;
        var dLng = 300.0 + x + 2.0 * y + 0.1 * x * x + 0.1 * x * y + 0.1 * Math.sqrt(Math.abs(x)) +
                   (20.0 * Math.sin(6.0 * x * PI) + 20.0 * Math.sin(2.0 * x * PI)) * 2.0 / 3.0 +
                   (20.0 * Math.sin(x * PI) + 40.0 * Math.sin(x / 3.0 * PI)) * 2.0 / 3.0 +
                   (150.0 * Math.sin(x / 12.0 * PI) + 300.0 * Math.sin(x / 30.0 * PI)) * 2.0 / 3.0;
        var radLat = lat / 180.0 * PI;
        var magic = 1 - EE * Math.sin(radLat) * Math.sin(radLat);
        var sqrtMagic = Math.sqrt(magic);
        return { lng: lng + dLng * 180.0 / (A / sqrtMagic * Math.cos(radLat) * PI),
                 lat: lat + dLat * 180.0 / (A * (1 - EE) / (magic * sqrtMagic) * PI) };
    }

    function bdToWgs(p) {
        if (!isInChina(p.lng, p.lat))
            return p;
        var xPi = Math.PI * 3000.0 / 180.0;
        var x = p.lng - 0.0065, y = p.lat - 0.006;
        var z = Math.sqrt(x * x + y * y) - 0.00002 * Math.sin(y * xPi);
        var theta = Math.atan2(y, x) - 0.000003 * Math.cos(x * xPi);
        var gcj = { lng: z * Math.cos(theta), lat: z * Math.sin(theta) };
        // The WGS-84 to GCJ-02 offset has no closed inverse; a few fixed-point steps reach
        // well below a centimetre.
        var w = { lng: gcj.lng, lat: gcj.lat };
        for (var i = 0; i < 6; ++i) {
            var f = wgsToGcj(w.lng, w.lat);
            w = { lng: w.lng - (f.lng - gcj.lng), lat: w.lat - (f.lat - gcj.lat) };
        }
        return w;
    }

    // ---- Choosing and loading the backend -----------------------------------------------

    function whenLoaded(fn) {
        if (document.readyState === 'complete')
            setTimeout(fn, 0);
        else
            global.addEventListener('load', function () { setTimeout(fn, 0); });
    }

    function use(make) {
        backend = make();
        render();
    }

    function fallBack(why) {
        if (serviceTimer) {
            clearTimeout(serviceTimer);
            serviceTimer = null;
        }
        if (backend && !backend.isService)
            return; // already on the bundled map
        reason = why;
        warn(config.service + ' unavailable: ' + why);
        backend = null;
        pendingKind = 'fallback';
        showNote(config.failNote || 'The map service could not be loaded — showing the offline map');
        if (!global.L) {
            warn('the bundled map is missing as well');
            return;
        }
        try {
            use(function () {
                return leafletBackend('fallback', config.service === 'baidu' ? bdToWgs : null);
            });
        } catch (e) {
            backend = null;
            warn('the bundled map failed: ' + e);
        }
    }

    function serviceReady() {
        if (config.service === 'google')
            return !!(global.google && global.google.maps && global.google.maps.Map);
        return !!(global.BMap && global.BMap.Map);
    }

    function useService() {
        if (serviceTimer) {
            clearTimeout(serviceTimer);
            serviceTimer = null;
        }
        if (backend || pendingKind === 'fallback')
            return; // a late callback after the fallback took over
        if (!serviceReady()) {
            fallBack('the service script did not define its objects');
            return;
        }
        try {
            use(config.service === 'google' ? googleBackend : baiduBackend);
        } catch (e) {
            fallBack('the service failed to start: ' + e);
        }
    }

    function serviceUrl() {
        var key = encodeURIComponent(config.key);
        if (config.service === 'google')
            return 'https://maps.googleapis.com/maps/api/js?key=' + key +
                   '&callback=initMap&language=' + encodeURIComponent(config.language || 'en');
        // s=1: the loader's own resources over https as well.
        return 'https://api.map.baidu.com/api?v=2.0&ak=' + key + '&s=1&callback=initMap';
    }

    function loadService() {
        // Service objects already present (put there before the page's scripts ran) are used
        // as they are.
        if (serviceReady()) {
            useService();
            return;
        }
        if (!config.key) {
            fallBack('no key was configured for the service');
            return;
        }
        global.initMap = function () { useService(); };
        var script = document.createElement('script');
        script.src = serviceUrl();
        script.async = true;
        script.onerror = function () { fallBack('the service script could not be loaded'); };
        serviceTimer = setTimeout(function () {
            serviceTimer = null;
            if (!backend)
                fallBack('the service did not answer in time');
        }, SERVICE_TIMEOUT_MS);
        document.head.appendChild(script);
    }

    function start(cfg) {
        config = cfg || {};
        if (config.service === 'osm') {
            if (!global.L) {
                warn('the bundled map library is missing');
                return;
            }
            try {
                use(function () { return leafletBackend('osm', null); });
            } catch (e) {
                warn('the map failed to start: ' + e);
            }
            return;
        }
        if (config.service === 'google') {
            // Called by the Google script when it refuses the key, possibly after the map was
            // drawn; the route moves to the fallback map then.
            global.gm_authFailure = function () { fallBack('the service refused the key'); };
        }
        // The service script is requested only after the page's load, so that an unreachable
        // service cannot hold back the load signal on which the window draws the route.
        whenLoaded(loadService);
    }

    function define(name, value) {
        Object.defineProperty(global, name, { value: value, writable: false, configurable: false,
                                              enumerable: true });
    }

    define('initGPSLine', safe(initGPSLine));
    define('moveGPS', safe(moveGPS));
    define('clearGPSLine', safe(clearGPSLine));
    define('startGPS', safe(startGPS));
    define('qmarlMapState', function () { return mapState(); });
    define('qmarlMap', Object.freeze({ start: safe(start) }));
})(window);
