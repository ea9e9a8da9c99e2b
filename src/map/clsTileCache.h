#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>
#include <optional>
#include <set>
#include <utility>

// Tiles of online sources kept on disk, one file each, so that the map still shows them
// when the tile server cannot be reached. When the files together exceed the size limit,
// the oldest (written or revalidated longest ago) are removed first.
class clsTileCache {
public:
    struct Entry {
        QByteArray Bytes;
        QByteArray MimeType;
        QByteArray ETag;         // the server's, for revalidation; may be empty
        QByteArray LastModified; // likewise
        QDateTime FreshUntil;    // UTC; after it the tile is revalidated before use
    };

    // Keeps tiles beneath folder (made when the first tile is stored), at most limitBytes.
    clsTileCache(const QString& folder, qint64 limitBytes);

    // The tile kept under key ("source/z/x/y"), or nullopt; a damaged file counts as none.
    std::optional<Entry> Find(const QString& key) const;
    // Keeps entry under key, replacing what was kept, through a temporary file, then
    // removes the oldest tiles until all fit the limit. False when it cannot be written;
    // what was kept before stays.
    bool Store(const QString& key, const Entry& entry);
    // Bytes the kept tiles take.
    qint64 Size();
    const QString& Folder() const { return m_folder; }

private:
    QString PathOf(const QString& key) const;
    void LoadIndex();
    void Keep(const QString& path, qint64 size, qint64 stamp);
    void Evict();

    QString m_folder;
    qint64 m_limit;
    bool m_indexed = false;
    qint64 m_total = 0;
    qint64 m_lastStamp = 0;
    QHash<QString, std::pair<qint64, qint64>> m_files; // path: size, stamp
    std::set<std::pair<qint64, QString>> m_byAge;      // stamp, path
};
