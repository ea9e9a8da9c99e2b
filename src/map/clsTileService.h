#pragma once

#include "map/ITileReader.h"
#include "map/clsTileCache.h"
#include "map/clsTileSources.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>

class QNetworkAccessManager;
class clsTileFetcher;

// The map's tiles for the page: each source of [Map] read by its reader (MBTiles,
// PMTiles) or fetched through the tile cache (online), and the layer to show.
class clsTileService : public QObject {
    Q_OBJECT

public:
    // The URL scheme by which the page asks for tiles: "stationtile:/n/z/x/y".
    static constexpr const char* Scheme = "stationtile";

    struct Layer {
        TileSource Source;
        TileArea Area;    // of a file as it says; of an online source the defaults
        QString Name;     // for the layer list
        bool Usable = false;
    };
    // The bytes of a tile and their MIME type; empty bytes when there is no tile to show.
    using Answer = std::function<void(const QByteArray& mimeType, const QByteArray& bytes)>;

    // Reads the sources of the settings file in programFolder; the cache lies in its
    // "tilecache" folder. Files are opened at the first call of Layers.
    explicit clsTileService(const QString& programFolder, QObject* parent = nullptr);
    ~clsTileService() override;

    // The sources in their order, each file opened once. A file that cannot be used is
    // told once by Problems.
    const QList<Layer>& Layers();
    // The layer to show at the start: the chosen one when usable, otherwise the next
    // usable source after it, otherwise 0 (the coastline).
    int ShownLayer();
    clsTileSources& Sources() { return m_sources; }
    // Messages for the operator not yet taken, each given once.
    QStringList TakeProblems();

    // Answers tile z/x/y of source number, at once or later, exactly once. Throws nothing.
    void Request(int number, int z, int x, int y, Answer answer);
    // See clsTileFetcher::SetRetryAfterFailure.
    void SetRetryAfterFailure(int milliseconds);
    clsTileCache& Cache() { return m_cache; }

private:
    void Open();
    Layer Opened(const TileSource& source);

    QString m_programFolder;
    clsTileSources m_sources;
    clsTileCache m_cache;
    QNetworkAccessManager* m_network;
    bool m_opened = false;
    QList<Layer> m_layers;
    std::map<int, std::unique_ptr<ITileReader>> m_readers;
    std::map<int, clsTileFetcher*> m_fetchers;
    QStringList m_problems;
    QSet<QString> m_told; // the damage found in files while serving them
    int m_retryAfter = -1;
};
