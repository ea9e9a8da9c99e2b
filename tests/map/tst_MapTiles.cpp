#include "map/TestTileServer.h"
#include "map/TilePageSupport.h"

namespace {

constexpr int Zoom = 15;
// Of the 800 x 600 view at least this many whole tiles show; the files hold 7 x 7.
constexpr int TilesInView = 6;

QByteArray Settings(const QStringList& lines) {
    return ("[Map]\n" + lines.join('\n') + '\n').toUtf8();
}

QString CreditOf(const QJsonObject& state) { return state["credit"].toString(); }

} // namespace

class TestMapTiles : public QObject {
    Q_OBJECT

private slots:
    // An MBTiles or PMTiles file: its tiles at their places (the south-row rule of MBTiles
    // included), the file's credit as text, its name in the layer list, and no request
    // leaves the machine.
    void fileTiles_data() {
        QTest::addColumn<QString>("scheme");
        QTest::newRow("MBTiles") << "mbtiles";
        QTest::newRow("PMTiles") << "pmtiles";
    }
    void fileTiles() {
        QFETCH(QString, scheme);
        TilePage page;
        const QString path = page.Dir.filePath("maps/area." + scheme);
        const QString credit = "<a href=\"https://survey.example\">\u00a9 Test survey</a> & co";
        const QList<TestTile> tiles = TilesAround(Zoom, 7);
        QVERIFY(QDir().mkpath(page.Dir.filePath("maps")));
        if (scheme == "mbtiles") {
            QVERIFY(MakeMbtiles(path, tiles, {{"name", "Test area"}, {"attribution", credit},
                                              {"format", "png"}, {"maxzoom", "18"}}));
        } else {
            QVERIFY(WriteFile(path, PmtilesOf(tiles, QJsonDocument(QJsonObject{
                                                         {"name", "Test area"},
                                                         {"attribution", credit}})
                                                         .toJson())));
        }
        QVERIFY(page.Open(Settings({"TileUrl=" + scheme + "://" + path})));
        QVERIFY(page.ShowsTiles(TilesInView));
        const QJsonObject state = page.State();
        QCOMPARE(state["layer"].toInt(), 1);
        QVERIFY2(CreditOf(state).contains(QStringLiteral("\u00a9 Test survey & co")) &&
                     !CreditOf(state).contains("OpenStreetMap"),
                 qPrintable(CreditOf(state)));
        QVERIFY(!state["offline"].toBool());
        QCOMPARE(page.LayerNames(), QStringList({"Test area", "Coastline"}));
        QVERIFY(RunJs(page.View.get(), "document.querySelector('.leaflet-control-attribution a"
                                       "[href*=\"survey\"]') === null").toBool());
        QVERIFY2(page.Requests.Outside().isEmpty(),
                 qPrintable(page.Requests.Outside().value(0).toString()));
        QVERIFY(page.Problems.isEmpty());
        // A scale bar in metres.
        QVERIFY(RunJs(page.View.get(), "/\\d+ (m|km)/.test(document.querySelector("
                                       "'.leaflet-control-scale-line').textContent)").toBool());
    }

    // A file that is not there, or holds no tiles of its kind, is told once with its path
    // and what shows instead; the layer list offers what can be shown, and the stored choice
    // stays as it was.
    void missingFileFallsBack_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content"); // null: no file
        QTest::addColumn<QString>("says");
        QTest::newRow("missing") << "gone.mbtiles" << QByteArray() << "does not exist";
        QByteArray junk(64 * 1024, '\0');
        for (qsizetype i = 0; i < junk.size(); ++i) {
            junk[i] = char((i * 7919 + 13) % 251);
        }
        QTest::newRow("MBTiles that is no SQLite file")
            << "junk.mbtiles" << "SQLite format 2\0" + junk << "is not an MBTiles file";
        QTest::newRow("PMTiles of junk") << "junk.pmtiles" << "PMTiles\x03" + junk
                                         << "cannot be read";
    }
    void missingFileFallsBack() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(QString, says);
        TilePage page;
        const QString missing = page.Dir.filePath("maps/" + name);
        QVERIFY(content.isNull() || WriteFile(missing, content));
        const QString scheme = name.section('.', -1);
        const QString there = page.Dir.filePath("there.pmtiles");
        QVERIFY(WriteFile(there, PmtilesOf(TilesAround(Zoom, 7, 1),
                                           R"({"name": "Harbour", "attribution": "Harbour office"})")));
        const QByteArray settings = Settings({"TileUrl=" + scheme + "://" + missing,
                                              "TileUrl2=pmtiles://" + there, "Layer=1"});
        QVERIFY(page.Open(settings));
        QVERIFY(page.ShowsTiles(TilesInView, 1));
        QCOMPARE(page.Problems.size(), 1);
        QVERIFY2(page.Problems[0].contains(missing) && page.Problems[0].contains(says) &&
                     page.Problems[0].contains("shows Harbour instead"),
                 qPrintable(page.Problems[0]));
        QCOMPARE(page.State()["layer"].toInt(), 2);
        QVERIFY(CreditOf(page.State()).contains("Harbour office"));
        QCOMPARE(page.LayerNames(), QStringList({"Harbour", "Coastline"}));
        page.Map->Navigate(clsMapDrawing(page.Dir.path()).PagePath()); // the next drawing
        QVERIFY(page.Watch->WaitForNewest());
        QVERIFY(page.ShowsTiles(TilesInView, 1));
        QCOMPARE(page.Problems.size(), 1);
        QCOMPARE(ReadFile(page.Dir.filePath("vendrel.ini")), settings);

        // Nothing else to show: the coastline, with no credit of a source.
        QVERIFY(page.Open(Settings({"TileUrl=" + scheme + "://" + missing})));
        QCOMPARE(page.Problems.size(), 2);
        QVERIFY2(page.Problems[1].contains("shows Coastline instead"), qPrintable(page.Problems[1]));
        QCOMPARE(page.State()["layer"].toInt(), 0);
        QCOMPARE(page.LayerNames(), QStringList({"Coastline"}));
    }

    // The main window tells a missing map file once, without waiting, at the first drawing
    // that opens the page; later drawings tell it no more.
    void windowTellsAMissingFileOnce() {
        MapWindow s;
        QVERIFY(s.Start("[Map]\nTileUrl=mbtiles:///nowhere/area.mbtiles\n"));
        s.Click("cmdQuery");
        QVERIFY(s.Send(Sentence(25.0335, 121.56, 93, "120000")) && s.Watch->WaitForNewest());
        QVERIFY(s.Send(Sentence(25.0336, 121.561, 93, "120001")) && s.Watch->WaitForNewest());
        QTRY_COMPARE(s.Platform.Messages.size(), 1);
        QVERIFY2(s.Platform.Messages[0].Text.contains("/nowhere/area.mbtiles"),
                 qPrintable(s.Platform.Messages[0].Text));
        QVERIFY(!s.Platform.Messages[0].Waits);
        QVERIFY(s.Send(Sentence(25.0337, 121.562, 93, "120002")) && s.Watch->WaitForNewest());
        QCOMPARE(s.Platform.Messages.size(), 1);
    }

    // Online tiles through the cache: shown and kept; with the server stopped still shown at
    // the next start, and where none is kept the offline note instead of the source's
    // credit; the server back with changed tiles, the next start shows them, the kept ones
    // being stale. The server
    // never gets more requests than the page made.
    void onlineThroughCache() {
        TestTileServer server;
        int shade = 0;
        server.Answer = [&](const TileServerRequest& r) -> TileServerAnswer {
            const QList<QByteArray> zxy = r.Path.chopped(4).mid(1).split('/');
            return {200, {{"Content-Type", "image/png"}, {"Cache-Control", "max-age=1"}},
                    PngOf(TileColour(zxy[1].toInt(), zxy[2].toInt(), shade))};
        };
        QVERIFY(server.Start());
        TilePage page;
        QVERIFY(page.Open(Settings({"TileUrl=" + server.Template(), "TileAttribution=Test tiles"})));
        page.Tiles().SetRetryAfterFailure(200);
        QVERIFY(page.ShowsTiles(TilesInView));
        QVERIFY(CreditOf(page.State()).contains("Test tiles"));
        QVERIFY(page.Requests.Outside().isEmpty());
        const auto pageAsked = [&] {
            return std::count_if(page.Requests.Urls.cbegin(), page.Requests.Urls.cend(),
                                 [](const QUrl& u) { return u.scheme() == clsTileService::Scheme; });
        };
        QVERIFY(server.Requests.size() > 0 && server.Requests.size() <= pageAsked());

        const quint16 port = server.Port();
        server.Stop();
        QTest::qWait(1100); // every kept tile is stale now
        QVERIFY(page.Open()); // a new start of the map
        page.Tiles().SetRetryAfterFailure(200);
        QVERIFY(page.ShowsTiles(TilesInView));
        QVERIFY2(CreditOf(page.State()).contains("Test tiles"), qPrintable(CreditOf(page.State())));
        QVERIFY(!page.State()["offline"].toBool());

        // Where nothing is kept: the note, and no credit for tiles that are not there.
        RunJs(page.View.get(), "stationMap.map.setView([-33.86, 151.21], 15, {animate: false})");
        QVERIFY(WaitUntil([&] { return page.State()["offline"].toBool(); }));
        QVERIFY(!CreditOf(page.State()).contains("Test tiles"));
        QVERIFY(RunJs(page.View.get(), "document.querySelector('.station-offline').textContent")
                    .toString()
                    .contains("Offline maps"));

        shade = 2;
        QVERIFY(server.Start(port));
        QTest::qWait(300); // past the pause after the failure
        // The browser keeps the pictures it showed for its page's life: a new start.
        QVERIFY(page.Open());
        QVERIFY(page.ShowsTiles(TilesInView, 2));
        QVERIFY(!page.State()["offline"].toBool());
        QVERIFY(server.Requests.size() <= pageAsked());
    }

    // The layer picked in the list is stored and shown again at the next start, the
    // coastline alone as well.
    void layerChoiceAfterRestart() {
        TilePage page;
        const QString first = page.Dir.filePath("first.mbtiles");
        const QString second = page.Dir.filePath("second.pmtiles");
        QVERIFY(MakeMbtiles(first, TilesAround(Zoom, 7), {{"name", "First"}, {"attribution", "One"}}));
        QVERIFY(WriteFile(second, PmtilesOf(TilesAround(Zoom, 7, 1),
                                            R"({"name": "Second", "attribution": "Two"})")));
        QVERIFY(page.Open(Settings({"TileUrl=mbtiles://" + first, "TileUrl2=pmtiles://" + second})));
        QVERIFY(page.ShowsTiles(TilesInView, 0));
        page.PickLayer("Second");
        QVERIFY(WaitUntil([&] {
            return ReadFile(page.Dir.filePath("vendrel.ini")).contains("Layer=2");
        }));
        QVERIFY(page.ShowsTiles(TilesInView, 1));
        QVERIFY(CreditOf(page.State()).contains("Two") && !CreditOf(page.State()).contains("One"));

        QVERIFY(page.Open());
        QCOMPARE(page.State()["layer"].toInt(), 2);
        QVERIFY(page.ShowsTiles(TilesInView, 1));
        page.PickLayer("Coastline");
        QVERIFY(WaitUntil([&] {
            return ReadFile(page.Dir.filePath("vendrel.ini")).contains("Layer=0");
        }));

        QVERIFY(page.Open());
        const QJsonObject state = page.State();
        QCOMPARE(state["layer"].toInt(), 0);
        QCOMPARE(state["tilesShown"].toInt(), 0);
        QVERIFY(!CreditOf(state).contains("One") && !CreditOf(state).contains("Two"));
        QVERIFY(!state["offline"].toBool());
        QVERIFY(WaitUntil([&] { return page.State()["land"].toBool(); }));
    }
};

STATION_UI_TEST_MAIN(TestMapTiles)
#include "tst_MapTiles.moc"
