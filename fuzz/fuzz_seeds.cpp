// Writes the seeds of the tile readers' fuzz targets into the folder given: small MBTiles
// and PMTiles files as the tests make them, each followed by the bytes that choose the
// tile to ask for (the targets take them from the end of the input).

#include "map/TileFileMaker.h"
#include "map/clsPmtilesReader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdio>

namespace {

// z 1, x 1, y 0: the bytes a target reads from the end of its input, last byte first.
const QByteArray TileChoice("\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x01\x01", 12);

bool Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes + TileChoice) == bytes.size() + 12;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray Png("\x89PNG\r\n\x1a\n-a-tile-", 17);

QList<PmEntry> Tiles(int count) {
    QList<PmEntry> tiles;
    for (int i = 0; i < count; ++i) {
        tiles.append({clsPmtilesReader::TileId(1, quint32(i % 2), quint32(i / 2)), Png + char('0' + i)});
    }
    return tiles;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    bool ok = out.mkpath(QStringLiteral("mbtiles")) && out.mkpath(QStringLiteral("pmtiles"));
    const QString scratch = out.filePath(QStringLiteral("scratch.mbtiles"));
    const QList<TestTile> tiles = {{0, 0, 0, Png}, {1, 1, 0, Png + 'b'}};
    const QList<QPair<QString, QString>> metadata = {
        {QStringLiteral("name"), QStringLiteral("Seed")}, {QStringLiteral("format"), QStringLiteral("png")},
        {QStringLiteral("minzoom"), QStringLiteral("0")}, {QStringLiteral("maxzoom"), QStringLiteral("1")},
        {QStringLiteral("bounds"), QStringLiteral("-180,-85,180,85")},
        {QStringLiteral("attribution"), QStringLiteral("<a href=\"#\">Seed</a>")}};
    for (const bool fromNorth : {false, true}) {
        QFile::remove(scratch);
        ok = ok && MakeMbtiles(scratch, tiles, metadata, fromNorth) &&
             Write(out.filePath(QStringLiteral("mbtiles/rows-from-%1").arg(fromNorth ? "north" : "south")),
                   ReadAll(scratch));
    }
    QFile::remove(scratch);
    PmOptions leaves;
    leaves.LeafSize = 2;
    PmOptions plain;
    plain.Gzip = false;
    plain.Metadata = R"({"name":"Seed","attribution":"Seed"})";
    ok = ok && Write(out.filePath(QStringLiteral("pmtiles/root")), MakePmtiles(Tiles(4))) &&
         Write(out.filePath(QStringLiteral("pmtiles/leaves")), MakePmtiles(Tiles(4), leaves)) &&
         Write(out.filePath(QStringLiteral("pmtiles/uncompressed")), MakePmtiles(Tiles(2), plain));
    return ok ? 0 : 1;
}
