#include "map/clsPmtilesReader.h"

#include "shell/clsStationError.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtEndian>
#include <algorithm>
#include <zlib.h>

namespace {

constexpr int HeaderSize = 127;
constexpr int CompressionNone = 1;
constexpr int CompressionGzip = 2;
constexpr int DirectoryDepth = 4;          // root and at most three levels of leaves
constexpr qsizetype MaxInflated = 64 << 20; // no directory or tile is near this
constexpr qsizetype KeptLeaves = 256;

quint64 U64(const char* p) { return qFromLittleEndian<quint64>(p); }
qint32 I32(const char* p) { return qFromLittleEndian<qint32>(p); }

// One unsigned LEB128 number at pos, moving pos past it; false when bytes end first.
bool ReadVarint(const QByteArray& bytes, qsizetype& pos, quint64& value) {
    value = 0;
    for (int shift = 0; shift < 64 && pos < bytes.size(); shift += 7) {
        const auto b = static_cast<unsigned char>(bytes[pos++]);
        value |= quint64(b & 0x7f) << shift;
        if ((b & 0x80) == 0) {
            return true;
        }
    }
    return false;
}

QByteArray MimeTypeOf(int tileType) {
    switch (tileType) {
    case 3: return "image/jpeg";
    case 4: return "image/webp";
    case 5: return "image/avif";
    default: return "image/png";
    }
}

} // namespace

clsPmtilesReader::clsPmtilesReader(const QString& path, const QString& programFolder)
    : m_path(path), m_programFolder(programFolder), m_file(path) {
    if (!QFileInfo(path).isFile()) {
        throw clsStationError(Text(modKeys::Messages::TileFileMissing).arg(path));
    }
    if (!m_file.open(QIODevice::ReadOnly)) {
        throw clsStationError(
            Text(modKeys::Messages::TileFileUnreadable).arg(path, m_file.errorString()));
    }
    m_size = quint64(m_file.size());
    const QByteArray header = m_file.read(HeaderSize);
    if (header.size() < HeaderSize || !header.startsWith("PMTiles") || header[7] != 3) {
        throw clsStationError(Text(modKeys::Messages::TileFileNotPmtiles)
                                  .arg(path, QStringLiteral("no PMTiles header of version 3")));
    }
    const char* h = header.constData();
    m_leavesOffset = U64(h + 40);
    m_tilesOffset = U64(h + 56);
    m_internalCompression = h[97];
    m_tileCompression = h[98];
    const int tileType = h[99];
    if (tileType == 1) {
        throw clsStationError(Text(modKeys::Messages::TileFileVector).arg(path));
    }
    m_area.MimeType = MimeTypeOf(tileType);
    m_area.MinZoom = static_cast<unsigned char>(h[100]);
    m_area.MaxZoom = static_cast<unsigned char>(h[101]);
    const double west = I32(h + 102) / 1e7, south = I32(h + 106) / 1e7;
    const double east = I32(h + 110) / 1e7, north = I32(h + 114) / 1e7;
    if (west < east && south < north) {
        m_area.HasBounds = true;
        m_area.West = west;
        m_area.South = south;
        m_area.East = east;
        m_area.North = north;
    }
    m_root = ParseDirectory(Decompressed(ReadAt(U64(h + 8), U64(h + 16)), m_internalCompression));
    const quint64 metadataLength = U64(h + 32);
    if (metadataLength > 0) {
        const QJsonObject metadata =
            QJsonDocument::fromJson(
                Decompressed(ReadAt(U64(h + 24), metadataLength), m_internalCompression))
                .object();
        m_area.Name = metadata.value(QLatin1String("name")).toString().trimmed();
        m_area.Attribution = metadata.value(QLatin1String("attribution")).toString().trimmed();
    }
}

QString clsPmtilesReader::Text(const LanguageCode& code) const {
    return modPrivate::ReadLanguage(m_programFolder, code);
}

void clsPmtilesReader::Damaged(const QString& detail) const {
    throw clsStationError(Text(modKeys::Messages::TileFileUnreadable).arg(m_path, detail));
}

QByteArray clsPmtilesReader::ReadAt(quint64 offset, quint64 length) {
    if (offset > m_size || length > m_size - offset || length > quint64(MaxInflated)) {
        Damaged(QStringLiteral("a part lies beyond the end of the file"));
    }
    if (!m_file.seek(qint64(offset))) {
        Damaged(m_file.errorString());
    }
    QByteArray bytes = m_file.read(qint64(length));
    if (quint64(bytes.size()) != length) {
        Damaged(m_file.errorString());
    }
    return bytes;
}

QByteArray clsPmtilesReader::Decompressed(const QByteArray& bytes, int compression) const {
    if (compression == CompressionNone || compression == 0) {
        return bytes;
    }
    if (compression != CompressionGzip) {
        Damaged(QStringLiteral("compression %1 is not supported (only gzip or none)")
                    .arg(compression));
    }
    z_stream stream{};
    if (inflateInit2(&stream, 16 + MAX_WBITS) != Z_OK) {
        Damaged(QStringLiteral("gzip cannot be started"));
    }
    QByteArray out;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    stream.avail_in = uInt(bytes.size());
    int rc = Z_OK;
    while (rc == Z_OK) {
        const qsizetype done = out.size();
        out.resize(done + std::max<qsizetype>(4096, bytes.size() * 4));
        stream.next_out = reinterpret_cast<Bytef*>(out.data() + done);
        stream.avail_out = uInt(out.size() - done);
        rc = inflate(&stream, Z_NO_FLUSH);
        out.resize(qsizetype(stream.total_out));
        if (out.size() > MaxInflated || (rc == Z_BUF_ERROR && stream.avail_in == 0)) {
            break;
        }
        if (rc == Z_BUF_ERROR) {
            rc = Z_OK; // the output was full; another round
        }
    }
    inflateEnd(&stream);
    if (rc != Z_STREAM_END) {
        Damaged(QStringLiteral("damaged gzip data"));
    }
    return out;
}

clsPmtilesReader::Directory clsPmtilesReader::ParseDirectory(const QByteArray& bytes) const {
    qsizetype pos = 0;
    quint64 count = 0;
    // Every entry takes at least four bytes, one for each of its numbers.
    if (!ReadVarint(bytes, pos, count) || count == 0 || count > quint64(bytes.size()) / 4) {
        Damaged(QStringLiteral("a directory is empty or cut short"));
    }
    Directory entries(count);
    const auto next = [&](quint64& value) {
        if (!ReadVarint(bytes, pos, value)) {
            Damaged(QStringLiteral("a directory is cut short"));
        }
    };
    quint64 value = 0;
    quint64 id = 0;
    for (Entry& e : entries) {
        next(value);
        id += value;
        e.TileId = id;
    }
    for (Entry& e : entries) {
        next(value);
        e.RunLength = quint32(std::min<quint64>(value, 0xffffffffu));
    }
    for (Entry& e : entries) {
        next(value);
        if (value == 0 || value > 0xffffffffu) {
            Damaged(QStringLiteral("a directory entry has no length"));
        }
        e.Length = quint32(value);
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        next(value);
        // 0: right after the previous entry's bytes; otherwise the offset plus one.
        if (value == 0 && i > 0) {
            entries[i].Offset = entries[i - 1].Offset + entries[i - 1].Length;
        } else if (value == 0) {
            Damaged(QStringLiteral("the first directory entry has no offset"));
        } else {
            entries[i].Offset = value - 1;
        }
    }
    return entries;
}

const clsPmtilesReader::Directory& clsPmtilesReader::Leaf(quint64 offset, quint32 length) {
    const quint64 at = m_leavesOffset + offset;
    const auto kept = m_leaves.constFind(at);
    if (kept != m_leaves.cend()) {
        return *kept;
    }
    if (m_leaves.size() >= KeptLeaves) {
        m_leaves.clear();
    }
    return *m_leaves.insert(at, ParseDirectory(Decompressed(ReadAt(at, length),
                                                            m_internalCompression)));
}

std::optional<QByteArray> clsPmtilesReader::Tile(int z, int x, int y) {
    if (z < 0 || z > 31 || x < 0 || y < 0 || quint64(x) >= (1ull << z) ||
        quint64(y) >= (1ull << z)) {
        return std::nullopt;
    }
    const quint64 id = TileId(z, quint32(x), quint32(y));
    const Directory* directory = &m_root;
    for (int depth = 0; depth < DirectoryDepth; ++depth) {
        // The last entry that starts at or before the tile.
        const auto after = std::upper_bound(
            directory->begin(), directory->end(), id,
            [](quint64 wanted, const Entry& e) { return wanted < e.TileId; });
        if (after == directory->begin()) {
            return std::nullopt;
        }
        const Entry entry = *(after - 1);
        if (entry.RunLength > 0) {
            if (id - entry.TileId >= entry.RunLength) {
                return std::nullopt;
            }
            return Decompressed(ReadAt(m_tilesOffset + entry.Offset, entry.Length),
                                m_tileCompression);
        }
        directory = &Leaf(entry.Offset, entry.Length);
    }
    Damaged(QStringLiteral("its directories nest too deep"));
}

quint64 clsPmtilesReader::TileId(int z, quint32 x, quint32 y) {
    // Tiles of all lower levels come first: 1 + 4 + ... + 4^(z-1).
    const quint64 before = ((1ull << (2 * z)) - 1) / 3;
    const quint64 n = 1ull << z;
    quint64 tx = x, ty = y, d = 0;
    for (quint64 s = n / 2; s > 0; s /= 2) {
        const quint64 rx = (tx & s) ? 1 : 0;
        const quint64 ry = (ty & s) ? 1 : 0;
        d += s * s * ((3 * rx) ^ ry);
        if (ry == 0) {
            if (rx == 1) {
                tx = n - 1 - tx;
                ty = n - 1 - ty;
            }
            std::swap(tx, ty);
        }
    }
    return before + d;
}
