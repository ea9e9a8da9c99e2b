#include "map/TestTileServer.h"
#include "map/TileFileMaker.h"
#include "map/clsMbtilesReader.h"
#include "map/clsPmtilesReader.h"
#include "map/clsTileCache.h"
#include "map/clsTileFetcher.h"
#include "map/clsTileSources.h"
#include "shell/TestFiles.h"

#include <QDirIterator>
#include <QNetworkAccessManager>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Bytes that tell a tile's place.
QByteArray TileBytes(int z, int x, int y) {
    return QStringLiteral("tile %1/%2/%3").arg(z).arg(x).arg(y).toLatin1();
}

// The answer of a fetcher, waited for.
std::optional<clsTileCache::Entry> Fetch(clsTileFetcher& fetcher, int z, int x, int y) {
    std::optional<std::optional<clsTileCache::Entry>> answer;
    fetcher.Request(z, x, y, [&](const std::optional<clsTileCache::Entry>& t) { answer = t; });
    if (!QTest::qWaitFor([&] { return answer.has_value(); }, 15000)) {
        return std::nullopt;
    }
    return answer.value_or(std::nullopt);
}

} // namespace

class TestTileSources : public QObject {
    Q_OBJECT

private slots:
    // The page's row y is row 2^z-1-y of the file; metadata gives name, credit, zooms,
    // bounds and the pictures' type. Absent tiles and places outside the level give none.
    void mbtilesTiles_data() {
        QTest::addColumn<int>("z");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<bool>("held");
        QTest::newRow("north-west at 15") << 15 << 27441 << 14013 << true;
        QTest::newRow("row beneath it") << 15 << 27441 << 14014 << true;
        QTest::newRow("whole world") << 0 << 0 << 0 << true;
        QTest::newRow("south row of level 1") << 1 << 1 << 1 << true;
        QTest::newRow("north row of level 1, not held") << 1 << 1 << 0 << false;
        QTest::newRow("beyond the level") << 1 << 2 << 0 << false;
        QTest::newRow("negative") << 3 << -1 << 0 << false;
    }
    void mbtilesTiles() {
        QFETCH(int, z);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(bool, held);
        QTemporaryDir dir;
        const QString path = dir.filePath("area.mbtiles");
        QList<TestTile> tiles;
        for (const auto& [tz, tx, ty] : {std::tuple{15, 27441, 14013}, {15, 27441, 14014},
                                         {0, 0, 0}, {1, 1, 1}}) {
            tiles.append({tz, tx, ty, TileBytes(tz, tx, ty)});
        }
        QVERIFY(MakeMbtiles(path, tiles,
                            {{"name", "Taipei"}, {"format", "jpg"}, {"minzoom", "10"},
                             {"maxzoom", "16"}, {"bounds", "121.4,24.9,121.7,25.2"},
                             {"attribution", "<a href=\"x\">\u00a9 Map makers</a>"}}));
        clsMbtilesReader reader(path, dir.path());
        QCOMPARE(reader.Tile(z, x, y), held ? std::optional(TileBytes(z, x, y)) : std::nullopt);
        const TileArea& area = reader.Area();
        QCOMPARE(area.Name, "Taipei");
        QCOMPARE(area.Attribution, QStringLiteral("<a href=\"x\">\u00a9 Map makers</a>"));
        QCOMPARE(area.MimeType, "image/jpeg");
        QCOMPARE(area.MinZoom, 10);
        QCOMPARE(area.MaxZoom, 16);
        QVERIFY(area.HasBounds);
        QCOMPARE(QList<double>({area.West, area.South, area.East, area.North}),
                 QList<double>({121.4, 24.9, 121.7, 25.2}));
    }

    // A file that cannot be used is refused at once, its path in the message.
    void unusableFiles_data() {
        QTest::addColumn<QByteArray>("content"); // "" for no file; "mbtiles:" + SQL
        QTest::addColumn<bool>("pmtiles");
        QTest::addColumn<QString>("says");
        QTest::newRow("no MBTiles file") << QByteArray() << false << "does not exist";
        QTest::newRow("text as MBTiles") << QByteArray("not a database, just text\n") << false
                                         << "is not an MBTiles file";
        QTest::newRow("MBTiles without tiles")
            << QByteArray("sql:CREATE TABLE metadata (name text, value text)") << false
            << "is not an MBTiles file";
        QTest::newRow("MBTiles of vector tiles")
            << QByteArray("sql:CREATE TABLE metadata (name text, value text);"
                          "INSERT INTO metadata VALUES ('format', 'pbf');"
                          "CREATE TABLE tiles (zoom_level, tile_column, tile_row, tile_data)")
            << false << "vector tiles";
        QTest::newRow("no PMTiles file") << QByteArray() << true << "does not exist";
        QTest::newRow("PMTiles version 2") << QByteArray("PM\x02\x00", 4) + QByteArray(200, 'x')
                                           << true << "not a PMTiles file of version 3";
        QTest::newRow("PMTiles header cut short") << QByteArray("PMTiles\x03", 8) << true
                                                  << "not a PMTiles file of version 3";
        QByteArray vector = MakePmtiles({{1, "t"}}, {.TileType = 1});
        QTest::newRow("PMTiles of vector tiles") << vector << true << "vector tiles";
        QByteArray shortRoot = MakePmtiles({{1, "t"}, {2, "u"}}, {.Gzip = false});
        shortRoot[16] = 3; // the root directory's length: its last bytes are missing
        QTest::newRow("PMTiles directory cut short") << shortRoot << true << "cannot be read";
        QByteArray beyond = MakePmtiles({{1, "t"}}, {.Gzip = false});
        beyond[9] = char(0x7f); // the root directory's offset beyond the end
        QTest::newRow("PMTiles root beyond the end") << beyond << true << "cannot be read";
        QByteArray badGzip = MakePmtiles({{1, "t"}});
        badGzip[127 + 12] = char(badGzip[127 + 12] ^ 0x55);
        QTest::newRow("PMTiles damaged gzip") << badGzip << true << "cannot be read";
    }
    void unusableFiles() {
        QFETCH(QByteArray, content);
        QFETCH(bool, pmtiles);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString path = dir.filePath(pmtiles ? "x.pmtiles" : "x.mbtiles");
        if (content.startsWith("sql:")) {
            sqlite3* db = nullptr;
            sqlite3_open(path.toUtf8().constData(), &db);
            QCOMPARE(sqlite3_exec(db, content.mid(4).constData(), nullptr, nullptr, nullptr),
                     SQLITE_OK);
            sqlite3_close(db);
        } else if (!content.isEmpty()) {
            QVERIFY(WriteFile(path, content));
        }
        // A reader that refuses its file leaves no descriptor of it open.
        const auto openFiles = [] { return QDir(QStringLiteral("/proc/self/fd")).count(); };
        const uint before = openFiles();
        const QString message = ErrorOf([&] {
            if (pmtiles) {
                clsPmtilesReader reader(path, dir.path());
            } else {
                clsMbtilesReader reader(path, dir.path());
            }
        });
        QVERIFY2(message.contains(path) && message.contains(says), qPrintable(message));
        QCOMPARE(openFiles(), before);
    }

    // Positions on the Hilbert curves of the format: level 0 and 1 as the format tells
    // them, level 2 by its curve drawn out by hand.
    void pmtilesTileIds_data() {
        QTest::addColumn<int>("z");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("y");
        QTest::addColumn<quint64>("id");
        const int curve[][3] = {{0, 0, 0}, {1, 1, 0}, {2, 1, 1}, {3, 0, 1}, {4, 0, 2},
                                {5, 0, 3}, {6, 1, 3}, {7, 1, 2}, {8, 2, 2}, {9, 2, 3},
                                {10, 3, 3}, {11, 3, 2}, {12, 3, 1}, {13, 2, 1}, {14, 2, 0},
                                {15, 3, 0}};
        QTest::newRow("0/0/0") << 0 << 0 << 0 << quint64(0);
        QTest::newRow("1/0/0") << 1 << 0 << 0 << quint64(1);
        QTest::newRow("1/0/1") << 1 << 0 << 1 << quint64(2);
        QTest::newRow("1/1/1") << 1 << 1 << 1 << quint64(3);
        QTest::newRow("1/1/0") << 1 << 1 << 0 << quint64(4);
        for (const auto& [d, x, y] : curve) {
            QTest::addRow("2/%d/%d", x, y) << 2 << x << y << quint64(5 + d);
        }
        // The first tile of a level follows all tiles of the levels above it.
        QTest::newRow("15/0/0") << 15 << 0 << 0 << quint64(((1ull << 30) - 1) / 3);
    }
    void pmtilesTileIds() {
        QFETCH(int, z);
        QFETCH(int, x);
        QFETCH(int, y);
        QFETCH(quint64, id);
        QCOMPARE(clsPmtilesReader::TileId(z, quint32(x), quint32(y)), id);
    }

    // Tiles found by their entries: in the root or in leaves, a run of equal tiles, gaps,
    // with directories gzip-compressed or not.
    void pmtilesTiles_data() {
        QTest::addColumn<bool>("gzip");
        QTest::addColumn<int>("leafSize");
        QTest::newRow("root, gzip") << true << 0;
        QTest::newRow("root, no compression") << false << 0;
        QTest::newRow("leaves of two, gzip") << true << 2;
        QTest::newRow("leaves of one") << false << 1;
    }
    void pmtilesTiles() {
        QFETCH(bool, gzip);
        QFETCH(int, leafSize);
        // 1/0/0 alone, 1/1/1 and 1/1/0 one run of the same tile, 2/1/0 after a gap.
        const QList<PmEntry> tiles = {{1, "north-west"}, {3, "east", 2}, {6, "two"}};
        QTemporaryDir dir;
        const QString path = dir.filePath("area.pmtiles");
        QVERIFY(WriteFile(path, MakePmtiles(tiles, {.Gzip = gzip, .LeafSize = leafSize,
                                                    .Metadata = R"({"name": "Harbour",
                                                        "attribution": "© Chart office"})",
                                                    .MinZoom = 1, .MaxZoom = 2, .West = 120.5,
                                                    .South = 22.5, .East = 121.25, .North = 23})));
        clsPmtilesReader reader(path, dir.path());
        const QList<std::tuple<int, int, int, const char*>> expected = {
            {1, 0, 0, "north-west"}, {1, 0, 1, nullptr}, {1, 1, 1, "east"}, {1, 1, 0, "east"},
            {2, 0, 0, nullptr},      {2, 1, 0, "two"},   {2, 1, 1, nullptr}, {0, 0, 0, nullptr}};
        for (const auto& [z, x, y, bytes] : expected) {
            QCOMPARE(reader.Tile(z, x, y),
                     bytes ? std::optional(QByteArray(bytes)) : std::nullopt);
        }
        QCOMPARE(reader.Area().Name, "Harbour");
        QCOMPARE(reader.Area().Attribution, QStringLiteral("© Chart office"));
        QCOMPARE(reader.Area().MaxZoom, 2);
        QCOMPARE(QList<double>({reader.Area().West, reader.Area().North}),
                 QList<double>({120.5, 23}));
    }

    // A directory written out by hand: two entries, the second right after the first.
    void pmtilesHandWrittenDirectory() {
        // count 2; ids 1, 1+3; runs 1, 1; lengths 2, 3; offsets 0+1, then "follows".
        const QByteArray root("\x02\x01\x03\x01\x01\x02\x03\x01\x00", 9);
        QByteArray file = MakePmtiles({{1, "ab"}, {4, "cde"}}, {.Gzip = false});
        QCOMPARE(file.mid(127, 9), root);
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("t.pmtiles"), file));
        clsPmtilesReader reader(dir.filePath("t.pmtiles"), dir.path());
        QCOMPARE(reader.Tile(1, 0, 0), std::optional(QByteArray("ab")));
        QCOMPARE(reader.Tile(1, 1, 0), std::optional(QByteArray("cde")));
    }

    // [Map] names the sources by number; the stored layer comes back; a write changes the
    // key's line only.
    void sourceList_data() {
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<QStringList>("sources"); // number kind path-or-address attribution
        QTest::addColumn<int>("chosen");
        QTest::newRow("nothing set: the public server")
            << QByteArray("[Settings]\nZoom=15\n")
            << QStringList{QStringLiteral("1 online %1 © OpenStreetMap contributors")
                               .arg(clsTileSources::DefaultAddress)}
            << 1;
        QTest::newRow("an own server, its credit")
            << QByteArray("[Map]\nTileUrl=https://t.example/{z}/{x}/{y}.png\nTileAttribution=Ex\n")
            << QStringList{"1 online https://t.example/{z}/{x}/{y}.png Ex"} << 1;
        QTest::newRow("file, gap, server; layer 3")
            << QByteArray("[Map]\nTileUrl=mbtiles:///maps/a%20b.mbtiles\nTileUrl3=http://h/{z}/"
                          "{x}/{y}\nTileAttribution3=H\nLayer=3\n")
            << QStringList{"1 mbtiles /maps/a b.mbtiles ", "3 online http://h/{z}/{x}/{y} H"} << 3;
        QTest::newRow("relative PMTiles; coastline chosen")
            << QByteArray("[Map]\nTileUrl2=pmtiles:maps/c.pmtiles\nLayer=0\n")
            << QStringList{QStringLiteral("1 online %1 © OpenStreetMap contributors")
                               .arg(clsTileSources::DefaultAddress),
                           "2 pmtiles HOME/maps/c.pmtiles "}
            << 0;
        QTest::newRow("a folder of tiles")
            << QByteArray("[Map]\nTileUrl=file:///srv/tiles/{z}/{x}/{y}.png\n")
            << QStringList{"1 folder file:///srv/tiles/{z}/{x}/{y}.png "} << 1;
        QTest::newRow("stored layer names no source")
            << QByteArray("[Map]\nTileUrl=ftp://x\nLayer=7\n") << QStringList{"1 unknown ftp://x "}
            << 1;
    }
    void sourceList() {
        QFETCH(QByteArray, settings);
        QFETCH(QStringList, sources);
        QFETCH(int, chosen);
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("vendrel.ini"), settings));
        clsTileSources list(dir.path());
        QStringList read;
        const char* kinds[] = {"online", "mbtiles", "pmtiles", "folder", "unknown"};
        for (const TileSource& s : list.Sources()) {
            read << QStringLiteral("%1 %2 %3 %4")
                        .arg(s.Number)
                        .arg(kinds[int(s.SourceKind)],
                             s.Path.isEmpty() ? s.Address
                                              : QString(s.Path).replace(dir.path(), "HOME"),
                             s.Attribution);
        }
        QCOMPARE(read, sources);
        QCOMPARE(list.ChosenLayer(), chosen);

        list.ChooseLayer(0);
        list.ChooseLayer(42); // names no source: ignored
        const QByteArray written = ReadFile(dir.filePath("vendrel.ini"));
        QVERIFY2(written.contains("Layer=0") && !written.contains("42") &&
                     written.startsWith(settings.left(settings.indexOf("Layer="))),
                 written.constData());
        QCOMPARE(clsTileSources(dir.path()).ChosenLayer(), 0);
    }

    // Kept tiles come back as stored; beyond the limit the oldest go first, also those
    // kept by an earlier run; a damaged file counts as no tile.
    void cacheKeepsAndEvicts() {
        QTemporaryDir dir;
        const QDateTime until = QDateTime(QDate(2030, 1, 2), QTime(3, 4, 5), Qt::UTC);
        const QByteArray bytes(1000, 'p');
        {
            clsTileCache cache(dir.path(), 3500);
            for (int i = 0; i < 3; ++i) {
                QVERIFY(cache.Store(QStringLiteral("s/15/%1/7").arg(i),
                                    {bytes, "image/png", "\"e" + QByteArray::number(i) + '"',
                                     "Wed, 21 Oct 2015 07:28:00 GMT", until}));
            }
            const auto kept = cache.Find("s/15/1/7");
            QVERIFY(kept);
            QCOMPARE(kept->Bytes, bytes);
            QCOMPARE(kept->MimeType, "image/png");
            QCOMPARE(kept->ETag, "\"e1\"");
            QCOMPARE(kept->LastModified, "Wed, 21 Oct 2015 07:28:00 GMT");
            QCOMPARE(kept->FreshUntil, until);
            QVERIFY(cache.Size() > 3000 && cache.Size() <= 3500);
        }
        clsTileCache later(dir.path(), 3500);
        QVERIFY(later.Store("s/15/9/7", {bytes, "image/png", {}, {}, until}));
        QVERIFY(!later.Find("s/15/0/7"));
        QVERIFY(later.Find("s/15/1/7") && later.Find("s/15/2/7") && later.Find("s/15/9/7"));
        QVERIFY(later.Size() <= 3500);

        QVERIFY(WriteFile(dir.filePath("s/15/1/7.tile"), "garbage without a header"));
        QVERIFY(!later.Find("s/15/1/7"));
        QVERIFY(!later.Find("s/15/5/7"));
    }

    // Freshness as the server's headers say, received at 12:00.
    void freshness_data() {
        QTest::addColumn<QByteArray>("cacheControl");
        QTest::addColumn<QByteArray>("expires");
        QTest::addColumn<QByteArray>("lastModified");
        QTest::addColumn<qint64>("seconds"); // fresh for
        QTest::addColumn<bool>("keep");
        const QByteArray date = "Mon, 07 Dec 2026 12:00:00 GMT";
        QTest::newRow("max-age") << QByteArray("public, max-age=604800") << QByteArray()
                                 << QByteArray() << qint64(604800) << true;
        QTest::newRow("max-age beats Expires")
            << QByteArray("max-age=60") << QByteArray("Tue, 08 Dec 2026 12:00:00 GMT")
            << QByteArray() << qint64(60) << true;
        QTest::newRow("Expires a day after Date")
            << QByteArray() << QByteArray("Tue, 08 Dec 2026 12:00:00 GMT") << QByteArray()
            << qint64(86400) << true;
        QTest::newRow("Expires 0") << QByteArray() << QByteArray("0") << QByteArray() << qint64(0)
                                   << true;
        QTest::newRow("no-cache") << QByteArray("no-cache, max-age=600") << QByteArray()
                                  << QByteArray() << qint64(0) << true;
        QTest::newRow("no-store") << QByteArray("no-store") << QByteArray() << QByteArray()
                                  << qint64(0) << false;
        QTest::newRow("changed ten days ago: a day")
            << QByteArray() << QByteArray() << QByteArray("Fri, 27 Nov 2026 12:00:00 GMT")
            << qint64(86400) << true;
        QTest::newRow("changed long ago: a week at most")
            << QByteArray() << QByteArray() << QByteArray("Sat, 01 Jan 2000 00:00:00 GMT")
            << qint64(7 * 86400) << true;
        QTest::newRow("no headers") << QByteArray() << QByteArray() << QByteArray() << qint64(0)
                                    << true;
    }
    void freshness() {
        QFETCH(QByteArray, cacheControl);
        QFETCH(QByteArray, expires);
        QFETCH(QByteArray, lastModified);
        QFETCH(qint64, seconds);
        QFETCH(bool, keep);
        const QDateTime now(QDate(2026, 12, 7), QTime(12, 0), Qt::UTC);
        QCOMPARE(now.secsTo(clsTileFetcher::FreshUntil(cacheControl, expires,
                                                       "Mon, 07 Dec 2026 12:00:00 GMT",
                                                       lastModified, now)),
                 seconds);
        QCOMPARE(clsTileFetcher::MayKeep(cacheControl), keep);
    }

    // Through a server of the test's own: a fresh tile costs no request; a stale one is
    // revalidated (304 keeps it, 200 replaces it); overlapping requests share one; with
    // the server gone the kept tile is answered and for a while nothing waits on it.
    void fetcherThroughCache() {
        TestTileServer server;
        QByteArray body = "first picture";
        QByteArray etag = "\"v1\"";
        QByteArray cacheControl = "max-age=600";
        server.Answer = [&](const TileServerRequest& r) -> TileServerAnswer {
            if (r.Headers.value("if-none-match") == etag) {
                return {304, {{"Cache-Control", cacheControl}}, {}};
            }
            if (r.Path != "/15/27441/14013.png") {
                return {404, {}, {}};
            }
            return {200, {{"Content-Type", "image/png"}, {"ETag", etag},
                          {"Cache-Control", cacheControl}}, body};
        };
        QVERIFY(server.Start());
        QTemporaryDir dir;
        clsTileCache cache(dir.path(), 1 << 20);
        QNetworkAccessManager network;
        clsTileFetcher fetcher(clsTileSources::Parse(1, server.Template(), {}, dir.path()), cache,
                               network);
        fetcher.SetRetryAfterFailure(300);

        // Two requests at once: one reaches the server.
        int answers = 0;
        for (int i = 0; i < 2; ++i) {
            fetcher.Request(15, 27441, 14013, [&](const std::optional<clsTileCache::Entry>& t) {
                answers += t && t->Bytes == body ? 1 : 0;
            });
        }
        QTRY_COMPARE(answers, 2);
        QCOMPARE(server.Requests.size(), 1);
        QVERIFY(server.Requests[0].Headers.value("user-agent").startsWith("GPSTrackingStation/"));
        QCOMPARE(Fetch(fetcher, 15, 27441, 14013)->Bytes, body); // fresh: from the cache
        QCOMPARE(server.Requests.size(), 1);
        QVERIFY(!Fetch(fetcher, 15, 1, 1)); // the server has none
        QCOMPARE(server.Requests.size(), 2);

        // Stale: revalidated, unchanged.
        cacheControl = "max-age=0";
        QDirIterator tiles(dir.path(), {"*.tile"}, QDir::Files, QDirIterator::Subdirectories);
        const QString kept = tiles.next();
        const QString key = kept.mid(dir.path().size() + 1).chopped(5);
        auto stale = *cache.Find(key);
        stale.FreshUntil = QDateTime::currentDateTimeUtc().addSecs(-1);
        QVERIFY(cache.Store(key, stale));
        QCOMPARE(Fetch(fetcher, 15, 27441, 14013)->Bytes, body);
        QCOMPARE(server.Requests.size(), 3);
        QCOMPARE(server.Requests[2].Headers.value("if-none-match"), etag);

        // Changed on the server: the next request (the tile is stale at once) gets it.
        body = "second picture";
        etag = "\"v2\"";
        QCOMPARE(Fetch(fetcher, 15, 27441, 14013)->Bytes, body);
        QCOMPARE(server.Requests.size(), 4);

        // Server gone: the stale tile is shown, and until the retry nothing asks again.
        const quint16 port = server.Port();
        server.Stop();
        QCOMPARE(Fetch(fetcher, 15, 27441, 14013)->Bytes, body);
        QVERIFY(fetcher.Offline());
        QCOMPARE(Fetch(fetcher, 15, 27441, 14013)->Bytes, body);
        QVERIFY(!Fetch(fetcher, 15, 5, 5));
        QVERIFY(server.Start(port));
        QCOMPARE(server.Requests.size(), 4);
        QTRY_VERIFY(!fetcher.Offline());
        body = "third picture";
        etag = "\"v3\"";
        QCOMPARE(Fetch(fetcher, 15, 27441, 14013)->Bytes, body);
        QCOMPARE(server.Requests.size(), 5);
    }
};

QTEST_GUILESS_MAIN(TestTileSources)
#include "tst_TileSources.moc"
