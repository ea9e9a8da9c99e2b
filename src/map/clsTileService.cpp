#include "map/clsTileService.h"

#include "map/clsMbtilesReader.h"
#include "map/clsPmtilesReader.h"
#include "map/clsTileFetcher.h"
#include "shell/clsStationError.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QNetworkAccessManager>
#include <QUrl>

namespace {

qint64 CacheLimit(const QString& programFolder) {
    bool ok = false;
    const qint64 megabytes =
        modPrivate::ReadSetting(programFolder, modKeys::Setting::TileCacheMegabytes)
            .trimmed()
            .toLongLong(&ok);
    return (ok && megabytes >= 0 ? megabytes : modKeys::Setting::DefaultTileCacheMegabytes) *
           1024 * 1024;
}

} // namespace

clsTileService::clsTileService(const QString& programFolder, QObject* parent)
    : QObject(parent), m_programFolder(programFolder), m_sources(programFolder),
      m_cache(modPrivate::ProgramPath(programFolder, QStringLiteral("/tilecache")),
              CacheLimit(programFolder)),
      m_network(new QNetworkAccessManager(this)) {}

clsTileService::~clsTileService() = default;

const QList<clsTileService::Layer>& clsTileService::Layers() {
    Open();
    return m_layers;
}

void clsTileService::Open() {
    if (m_opened) {
        return;
    }
    m_opened = true;
    QStringList problems;
    for (const TileSource& source : m_sources.Sources()) {
        try {
            m_layers << Opened(source);
        } catch (const clsStationError& error) {
            m_layers << Layer{source, {}, source.Address, false};
            problems << error.Message();
        }
    }
    // What is shown instead of a chosen source that cannot be used is told with it.
    const int shown = ShownLayer();
    const QString instead =
        shown == 0 ? modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::CoastlineLayer)
                   : std::find_if(m_layers.cbegin(), m_layers.cend(), [&](const Layer& l) {
                         return l.Source.Number == shown;
                     })->Name;
    int i = 0;
    for (const Layer& layer : m_layers) {
        if (!layer.Usable) {
            QString problem = problems[i++];
            if (layer.Source.Number == m_sources.ChosenLayer()) {
                problem += QLatin1Char(' ') +
                           modPrivate::ReadLanguage(m_programFolder,
                                                    modKeys::Messages::TileSourceFallback)
                               .arg(instead);
            }
            m_problems << problem;
        }
    }
}

clsTileService::Layer clsTileService::Opened(const TileSource& source) {
    Layer layer{source, {}, {}, true};
    switch (source.SourceKind) {
    case TileSource::Kind::Mbtiles:
    case TileSource::Kind::Pmtiles: {
        std::unique_ptr<ITileReader> reader;
        if (source.SourceKind == TileSource::Kind::Mbtiles) {
            reader = std::make_unique<clsMbtilesReader>(source.Path, m_programFolder);
        } else {
            reader = std::make_unique<clsPmtilesReader>(source.Path, m_programFolder);
        }
        layer.Area = reader->Area();
        layer.Name = layer.Area.Name.isEmpty() ? QFileInfo(source.Path).completeBaseName()
                                               : layer.Area.Name;
        // The operator's credit stands where the file gives none.
        if (layer.Area.Attribution.isEmpty()) {
            layer.Area.Attribution = source.Attribution;
        }
        m_readers[source.Number] = std::move(reader);
        break;
    }
    case TileSource::Kind::Online: {
        layer.Area.Attribution = source.Attribution;
        const QString host = QUrl(clsTileFetcher::TileAddress(source.Address, 0, 0, 0)).host();
        layer.Name = host.isEmpty() ? source.Address : host;
        auto* fetcher = new clsTileFetcher(source, m_cache, *m_network, this);
        if (m_retryAfter >= 0) {
            fetcher->SetRetryAfterFailure(m_retryAfter);
        }
        m_fetchers[source.Number] = fetcher;
        break;
    }
    case TileSource::Kind::Folder:
        layer.Area.Attribution = source.Attribution;
        // The folder before the first placeholder.
        layer.Name = QFileInfo(QDir::cleanPath(
                                   QUrl(source.Address.section(QLatin1Char('{'), 0, 0)).toLocalFile()))
                         .fileName();
        break;
    case TileSource::Kind::Unknown:
        throw clsStationError(
            modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::TileSourceUnknown)
                .arg(source.Address));
    }
    return layer;
}

int clsTileService::ShownLayer() {
    Open();
    const int chosen = m_sources.ChosenLayer();
    if (chosen == 0) {
        return 0;
    }
    bool after = false;
    for (const Layer& layer : m_layers) {
        after = after || layer.Source.Number == chosen;
        if (after && layer.Usable) {
            return layer.Source.Number;
        }
    }
    return 0;
}

QStringList clsTileService::TakeProblems() {
    Open();
    QStringList taken;
    taken.swap(m_problems);
    return taken;
}

void clsTileService::Request(int number, int z, int x, int y, Answer answer) {
    Open();
    const auto reader = m_readers.find(number);
    if (reader != m_readers.end()) {
        std::optional<QByteArray> tile;
        try {
            tile = reader->second->Tile(z, x, y);
        } catch (const clsStationError& error) {
            // A file damaged in one place may serve others; its trouble is told once.
            if (!m_told.contains(error.Message())) {
                m_told.insert(error.Message());
                m_problems << error.Message();
            }
        }
        answer(reader->second->Area().MimeType, tile.value_or(QByteArray()));
        return;
    }
    const auto layer = std::find_if(m_layers.cbegin(), m_layers.cend(), [&](const Layer& l) {
        return l.Source.Number == number;
    });
    if (layer != m_layers.cend() && layer->Source.SourceKind == TileSource::Kind::Folder) {
        const QString path =
            QUrl(clsTileFetcher::TileAddress(layer->Source.Address, z, x, y)).toLocalFile();
        QFile file(path);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        answer(QMimeDatabase().mimeTypeForFile(path, QMimeDatabase::MatchExtension)
                   .name()
                   .toLatin1(),
               bytes);
        return;
    }
    const auto fetcher = m_fetchers.find(number);
    if (fetcher == m_fetchers.end()) {
        answer(QByteArray(), QByteArray());
        return;
    }
    fetcher->second->Request(z, x, y, [answer](const std::optional<clsTileCache::Entry>& tile) {
        answer(tile ? tile->MimeType : QByteArray(), tile ? tile->Bytes : QByteArray());
    });
}

void clsTileService::SetRetryAfterFailure(int milliseconds) {
    m_retryAfter = milliseconds;
    for (auto& [number, fetcher] : m_fetchers) {
        fetcher->SetRetryAfterFailure(milliseconds);
    }
}
