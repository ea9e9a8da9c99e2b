#include "map/clsTileCache.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace {

constexpr char Magic[] = "station-tile 1\n";
constexpr char Suffix[] = ".tile";

// One "name: value" line; values never hold a line end.
void Line(QByteArray& out, const char* name, const QByteArray& value) {
    QByteArray clean = value;
    clean.replace('\n', ' ').replace('\r', ' ');
    out += name;
    out += ": ";
    out += clean;
    out += '\n';
}

} // namespace

clsTileCache::clsTileCache(const QString& folder, qint64 limitBytes)
    : m_folder(folder), m_limit(limitBytes) {}

QString clsTileCache::PathOf(const QString& key) const {
    return m_folder + QLatin1Char('/') + key + QLatin1String(Suffix);
}

std::optional<clsTileCache::Entry> clsTileCache::Find(const QString& key) const {
    QFile file(PathOf(key));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray all = file.readAll();
    const qsizetype end = all.indexOf("\n\n");
    if (!all.startsWith(Magic) || end < 0) {
        return std::nullopt;
    }
    Entry entry;
    const QList<QByteArray> lines = all.left(end).mid(int(sizeof Magic) - 1).split('\n');
    for (const QByteArray& line : lines) {
        const qsizetype colon = line.indexOf(": ");
        const QByteArray name = line.left(colon), value = line.mid(colon + 2);
        if (name == "type") {
            entry.MimeType = value;
        } else if (name == "etag") {
            entry.ETag = value;
        } else if (name == "last-modified") {
            entry.LastModified = value;
        } else if (name == "fresh-until") {
            entry.FreshUntil = QDateTime::fromMSecsSinceEpoch(value.toLongLong(), Qt::UTC);
        }
    }
    entry.Bytes = all.mid(end + 2);
    return entry;
}

bool clsTileCache::Store(const QString& key, const Entry& entry) {
    LoadIndex();
    const QString path = PathOf(key);
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        return false;
    }
    QByteArray out(Magic);
    Line(out, "type", entry.MimeType);
    Line(out, "etag", entry.ETag);
    Line(out, "last-modified", entry.LastModified);
    Line(out, "fresh-until", QByteArray::number(entry.FreshUntil.toMSecsSinceEpoch()));
    out += '\n';
    out += entry.Bytes;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size() || !file.commit()) {
        return false;
    }
    // Stamps only grow, so that a tile written later is never taken for an older one.
    m_lastStamp = std::max(m_lastStamp + 1, QDateTime::currentMSecsSinceEpoch());
    Keep(path, out.size(), m_lastStamp);
    Evict();
    return true;
}

qint64 clsTileCache::Size() {
    LoadIndex();
    return m_total;
}

// The tiles on disk, read once: a cache of several hundred megabytes holds tens of
// thousands of files, too many to count at every store.
void clsTileCache::LoadIndex() {
    if (m_indexed) {
        return;
    }
    m_indexed = true;
    QDirIterator it(m_folder, {QStringLiteral("*") + QLatin1String(Suffix)}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QFileInfo info = it.fileInfo();
        const qint64 stamp = info.lastModified().toMSecsSinceEpoch();
        m_lastStamp = std::max(m_lastStamp, stamp);
        Keep(info.filePath(), info.size(), stamp);
    }
}

void clsTileCache::Keep(const QString& path, qint64 size, qint64 stamp) {
    const auto known = m_files.constFind(path);
    if (known != m_files.cend()) {
        m_total -= known->first;
        m_byAge.erase({known->second, path});
    }
    m_files.insert(path, {size, stamp});
    m_byAge.insert({stamp, path});
    m_total += size;
}

void clsTileCache::Evict() {
    while (m_total > m_limit && !m_byAge.empty()) {
        const auto oldest = m_byAge.begin();
        const QString path = oldest->second;
        QFile::remove(path);
        m_total -= m_files.value(path).first;
        m_files.remove(path);
        m_byAge.erase(oldest);
    }
}
