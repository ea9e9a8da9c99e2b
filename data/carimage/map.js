// The station's map page. map.htm carries the centre, the zoom and the marker file's name;
// the marker file holds one marker a line: latitude|longitude|icon|popup. The page draws
// them on a Leaflet map over the station's map sources (a layer list, tiles through the
// station's tile scheme) and the shipped coastline, and, when the station asks, reads both
// files again in place instead of reloading. Points marked with a right click go to the station through the
// web channel's "station" object, which also hears of zooms made inside the page.
(function () {
    'use strict';

    var MIN_ZOOM = 4;
    var MAX_ZOOM = 18;
    var OSM_URL = 'https://tile.openstreetmap.org/{z}/{x}/{y}.png';
    var OSM_ATTRIBUTION = '\u00a9 OpenStreetMap contributors';
    var LAND_FILE = 'lib/world-atlas/land-10m.json';
    var CELL = 3;         // pixels: a track position whose cell is drawn already is skipped
    var PICK_RADIUS = 12; // pixels around a click within which a track position is found
    var TRACK_SPRITE = 20;
    var HEADINGS = ['000', '045', '090', '135', '180', '225', '270', '315'];
    var HOUSE_KINDS = { '': true, '1': true, '2': true, '3': true, '4': true, '5': true };

    var texts = {
        name: 'Name of the new point:',
        add: 'Add',
        taken: 'The point becomes a point of interest within 20 seconds.',
        coastline: 'Coastline',
        offline: 'Offline: no map tile could be loaded, only the coastline is shown. See ' +
            '"Offline maps" in the README for maps that work without internet.'
    };
    var decoder = new TextDecoder('utf-8');
    var bridge = null;

    // ---- values of map.htm ------------------------------------------------------------

    function valueIn(doc, id) {
        var element = doc.getElementById(id);
        return element ? element.textContent : '';
    }

    function pageValues(doc) {
        var centre = valueIn(doc, 'centre').split(',');
        return {
            newIcon: valueIn(doc, 'newIcon'),
            lat: parseFloat(centre[0]),
            lng: parseFloat(centre[1]),
            zoom: parseFloat(valueIn(doc, 'zoom')),
            markers: valueIn(doc, 'markers') || 'markers.txt'
        };
    }

    var reads = 0;
    // The bytes of a file beside the page; never a cached copy.
    function readBytes(url) {
        return new Promise(function (resolve, reject) {
            var request = new XMLHttpRequest();
            request.open('GET', url + '?read=' + (++reads));
            request.responseType = 'arraybuffer';
            request.onload = function () {
                if ((request.status === 200 || request.status === 0) && request.response) {
                    resolve(new Uint8Array(request.response));
                } else {
                    reject(new Error(url + ': ' + request.status));
                }
            };
            request.onerror = function () { reject(new Error(url + ': unreadable')); };
            request.send();
        });
    }

    function readPage() {
        return readBytes(location.href.split(/[?#]/)[0]).then(function (bytes) {
            var doc = new DOMParser().parseFromString(decoder.decode(bytes), 'text/html');
            return pageValues(doc);
        });
    }

    // ---- the marker file --------------------------------------------------------------

    // Web Mercator at zoom 0 (a world of 256 pixels), as Leaflet projects.
    var MAX_LATITUDE = 85.0511287798;
    function projectX(lng) { return (lng + 180) / 360 * 256; }
    function projectY(lat) {
        var clamped = Math.max(-MAX_LATITUDE, Math.min(MAX_LATITUDE, lat));
        return 128 - 128 / Math.PI * Math.log(Math.tan(Math.PI / 4 + clamped * Math.PI / 360));
    }

    // A decimal number of the bytes from start to end; NaN when they hold none.
    function numberIn(bytes, start, end) {
        var i = start, negative = false, mantissa = 0, scale = 1, digits = 0;
        if (bytes[i] === 45 || bytes[i] === 43) {
            negative = bytes[i] === 45;
            i++;
        }
        for (; i < end && bytes[i] >= 48 && bytes[i] <= 57; i++, digits++) {
            mantissa = mantissa * 10 + (bytes[i] - 48);
        }
        if (i < end && bytes[i] === 46) {
            for (i++; i < end && bytes[i] >= 48 && bytes[i] <= 57; i++, digits++) {
                mantissa = mantissa * 10 + (bytes[i] - 48);
                scale *= 10;
            }
        }
        if (i !== end || digits === 0 || digits > 15) {
            // Anything unusual (an exponent, spaces, many digits) goes the slow, exact way.
            var text = decoder.decode(bytes.subarray(start, end)).trim();
            return text === '' ? NaN : Number(text);
        }
        var value = mantissa / scale;
        return negative ? -value : value;
    }

    // The heading index 0..7 when the icon bytes name a track position ("POI\carNNN.gif",
    // either slash, any case), otherwise -1.
    function trackHeading(bytes, start, end) {
        var name = 'poi\\car';
        if (end - start !== 14) {
            return -1;
        }
        for (var k = 0; k < 7; k++) {
            var b = bytes[start + k] | (k === 3 ? 0 : 32);
            if (k === 3 ? b !== 92 && b !== 47 : b !== name.charCodeAt(k)) {
                return -1;
            }
        }
        var degrees = 0;
        for (k = 7; k < 10; k++) {
            var digit = bytes[start + k] - 48;
            if (digit < 0 || digit > 9) {
                return -1;
            }
            degrees = degrees * 10 + digit;
        }
        var tail = '.gif';
        for (k = 10; k < 14; k++) {
            if ((bytes[start + k] | 32) !== tail.charCodeAt(k - 10)) {
                return -1;
            }
        }
        return degrees % 45 === 0 && degrees < 360 ? degrees / 45 : -1;
    }

    function emptyTrack(capacity) {
        return {
            n: 0,
            lat: new Float64Array(capacity),
            lng: new Float64Array(capacity),
            x: new Float64Array(capacity),
            y: new Float64Array(capacity),
            heading: new Uint8Array(capacity),
            from: new Int32Array(capacity),
            to: new Int32Array(capacity),
            bytes: null
        };
    }

    function grown(track) {
        var bigger = emptyTrack(track.lat.length * 2);
        ['lat', 'lng', 'x', 'y', 'heading', 'from', 'to'].forEach(function (key) {
            bigger[key].set(track[key]);
        });
        bigger.n = track.n;
        return bigger;
    }

    // Track positions go to typed arrays, their popups stay bytes until one is opened; every
    // other line becomes a marker record.
    function parseMarkers(bytes) {
        var track = emptyTrack(Math.max(16, (bytes.length / 64) | 0));
        var others = [];
        var length = bytes.length;
        for (var start = 0; start < length;) {
            var newline = bytes.indexOf(10, start);
            var end = newline < 0 ? length : newline;
            var lineEnd = end > start && bytes[end - 1] === 13 ? end - 1 : end;
            var bar1 = bytes.indexOf(124, start);
            var bar2 = bar1 < 0 || bar1 >= lineEnd ? -1 : bytes.indexOf(124, bar1 + 1);
            if (bar2 >= 0 && bar2 < lineEnd) {
                var bar3 = bytes.indexOf(124, bar2 + 1);
                var iconEnd = bar3 < 0 || bar3 >= lineEnd ? lineEnd : bar3;
                var popupStart = Math.min(iconEnd + 1, lineEnd);
                var lat = numberIn(bytes, start, bar1);
                var lng = numberIn(bytes, bar1 + 1, bar2);
                var heading = trackHeading(bytes, bar2 + 1, iconEnd);
                if (!isFinite(lat) || !isFinite(lng)) {
                    // not a marker line
                } else if (heading >= 0) {
                    if (track.n === track.lat.length) {
                        track = grown(track);
                    }
                    var i = track.n++;
                    track.lat[i] = lat;
                    track.lng[i] = lng;
                    track.x[i] = projectX(lng);
                    track.y[i] = projectY(lat);
                    track.heading[i] = heading;
                    track.from[i] = popupStart;
                    track.to[i] = lineEnd;
                } else {
                    // The popup is everything after the third "|", so a "|" in an
                    // explanation stays in it.
                    others.push({
                        lat: lat,
                        lng: lng,
                        icon: decoder.decode(bytes.subarray(bar2 + 1, iconEnd)),
                        text: decoder.decode(bytes.subarray(popupStart, lineEnd))
                    });
                }
            }
            start = end + 1;
        }
        track.bytes = bytes;
        return { track: track, others: others };
    }

    // ---- icons and popups -------------------------------------------------------------

    var HOUSE = /^house[\\/]house(.*)\.gif$/i;
    var VEHICLE = /^(c-rv|poi)[\\/]/i;

    function iconUrl(path) {
        var house = HOUSE.exec(path);
        if (house && !HOUSE_KINDS.hasOwnProperty(house[1])) {
            return 'House/House.gif';
        }
        return path.replace(/\\/g, '/');
    }

    var icons = {};
    function iconFor(path) {
        var url = iconUrl(path);
        if (!icons[url]) {
            var house = HOUSE.test(path);
            var size = house ? 24 : /^poi[\\/]/i.test(path) ? TRACK_SPRITE : 32;
            icons[url] = L.icon({
                iconUrl: url,
                iconSize: [size, size],
                iconAnchor: house ? [size / 2, size - 1] : [size / 2, size / 2],
                popupAnchor: house ? [0, 4 - size] : [0, 2 - size / 2]
            });
        }
        return icons[url];
    }

    // A vehicle's popup keeps its "<br>" breaks; any other popup is plain text, so that
    // markup in a point's explanation is shown, never run.
    function popupNode(text, vehicle) {
        var node = document.createElement('div');
        node.className = 'station-popup';
        if (vehicle) {
            text.split('<br>').forEach(function (part, i) {
                if (i > 0) {
                    node.appendChild(document.createElement('br'));
                }
                node.appendChild(document.createTextNode(part));
            });
        } else {
            node.textContent = text;
        }
        return node;
    }

    // ---- the map ----------------------------------------------------------------------

    var initial = pageValues(document);
    var map = L.map('map', {
        minZoom: MIN_ZOOM,
        maxZoom: MAX_ZOOM,
        zoomControl: false, // the station's zoom pictures beside the map do that
        attributionControl: false,
        worldCopyJump: true
    });
    var credits = L.control.attribution({ prefix: 'Leaflet' }).addTo(map);
    L.control.scale({ imperial: false, position: 'bottomleft' }).addTo(map);
    var programmatic = false; // the view is being set from the files
    function setView(lat, lng, zoom) {
        programmatic = true;
        try {
            map.setView([lat, lng], zoom, { animate: false });
        } finally {
            programmatic = false;
        }
    }
    setView(isFinite(initial.lat) ? initial.lat : 0, isFinite(initial.lng) ? initial.lng : 0,
            isFinite(initial.zoom) ? Math.max(MIN_ZOOM, Math.min(MAX_ZOOM, initial.zoom)) : 15);

    // ---- layers drawn on one canvas ---------------------------------------------------

    // A layer that draws into an off-screen canvas the size of the view (and a margin) at
    // every move or zoom and hands the picture over to its canvas whole. Without a graphics
    // card every drawing call on a page canvas, and a copy into one, costs far more than
    // the whole off-screen drawing; a canvas per tile costs more to set up than to draw.
    var CanvasLayer = L.Renderer.extend({
        _initContainer: function () {
            this._container = L.DomUtil.create('canvas', this.options.className);
            this._ctx = this._container.getContext('bitmaprenderer');
        },

        _destroyContainer: function () {
            L.DomUtil.remove(this._container);
        },

        _update: function () {
            if (this._map._animatingZoom && this._bounds) {
                return;
            }
            // A short pan that keeps the view within the drawn margin needs no new picture:
            // the canvas moves with the map. Live tracking re-centres at every fix.
            var map = this._map;
            var origin = map.getPixelOrigin();
            if (this._bounds && this._zoom === map.getZoom() && this._origin &&
                this._origin.equals(origin)) {
                var view = map.getPixelBounds();
                var drawn = this._bounds;
                if (drawn.min.x + origin.x <= view.min.x && drawn.min.y + origin.y <= view.min.y &&
                    drawn.max.x + origin.x >= view.max.x && drawn.max.y + origin.y >= view.max.y) {
                    return;
                }
            }
            L.Renderer.prototype._update.call(this);
            this._origin = origin;
            var size = this._bounds.getSize(), canvas = this._container;
            L.DomUtil.setPosition(canvas, this._bounds.min);
            if (canvas.width !== size.x || canvas.height !== size.y) {
                canvas.width = size.x;
                canvas.height = size.y;
            }
            canvas.style.width = size.x + 'px';
            canvas.style.height = size.y + 'px';
            this.redraw();
        },

        redraw: function () {
            if (!this._map || !this._bounds || this._map._animatingZoom) {
                return; // the end of the zoom draws
            }
            var size = this._bounds.getSize();
            if (!this._offscreen || this._offscreen.width !== size.x ||
                this._offscreen.height !== size.y) {
                this._offscreen = new OffscreenCanvas(size.x, size.y);
            }
            var origin = this._map.getPixelOrigin();
            this._view = {
                left: origin.x + this._bounds.min.x, // in pixels of the whole world at zoom
                top: origin.y + this._bounds.min.y,
                width: size.x,
                height: size.y,
                scale: Math.pow(2, this._zoom)
            };
            var ctx = this._offscreen.getContext('2d');
            ctx.clearRect(0, 0, size.x, size.y);
            this._paint(ctx, this._view);
            this._ctx.transferFromImageBitmap(this._offscreen.transferToImageBitmap());
        }
    });

    // ---- the land and sea base, from the world atlas that ships with the station -------

    var land = null;
    var LandLayer = CanvasLayer.extend({
        _paint: function (ctx, view) {
            if (land) {
                drawLand(ctx, view);
            }
        }
    });
    map.createPane('land').style.zIndex = 150; // beneath the tiles
    var landLayer = new LandLayer({ pane: 'land', padding: 0.2, className: 'station-land' })
        .addTo(map);
    credits.addAttribution('Natural Earth');

    function projectedRings(rings) {
        var box = [Infinity, Infinity, -Infinity, -Infinity];
        var projected = rings.map(function (ring) {
            var points = new Float64Array(ring.length * 2);
            ring.forEach(function (p, i) {
                var x = projectX(p[0]), y = projectY(p[1]);
                points[2 * i] = x;
                points[2 * i + 1] = y;
                box[0] = Math.min(box[0], x);
                box[1] = Math.min(box[1], y);
                box[2] = Math.max(box[2], x);
                box[3] = Math.max(box[3], y);
            });
            return points;
        });
        return { rings: projected, box: box };
    }

    function loadLand() {
        readBytes(LAND_FILE).then(function (bytes) {
            var topology = JSON.parse(decoder.decode(bytes));
            var areas = [];
            topojson.feature(topology, topology.objects.land).features.forEach(function (feature) {
                var g = feature.geometry;
                if (!g) {
                    return;
                }
                var polygons = g.type === 'Polygon' ? [g.coordinates] : g.coordinates;
                polygons.forEach(function (polygon) { areas.push(projectedRings(polygon)); });
            });
            land = { areas: areas };
            landLayer.redraw();
        }).catch(function (error) { console.error('world atlas: ' + error.message); });
    }

    // The part of a closed ring (x, y pairs) inside a box (Sutherland-Hodgman), so that a
    // view deep in a zoom traces a few points instead of a whole coastline around it.
    function clippedRing(points, box) {
        var ring = Array.prototype.slice.call(points);
        [[0, box[0], 1], [0, box[2], -1], [1, box[1], 1], [1, box[3], -1]].forEach(function (edge) {
            var axis = edge[0], limit = edge[1], side = edge[2], out = [];
            for (var i = 0, n = ring.length; i < n; i += 2) {
                var j = (i + 2) % n;
                var a = (ring[i + axis] - limit) * side >= 0;
                var b = (ring[j + axis] - limit) * side >= 0;
                if (a) {
                    out.push(ring[i], ring[i + 1]);
                }
                if (a !== b) {
                    var t = (limit - ring[i + axis]) / (ring[j + axis] - ring[i + axis]);
                    out.push(ring[i] + t * (ring[j] - ring[i]),
                             ring[i + 1] + t * (ring[j + 1] - ring[i + 1]));
                }
            }
            ring = out;
        });
        return ring;
    }

    function drawLand(ctx, view) {
        var scale = view.scale;
        var left = view.left / scale, top = view.top / scale;
        var right = (view.left + view.width) / scale, bottom = (view.top + view.height) / scale;
        var margin = 2 / scale; // keeps the clipped edges out of sight
        var tile = [left - margin, top - margin, right + margin, bottom + margin];
        function meets(box) {
            return box[0] <= tile[2] && box[2] >= tile[0] && box[1] <= tile[3] && box[3] >= tile[1];
        }
        function trace(points, close) {
            for (var i = 0; i < points.length; i += 2) {
                var x = (points[i] - left) * scale, y = (points[i + 1] - top) * scale;
                if (i === 0) {
                    ctx.moveTo(x, y);
                } else {
                    ctx.lineTo(x, y);
                }
            }
            if (close) {
                ctx.closePath();
            }
        }
        ctx.beginPath();
        land.areas.forEach(function (area) {
            if (meets(area.box)) {
                area.rings.forEach(function (points) { trace(clippedRing(points, tile), true); });
            }
        });
        ctx.fillStyle = '#f2efe9';
        ctx.fill('evenodd');
        ctx.strokeStyle = '#9fb6c0'; // the coastline
        ctx.lineWidth = 1;
        ctx.stroke();
    }

    // ---- map sources over the base ---------------------------------------------------

    function escaped(text) {
        var node = document.createElement('span');
        node.textContent = text;
        return node.innerHTML;
    }

    // A source's credit as text: markup in it (links) is shown as its words, never run or
    // followed, so that a click on the credit line cannot lead the map away.
    function plainText(html) {
        var body = new DOMParser().parseFromString(html || '', 'text/html').body;
        return (body.textContent || '').replace(/\s+/g, ' ').trim();
    }

    var activeTiles = null; // the tile layer shown, null for the coastline alone
    var creditShown = '';
    var offlineNote = L.control({ position: 'bottomleft' });
    offlineNote.onAdd = function () {
        var note = L.DomUtil.create('div', 'station-offline');
        note.textContent = texts.offline;
        L.DomEvent.disableClickPropagation(note);
        return note;
    };
    var noteShown = false;

    function showCredit(credit) {
        if (credit === creditShown) {
            return;
        }
        if (creditShown) {
            credits.removeAttribution(creditShown);
        }
        creditShown = credit;
        if (credit) {
            credits.addAttribution(credit);
        }
    }

    function loadedTiles(tiles) {
        var container = tiles.getContainer();
        return container ? container.querySelectorAll('img.leaflet-tile-loaded').length : 0;
    }

    // The credit names the source only while its tiles are in view; when the view asked
    // for tiles and none came, the note tells that the map is offline.
    function settle() {
        var tiles = activeTiles;
        var shown = tiles !== null && loadedTiles(tiles) > 0;
        showCredit(shown ? tiles.credit : '');
        var offline = tiles !== null && !shown && !tiles.isLoading() &&
            Object.keys(tiles._tiles).length > 0;
        if (offline !== noteShown) {
            noteShown = offline;
            if (offline) {
                offlineNote.addTo(map);
            } else {
                offlineNote.remove();
            }
        }
    }

    function tileLayerOf(layer) {
        var options = {
            minZoom: Math.max(MIN_ZOOM, layer.minZoom | 0),
            maxZoom: MAX_ZOOM,
            // Beyond the source's deepest level its tiles are shown enlarged.
            maxNativeZoom: Math.max(MIN_ZOOM, Math.min(MAX_ZOOM, layer.maxZoom | 0)),
            zIndex: 1
        };
        if (layer.bounds) {
            options.bounds = L.latLngBounds([layer.bounds[0], layer.bounds[1]],
                                            [layer.bounds[2], layer.bounds[3]]);
        }
        var tiles = L.tileLayer(layer.url, options);
        tiles.number = layer.number;
        tiles.credit = escaped(plainText(layer.attribution));
        tiles.on('tileerror', function (event) {
            // A tile that cannot be had leaves the base layer beneath it in view.
            event.tile.style.visibility = 'hidden';
        });
        tiles.on('tileload tileerror load', function () {
            if (tiles === activeTiles) {
                settle();
            }
        });
        return tiles;
    }

    function activate(layer) {
        activeTiles = layer.number > 0 ? layer : null;
        settle();
    }

    // The sources as a layer list, the coastline last; the one to show first is added.
    // Sources come after the page has loaded, so that the first drawings never wait on tiles.
    function addLayers(layers, shown) {
        if (document.readyState !== 'complete') {
            window.addEventListener('load', function () { addLayers(layers, shown); });
            return;
        }
        var bases = {};
        var byNumber = {};
        function listed(name, layer) {
            var label = escaped(name), n = 2;
            while (bases.hasOwnProperty(label)) {
                label = escaped(name + ' (' + n++ + ')');
            }
            bases[label] = layer;
            byNumber[layer.number] = layer;
        }
        layers.forEach(function (layer) {
            if (layer.usable) {
                listed(layer.name, tileLayerOf(layer));
            }
        });
        var coastline = L.layerGroup();
        coastline.number = 0;
        listed(texts.coastline, coastline);
        // Top left: the station's zoom pictures lie over the map's top right corner.
        L.control.layers(bases, null, { position: 'topleft' }).addTo(map);
        var first = byNumber[shown] || coastline;
        var picked = false; // by the operator; the list tells of the first layer too
        map.on('baselayerchange', function (event) {
            activate(event.layer);
            // Only the operator's pick is kept, so that a source shown in place of a
            // missing one is not stored as chosen.
            if (bridge && picked) {
                bridge.chooseLayer(event.layer.number);
            }
        });
        first.addTo(map);
        activate(first);
        picked = true;
    }

    // ---- track positions on one canvas ------------------------------------------------

    var sprites = null;
    function loadSprites() {
        Promise.all(HEADINGS.map(function (heading) {
            var image = new Image();
            image.src = 'POI/car' + heading + '.gif';
            return image.decode().then(function () { return createImageBitmap(image); });
        })).then(function (bitmaps) {
            sprites = bitmaps;
            trackLayer.redraw();
        }).catch(function (error) { console.error('track icons: ' + error.message); });
    }

    // Draws the track positions, turned to their headings, into an off-screen canvas and
    // copies it once; of the positions that fall into one small cell only the first is
    // drawn. The cells remember which position they show, for a click.
    var TrackLayer = CanvasLayer.extend({
        initialize: function (options) {
            CanvasLayer.prototype.initialize.call(this, options);
            this._track = emptyTrack(1);
            this._drawn = 0;
        },

        setTrack: function (track) {
            this._track = track;
            this.redraw();
        },

        _paint: function (ctx, view) {
            var width = view.width, height = view.height, track = this._track;
            this._drawn = 0;
            if (!track.n || !sprites) {
                return;
            }
            var columns = Math.ceil(width / CELL), cells = columns * Math.ceil(height / CELL);
            if (!this._cells || this._cells.length < cells) {
                this._cells = new Int32Array(cells);
            } else {
                this._cells.fill(0, 0, cells);
            }
            var scale = view.scale, left = view.left, top = view.top;
            var half = TRACK_SPRITE / 2, grid = this._cells, drawn = 0;
            var xs = track.x, ys = track.y, headings = track.heading;
            for (var i = 0, n = track.n; i < n; i++) {
                var x = xs[i] * scale - left, y = ys[i] * scale - top;
                if (x < 0 || y < 0 || x >= width || y >= height) {
                    continue;
                }
                var cell = ((y / CELL) | 0) * columns + ((x / CELL) | 0);
                if (grid[cell] !== 0) {
                    continue;
                }
                grid[cell] = i + 1;
                ctx.drawImage(sprites[headings[i]], Math.round(x - half), Math.round(y - half));
                drawn++;
            }
            this._columns = columns;
            this._rows = Math.ceil(height / CELL);
            this._drawn = drawn;
        },

        // The drawn track position nearest to a layer point within PICK_RADIUS, or -1.
        nearest: function (layerPoint) {
            if (!this._drawn) {
                return -1;
            }
            var o = this._view, track = this._track;
            var px = layerPoint.x - this._bounds.min.x, py = layerPoint.y - this._bounds.min.y;
            var reach = Math.ceil(PICK_RADIUS / CELL);
            var cx = (px / CELL) | 0, cy = (py / CELL) | 0;
            var best = -1, bestDistance = PICK_RADIUS * PICK_RADIUS;
            for (var row = Math.max(0, cy - reach); row <= Math.min(this._rows - 1, cy + reach); row++) {
                for (var col = Math.max(0, cx - reach);
                     col <= Math.min(this._columns - 1, cx + reach); col++) {
                    var index = this._cells[row * this._columns + col] - 1;
                    if (index < 0) {
                        continue;
                    }
                    var dx = track.x[index] * o.scale - o.left - px;
                    var dy = track.y[index] * o.scale - o.top - py;
                    var distance = dx * dx + dy * dy;
                    if (distance <= bestDistance) {
                        best = index;
                        bestDistance = distance;
                    }
                }
            }
            return best;
        }
    });
    var trackLayer = new TrackLayer({ padding: 0.2, className: 'station-track' }).addTo(map);

    map.on('click', function (event) {
        var index = trackLayer.nearest(event.layerPoint);
        if (index < 0) {
            return;
        }
        var track = trackLayer._track;
        var text = decoder.decode(track.bytes.subarray(track.from[index], track.to[index]));
        L.popup().setLatLng([track.lat[index], track.lng[index]])
            .setContent(popupNode(text, true)).openOn(map);
    });

    // ---- markers ----------------------------------------------------------------------

    // The live vehicle ("C-rv") and the selected track position ("C-Rv") are one marker
    // each that moves; every other marker is kept while its line stays the same.
    var roles = { live: null, selected: null };
    var points = new Map();
    var pending = [];

    function roleOf(icon) {
        if (/^C-rv[\\/]/.test(icon)) {
            return 'live';
        }
        return /^C-Rv[\\/]/.test(icon) ? 'selected' : null;
    }

    function placeRole(role, record) {
        var marker = roles[role];
        var vehicle = VEHICLE.test(record.icon);
        if (!marker) {
            marker = roles[role] = L.marker([record.lat, record.lng], {
                icon: iconFor(record.icon),
                zIndexOffset: 1000,
                keyboard: false
            }).bindPopup(popupNode(record.text, vehicle), {
                autoPan: false,
                autoClose: false, // stays open beside other popups and map clicks
                closeOnClick: false
            }).addTo(map);
            marker.record = record;
            marker.openPopup();
            return;
        }
        var before = marker.record;
        if (before.lat !== record.lat || before.lng !== record.lng) {
            marker.setLatLng([record.lat, record.lng]);
        }
        if (before.icon !== record.icon) {
            marker.setIcon(iconFor(record.icon));
        }
        if (before.text !== record.text) {
            marker.setPopupContent(popupNode(record.text, vehicle));
        }
        marker.record = record;
    }

    function showMarkers(records) {
        var taken = { live: false, selected: false };
        var kept = new Map();
        records.forEach(function (record) {
            var role = roleOf(record.icon);
            if (role && !taken[role]) {
                taken[role] = true;
                placeRole(role, record);
                return;
            }
            var key = record.lat + '|' + record.lng + '|' + record.icon + '|' + record.text;
            while (kept.has(key)) {
                key += '|';
            }
            var marker = points.get(key);
            if (marker) {
                points.delete(key);
            } else {
                marker = L.marker([record.lat, record.lng], {
                    icon: iconFor(record.icon),
                    keyboard: false
                }).bindPopup(popupNode(record.text, VEHICLE.test(record.icon))).addTo(map);
                marker.record = record;
            }
            kept.set(key, marker);
        });
        points.forEach(function (marker) { marker.remove(); });
        points = kept;
        Object.keys(taken).forEach(function (role) {
            if (!taken[role] && roles[role]) {
                roles[role].remove();
                roles[role] = null;
            }
        });
        // A marked point leaves its provisional marker once the station draws it.
        pending = pending.filter(function (mark) {
            var drawn = records.some(function (record) { return record.text === mark.name; });
            if (drawn) {
                mark.marker.remove();
            }
            return !drawn;
        });
    }

    // ---- the view: the files set it, the operator's zoom goes to the station ----------

    var chosenZoom = null; // a zoom made in the page that the files do not show yet
    var chosenUntil = 0;

    function showView(values) {
        if (!isFinite(values.lat) || !isFinite(values.lng)) {
            return;
        }
        var zoom = isFinite(values.zoom)
            ? Math.max(MIN_ZOOM, Math.min(MAX_ZOOM, Math.round(values.zoom))) : map.getZoom();
        if (chosenZoom !== null) {
            if (zoom === chosenZoom || Date.now() > chosenUntil) {
                chosenZoom = null;
            } else {
                zoom = chosenZoom;
            }
        }
        if (map.dragging && map.dragging.moving()) {
            return; // the operator is panning; the next drawing centres again
        }
        var centre = map.getCenter();
        if (centre.lat !== values.lat || centre.lng !== values.lng || map.getZoom() !== zoom) {
            setView(values.lat, values.lng, zoom);
        }
    }

    map.on('zoomend', function () {
        if (programmatic || !bridge) {
            return;
        }
        chosenZoom = map.getZoom();
        chosenUntil = Date.now() + 5000;
        bridge.zoomChosen(chosenZoom);
    });

    var newIcon = initial.newIcon;
    function show(values, bytes) {
        var parsed = parseMarkers(bytes);
        newIcon = values.newIcon || newIcon;
        showView(values);
        showMarkers(parsed.others);
        trackLayer.setTrack(parsed.track);
    }

    // ---- marking a point --------------------------------------------------------------

    function keptName(name) {
        return name.replace(/[,\r\n\u000b\u000c\u0085\u2028\u2029]/g, '').trim();
    }

    function markAt(latlng) {
        var form = L.DomUtil.create('form', 'station-mark');
        var label = L.DomUtil.create('label', '', form);
        label.textContent = texts.name;
        var input = L.DomUtil.create('input', '', form);
        input.type = 'text';
        input.maxLength = 50;
        var button = L.DomUtil.create('button', '', form);
        button.type = 'submit';
        button.textContent = texts.add;
        var note = L.DomUtil.create('div', 'station-note', form);
        var popup = L.popup({ className: 'station-mark' }).setLatLng(latlng).setContent(form);
        popup.openOn(map);
        input.focus();
        form.addEventListener('submit', function (event) {
            event.preventDefault();
            var place = latlng.wrap();
            var name = input.value;
            bridge.markPoint(name, place.lat, place.lng, function (refusal) {
                if (refusal) {
                    note.textContent = refusal;
                    return;
                }
                map.closePopup(popup);
                var marker = L.marker(place, { icon: iconFor(newIcon), keyboard: false })
                    .bindPopup(popupNode(keptName(name) + '\n' + texts.taken, false))
                    .addTo(map);
                pending.push({ name: keptName(name), marker: marker });
            });
        });
        return form;
    }

    map.on('contextmenu', function (event) {
        if (bridge) {
            markAt(event.latlng);
        }
    });

    // ---- reading the files again when the station asks --------------------------------

    var requested = 0; // the newest drawing the station asked for
    var handled = 0;   // the newest drawing shown
    var busy = false;
    var unreported = false;

    function reportDrawn() {
        var send = function () {
            if (bridge) {
                bridge.drawn(handled);
            } else {
                unreported = true;
            }
        };
        if (document.hidden) {
            setTimeout(send, 0); // no animation frames come to a hidden page
        } else {
            requestAnimationFrame(function () { requestAnimationFrame(send); });
        }
    }

    var markerFile = initial.markers;
    // Reads the page and the marker file it named last time side by side; only a page that
    // names another marker file costs a second reading.
    function readFiles(values) {
        if (values) {
            return readBytes(values.markers).then(function (bytes) { show(values, bytes); });
        }
        return Promise.all([readPage(), readBytes(markerFile)]).then(function (read) {
            if (read[0].markers === markerFile) {
                show(read[0], read[1]);
                return undefined;
            }
            markerFile = read[0].markers;
            return readFiles(read[0]);
        });
    }

    var firstDrawing = true;
    function cycle(values) {
        busy = true;
        var target = requested;
        readFiles(values).catch(function (error) {
            console.error('map files: ' + error.message);
        }).then(function () {
            handled = Math.max(handled, target);
            if (firstDrawing) {
                // The base layer's data is read after the first drawing, not before it.
                firstDrawing = false;
                loadLand();
            }
            if (requested > handled) {
                cycle(null);
            } else {
                busy = false;
                reportDrawn();
            }
        });
    }

    // Asked by the station after it has rewritten the files; requests that come while a
    // reading runs are covered by one more reading after it.
    window.stationRefresh = function (request) {
        requested = Math.max(requested, request | 0);
        if (!busy) {
            cycle(null);
        }
    };

    // ---- what tests and the station can ask of the page -------------------------------

    window.stationMap = {
        map: map,
        markAt: markAt,
        state: function () {
            var markers = [];
            map.eachLayer(function (layer) {
                if (layer instanceof L.Marker) {
                    var content = layer.getPopup() && layer.getPopup().getContent();
                    markers.push({
                        lat: layer.getLatLng().lat,
                        lng: layer.getLatLng().lng,
                        icon: layer.options.icon.options.iconUrl,
                        text: content && content.textContent !== undefined ? content.textContent : '',
                        elements: content && content.querySelectorAll
                            ? content.querySelectorAll('*:not(br)').length : 0
                    });
                }
            });
            var centre = map.getCenter();
            return {
                centre: [centre.lat, centre.lng],
                zoom: map.getZoom(),
                handled: handled,
                markers: markers,
                track: trackLayer._track.n,
                trackDrawn: trackLayer._drawn,
                land: land !== null,
                sprites: sprites !== null,
                layer: activeTiles ? activeTiles.number : 0,
                credit: credits.getContainer().textContent,
                offline: noteShown,
                tilesShown: activeTiles ? loadedTiles(activeTiles) : 0
            };
        },
        vehicle: function () {
            var at = roles.live && roles.live.getLatLng();
            return at ? [at.lat, at.lng] : null;
        },
        track: function () { return trackLayer; },
        tiles: function () { return activeTiles; },
        trackPixel: function (index) {
            var track = trackLayer._track;
            return map.latLngToContainerPoint([track.lat[index], track.lng[index]]);
        }
    };

    // ---- start ------------------------------------------------------------------------

    if (window.qt && qt.webChannelTransport && window.QWebChannel) {
        new QWebChannel(qt.webChannelTransport, function (channel) {
            bridge = channel.objects.station;
            Object.keys(bridge.texts || {}).forEach(function (key) {
                if (bridge.texts[key]) {
                    texts[key] = bridge.texts[key];
                }
            });
            addLayers(bridge.layers || [], bridge.layer);
            if (unreported) {
                unreported = false;
                bridge.drawn(handled);
            }
        });
    } else {
        // Opened outside the station: the public map, straight from its server.
        addLayers([{ number: 1, name: 'OpenStreetMap', url: OSM_URL, usable: true,
                     attribution: OSM_ATTRIBUTION, minZoom: 0, maxZoom: 19 }], 1);
    }
    loadSprites();
    cycle(initial);
}());
