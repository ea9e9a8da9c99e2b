// The speed chart of the listed track: knots over the local clock, drawn with uPlot. The
// data and the record to mark come from the program through the web channel ("chart"), and
// a click hands the clicked instant back; nothing of it goes through a file.
(function () {
    'use strict';

    var texts = { speed: 'Speed (kn)', empty: 'No record to chart.' };
    var bridge = null;
    var plot = null;
    var xs = new Float64Array(0); // instants, seconds since 1970 UTC
    var ys = [];                  // knots, null for a break
    var marked = -1;
    var mark = null;
    var head = document.getElementById('head');
    var holder = document.getElementById('chart');

    function two(n) { return n < 10 ? '0' + n : String(n); }
    function clock(seconds, withSeconds) {
        var d = new Date(seconds * 1000);
        return two(d.getHours()) + ':' + two(d.getMinutes()) +
            (withSeconds ? ':' + two(d.getSeconds()) : '');
    }

    function size() {
        return { width: Math.max(100, window.innerWidth),
                 height: Math.max(60, window.innerHeight - head.offsetHeight) };
    }

    function showReading(index) {
        var reading = document.getElementById('reading');
        if (index == null || index < 0 || index >= xs.length || ys[index] == null) {
            reading.textContent = '';
            return;
        }
        reading.textContent = clock(xs[index], true) + '  ' + ys[index] + ' kn';
    }

    function placeMark() {
        if (!plot || marked < 0 || marked >= xs.length) {
            if (mark) mark.hidden = true;
            return;
        }
        mark.hidden = false;
        mark.style.left = plot.valToPos(xs[marked], 'x') + 'px';
        mark.style.setProperty('--dot', (plot.valToPos(ys[marked] || 0, 'y') - 5) + 'px');
    }

    // The instant under a click, unless the mouse moved: a drag zooms.
    function listenForClicks(over) {
        var down = null;
        over.addEventListener('mousedown', function (e) { down = [e.clientX, e.clientY]; });
        over.addEventListener('mouseup', function (e) {
            if (!down || Math.abs(e.clientX - down[0]) > 3 || Math.abs(e.clientY - down[1]) > 3) {
                return;
            }
            var rect = over.getBoundingClientRect();
            bridge.chartClicked(plot.posToVal(e.clientX - rect.left, 'x'));
        });
    }

    function build(json, request) {
        var started = performance.now();
        var data = JSON.parse(json);
        var n = data.x.length;
        xs = new Float64Array(n);
        for (var i = 0; i < n; ++i) xs[i] = data.start + data.x[i];
        ys = data.y;
        marked = -1;
        document.getElementById('title').textContent = data.title;
        document.getElementById('empty').textContent = texts.empty;
        document.getElementById('empty').hidden = n > 0;
        if (plot) plot.destroy();
        var reported = false;
        var opts = Object.assign(size(), {
            legend: { show: false },
            cursor: { drag: { x: true, y: false }, points: { show: false } },
            scales: { x: { time: true } },
            series: [
                {},
                { label: texts.speed, stroke: '#1565c0', width: 1, spanGaps: false,
                  points: { show: false } },
            ],
            axes: [
                // Ticks less than a minute apart name their seconds, or they would repeat.
                { values: function (u, splits, axis, space, increment) {
                    return splits.map(function (v) { return clock(v, increment < 60); });
                } },
                { label: texts.speed, size: 50 },
            ],
            hooks: {
                draw: [function () {
                    placeMark();
                    if (!reported) {
                        reported = true;
                        window.chartDrawMilliseconds = performance.now() - started;
                        bridge.drawn(request, window.chartDrawMilliseconds);
                    }
                }],
                setCursor: [function (u) { showReading(u.cursor.idx); }],
            },
        });
        plot = new uPlot(opts, [xs, ys], holder);
        mark = document.createElement('div');
        mark.id = 'mark';
        mark.hidden = true;
        plot.over.appendChild(mark);
        listenForClicks(plot.over);
    }

    function load(request) {
        bridge.chartData(function (json) {
            build(json, request);
            bridge.markedPoint(function (point) { moveMark(point); });
        });
    }

    function moveMark(point) {
        var started = performance.now();
        marked = point;
        placeMark();
        showReading(point);
        bridge.marked(point, performance.now() - started);
    }

    // What the page shows, for the station's tests and benchmarks: the chart's title, its
    // points and breaks, the marked point and where its mark stands; and where on the screen
    // a point is drawn.
    window.stationChart = {
        state: function () {
            var breaks = 0;
            for (var i = 0; i < ys.length; ++i) if (ys[i] == null) ++breaks;
            return {
                title: document.getElementById('title').textContent,
                points: xs.length,
                breaks: breaks,
                marked: marked,
                markShown: !!mark && !mark.hidden,
                markLeft: mark && !mark.hidden ? parseFloat(mark.style.left) : null,
                pointLeft: marked >= 0 && plot ? plot.valToPos(xs[marked], 'x') : null,
                drawMilliseconds: window.chartDrawMilliseconds || null,
            };
        },
        clientPoint: function (point) {
            var rect = plot.over.getBoundingClientRect();
            return { x: rect.left + plot.valToPos(xs[point], 'x'),
                     y: rect.top + plot.valToPos(ys[point] || 0, 'y') };
        },
    };

    window.addEventListener('resize', function () {
        if (plot) plot.setSize(size());
    });

    new QWebChannel(qt.webChannelTransport, function (channel) {
        bridge = channel.objects.chart;
        Object.keys(bridge.texts || {}).forEach(function (key) {
            if (bridge.texts[key]) texts[key] = bridge.texts[key];
        });
        bridge.chartChanged.connect(load);
        bridge.markMoved.connect(moveMark);
        bridge.chartRequest(load);
    });
}());
