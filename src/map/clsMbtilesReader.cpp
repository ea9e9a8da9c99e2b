#include "map/clsMbtilesReader.h"

#include "shell/clsStationError.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QFileInfo>
#include <QStringList>
#include <sqlcipher/sqlite3.h>

namespace {

// The MIME type of a tile format as MBTiles names it ("png", "jpg", "webp").
QByteArray MimeTypeOf(const QString& format) {
    const QString f = format.trimmed().toLower();
    if (f == QLatin1String("jpg") || f == QLatin1String("jpeg")) {
        return "image/jpeg";
    }
    if (f == QLatin1String("webp")) {
        return "image/webp";
    }
    return "image/png";
}

} // namespace

clsMbtilesReader::clsMbtilesReader(const QString& path, const QString& programFolder)
    : m_path(path), m_programFolder(programFolder) {
    if (!QFileInfo(path).isFile()) {
        throw clsStationError(Text(modKeys::Messages::TileFileMissing)
                                  .arg(path));
    }
    // A constructor that throws runs no destructor: what was opened is closed here.
    try {
        Open();
    } catch (const clsStationError&) {
        sqlite3_finalize(m_tile);
        sqlite3_close(m_db);
        throw;
    }
}

void clsMbtilesReader::Open() {
    // Read-only and without a key: an MBTiles file is a plain SQLite database, which the
    // encrypting engine opens as such.
    const int rc = sqlite3_open_v2(QFileInfo(m_path).absoluteFilePath().toUtf8().constData(), &m_db,
                                   SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK) {
        Fail(QString::fromUtf8(sqlite3_errstr(rc)));
    }
    ReadMetadata();
    if (sqlite3_prepare_v2(m_db,
                           "SELECT tile_data FROM tiles WHERE zoom_level = ?1 AND "
                           "tile_column = ?2 AND tile_row = ?3",
                           -1, &m_tile, nullptr) != SQLITE_OK) {
        Fail(QString::fromUtf8(sqlite3_errmsg(m_db)));
    }
}

clsMbtilesReader::~clsMbtilesReader() {
    sqlite3_finalize(m_tile);
    sqlite3_close(m_db);
}

QString clsMbtilesReader::Text(const LanguageCode& code) const {
    return modPrivate::ReadLanguage(m_programFolder, code);
}

void clsMbtilesReader::Fail(const QString& detail) const {
    throw clsStationError(
        Text(modKeys::Messages::TileFileNotMbtiles).arg(m_path, detail));
}

void clsMbtilesReader::ReadMetadata() {
    sqlite3_stmt* row = nullptr;
    // The first read of a file that is not a database fails here.
    if (sqlite3_prepare_v2(m_db, "SELECT name, value FROM metadata", -1, &row, nullptr) !=
        SQLITE_OK) {
        const QString detail = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(row);
        Fail(detail);
    }
    QString format;
    int rc;
    while ((rc = sqlite3_step(row)) == SQLITE_ROW) {
        const QString name = QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_column_text(row, 0))).trimmed().toLower();
        const QString value =
            QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(row, 1)));
        bool ok = false;
        if (name == QLatin1String("name")) {
            m_area.Name = value.trimmed();
        } else if (name == QLatin1String("attribution")) {
            m_area.Attribution = value.trimmed();
        } else if (name == QLatin1String("format")) {
            format = value;
        } else if (name == QLatin1String("minzoom")) {
            const int z = value.trimmed().toInt(&ok);
            m_area.MinZoom = ok ? z : m_area.MinZoom;
        } else if (name == QLatin1String("maxzoom")) {
            const int z = value.trimmed().toInt(&ok);
            m_area.MaxZoom = ok ? z : m_area.MaxZoom;
        } else if (name == QLatin1String("bounds")) {
            const QStringList parts = value.split(QLatin1Char(','));
            double b[4];
            bool all = parts.size() == 4;
            for (int i = 0; all && i < 4; ++i) {
                b[i] = parts[i].trimmed().toDouble(&all);
            }
            if (all && b[0] < b[2] && b[1] < b[3]) {
                m_area.HasBounds = true;
                m_area.West = b[0];
                m_area.South = b[1];
                m_area.East = b[2];
                m_area.North = b[3];
            }
        }
    }
    const QString detail = QString::fromUtf8(sqlite3_errmsg(m_db));
    sqlite3_finalize(row);
    if (rc != SQLITE_DONE) {
        Fail(detail);
    }
    if (format.trimmed().toLower() == QLatin1String("pbf")) {
        throw clsStationError(
            Text(modKeys::Messages::TileFileVector).arg(m_path));
    }
    m_area.MimeType = MimeTypeOf(format);
}

std::optional<QByteArray> clsMbtilesReader::Tile(int z, int x, int y) {
    if (z < 0 || z > 30 || x < 0 || y < 0 || x >= (1 << z) || y >= (1 << z)) {
        return std::nullopt;
    }
    sqlite3_reset(m_tile);
    sqlite3_bind_int(m_tile, 1, z);
    sqlite3_bind_int(m_tile, 2, x);
    sqlite3_bind_int(m_tile, 3, (1 << z) - 1 - y);
    const int rc = sqlite3_step(m_tile);
    if (rc == SQLITE_DONE) {
        return std::nullopt;
    }
    if (rc != SQLITE_ROW) {
        throw clsStationError(Text(modKeys::Messages::TileFileUnreadable)
                                  .arg(m_path, QString::fromUtf8(sqlite3_errmsg(m_db))));
    }
    const auto* data = static_cast<const char*>(sqlite3_column_blob(m_tile, 0));
    QByteArray bytes(data, sqlite3_column_bytes(m_tile, 0));
    sqlite3_reset(m_tile);
    return bytes;
}
