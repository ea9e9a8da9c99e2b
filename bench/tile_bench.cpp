// Map tiles: from the page's request to its bytes for tiles of a local MBTiles and PMTiles
// file over a pan of at least 200 tiles, and the same pan over cached tiles of an online
// source with its server stopped. Figures: medians and the slowest tile, in milliseconds.

#include "BenchFigures.h"
#include "map/TestTileServer.h"
#include "map/TilePageSupport.h"

#include <QElapsedTimer>
#include <cstdio>

namespace {

constexpr int Zoom = 15;
constexpr int PanTiles = 200;

// Times of the tiles while the map pans east a tile at a time, until count tiles came, in
// milliseconds: from each tile's request (tileloadstart) to its decoded picture (tileload).
// The browser keeps no resource timing of the tile scheme, so the bytes alone are timed in
// the tile service (CoreTimes).
struct Pan {
    std::vector<double> ToPicture;
};
Pan PanTimes(TilePage& page, int count) {
    RunJs(page.View.get(),
          "window.benchTimes = []; window.benchStarts = {};"
          "var t = stationMap.tiles();"
          "t.on('tileloadstart', e => benchStarts[t._tileCoordsToKey(e.coords)] = performance.now());"
          "t.on('tileload', e => { const k = t._tileCoordsToKey(e.coords);"
          "  if (k in benchStarts) benchTimes.push(performance.now() - benchStarts[k]); });");
    for (int step = 0; step < 400; ++step) {
        if (RunJs(page.View.get(), "benchTimes.length").toInt() >= count) {
            break;
        }
        RunJs(page.View.get(), "stationMap.map.panBy([256, 0], {animate: false})");
        WaitUntil([&] { return !RunJs(page.View.get(), "stationMap.tiles().isLoading()").toBool(); },
                  5000);
    }
    Pan pan;
    for (const QVariant& v : RunJs(page.View.get(), "benchTimes").toList()) {
        pan.ToPicture.push_back(v.toDouble());
    }
    return pan;
}

void Report(const QString& what, const std::vector<double>& times) {
    if (times.empty()) {
        std::printf("%s: no tile came\n", qPrintable(what));
        return;
    }
    std::printf("%s: %zu tiles, median %.2f ms, 90%% %.2f ms, slowest %.2f ms\n",
                qPrintable(what), times.size(), Median(times), Percentile(times, 0.9),
                *std::max_element(times.begin(), times.end()));
}

void Report(const QString& what, const Pan& pan) {
    Report(what + QStringLiteral(", request to decoded picture"), pan.ToPicture);
}

// The tiles of a band east of the start, wide enough for the pan.
QList<TestTile> Band() {
    QList<TestTile> tiles;
    const QPoint start = TileAt(Zoom, TileLatitude, TileLongitude);
    for (int x = start.x() - 3; x <= start.x() + 80; ++x) {
        for (int y = start.y() - 3; y <= start.y() + 3; ++y) {
            tiles.append({Zoom, x, y, PngOf(TileColour(x, y))});
        }
    }
    return tiles;
}

// The core alone: the service's answer for every tile of the band, in microseconds.
void CoreTimes(TilePage& page, const QList<TestTile>& band, const char* what) {
    std::vector<double> times;
    for (const TestTile& t : band) {
        QElapsedTimer clock;
        clock.start();
        page.Tiles().Request(1, t.Z, t.X, t.Y, [](const QByteArray&, const QByteArray&) {});
        times.push_back(clock.nsecsElapsed() / 1000.0);
    }
    std::printf("%s, the tile service alone: %zu tiles, median %.1f us, slowest %.1f us\n", what,
                times.size(), Median(times), *std::max_element(times.begin(), times.end()));
}

int BenchFiles() {
    const QList<TestTile> band = Band();
    for (const char* scheme : {"mbtiles", "pmtiles"}) {
        TilePage page;
        const QString path = page.Dir.filePath(QStringLiteral("band.%1").arg(scheme));
        if (QLatin1String(scheme) == QLatin1String("mbtiles")) {
            MakeMbtiles(path, band, {{"name", "Band"}, {"maxzoom", "18"}});
        } else {
            WriteFile(path, PmtilesOf(band, R"({"name": "Band"})"));
        }
        if (!page.Open(QStringLiteral("[Map]\nTileUrl=%1://%2\n").arg(scheme, path).toUtf8()) ||
            !page.ShowsTiles(6)) {
            std::printf("%s: the page did not show the file\n", scheme);
            return 1;
        }
        Report(QStringLiteral("%1 pan").arg(scheme), PanTimes(page, PanTiles));
        CoreTimes(page, band, scheme);
    }
    return 0;
}

int BenchCached() {
    const QList<TestTile> band = Band();
    QHash<QByteArray, QByteArray> pictures;
    for (const TestTile& t : band) {
        pictures.insert(QStringLiteral("/%1/%2/%3.png").arg(t.Z).arg(t.X).arg(t.Y).toLatin1(), t.Bytes);
    }
    for (const char* cacheControl : {"max-age=3600", "max-age=0"}) {
        TestTileServer server;
        server.Answer = [&](const TileServerRequest& r) -> TileServerAnswer {
            return {200, {{"Content-Type", "image/png"}, {"Cache-Control", cacheControl}},
                    pictures.value(r.Path)};
        };
        server.Start();
        TilePage page;
        if (!page.Open(("[Map]\nTileUrl=" + server.Template() + "\n").toUtf8()) ||
            !page.ShowsTiles(6)) {
            std::printf("online: the page did not show the server's tiles\n");
            return 1;
        }
        Report(QStringLiteral("online pan, %1").arg(cacheControl), PanTimes(page, PanTiles));
        const qsizetype asked = server.Requests.size();
        server.Stop();
        page.Open();
        page.ShowsTiles(6);
        Report(QStringLiteral("cached pan, server stopped, tiles %1")
                   .arg(cacheControl == QByteArray("max-age=0") ? "stale" : "fresh"),
               PanTimes(page, PanTiles));
        std::printf("  server requests while online: %lld\n", qlonglong(asked));
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    PrepareBrowser();
    QApplication application(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("files")) {
        return BenchFiles();
    }
    if (mode == QLatin1String("cached")) {
        return BenchCached();
    }
    std::printf("usage: tile_bench files | cached\n");
    return 2;
}
