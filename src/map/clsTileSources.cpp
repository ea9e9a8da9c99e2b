#include "map/clsTileSources.h"

#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QUrl>
#include <algorithm>

namespace {

// Key name + n, the first without a number.
SettingKey Numbered(const SettingKey& key, int number, QByteArray& storage) {
    storage = QByteArray(key.Key.data(), key.Key.size());
    if (number > 1) {
        storage += QByteArray::number(number);
    }
    return {key.Section, QLatin1String(storage.constData(), storage.size())};
}

// The path of "scheme:" + rest: an absolute "///path" (on Windows "///C:/path") or a path
// relative to the program folder, percent escapes decoded.
QString FilePath(const QString& rest, const QString& programFolder) {
    QString path = QUrl::fromPercentEncoding(rest.toUtf8());
    if (path.startsWith(QLatin1String("//"))) {
        path = path.mid(2); // "//" + the empty host
        if (path.size() > 2 && path[0] == QLatin1Char('/') && path[2] == QLatin1Char(':')) {
            path = path.mid(1); // a drive letter
        }
        return QDir::cleanPath(path);
    }
    return QDir::isAbsolutePath(path) ? QDir::cleanPath(path)
                                      : QDir(programFolder).absoluteFilePath(path);
}

} // namespace

clsTileSources::clsTileSources(const QString& programFolder) : m_programFolder(programFolder) {
    for (int n = 1; n <= modKeys::Setting::MaxTileSources; ++n) {
        QByteArray urlKey, attributionKey;
        const QString address = modPrivate::ReadSetting(
            programFolder, Numbered(modKeys::Setting::TileUrl, n, urlKey)).trimmed();
        const QString attribution = modPrivate::ReadSetting(
            programFolder, Numbered(modKeys::Setting::TileAttribution, n, attributionKey));
        if (!address.isEmpty()) {
            m_sources << Parse(n, address, attribution, programFolder);
        } else if (n == 1) {
            m_sources << Parse(1, QLatin1String(DefaultAddress),
                               attribution.isEmpty() ? QString::fromUtf8(DefaultAttribution)
                                                     : attribution,
                               programFolder);
        }
    }
    bool ok = false;
    const int stored =
        modPrivate::ReadSetting(programFolder, modKeys::Setting::MapLayer).trimmed().toInt(&ok);
    const bool named = ok && (stored == 0 || std::any_of(m_sources.cbegin(), m_sources.cend(),
                                                         [&](const TileSource& s) {
                                                             return s.Number == stored;
                                                         }));
    m_chosen = named ? stored : m_sources.first().Number;
}

void clsTileSources::ChooseLayer(int number) {
    const bool named = number == 0 || std::any_of(m_sources.cbegin(), m_sources.cend(),
                                                  [&](const TileSource& s) {
                                                      return s.Number == number;
                                                  });
    if (named && number != m_chosen) {
        m_chosen = number;
        modPrivate::WriteSetting(m_programFolder, modKeys::Setting::MapLayer,
                                 QString::number(number));
    }
}

TileSource clsTileSources::Parse(int number, const QString& address, const QString& attribution,
                                 const QString& programFolder) {
    TileSource source;
    source.Number = number;
    source.Address = address;
    source.Attribution = attribution.trimmed();
    const int colon = address.indexOf(QLatin1Char(':'));
    const QString scheme = address.left(qMax(colon, 0)).toLower();
    if (scheme == QLatin1String("mbtiles") || scheme == QLatin1String("pmtiles")) {
        source.SourceKind = scheme == QLatin1String("mbtiles") ? TileSource::Kind::Mbtiles
                                                               : TileSource::Kind::Pmtiles;
        source.Path = FilePath(address.mid(colon + 1), programFolder);
    } else if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
        source.SourceKind = TileSource::Kind::Online;
    } else if (scheme == QLatin1String("file")) {
        source.SourceKind = TileSource::Kind::Folder; // a {z}/{x}/{y} template of files
    }
    return source;
}
