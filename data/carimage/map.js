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
    var PICK_RADIUS = 12; // pixels around a click within which a track position is found
    var LINE_PICK = 5;    // pixels beside the track's line within which a click is on it
    var TRACK_SPRITE = 20;
    var SPRITE_SPACING = TRACK_SPRITE + 1; // a pixel more: sprites are put at whole pixels
    var LINE_WIDTH = 3;
    var LINE_COLOUR = '#1f5fbf';
    var HEADINGS = ['000', '045', '090', '135', '180', '225', '270', '315'];
    var HOUSE_KINDS = { '': true, '1': true, '2': true, '3': true, '4': true, '5': true };

    var texts = {
        name: 'Name of the new point:',
        add: 'Add',
        taken: 'The point becomes a point of interest within 20 seconds.',
        coastline: 'Coastline',
        fitTrack: 'Fit track',
        fitTrackTip: 'Show the whole track; the map then stops following the vehicle.',
        follow: 'Follow',
        followTip: 'Keep the vehicle in the middle of the map. Dragging the map stops following.',
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

    // The heading index 0..7 when the icon bytes name a track position's icon in folder
    // ("<folder>\\carNNN.gif", either slash, the folder's letters in any case unless
    // exactCase), otherwise -1.
    function headingOf(bytes, start, end, folder, exactCase) {
        var n = folder.length;
        if (end - start !== n + 11) {
            return -1;
        }
        for (var k = 0; k < n; k++) {
            var b = bytes[start + k];
            if ((exactCase ? b : b | 32) !== folder.charCodeAt(k)) {
                return -1;
            }
        }
        if (bytes[start + n] !== 92 && bytes[start + n] !== 47) {
            return -1;
        }
        var degrees = 0;
        for (k = 0; k < 10; k++) {
            b = bytes[start + n + 1 + k];
            if (k >= 3 && k < 6) {
                var digit = b - 48;
                if (digit < 0 || digit > 9) {
                    return -1;
                }
                degrees = degrees * 10 + digit;
            } else if ((b | 32) !== 'car___.gif'.charCodeAt(k)) {
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

    function popupOf(track, i) {
        return decoder.decode(track.bytes.subarray(track.from[i], track.to[i]));
    }

    // The selected position's marker, as its line in the marker file names it.
    function selectedRecord(track, i) {
        return {
            lat: track.lat[i],
            lng: track.lng[i],
            icon: 'C-Rv\\car' + HEADINGS[track.heading[i]] + '.gif',
            text: popupOf(track, i)
        };
    }

    // What a marker file holds: the track positions in their order (the selected one among
    // them) in typed arrays, their popups kept as bytes until one is opened; the live
    // vehicle and the selected position as a marker each; every other line a point marker.
    function parseMarkers(bytes) {
        var track = emptyTrack(Math.max(16, (bytes.length / 64) | 0));
        var content = { track: track, live: null, selected: null, points: [] };
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
                var heading = headingOf(bytes, bar2 + 1, iconEnd, 'poi', false);
                var chosen = heading < 0 && content.selected === null
                    ? headingOf(bytes, bar2 + 1, iconEnd, 'C-Rv', true) : -1;
                if (!isFinite(lat) || !isFinite(lng)) {
                    // not a marker line
                } else if (heading >= 0 || chosen >= 0) {
                    if (track.n === track.lat.length) {
                        track = content.track = grown(track);
                    }
                    var i = track.n++;
                    track.lat[i] = lat;
                    track.lng[i] = lng;
                    track.x[i] = projectX(lng);
                    track.y[i] = projectY(lat);
                    track.heading[i] = heading >= 0 ? heading : chosen;
                    track.from[i] = popupStart;
                    track.to[i] = lineEnd;
                    if (chosen >= 0) {
                        track.bytes = bytes;
                        content.selected = selectedRecord(track, i);
                    }
                } else {
                    // The popup is everything after the third "|", so a "|" in an
                    // explanation stays in it.
                    var record = {
                        lat: lat,
                        lng: lng,
                        icon: decoder.decode(bytes.subarray(bar2 + 1, iconEnd)),
                        text: decoder.decode(bytes.subarray(popupStart, lineEnd))
                    };
                    var role = roleOf(record.icon);
                    if (role && content[role] === null) {
                        content[role] = record;
                    } else {
                        content.points.push(record);
                    }
                }
            }
            start = end + 1;
        }
        track.bytes = bytes;
        return content;
    }

    // The live vehicle is "C-rv", the selected track position "C-Rv": one folder, two
    // spellings.
    function roleOf(icon) {
        if (/^C-rv[\\/]/.test(icon)) {
            return 'live';
        }
        return /^C-Rv[\\/]/.test(icon) ? 'selected' : null;
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
        new Controls().addTo(map);
        showControls();
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

    // Which positions of the track carry a sprite at a zoom: in the track's order, each one
    // that keeps at least a sprite's size (and a pixel) from every sprite chosen before it,
    // so that no two overlap. Worked out over the whole track once per zoom, so that the
    // sprites stay where they are while the map pans. A cell of a sprite's size holds one
    // chosen position at most, and a candidate is tested against its cell and the eight
    // around it.
    function spacedSprites(track, zoom) {
        var layouts = track.spaced || (track.spaced = {});
        if (layouts[zoom]) {
            return layouts[zoom];
        }
        var scale = Math.pow(2, zoom), size = SPRITE_SPACING, cells = new Map();
        var chosen = [], xs = track.x, ys = track.y, lastX = Infinity, lastY = Infinity;
        var ROW = 4194304; // cells of a row: more than a world at the nearest zoom
        for (var i = 0, n = track.n; i < n; i++) {
            var x = xs[i] * scale, y = ys[i] * scale;
            if (Math.abs(x - lastX) < size && Math.abs(y - lastY) < size) {
                continue; // most often the sprite before is the one too near
            }
            var cx = Math.floor(x / size), cy = Math.floor(y / size), free = true;
            for (var dy = -1; dy <= 1 && free; dy++) {
                for (var dx = -1; dx <= 1 && free; dx++) {
                    var j = cells.get((cy + dy) * ROW + cx + dx);
                    free = j === undefined || Math.abs(xs[j] * scale - x) >= size ||
                        Math.abs(ys[j] * scale - y) >= size;
                }
            }
            if (free) {
                cells.set(cy * ROW + cx, i);
                chosen.push(i);
                lastX = x;
                lastY = y;
            }
        }
        layouts[zoom] = Int32Array.from(chosen);
        return layouts[zoom];
    }

    // Draws the track into an off-screen canvas and copies it once: a line through every
    // position in its order, and over it the spaced sprites turned to their headings.
    var TrackLayer = CanvasLayer.extend({
        initialize: function (options) {
            CanvasLayer.prototype.initialize.call(this, options);
            this._track = emptyTrack(1);
            this._line = new Int32Array(0); // the positions the line was drawn through
            this._lineCount = 0;
            this._shown = [];               // the positions whose sprites were drawn
        },

        setTrack: function (track) {
            this._track = track;
            this.redraw();
        },

        _paint: function (ctx, view) {
            this._lineCount = 0;
            this._shown = [];
            if (this._track.n) {
                this._paintLine(ctx, view, this._track);
                if (sprites) {
                    this._paintSprites(ctx, view, this._track);
                }
            }
        },

        // Segments that lie beyond one side of the canvas are left out, and a position
        // within a pixel of the last drawn one adds nothing to the picture.
        _paintLine: function (ctx, view, track) {
            var scale = view.scale, left = view.left, top = view.top;
            var width = view.width, height = view.height, n = track.n;
            var xs = track.x, ys = track.y, margin = LINE_WIDTH * 2;
            function side(x, y) {
                return (x < -margin ? 1 : x > width + margin ? 2 : 0) |
                    (y < -margin ? 4 : y > height + margin ? 8 : 0);
            }
            if (this._line.length < n) {
                this._line = new Int32Array(n);
            }
            var line = this._line, count = 0, pen = false, lastX = 0, lastY = 0;
            var px = xs[0] * scale - left, py = ys[0] * scale - top, pside = side(px, py);
            ctx.beginPath();
            for (var i = 1; i < n; i++) {
                var x = xs[i] * scale - left, y = ys[i] * scale - top, s = side(x, y);
                if ((s & pside) !== 0) {
                    pen = false;
                } else {
                    if (!pen) {
                        ctx.moveTo(px, py);
                        line[count++] = i - 1;
                        lastX = px;
                        lastY = py;
                        pen = true;
                    }
                    if (Math.abs(x - lastX) >= 1 || Math.abs(y - lastY) >= 1 || i === n - 1) {
                        ctx.lineTo(x, y);
                        line[count++] = i;
                        lastX = x;
                        lastY = y;
                    }
                }
                px = x;
                py = y;
                pside = s;
            }
            this._lineCount = count;
            ctx.lineJoin = 'round';
            ctx.lineCap = 'round';
            ctx.strokeStyle = 'rgba(255, 255, 255, 0.85)'; // a casing that reads on any map
            ctx.lineWidth = LINE_WIDTH + 2;
            ctx.stroke();
            ctx.strokeStyle = LINE_COLOUR;
            ctx.lineWidth = LINE_WIDTH;
            ctx.stroke();
        },

        _paintSprites: function (ctx, view, track) {
            var chosen = spacedSprites(track, this._zoom);
            var scale = view.scale, left = view.left, top = view.top, half = TRACK_SPRITE / 2;
            var width = view.width + half, height = view.height + half;
            var xs = track.x, ys = track.y, headings = track.heading, shown = this._shown;
            for (var k = 0, n = chosen.length; k < n; k++) {
                var i = chosen[k];
                var x = xs[i] * scale - left, y = ys[i] * scale - top;
                if (x >= -half && y >= -half && x < width && y < height) {
                    ctx.drawImage(sprites[headings[i]], Math.round(x - half), Math.round(y - half));
                    shown.push(i);
                }
            }
        },

        // The track position nearest to a layer point, when the point lies on a drawn
        // sprite, within PICK_RADIUS of a position or beside the line; otherwise -1.
        nearest: function (layerPoint) {
            var track = this._track, n = track.n;
            if (!n || !this._map) {
                return -1;
            }
            var origin = this._map.getPixelOrigin(), scale = Math.pow(2, this._map.getZoom());
            var px = layerPoint.x + origin.x, py = layerPoint.y + origin.y;
            var xs = track.x, ys = track.y, best = -1, bestDistance = Infinity;
            var lineDistance = Infinity, half = TRACK_SPRITE / 2, onSprite = false;
            for (var i = 0; i < n; i++) {
                var dx = xs[i] * scale - px, dy = ys[i] * scale - py, d = dx * dx + dy * dy;
                if (d < bestDistance) {
                    best = i;
                    bestDistance = d;
                }
                if (i > 0) {
                    lineDistance = Math.min(lineDistance, segmentDistance(
                        xs[i - 1] * scale - px, ys[i - 1] * scale - py, dx, dy));
                }
            }
            this._shown.forEach(function (k) {
                onSprite = onSprite || (Math.abs(xs[k] * scale - px) <= half &&
                                        Math.abs(ys[k] * scale - py) <= half);
            });
            var near = bestDistance <= PICK_RADIUS * PICK_RADIUS || lineDistance <= LINE_PICK;
            return near || onSprite ? best : -1;
        },

        // The drawn line's positions and the sprites' positions, for a look from outside.
        linePositions: function () { return Array.from(this._line.subarray(0, this._lineCount)); },
        spritePositions: function () { return this._shown.slice(); }
    });
    var trackLayer = new TrackLayer({ padding: 0.2, className: 'station-track' }).addTo(map);

    // The distance of the point 0, 0 from the segment between a and b (pixels).
    function segmentDistance(ax, ay, bx, by) {
        var ex = bx - ax, ey = by - ay, length = ex * ex + ey * ey;
        var t = length > 0 ? Math.max(0, Math.min(1, -(ax * ex + ay * ey) / length)) : 0;
        var x = ax + t * ex, y = ay + t * ey;
        return Math.sqrt(x * x + y * y);
    }

    map.on('click', function (event) {
        var index = trackLayer.nearest(event.layerPoint);
        if (index < 0) {
            return;
        }
        var track = trackLayer._track;
        L.popup().setLatLng([track.lat[index], track.lng[index]])
            .setContent(popupNode(popupOf(track, index), true)).openOn(map);
    });

    // ---- markers ----------------------------------------------------------------------

    // The live vehicle ("C-rv") and the selected track position ("C-Rv") are one marker
    // each that moves; every other marker is kept while its line stays the same.
    var roles = { live: null, selected: null };
    var points = new Map();
    var shownPoints = [];
    var pending = [];
    // The vehicle's popup opens with the vehicle until the operator closes it, and again
    // once the operator opens it by a click on the vehicle; changes the station's drawings
    // make to the markers (placing) leave that choice alone.
    var vehiclePopup = true;
    var placing = false;

    function placeRole(role, record) {
        var marker = roles[role];
        if (!record) {
            if (marker) {
                marker.remove();
                roles[role] = null;
            }
            return;
        }
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
            marker.on('popupopen popupclose', function (event) {
                if (!placing) {
                    vehiclePopup = event.type === 'popupopen';
                }
            });
            marker.record = record;
            if (vehiclePopup) {
                marker.openPopup();
            }
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

    function sameRecords(a, b) {
        return a.length === b.length && a.every(function (record, i) {
            var other = b[i];
            return record.lat === other.lat && record.lng === other.lng &&
                record.icon === other.icon && record.text === other.text;
        });
    }

    function showPoints(records) {
        var kept = new Map();
        records.forEach(function (record) {
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
        shownPoints = records;
        // A marked point leaves its provisional marker once the station draws it.
        pending = pending.filter(function (mark) {
            var drawn = records.some(function (record) { return record.text === mark.name; });
            if (drawn) {
                mark.marker.remove();
            }
            return !drawn;
        });
    }

    // Only what differs from the drawing before is touched: a live fix moves the vehicle,
    // a moved selection the selected marker, and the track and the points stay as drawn.
    function showMarkers(content) {
        placing = true;
        try {
            placeRole('live', content.live);
            placeRole('selected', content.selected);
            if (content.points !== shownPoints && !sameRecords(content.points, shownPoints)) {
                showPoints(content.points);
            }
        } finally {
            placing = false;
        }
        var track = content.track;
        if (track !== trackLayer._track && (track.n || trackLayer._track.n)) {
            trackLayer.setTrack(track);
            showControls();
        }
    }

    // ---- the view: the files set it unless the operator looks elsewhere ---------------

    var chosenZoom = null; // a zoom made in the page that the files do not show yet
    var chosenUntil = 0;
    // While following, every drawing centres the map on the vehicle; a drag or fitting the
    // track ends it, and the view stays the operator's until the follow control is pressed.
    var following = true;
    var shownValues = null; // of the newest drawing

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
            return; // the operator is panning
        }
        var centre = map.getCenter();
        if (!following) {
            // A level chosen at the station's zoom pictures is shown around the view's middle.
            if (map.getZoom() !== zoom) {
                setView(centre.lat, centre.lng, zoom);
            }
        } else if (centre.lat !== values.lat || centre.lng !== values.lng ||
                   map.getZoom() !== zoom) {
            setView(values.lat, values.lng, zoom);
        }
    }

    function setFollowing(on) {
        following = on;
        showControls();
        if (on && shownValues && isFinite(shownValues.lat) && isFinite(shownValues.lng)) {
            setView(shownValues.lat, shownValues.lng, map.getZoom());
        }
    }

    map.on('dragstart', function () { setFollowing(false); });

    map.on('zoomend', function () {
        if (programmatic || !bridge) {
            return;
        }
        chosenZoom = map.getZoom();
        chosenUntil = Date.now() + 5000;
        bridge.zoomChosen(chosenZoom);
    });

    // The whole track in view, once; its level goes to the station as a zoom of the
    // operator's does.
    function fitTrack() {
        var track = trackLayer._track;
        if (!track.n) {
            return;
        }
        var south = Infinity, west = Infinity, north = -Infinity, east = -Infinity;
        for (var i = 0; i < track.n; i++) {
            south = Math.min(south, track.lat[i]);
            north = Math.max(north, track.lat[i]);
            west = Math.min(west, track.lng[i]);
            east = Math.max(east, track.lng[i]);
        }
        setFollowing(false);
        map.fitBounds([[south, west], [north, east]], { padding: [24, 24], animate: false });
    }

    var newIcon = initial.newIcon;
    function show(values, content) {
        newIcon = values.newIcon || newIcon;
        shownValues = values;
        showView(values);
        showMarkers(content);
    }

    // ---- the map's own controls: fit the track, follow the vehicle --------------------

    var controls = {};
    var Controls = L.Control.extend({
        options: { position: 'topleft' },
        onAdd: function () {
            var bar = L.DomUtil.create('div', 'leaflet-bar station-controls');
            [['fit', fitTrack], ['follow', function () { setFollowing(!following); }]]
                .forEach(function (entry) {
                    var button = L.DomUtil.create('a', 'station-' + entry[0], bar);
                    button.href = '#';
                    button.setAttribute('role', 'button');
                    L.DomEvent.on(button, 'click', function (event) {
                        L.DomEvent.preventDefault(event);
                        if (!L.DomUtil.hasClass(button, 'leaflet-disabled')) {
                            entry[1]();
                        }
                    });
                    controls[entry[0]] = button;
                });
            L.DomEvent.disableClickPropagation(bar);
            L.DomEvent.disableScrollPropagation(bar);
            return bar;
        }
    });

    // Captions and tooltips from the texts, fit only with a track to fit, follow pressed
    // while it follows.
    function showControls() {
        if (!controls.fit) {
            return;
        }
        controls.fit.textContent = texts.fitTrack;
        controls.fit.title = texts.fitTrackTip;
        controls.follow.textContent = texts.follow;
        controls.follow.title = texts.followTip;
        controls.follow.setAttribute('aria-pressed', following ? 'true' : 'false');
        if (trackLayer._track.n) {
            L.DomUtil.removeClass(controls.fit, 'leaflet-disabled');
        } else {
            L.DomUtil.addClass(controls.fit, 'leaflet-disabled');
        }
        if (following) {
            L.DomUtil.addClass(controls.follow, 'station-on');
        } else {
            L.DomUtil.removeClass(controls.follow, 'station-on');
        }
    }

    // ---- marking a point --------------------------------------------------------------

    function keptName(name) {
        return name.replace(/[,\u0000-\u001f\u007f-\u009f\u2028\u2029]/g, '').trim();
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
    // The track of the last marker file that held one, under the key the station gave its
    // lines: while the station names that key, the file holds those lines again (the
    // selected position's icon apart), and only the page is read.
    var kept = null;
    var hint = null; // the station's word on the newest drawing's marker file

    function keptContent(told) {
        if (!told || !kept || told.track !== kept.key) {
            return null;
        }
        var track = kept.content.track, s = told.selected;
        return {
            track: track,
            live: kept.content.live,
            selected: s >= 0 && s < track.n ? selectedRecord(track, s) : null,
            points: kept.content.points
        };
    }

    // The points of the last marker file read on a drawing of the vehicle, under the key
    // the station gave their lines: while it names that key, a drawing of the vehicle
    // needs no reading at all, as the station hands over the one line and the two values
    // of the page that differ from drawing to drawing.
    var keptPoints = null;
    var encoder = new TextEncoder();

    function vehicleDrawing(told) {
        if (!told || told.points === undefined || !keptPoints || told.points !== keptPoints.key ||
            !shownValues) {
            return null;
        }
        var content = parseMarkers(encoder.encode(told.line + '\r\n'));
        content.points = keptPoints.points;
        var centre = told.centre.split(',');
        return {
            values: {
                newIcon: shownValues.newIcon,
                lat: parseFloat(centre[0]),
                lng: parseFloat(centre[1]),
                zoom: parseFloat(told.zoom),
                markers: markerFile
            },
            content: content
        };
    }

    function parsed(bytes, told) {
        var content = parseMarkers(bytes);
        if (told && told.points !== undefined) {
            keptPoints = { key: told.points, points: content.points };
        }
        // A file read after the station wrote another drawing has no track, or the next
        // drawing's hint corrects the key; keys are never given again to other lines.
        if (told && told.track && content.track.n) {
            kept = { key: told.track, content: content };
        }
        return content;
    }

    // Reads the page and the marker file it named last time side by side; only a page that
    // names another marker file costs a second reading.
    function readFiles(values, told) {
        var vehicle = values ? null : vehicleDrawing(told);
        if (vehicle) {
            show(vehicle.values, vehicle.content);
            return Promise.resolve();
        }
        var known = keptContent(told);
        if (values) {
            if (known && values.markers === markerFile) {
                show(values, known);
                return Promise.resolve();
            }
            return readBytes(values.markers).then(function (bytes) {
                show(values, parsed(bytes, told));
            });
        }
        if (known) {
            return readPage().then(function (page) {
                if (page.markers !== markerFile) {
                    markerFile = page.markers;
                    return readFiles(page, null);
                }
                show(page, known);
                return undefined;
            });
        }
        return Promise.all([readPage(), readBytes(markerFile)]).then(function (read) {
            if (read[0].markers === markerFile) {
                show(read[0], parsed(read[1], told));
                return undefined;
            }
            markerFile = read[0].markers;
            return readFiles(read[0], null);
        });
    }

    var firstDrawing = true;
    function cycle(values) {
        busy = true;
        var target = requested;
        readFiles(values, values ? null : hint).catch(function (error) {
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

    // Asked by the station after it has rewritten the files, with what it tells of them;
    // requests that come while a reading runs are covered by one more reading after it.
    window.stationRefresh = function (request, told) {
        if ((request | 0) >= requested) {
            requested = request | 0;
            hint = told || null;
        }
        if (!busy) {
            cycle(null);
        }
    };

    // ---- what tests and the station can ask of the page -------------------------------

    function described(index) {
        var track = trackLayer._track;
        var at = map.latLngToContainerPoint([track.lat[index], track.lng[index]]);
        return [index, track.lat[index], track.lng[index], at.x, at.y];
    }

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
                trackDrawn: trackLayer._shown.length,
                following: following,
                vehiclePopup: vehiclePopup,
                // A closed popup fades out before it leaves the page.
                popupsOpen: Array.prototype.filter.call(document.querySelectorAll('.leaflet-popup'),
                    function (popup) { return popup.style.opacity !== '0'; }).length,
                fitEnabled: !!controls.fit && !L.DomUtil.hasClass(controls.fit, 'leaflet-disabled'),
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
        },
        // The positions the track's line was drawn through, and those under a sprite, in
        // the order drawn: [index, latitude, longitude, x, y] with x, y in the map's pixels.
        line: function () { return trackLayer.linePositions().map(described); },
        sprites: function () { return trackLayer.spritePositions().map(described); }
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
