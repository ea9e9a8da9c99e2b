#pragma once

// Map tile files made by the tests: MBTiles (SQLite, rows from the south) and PMTiles of
// version 3 (header, varint directories, optionally gzip-compressed and split into leaves).

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QtEndian>
#include <sqlcipher/sqlite3.h>
#include <zlib.h>

struct TestTile {
    int Z, X, Y; // Y from the north, as the page counts
    QByteArray Bytes;
};

// An MBTiles file at path with tiles and metadata rows; a row's tile_row counts from the
// south unless fromNorth. False when SQLite refuses.
inline bool MakeMbtiles(const QString& path, const QList<TestTile>& tiles,
                        const QList<QPair<QString, QString>>& metadata, bool fromNorth = false) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    bool ok = sqlite3_exec(db,
                           "CREATE TABLE metadata (name text, value text);"
                           "CREATE TABLE tiles (zoom_level integer, tile_column integer, "
                           "tile_row integer, tile_data blob);",
                           nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* row = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "INSERT INTO metadata VALUES (?1, ?2)", -1, &row,
                                  nullptr) == SQLITE_OK;
    for (const auto& [name, value] : metadata) {
        const QByteArray n = name.toUtf8(), v = value.toUtf8();
        sqlite3_reset(row);
        sqlite3_bind_text(row, 1, n.constData(), int(n.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(row, 2, v.constData(), int(v.size()), SQLITE_TRANSIENT);
        ok = ok && sqlite3_step(row) == SQLITE_DONE;
    }
    sqlite3_finalize(row);
    row = nullptr;
    ok = ok && sqlite3_prepare_v2(db, "INSERT INTO tiles VALUES (?1, ?2, ?3, ?4)", -1, &row,
                                  nullptr) == SQLITE_OK;
    for (const TestTile& t : tiles) {
        sqlite3_reset(row);
        sqlite3_bind_int(row, 1, t.Z);
        sqlite3_bind_int(row, 2, t.X);
        sqlite3_bind_int(row, 3, fromNorth ? t.Y : (1 << t.Z) - 1 - t.Y);
        sqlite3_bind_blob(row, 4, t.Bytes.constData(), int(t.Bytes.size()), SQLITE_TRANSIENT);
        ok = ok && sqlite3_step(row) == SQLITE_DONE;
    }
    sqlite3_finalize(row);
    sqlite3_close(db);
    return ok;
}

inline QByteArray Gzipped(const QByteArray& bytes) {
    z_stream s{};
    deflateInit2(&s, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&s, uLong(bytes.size()))) + 32, '\0');
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    s.avail_in = uInt(bytes.size());
    s.next_out = reinterpret_cast<Bytef*>(out.data());
    s.avail_out = uInt(out.size());
    deflate(&s, Z_FINISH);
    out.resize(qsizetype(s.total_out));
    deflateEnd(&s);
    return out;
}

inline void AppendVarint(QByteArray& out, quint64 value) {
    while (value >= 0x80) {
        out += char((value & 0x7f) | 0x80);
        value >>= 7;
    }
    out += char(value);
}

struct PmEntry {
    quint64 TileId;
    QByteArray Bytes;  // the tile; for a leaf its directory
    quint32 RunLength = 1;
    quint64 Offset = 0; // filled by the writer
};

// Tile entries (ascending TileId) as one directory: count, then the columns of id deltas,
// run lengths, lengths and offsets (0 when right after the previous entry).
inline QByteArray DirectoryBytes(const QList<PmEntry>& entries) {
    QByteArray out;
    AppendVarint(out, quint64(entries.size()));
    quint64 last = 0;
    for (const PmEntry& e : entries) {
        AppendVarint(out, e.TileId - last);
        last = e.TileId;
    }
    for (const PmEntry& e : entries) {
        AppendVarint(out, e.RunLength);
    }
    for (const PmEntry& e : entries) {
        AppendVarint(out, quint64(e.Bytes.size()));
    }
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const bool follows = i > 0 && entries[i].Offset ==
                                          entries[i - 1].Offset + quint64(entries[i - 1].Bytes.size());
        AppendVarint(out, follows ? 0 : entries[i].Offset + 1);
    }
    return out;
}

struct PmOptions {
    int TileType = 2;       // PNG
    bool Gzip = true;       // directories and metadata
    int LeafSize = 0;       // entries per leaf directory; 0 keeps all in the root
    QByteArray Metadata = "{}";
    int MinZoom = 0, MaxZoom = 15;
    double West = 0, South = 0, East = 0, North = 0;
};

// A PMTiles file of tiles (ascending TileId; equal Bytes are written once each).
inline QByteArray MakePmtiles(QList<PmEntry> tiles, const PmOptions& o = {}) {
    QByteArray data;
    for (PmEntry& t : tiles) {
        t.Offset = quint64(data.size());
        data += t.Bytes;
    }
    const auto packed = [&](const QByteArray& b) { return o.Gzip ? Gzipped(b) : b; };
    QList<PmEntry> root;
    QByteArray leaves;
    if (o.LeafSize > 0) {
        for (qsizetype from = 0; from < tiles.size(); from += o.LeafSize) {
            const QByteArray leaf = packed(DirectoryBytes(tiles.mid(from, o.LeafSize)));
            root.append({tiles[from].TileId, leaf, 0, quint64(leaves.size())});
            leaves += leaf;
        }
    } else {
        root = tiles;
    }
    const QByteArray rootBytes = packed(DirectoryBytes(root));
    const QByteArray metadata = packed(o.Metadata);
    QByteArray header(127, '\0');
    header.replace(0, 7, "PMTiles");
    header[7] = 3;
    const auto u64 = [&](int at, quint64 v) { qToLittleEndian(v, header.data() + at); };
    const auto i32 = [&](int at, double degrees) {
        qToLittleEndian(qint32(qRound(degrees * 1e7)), header.data() + at);
    };
    const quint64 rootAt = 127, metadataAt = rootAt + quint64(rootBytes.size());
    const quint64 leavesAt = metadataAt + quint64(metadata.size());
    const quint64 dataAt = leavesAt + quint64(leaves.size());
    u64(8, rootAt);
    u64(16, quint64(rootBytes.size()));
    u64(24, metadataAt);
    u64(32, quint64(metadata.size()));
    u64(40, leavesAt);
    u64(48, quint64(leaves.size()));
    u64(56, dataAt);
    u64(64, quint64(data.size()));
    header[97] = char(o.Gzip ? 2 : 1);
    header[98] = 1;
    header[99] = char(o.TileType);
    header[100] = char(o.MinZoom);
    header[101] = char(o.MaxZoom);
    i32(102, o.West);
    i32(106, o.South);
    i32(110, o.East);
    i32(114, o.North);
    return header + rootBytes + metadata + leaves + data;
}
