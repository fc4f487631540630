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
 *
 * initGPSLine(points, color, options): a point is {lng, lat, t, k} with t its second in the
 * recording and k its speed in knots; options.scale {unit, factor, bands} colours the route by
 * speed (factor turns knots into the unit, four band limits in that unit) and adds a legend;
 * options.events [{t, kind, text}] puts a marker per driving event on the route (an event with
 * lat and lon, WGS-84, is put there instead: the car's own estimate of where it was);
 * options.drive {before, after}, lists of {id, points} in time order, draws the other
 * recordings of the drive thinner and paler around this one, with the start and end markers at
 * the drive's ends.
 *
 * showArchive(routes) draws many recordings at once, each a flat list [lng, lat, lng, lat, ...]
 * in WGS-84, as thin light lines (an empty list takes them away); setPlacePicking(on) makes a
 * click on the map ask the window for the place (WGS-84) instead of a seek. Both work on every
 * backend.
 *
 * useOfflineTiles({minZoom, maxZoom, west, south, east, north, version}) puts the streets of the
 * chosen MBTiles file, served as qmarl-tiles:/{z}/{x}/{y}?v={version}, under everything else on
 * the bundled map (the version changes with the file, so no tile of another file is shown from
 * the browser's cache):
 * the file's zoom range (tiles of the nearest level scaled beyond it) within its bounds; null
 * takes them away. Online tiles, where they load, lie above them.
 *
 * The page answers back through the window's web channel object "qmarlBridge": a click near
 * the route asks the window to seek to the nearest sample's second; a click near another
 * recording's part asks it to play that recording (its id) from that sample's second.
 */
(function (global) {
    'use strict';

    var SERVICE_TIMEOUT_MS = 10000;

    var model = { drawn: false, track: [], color: '#5298ff', moving: null, scale: null,
                  events: [], parts: [], archive: [], picking: false, offline: null };
    var config = {};
    var backend = null;
    var pendingKind = 'loading';
    var note = '';
    var reason = '';
    var serviceTimer = null;
    var bridge = null;
    var lastPick = null;

    // Speed bands from slow to fast; the route between two samples takes the colour of the
    // later one.
    var BAND_COLORS = ['#1a9850', '#91cf60', '#f2c80f', '#fc8d59', '#d73027'];
    var EVENT_COLORS = { braking: '#e53935', acceleration: '#ffb300', jolt: '#ab47bc',
                         car: '#1e88e5' };
    var PICK_PX = 15;
    var PART_COLOR = '#8fa3bf';
    var ARCHIVE_COLOR = '#ff7043';
    var ARCHIVE_MAX_POINTS = 5000000;
    var OFFLINE_TILES_URL = 'qmarl-tiles:/{z}/{x}/{y}';
    var MAX_TILE_ZOOM = 30;
    var MAX_LATITUDE = 85.0511287798;

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

    function toSecond(v) {
        var t = toNumber(v);
        return isFinite(t) && Math.floor(t) === t && t >= 0 && t < 1e7 ? t : null;
    }

    // A route point keeps its second and speed only when both are sound; without them it is
    // drawn in the plain colour and cannot be picked.
    function toTrack(pts) {
        var track = [];
        if (!Array.isArray(pts))
            return track;
        for (var i = 0; i < pts.length; ++i) {
            var p = toPoint(pts[i]);
            if (!p)
                continue;
            var t = toSecond(pts[i].t), k = toNumber(pts[i].k);
            if (t !== null)
                p.t = t;
            if (isFinite(k) && k >= 0 && k < 1000)
                p.k = k;
            track.push(p);
        }
        return track;
    }

    function toScale(scale) {
        if (scale === null || typeof scale !== 'object')
            return null;
        var unit = scale.unit, factor = toNumber(scale.factor);
        if ((unit !== 'km/h' && unit !== 'mph') || !isFinite(factor) || factor <= 0 || factor > 10 ||
                !Array.isArray(scale.bands) || scale.bands.length !== BAND_COLORS.length - 1)
            return null;
        var bands = [];
        for (var i = 0; i < scale.bands.length; ++i) {
            var b = toNumber(scale.bands[i]);
            if (!isFinite(b) || b <= 0 || b > 1000 || (i && b <= bands[i - 1]))
                return null;
            bands.push(b);
        }
        return { unit: unit, factor: factor, bands: bands };
    }

    // Where an event's marker goes: its own position when it brings a sound one, in the
    // coordinates the route arrived in (BD-09 for Baidu Map), else the route's point.
    function eventPoint(e, routePoint) {
        var lat = toNumber(e.lat), lng = toNumber(e.lon);
        if (!isFinite(lat) || !isFinite(lng) || Math.abs(lat) > 90 || Math.abs(lng) > 180)
            return routePoint;
        var kind = backend ? backend.kind : pendingKind;
        var p = kind === 'baidu' ? wgsToBd(lng, lat) : { lng: lng, lat: lat };
        return { lng: p.lng, lat: p.lat, t: routePoint.t, k: routePoint.k };
    }

    function toEvents(events, track) {
        var out = [];
        if (!Array.isArray(events))
            return out;
        for (var i = 0; i < events.length && out.length < 1000; ++i) {
            var e = events[i];
            if (e === null || typeof e !== 'object' || !EVENT_COLORS.hasOwnProperty(e.kind))
                continue;
            var t = toSecond(e.t);
            var at = t === null ? -1 : sampleIndexAt(track, t);
            if (at < 0)
                continue;
            var text = typeof e.text === 'string' ? e.text.slice(0, 200) : '';
            var lead = toSecond(e.lead);
            out.push({ t: t, lead: lead === null ? track[at].t : lead, kind: e.kind, text: text,
                       point: eventPoint(e, track[at]), color: EVENT_COLORS[e.kind] });
        }
        return out;
    }

    // The other recordings of the drive, each with a sound id and at least one point.
    function toParts(drive) {
        var parts = [];
        if (drive === null || typeof drive !== 'object')
            return parts;
        ['before', 'after'].forEach(function (side) {
            var list = Array.isArray(drive[side]) ? drive[side] : [];
            for (var i = 0; i < list.length && parts.length < 1000; ++i) {
                var p = list[i];
                if (p === null || typeof p !== 'object')
                    continue;
                var id = toSecond(p.id), track = toTrack(p.points);
                if (id !== null && track.length)
                    parts.push({ id: id, track: track, after: side === 'after' });
            }
        });
        return parts;
    }

    // Flat [lng, lat, ...] lists; a list with a point out of range is left out whole.
    function toArchive(routes) {
        var out = [], total = 0;
        if (!Array.isArray(routes))
            return out;
        for (var i = 0; i < routes.length; ++i) {
            var r = routes[i];
            if (!Array.isArray(r) || r.length < 4 || r.length % 2 ||
                    total + r.length / 2 > ARCHIVE_MAX_POINTS)
                continue;
            var line = [], sound = true;
            for (var j = 0; j < r.length && sound; j += 2) {
                var lng = r[j], lat = r[j + 1];
                sound = typeof lng === 'number' && typeof lat === 'number' && lng >= -180 &&
                        lng <= 180 && lat >= -90 && lat <= 90;
                line.push([lat, lng]);
            }
            if (sound) {
                out.push(line);
                total += line.length;
            }
        }
        return out;
    }

    // Every point of the drive in time order: the parts before, this recording, the parts after.
    function drivePoints(track, parts) {
        var all = [];
        parts.forEach(function (part) { if (!part.after) all = all.concat(part.track); });
        all = all.concat(track);
        parts.forEach(function (part) { if (part.after) all = all.concat(part.track); });
        return all;
    }

    // The route point of the second t, or the nearest one with a fix.
    function sampleIndexAt(track, t) {
        var best = -1, bestGap = Infinity;
        for (var i = 0; i < track.length; ++i) {
            if (track[i].t === undefined)
                continue;
            var gap = Math.abs(track[i].t - t);
            if (gap < bestGap) {
                best = i;
                bestGap = gap;
            }
        }
        return best;
    }

    function bandOf(p) {
        if (!model.scale || p.k === undefined)
            return -1;
        var v = p.k * model.scale.factor, b = 0;
        while (b < model.scale.bands.length && v >= model.scale.bands[b])
            ++b;
        return b;
    }

    // The route as runs of one colour; each run starts at the last point of the one before,
    // so the line has no gaps.
    function colourRuns(track) {
        var runs = [];
        var current = null;
        for (var i = 0; i < track.length; ++i) {
            var band = bandOf(track[i]);
            var color = band < 0 ? model.color : BAND_COLORS[band];
            if (!current || current.color !== color) {
                current = { color: color, points: current ? [track[i - 1]] : [] };
                runs.push(current);
            }
            current.points.push(track[i]);
        }
        return runs;
    }

    function twoDigits(n) {
        return (n < 10 ? '0' : '') + n;
    }

    function sampleText(p) {
        var t = p.t;
        var text = twoDigits(Math.floor(t / 3600)) + ':' + twoDigits(Math.floor(t / 60) % 60) +
                   ':' + twoDigits(t % 60);
        if (model.scale && p.k !== undefined)
            text += '  ' + Math.round(p.k * model.scale.factor) + ' ' + model.scale.unit;
        return text;
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
        showLegend(model.drawn ? model.scale : null);
        hideHover();
        if (!backend)
            return;
        guarded(function () {
            backend.clear();
            if (model.drawn) {
                backend.draw(model.track, colourRuns(model.track), model.events, model.parts);
                if (model.moving)
                    backend.move(model.moving);
            }
            drawArchive();
        });
    }

    // The file's zoom range and bounds as the window gives them; nothing usable, no layer.
    function toOffline(o) {
        if (o === null || typeof o !== 'object')
            return null;
        var minZoom = toNumber(o.minZoom), maxZoom = toNumber(o.maxZoom);
        if (!Number.isInteger(minZoom) || !Number.isInteger(maxZoom) || minZoom < 0 ||
            minZoom > maxZoom || maxZoom > MAX_TILE_ZOOM) {
            warn('offline tiles refused: zoom range ' + o.minZoom + '-' + o.maxZoom);
            return null;
        }
        var w = toNumber(o.west), s = toNumber(o.south), e = toNumber(o.east), n = toNumber(o.north);
        var bounds = null;
        if ([w, s, e, n].every(isFinite) && w < e && s < n)
            bounds = [[Math.max(s, -MAX_LATITUDE), Math.max(w, -180)],
                      [Math.min(n, MAX_LATITUDE), Math.min(e, 180)]];
        var version = toNumber(o.version);
        return { minZoom: minZoom, maxZoom: maxZoom, bounds: bounds,
                 version: Number.isInteger(version) && version >= 0 ? version : 0 };
    }

    function useOfflineTiles(o) {
        model.offline = toOffline(o);
        if (backend && backend.offline)
            guarded(function () { backend.offline(model.offline); });
    }

    function drawArchive() {
        if (backend)
            backend.archive(model.archive, !model.drawn);
    }

    function showArchive(routes) {
        model.archive = toArchive(routes);
        if (backend)
            guarded(drawArchive);
    }

    function setPlacePicking(on) {
        model.picking = on === true;
    }

    function askPlace(lat, lng) {
        lastPick = { lat: lat, lng: lng, action: 'place' };
        if (bridge && typeof bridge.placeClicked === 'function')
            bridge.placeClicked(lat, lng);
    }

    // A click of a service map at WGS-84 (lat, lng): the place while picking, else `otherwise`.
    // Lines of the route take clicks before the map does, so they ask here too.
    function serviceClick(lat, lng, otherwise) {
        if (model.picking)
            askPlace(lat, lng);
        else if (otherwise)
            otherwise();
    }

    // The archive's extent as [south, west, north, east], from its [lat, lng] points.
    function archiveExtent(routes) {
        var e = [Infinity, Infinity, -Infinity, -Infinity];
        routes.forEach(function (line) {
            line.forEach(function (p) {
                e[0] = Math.min(e[0], p[0]);
                e[1] = Math.min(e[1], p[1]);
                e[2] = Math.max(e[2], p[0]);
                e[3] = Math.max(e[3], p[1]);
            });
        });
        return e;
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

    function initGPSLine(pts, color, options) {
        var o = options !== null && typeof options === 'object' ? options : {};
        model.track = toTrack(pts);
        model.color = toColor(color);
        model.scale = toScale(o.scale);
        model.events = toEvents(o.events, model.track);
        model.parts = toParts(o.drive);
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
        model.events = [];
        model.parts = [];
        model.moving = null;
        showLegend(null);
        hideHover();
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

    // ---- Picking a sample on the route --------------------------------------------------

    function squaredToSegment(a, b, x, y) {
        var dx = b.x - a.x, dy = b.y - a.y;
        var len2 = dx * dx + dy * dy;
        var f = len2 > 0 ? Math.max(0, Math.min(1, ((x - a.x) * dx + (y - a.y) * dy) / len2)) : 0;
        var px = a.x + f * dx - x, py = a.y + f * dy - y;
        return px * px + py * py;
    }

    // The index of the sample nearest to (x, y) in the plane that project maps points to, when
    // the route passes within sqrt(limit2) of it; -1 otherwise.
    function nearestSample(project, x, y, limit2, of) {
        var track = of || model.track;
        var best = -1, bestD = Infinity, near = false, previous = null;
        for (var i = 0; i < track.length; ++i) {
            var q = project(track[i]);
            var d = (q.x - x) * (q.x - x) + (q.y - y) * (q.y - y);
            if (track[i].t !== undefined && d < bestD) {
                best = i;
                bestD = d;
            }
            if (d <= limit2 || (previous && squaredToSegment(previous, q, x, y) <= limit2))
                near = true;
            previous = q;
        }
        return near ? best : -1;
    }

    // A position given as map coordinates (the services report those): the nearest sample
    // by distance on the ground; the service already decided that the pointer is on the route.
    function nearestToLatLng(lat, lng) {
        var c = Math.cos(lat * Math.PI / 180);
        return nearestSample(function (p) { return { x: (p.lng - lng) * c, y: p.lat - lat }; },
                             0, 0, Infinity);
    }

    function picked(index, action, where) {
        if (index < 0 || !model.drawn) {
            if (action === 'hover')
                hideHover();
            return;
        }
        var p = model.track[index];
        if (action === 'seek') {
            hideHover();
            askSeek(p.t);
        } else {
            lastPick = { t: p.t, action: action };
            showHover(sampleText(p), where);
        }
    }

    // The part of another recording near (x, y): {part, index} of its nearest sample, or null.
    function partAt(project, x, y, limit2) {
        for (var i = 0; i < model.parts.length; ++i) {
            var index = nearestSample(project, x, y, limit2, model.parts[i].track);
            if (index >= 0)
                return { part: model.parts[i], index: index };
        }
        return null;
    }

    function pickedPart(hit, action, where) {
        if (!hit || !model.drawn)
            return;
        var p = hit.part.track[hit.index];
        if (action === 'seek') {
            hideHover();
            askPlay(hit.part.id, p.t);
        } else {
            lastPick = { id: hit.part.id, t: p.t, action: action };
            showHover(sampleText(p), where);
        }
    }

    // Map coordinates on a part, as the services report them.
    function partNearLatLng(part, lat, lng) {
        var c = Math.cos(lat * Math.PI / 180);
        var index = nearestSample(function (p) { return { x: (p.lng - lng) * c, y: p.lat - lat }; },
                                  0, 0, Infinity, part.track);
        return index < 0 ? null : { part: part, index: index };
    }

    function askPlay(id, t) {
        lastPick = { id: id, t: t, action: 'play' };
        if (bridge && typeof bridge.playRecordingAt === 'function')
            bridge.playRecordingAt(id, t);
    }

    function askSeek(t) {
        lastPick = { t: t, action: 'seek' };
        if (bridge && typeof bridge.seekToSecond === 'function')
            bridge.seekToSecond(t);
    }

    function connectBridge() {
        if (!global.QWebChannel || !global.qt || !global.qt.webChannelTransport)
            return; // a page without the window (a plain browser): the map only shows
        try {
            new global.QWebChannel(global.qt.webChannelTransport, function (channel) {
                bridge = channel.objects.qmarlBridge || null;
            });
        } catch (e) {
            warn('no channel to the window: ' + e);
        }
    }

    // ---- Legend and hover text ----------------------------------------------------------

    function cornerElement(id, className) {
        var el = document.getElementById(id);
        if (!el) {
            el = document.createElement('div');
            el.id = id;
            el.className = className;
            document.body.appendChild(el);
        }
        return el;
    }

    function showLegend(scale) {
        var existing = document.getElementById('qmarl-legend');
        if (!scale) {
            if (existing)
                existing.style.display = 'none';
            return;
        }
        var el = cornerElement('qmarl-legend', 'qmarl-legend');
        while (el.firstChild)
            el.removeChild(el.firstChild);
        var head = document.createElement('div');
        head.textContent = scale.unit;
        el.appendChild(head);
        var b = scale.bands;
        for (var i = 0; i < BAND_COLORS.length; ++i) {
            var row = document.createElement('div');
            var swatch = document.createElement('span');
            swatch.className = 'qmarl-swatch';
            swatch.style.background = BAND_COLORS[i];
            row.appendChild(swatch);
            row.appendChild(document.createTextNode(
                i === 0 ? '< ' + b[0] : i === b.length ? '≥ ' + b[b.length - 1]
                                                        : b[i - 1] + '–' + b[i]));
            el.appendChild(row);
        }
        el.style.display = '';
    }

    function showHover(text, where) {
        var el = cornerElement('qmarl-hover', 'qmarl-hover');
        el.textContent = text;
        if (where && isFinite(where.x) && isFinite(where.y)) {
            el.style.left = (where.x + 14) + 'px';
            el.style.top = Math.max(0, where.y - 30) + 'px';
        }
        el.style.display = '';
    }

    function hideHover() {
        var el = document.getElementById('qmarl-hover');
        if (el)
            el.style.display = 'none';
    }

    function textElement(text) {
        var el = document.createElement('span');
        el.textContent = text;
        return el;
    }

    // ---- State for inspection -----------------------------------------------------------

    function mapState() {
        var state = {
            kind: backend ? backend.kind : pendingKind,
            linePoints: 0, hasStart: false, hasEnd: false, hasMoving: false,
            start: null, end: null, moving: null,
            note: note, reason: reason, lineColors: [], events: [], lastPick: lastPick,
            legend: '', bridge: !!bridge, driveParts: 0, archiveRoutes: 0, archivePoints: 0,
            archiveFirst: null, picking: model.picking, offline: null
        };
        var legend = document.getElementById('qmarl-legend');
        if (legend && legend.style.display !== 'none')
            state.legend = legend.textContent;
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
        var lines = [], events = [], partLines = [], start = null, end = null, moving = null;
        var display = toDisplay || function (p) { return p; };
        var offlineLayer = null, offlineLoads = 0;

        // Below the online tiles (zIndex 1): where those load they cover the file's streets.
        function setOffline(o) {
            if (offlineLayer)
                map.removeLayer(offlineLayer);
            offlineLayer = null;
            if (!o)
                return;
            var options = { minZoom: 0, maxZoom: 18, minNativeZoom: o.minZoom,
                            maxNativeZoom: o.maxZoom, zIndex: 0 };
            if (o.bounds)
                options.bounds = L.latLngBounds(o.bounds);
            offlineLayer = L.tileLayer(OFFLINE_TILES_URL + '?v=' + o.version, options);
            offlineLayer.on('load', function () { offlineLoads++; });
            offlineLayer.addTo(map);
        }

        // Tiles wait until the page has finished loading: image requests to an unreachable
        // tile server must not hold back the page's load signal, on which the window draws.
        whenLoaded(function () {
            L.tileLayer('https://tile.openstreetmap.org/{z}/{x}/{y}.png', {
                maxZoom: 18,
                attribution: '&copy; <a href="https://www.openstreetmap.org/copyright" ' +
                             'target="_blank">OpenStreetMap</a> contributors'
            }).addTo(map);
            setOffline(model.offline);
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

        function pixelOf(p) {
            return map.latLngToContainerPoint(latLng(p));
        }

        // Clicks and hovers anywhere on the map: the route is picked within a few pixels of
        // its line, not only on its few pixels of stroke. Hovers are handled once a frame.
        function pickAt(point, action) {
            var index = nearestSample(pixelOf, point.x, point.y, PICK_PX * PICK_PX);
            var hit = index < 0 ? partAt(pixelOf, point.x, point.y, PICK_PX * PICK_PX) : null;
            el.style.cursor = index >= 0 || hit ? 'pointer' : '';
            if (hit)
                pickedPart(hit, action, point);
            else
                picked(index, action, point);
        }
        var hoverAt = null;
        map.on('click', function (e) {
            if (model.picking)
                askPlace(e.latlng.lat, e.latlng.lng);
            else
                pickAt(e.containerPoint, 'seek');
        });
        // The whole archive: one line of many parts, drawn on a canvas.
        var archiveLine = null;
        var archiveRenderer = L.canvas({ padding: 0.2 });
        map.on('mousemove', function (e) {
            if (!hoverAt)
                global.requestAnimationFrame(function () {
                    if (hoverAt)
                        pickAt(hoverAt, 'hover');
                    hoverAt = null;
                });
            hoverAt = e.containerPoint;
        });
        map.on('mouseout', function () {
            hoverAt = null;
            hideHover();
        });

        return {
            kind: kind,
            isService: false,
            draw: function (track, runs, eventList, parts) {
                partLines = parts.map(function (part) {
                    return L.polyline(part.track.map(latLng), { color: PART_COLOR, weight: 3,
                                      opacity: 0.7, interactive: false }).addTo(map);
                });
                lines = runs.map(function (run) {
                    return L.polyline(run.points.map(latLng), { color: run.color, weight: 5,
                                      opacity: 0.9, interactive: false }).addTo(map);
                });
                if (!track.length)
                    return;
                var lls = drivePoints(track, parts).map(latLng);
                fit(L.latLngBounds(lls));
                start = L.marker(lls[0], { icon: iconS, interactive: false }).addTo(map);
                end = L.marker(lls[lls.length - 1], { icon: iconF, interactive: false }).addTo(map);
                moving = L.marker(latLng(track[0]), { icon: iconM, zIndexOffset: 1000,
                                                      interactive: false })
                             .addTo(map);
                events = eventList.map(function (e) {
                    var m = L.circleMarker(latLng(e.point), {
                        radius: 7, color: '#ffffff', weight: 2, fillColor: e.color,
                        fillOpacity: 1, bubblingMouseEvents: false
                    }).addTo(map);
                    m.bindTooltip(textElement(e.text), { direction: 'top' });
                    m.on('click', function () { askSeek(e.lead); });
                    m.qmarlEvent = e;
                    return m;
                });
            },
            move: function (p) {
                if (moving)
                    moving.setLatLng(latLng(p));
            },
            clear: function () {
                lines.concat(events, partLines, [start, end, moving]).forEach(function (layer) {
                    if (layer)
                        map.removeLayer(layer);
                });
                lines = [];
                events = [];
                partLines = [];
                start = end = moving = null;
                unfitted = null;
            },
            archive: function (routes, fitToIt) {
                if (archiveLine)
                    map.removeLayer(archiveLine);
                archiveLine = null;
                if (!routes.length)
                    return;
                archiveLine = L.polyline(routes, { color: ARCHIVE_COLOR, weight: 2, opacity: 0.6,
                                                   interactive: false, renderer: archiveRenderer })
                                  .addTo(map);
                if (fitToIt)
                    fit(archiveLine.getBounds());
            },
            pixelOf: pixelOf,
            offline: setOffline,
            setView: function (lat, lng, zoom) {
                map.setView([lat, lng], zoom, { animate: false });
            },
            pixelOfLatLng: function (lat, lng) {
                return map.latLngToContainerPoint([lat, lng]);
            },
            state: function (s) {
                if (offlineLayer)
                    s.offline = { minNativeZoom: offlineLayer.options.minNativeZoom,
                                  maxNativeZoom: offlineLayer.options.maxNativeZoom,
                                  bounded: !!offlineLayer.options.bounds,
                                  loading: offlineLayer.isLoading(), loads: offlineLoads };
                if (archiveLine && map.hasLayer(archiveLine)) {
                    s.archiveRoutes = archiveLine.getLatLngs().length;
                    archiveLine.getLatLngs().forEach(function (part) {
                        s.archivePoints += part.length;
                    });
                }
                function at(marker) {
                    if (!marker || !map.hasLayer(marker))
                        return null;
                    var ll = marker.getLatLng();
                    return { lng: ll.lng, lat: ll.lat };
                }
                lines.forEach(function (line, i) {
                    if (map.hasLayer(line)) {
                        s.linePoints += line.getLatLngs().length - (i ? 1 : 0);
                        s.lineColors.push(line.options.color);
                    }
                });
                events.forEach(function (m) {
                    var ll = m.getLatLng();
                    s.events.push({ lat: ll.lat, lng: ll.lng, kind: m.qmarlEvent.kind,
                                    text: m.getTooltip().getContent().textContent,
                                    color: m.options.fillColor });
                });
                s.driveParts = partLines.length;
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
        var lines = [], events = [], partLines = [], hit = null, start = null, end = null;
        var moving = null;
        // The whole archive: one feature of many lines in a data layer of its own.
        var archiveLayer = null, archiveFeature = null, archiveRoutes = null;

        function latLng(p) {
            return new g.LatLng(p.lat, p.lng);
        }

        function where(e) {
            var d = e && e.domEvent;
            return d && isFinite(d.clientX) ? { x: d.clientX, y: d.clientY } : null;
        }

        map.addListener('click', function (e) {
            if (e && e.latLng)
                serviceClick(e.latLng.lat(), e.latLng.lng(), null);
        });

        return {
            kind: 'google',
            isService: true,
            draw: function (track, runs, eventList, parts) {
                var path = track.map(latLng);
                partLines = parts.map(function (part) {
                    var line = new g.Polyline({ path: part.track.map(latLng), geodesic: true,
                                                strokeColor: PART_COLOR, strokeOpacity: 0.7,
                                                strokeWeight: 3, map: map, zIndex: 4 });
                    line.addListener('click', function (e) {
                        var lat = e.latLng.lat(), lng = e.latLng.lng();
                        serviceClick(lat, lng, function () {
                            pickedPart(partNearLatLng(part, lat, lng), 'seek', where(e));
                        });
                    });
                    return line;
                });
                lines = runs.map(function (run) {
                    return new g.Polyline({ path: run.points.map(latLng), geodesic: true,
                                            strokeColor: run.color, strokeOpacity: 1.0,
                                            strokeWeight: 4, clickable: false, map: map });
                });
                if (!path.length)
                    return;
                // An invisible wide line catches pointers within about 15 px of the route.
                hit = new g.Polyline({ path: path, strokeOpacity: 0, strokeWeight: 2 * PICK_PX,
                                       map: map, zIndex: 5 });
                hit.addListener('click', function (e) {
                    var lat = e.latLng.lat(), lng = e.latLng.lng();
                    serviceClick(lat, lng, function () {
                        picked(nearestToLatLng(lat, lng), 'seek', where(e));
                    });
                });
                hit.addListener('mousemove', function (e) {
                    picked(nearestToLatLng(e.latLng.lat(), e.latLng.lng()), 'hover', where(e));
                });
                hit.addListener('mouseout', hideHover);
                events = eventList.map(function (e) {
                    var m = new g.Marker({
                        position: latLng(e.point), map: map, title: e.text, zIndex: 900,
                        icon: { path: g.SymbolPath.CIRCLE, scale: 6, fillColor: e.color,
                                fillOpacity: 1, strokeColor: '#ffffff', strokeWeight: 2 }
                    });
                    m.addListener('click', function () { askSeek(e.lead); });
                    return m;
                });
                var whole = drivePoints(track, parts).map(latLng);
                var bounds = new g.LatLngBounds();
                whole.forEach(function (ll) { bounds.extend(ll); });
                map.fitBounds(bounds);
                start = new g.Marker({ position: whole[0], map: map, icon: 'map_tab_s.png' });
                end = new g.Marker({ position: whole[whole.length - 1], map: map,
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
                lines.concat(events, partLines, [hit, start, end, moving]).forEach(function (o) {
                    if (o)
                        o.setMap(null);
                });
                lines = [];
                events = [];
                partLines = [];
                hit = start = end = moving = null;
            },
            archive: function (routes, fitToIt) {
                // The same list again (the route drawn anew) keeps what is drawn.
                if (routes === archiveRoutes && (archiveLayer || !routes.length))
                    return;
                if (archiveLayer)
                    archiveLayer.setMap(null);
                archiveLayer = archiveFeature = null;
                archiveRoutes = routes;
                if (!routes.length)
                    return;
                archiveLayer = new g.Data();
                archiveLayer.setStyle({ strokeColor: ARCHIVE_COLOR, strokeWeight: 2,
                                        strokeOpacity: 0.6, clickable: false });
                archiveFeature = archiveLayer.add({ geometry: new g.Data.MultiLineString(
                    routes.map(function (line) {
                        return line.map(function (p) { return new g.LatLng(p[0], p[1]); });
                    })) });
                archiveLayer.setMap(map);
                if (fitToIt) {
                    var e = archiveExtent(routes);
                    map.fitBounds(new g.LatLngBounds(new g.LatLng(e[0], e[1]),
                                                     new g.LatLng(e[2], e[3])));
                }
            },
            state: function (s) {
                function at(marker) {
                    if (!marker)
                        return null;
                    var ll = marker.getPosition();
                    return { lng: ll.lng(), lat: ll.lat() };
                }
                if (archiveLayer && archiveLayer.getMap() === map) {
                    archiveFeature.getGeometry().getArray().forEach(function (line, i) {
                        var points = line.getArray();
                        s.archiveRoutes += 1;
                        s.archivePoints += points.length;
                        if (!i)
                            s.archiveFirst = { lat: points[0].lat(), lng: points[0].lng() };
                    });
                }
                lines.forEach(function (line, i) {
                    s.linePoints += line.getPath().getLength() - (i ? 1 : 0);
                    s.lineColors.push(line.get('strokeColor'));
                });
                events.forEach(function (m) {
                    var ll = m.getPosition();
                    s.events.push({ lat: ll.lat(), lng: ll.lng(), text: m.getTitle() });
                });
                s.start = at(start);
                s.end = at(end);
                s.moving = at(moving);
                s.hasStart = !!start;
                s.hasEnd = !!end;
                s.hasMoving = !!moving;
                s.driveParts = partLines.length;
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
        var lines = [], events = [], partLines = [], start = null, end = null, moving = null;
        var archiveLines = [], archiveRoutes = null;

        function point(p) {
            return new B.Point(p.lng, p.lat);
        }

        function onPick(action) {
            return function (e) {
                if (!e || !e.point)
                    return;
                var near = function () {
                    picked(nearestToLatLng(e.point.lat, e.point.lng), action, e.pixel);
                };
                if (action !== 'seek')
                    near();
                else
                    baiduClick(e, near);
            };
        }

        // The map's points are BD-09; the window's places are WGS-84.
        function baiduClick(e, otherwise) {
            var w = bdToWgs({ lng: e.point.lng, lat: e.point.lat });
            serviceClick(w.lat, w.lng, otherwise);
        }

        // A click on a line comes here as well, with the line as its overlay: the line's own
        // handler answers it.
        map.addEventListener('click', function (e) {
            if (e && e.point && !e.overlay)
                baiduClick(e, null);
        });

        return {
            kind: 'baidu',
            isService: true,
            draw: function (track, runs, eventList, parts) {
                var points = track.map(point);
                partLines = parts.map(function (part) {
                    var line = new B.Polyline(part.track.map(point), { strokeColor: PART_COLOR,
                                              strokeOpacity: 0.7, strokeWeight: 3 });
                    line.addEventListener('click', function (e) {
                        if (e && e.point)
                            baiduClick(e, function () {
                                pickedPart(partNearLatLng(part, e.point.lat, e.point.lng), 'seek',
                                           e.pixel);
                            });
                    });
                    map.addOverlay(line);
                    return line;
                });
                lines = runs.map(function (run) {
                    var line = new B.Polyline(run.points.map(point),
                                              { strokeColor: run.color, strokeOpacity: 1 });
                    map.addOverlay(line);
                    return line;
                });
                if (points.length) {
                    // An almost invisible wide line catches pointers near the route.
                    var hit = new B.Polyline(points, { strokeColor: '#000000', strokeOpacity: 0.01,
                                                       strokeWeight: 2 * PICK_PX });
                    hit.addEventListener('click', onPick('seek'));
                    hit.addEventListener('mousemove', onPick('hover'));
                    hit.addEventListener('mouseout', hideHover);
                    map.addOverlay(hit);
                }
                events = eventList.map(function (e) {
                    var m = new B.Marker(point(e.point), { title: e.text });
                    m.addEventListener('click', function () { askSeek(e.lead); });
                    map.addOverlay(m);
                    return m;
                });
                if (points.length)
                    map.centerAndZoom(points[0], 13);
                var whole = drivePoints(track, parts).map(point);
                if (points.length)
                    map.setViewport(whole);
                if (points.length < 2)
                    return;
                start = new B.Marker(whole[0],
                                     { icon: new B.Icon('map_tab_s.png', new B.Size(22, 44)) });
                end = new B.Marker(whole[whole.length - 1],
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
                // The archive's lines are kept: they are made immune to this.
                map.clearOverlays();
                lines = [];
                events = [];
                partLines = [];
                start = end = moving = null;
            },
            archive: function (routes, fitToIt) {
                if (routes === archiveRoutes && (archiveLines.length || !routes.length))
                    return;
                archiveLines.forEach(function (line) { map.removeOverlay(line); });
                archiveLines = [];
                archiveRoutes = routes;
                if (!routes.length)
                    return;
                // One light line per recording, in BD-09 like everything this map draws.
                var style = { strokeColor: ARCHIVE_COLOR, strokeWeight: 2, strokeOpacity: 0.6,
                              enableClicking: false, enableMassClear: false };
                archiveLines = routes.map(function (line) {
                    var overlay = new B.Polyline(line.map(function (p) {
                        var bd = wgsToBd(p[1], p[0]);
                        return new B.Point(bd.lng, bd.lat);
                    }), style);
                    map.addOverlay(overlay);
                    return overlay;
                });
                if (fitToIt) {
                    var e = archiveExtent(routes);
                    var sw = wgsToBd(e[1], e[0]), ne = wgsToBd(e[3], e[2]);
                    map.setViewport([new B.Point(sw.lng, sw.lat), new B.Point(ne.lng, ne.lat)]);
                }
            },
            state: function (s) {
                function at(marker) {
                    if (!marker)
                        return null;
                    var pt = marker.getPosition();
                    return { lng: pt.lng, lat: pt.lat };
                }
                // What the map holds, not what was handed to it.
                var onMap = new Set(map.getOverlays());
                archiveLines.forEach(function (line) {
                    if (!onMap.has(line))
                        return;
                    var path = line.getPath();
                    if (!s.archiveRoutes)
                        s.archiveFirst = { lat: path[0].lat, lng: path[0].lng };
                    s.archiveRoutes += 1;
                    s.archivePoints += path.length;
                });
                lines.forEach(function (line, i) {
                    s.linePoints += line.getPath().length - (i ? 1 : 0);
                    s.lineColors.push(line.getStrokeColor());
                });
                events.forEach(function (m) {
                    var pt = m.getPosition();
                    s.events.push({ lat: pt.lat, lng: pt.lng, text: m.getTitle() });
                });
                s.start = at(start);
                s.end = at(end);
                s.moving = at(moving);
                s.hasStart = !!start;
                s.hasEnd = !!end;
                s.hasMoving = !!moving;
                s.driveParts = partLines.length;
            }
        };
    }

    // ---- BD-09 and WGS-84 for the Baidu page ----------------------------------------------
    // The Baidu page is sent BD-09 for points inside China; OpenStreetMap tiles and the window's
    // places are WGS-84, so without these the route would sit several hundred metres off the
    // roads.

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

    // WGS-84 to BD-09 as the window converts the routes it sends: offset inside China only.
    function wgsToBd(lng, lat) {
        if (!isInChina(lng, lat))
            return { lng: lng, lat: lat };
        var gcj = wgsToGcj(lng, lat);
        var xPi = Math.PI * 3000.0 / 180.0;
        var z = Math.sqrt(gcj.lng * gcj.lng + gcj.lat * gcj.lat) + 0.00002 * Math.sin(gcj.lat * xPi);
        var theta = Math.atan2(gcj.lat, gcj.lng) + 0.000003 * Math.cos(gcj.lng * xPi);
        return { lng: z * Math.cos(theta) + 0.0065, lat: z * Math.sin(theta) + 0.006 };
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
        connectBridge();
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
    define('showArchive', safe(showArchive));
    define('setPlacePicking', safe(setPlacePicking));
    define('useOfflineTiles', safe(useOfflineTiles));
    define('qmarlMapState', function () { return mapState(); });
    // Where the sample of second t is drawn, in page pixels (the bundled map only), of this
    // recording or of the drive's part with the given id; for checks.
    define('qmarlSamplePixel', function (t, id) {
        var track = model.track;
        if (id !== undefined) {
            var part = model.parts.filter(function (q) { return q.id === id; })[0];
            track = part ? part.track : [];
        }
        var i = sampleIndexAt(track, toNumber(t));
        if (i < 0 || !backend || !backend.pixelOf)
            return null;
        var p = backend.pixelOf(track[i]);
        return { x: p.x, y: p.y };
    });
    // The bundled map's view and where a place lies on it, in page pixels; for checks.
    define('qmarlSetView', function (lat, lng, zoom) {
        if (backend && backend.setView)
            backend.setView(toNumber(lat), toNumber(lng), toNumber(zoom));
    });
    define('qmarlPixelAt', function (lat, lng) {
        if (!backend || !backend.pixelOfLatLng)
            return null;
        var p = backend.pixelOfLatLng(toNumber(lat), toNumber(lng));
        return { x: p.x, y: p.y };
    });
    define('qmarlMap', Object.freeze({ start: safe(start) }));
})(window);
