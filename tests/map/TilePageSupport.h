#pragma once

// The map page on its own in the real browser, offscreen, over a program folder whose
// [Map] the test writes, with solid-coloured tiles that tell their place.

#include "map/MapPageSupport.h"
#include "map/TileFileMaker.h"
#include "map/clsMapBridge.h"
#include "map/clsMapDrawing.h"
#include "map/clsMapTemplate.h"
#include "map/clsPmtilesReader.h"
#include "shell/modPrivate.h"

#include <QBuffer>
#include <QImage>
#include <QWebEngineUrlRequestInterceptor>
#include <cmath>

// Taipei, where the tests' tiles lie.
inline constexpr double TileLatitude = 25.0336, TileLongitude = 121.5654;

// The tile at zoom z that holds a latitude and longitude (degrees).
inline QPoint TileAt(int z, double latitude, double longitude) {
    const double n = std::ldexp(1.0, z), phi = latitude * M_PI / 180;
    return {int(std::floor((longitude + 180) / 360 * n)),
            int(std::floor((1 - std::asinh(std::tan(phi)) / M_PI) / 2 * n))};
}

// A colour that tells a tile's column and row (within five of each) and a shade of its own.
inline QColor TileColour(int x, int y, int shade = 0) {
    return QColor(30 + 45 * (x % 5), 30 + 45 * (y % 5), 60 + 60 * shade);
}

inline QByteArray PngOf(const QColor& colour) {
    QImage image(256, 256, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

// Tiles of zoom z around the test's place, columns and rows a wide.
inline QList<TestTile> TilesAround(int z, int a, int shade = 0) {
    const QPoint centre = TileAt(z, TileLatitude, TileLongitude);
    QList<TestTile> tiles;
    for (int x = centre.x() - a / 2; x <= centre.x() + a / 2; ++x) {
        for (int y = centre.y() - a / 2; y <= centre.y() + a / 2; ++y) {
            tiles.append({z, x, y, PngOf(TileColour(x, y, shade))});
        }
    }
    return tiles;
}

inline QByteArray PmtilesOf(const QList<TestTile>& tiles, const QByteArray& metadata) {
    QList<PmEntry> entries;
    for (const TestTile& t : tiles) {
        entries.append({clsPmtilesReader::TileId(t.Z, quint32(t.X), quint32(t.Y)), t.Bytes});
    }
    std::sort(entries.begin(), entries.end(),
              [](const PmEntry& a, const PmEntry& b) { return a.TileId < b.TileId; });
    return MakePmtiles(entries, {.LeafSize = 8, .Metadata = metadata, .MaxZoom = 18});
}

// Every address the page asks for.
struct RequestLog : QWebEngineUrlRequestInterceptor {
    QList<QUrl> Urls;
    void interceptRequest(QWebEngineUrlRequestInfo& info) override {
        Urls << info.requestUrl();
    }
    // The addresses that leave the machine (neither the page's files nor the tile scheme).
    QList<QUrl> Outside() const {
        QList<QUrl> outside;
        for (const QUrl& url : Urls) {
            if (!QStringList{"file", "qrc", "data", clsTileService::Scheme}.contains(url.scheme())) {
                outside << url;
            }
        }
        return outside;
    }
};

struct TilePage {
    QTemporaryDir Dir;
    std::unique_ptr<QWebEngineView> View;
    std::unique_ptr<clsMapView> Map;
    std::optional<DrawnWatch> Watch;
    RequestLog Requests;
    QStringList Problems;

    TilePage() { MakeProgramFolder(Dir.path()); }
    ~TilePage() { Close(); }

    // Writes the settings (unless empty), opens the page centred on the test's place.
    bool Open(const QByteArray& settings = {}, int zoom = 15) {
        Close();
        if (!settings.isEmpty() && !WriteFile(Dir.filePath("vendrel.ini"), settings)) {
            return false;
        }
        View = std::make_unique<QWebEngineView>();
        View->page()->setUrlRequestInterceptor(&Requests);
        Map = std::make_unique<clsMapView>(View.get(), Dir.path());
        QObject::connect(Map.get(), &clsMapView::SourceProblem,
                         [this](const QString& message) { Problems << message; });
        Watch.emplace(*Map);
        View->resize(800, 600);
        View->show();
        if (!QTest::qWaitForWindowExposed(View.get())) {
            return false;
        }
        clsMapTemplate prepared;
        prepared.Load(Dir.path());
        clsMapDrawing drawing(Dir.path());
        drawing.WriteCurrentPosition(
            MakeFix("2009/02/18 12:00:00", TileLatitude, "N", TileLongitude, "E", 0, 0),
            prepared.MapTemplate(), zoom);
        Map->Navigate(drawing.PagePath());
        return Watch->WaitForNewest() &&
               WaitUntil([&] { return RunJs(View.get(), "!!document.querySelector("
                                                        "'.leaflet-control-layers')").toBool(); });
    }
    void Close() {
        Watch.reset();
        Map.reset();
        View.reset();
    }
    QJsonObject State() const { return PageState(View.get()); }
    clsTileService& Tiles() { return Map->Bridge().Tiles(); }

    // The labels of the layer list, in order.
    QStringList LayerNames() const {
        return RunJs(View.get(), "[...document.querySelectorAll('.leaflet-control-layers-base "
                                 "label')].map(l => l.textContent.trim())")
            .toStringList();
    }
    // Picks the layer of the list labelled name, as a click would.
    void PickLayer(const QString& name) const {
        RunJs(View.get(), QStringLiteral("[...document.querySelectorAll('.leaflet-control-layers-"
                                         "base label')].find(l => l.textContent.trim() === '%1')"
                                         ".querySelector('input').click()")
                              .arg(name));
    }

    // The tiles in view whose middle nothing covers (marker, popup, control), as "z/x/y"
    // with the colour seen there.
    QMap<QString, QColor> TilesSeen() const {
        const QVariantList tiles =
            RunJs(View.get(),
                  "[...document.querySelectorAll('img.leaflet-tile-loaded')].map(t => {"
                  "  const r = t.getBoundingClientRect(), x = r.left + r.width / 2,"
                  "        y = r.top + r.height / 2;"
                  // Tiles take no pointer: nothing else there means the map itself.
                  "  return document.elementFromPoint(x, y) === stationMap.map.getContainer() &&"
                  "         getComputedStyle(t).opacity === '1' && r.width === 256"
                  "      ? [t.src, x, y] : null; }).filter(t => t)")
                .toList();
        const QImage shot = View->grab().toImage();
        QMap<QString, QColor> seen;
        for (const QVariant& t : tiles) {
            const QVariantList tile = t.toList();
            const QStringList parts = tile[0].toUrl().path().split('/', Qt::SkipEmptyParts);
            seen.insert(parts.mid(1).join('/'),
                        shot.pixelColor(int(tile[1].toDouble()), int(tile[2].toDouble())));
        }
        return seen;
    }
    // Whether at least count tiles are seen, each in the colour that tells its place.
    bool ShowsTiles(int count, int shade = 0) const {
        const bool shown = WaitUntil([&] {
            const QMap<QString, QColor> seen = TilesSeen();
            for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
                const QStringList zxy = it.key().split('/');
                if (it.value() != TileColour(zxy[1].toInt(), zxy[2].toInt(), shade)) {
                    return false;
                }
            }
            return seen.size() >= count;
        });
        if (!shown) {
            // What was seen instead, for the failure's report.
            const QMap<QString, QColor> seen = TilesSeen();
            for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
                const QStringList zxy = it.key().split('/');
                qWarning("tile %s seen %s, its own colour %s", qPrintable(it.key()),
                         qPrintable(it.value().name()),
                         qPrintable(TileColour(zxy[1].toInt(), zxy[2].toInt(), shade).name()));
            }
            qWarning("%d tiles seen, %d loaded", int(seen.size()),
                     RunJs(View.get(), "document.querySelectorAll('img.leaflet-tile-loaded')"
                                       ".length").toInt());
        }
        return shown;
    }
};
