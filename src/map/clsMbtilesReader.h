#pragma once

#include "map/ITileReader.h"

#include <QString>

struct LanguageCode;

struct sqlite3;
struct sqlite3_stmt;

// An MBTiles file: an SQLite database (not encrypted) with a table "tiles" and a table
// "metadata". Its rows count from the south (TMS), so the page's row y is row 2^z-1-y of
// the file. The file stays open, read-only, for the reader's life.
class clsMbtilesReader : public ITileReader {
public:
    // Opens path and reads its metadata; messages come from the language file of
    // programFolder. Throws clsStationError naming the file when it does not exist, is not
    // an SQLite database, has no table of tiles or holds vector tiles.
    clsMbtilesReader(const QString& path, const QString& programFolder);
    ~clsMbtilesReader() override;
    clsMbtilesReader(const clsMbtilesReader&) = delete;
    clsMbtilesReader& operator=(const clsMbtilesReader&) = delete;

    const TileArea& Area() const override { return m_area; }
    std::optional<QByteArray> Tile(int z, int x, int y) override;

private:
    QString Text(const LanguageCode& code) const;
    [[noreturn]] void Fail(const QString& detail) const;
    void Open();
    void ReadMetadata();

    QString m_path;
    QString m_programFolder;
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_tile = nullptr;
    TileArea m_area;
};
