#pragma once

#include "map/ITileReader.h"

#include <QFile>
#include <QHash>
#include <QString>
#include <vector>

struct LanguageCode;

// A PMTiles file of version 3 with picture tiles: a header, a root directory and leaf
// directories of run-length tile entries (compressed as the header says; gzip and none are
// read), and the tiles. The file stays open, read-only, for the reader's life; leaf
// directories once read are kept.
class clsPmtilesReader : public ITileReader {
public:
    // Opens path and reads its header, root directory and metadata; messages come from the
    // language file of programFolder. Throws clsStationError naming the file when it does
    // not exist, is not a PMTiles file of version 3, holds vector tiles or is damaged.
    clsPmtilesReader(const QString& path, const QString& programFolder);

    const TileArea& Area() const override { return m_area; }
    std::optional<QByteArray> Tile(int z, int x, int y) override;

    // The position of tile z/x/y on the format's sequence of Hilbert curves, one for each
    // zoom level from 0 on. z is 0 to 31; x and y below 2^z.
    static quint64 TileId(int z, quint32 x, quint32 y);

private:
    struct Entry {
        quint64 TileId = 0;
        quint64 Offset = 0;
        quint32 Length = 0;
        quint32 RunLength = 0; // 0: a leaf directory
    };
    using Directory = std::vector<Entry>;

    QString Text(const LanguageCode& code) const;
    [[noreturn]] void Damaged(const QString& detail) const;
    QByteArray ReadAt(quint64 offset, quint64 length);
    QByteArray Decompressed(const QByteArray& bytes, int compression) const;
    Directory ParseDirectory(const QByteArray& bytes) const;
    const Directory& Leaf(quint64 offset, quint32 length);

    QString m_path;
    QString m_programFolder;
    QFile m_file;
    quint64 m_size = 0;
    quint64 m_leavesOffset = 0;
    quint64 m_tilesOffset = 0;
    int m_internalCompression = 0;
    int m_tileCompression = 0;
    Directory m_root;
    QHash<quint64, Directory> m_leaves; // by offset in the file
    TileArea m_area;
};
