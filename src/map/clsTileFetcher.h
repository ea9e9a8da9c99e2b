#pragma once

#include "map/TileSource.h"
#include "map/clsTileCache.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <functional>
#include <optional>

class QNetworkAccessManager;
class QNetworkReply;

// The tiles of one online source through the tile cache. A fresh kept tile is answered at
// once; a stale one is revalidated with the server (ETag, Last-Modified) and answered as
// the server says. When the server cannot be reached the kept tile is answered, stale or
// not, and for a while no request waits on the network. Every network request answers
// a tile the page asked for; requests for one tile that overlap share one.
class clsTileFetcher : public QObject {
    Q_OBJECT

public:
    using Answer = std::function<void(const std::optional<clsTileCache::Entry>& tile)>;

    // Requests go through network, which must outlive this object; tiles are kept in cache
    // under a folder named after the source's address.
    clsTileFetcher(const TileSource& source, clsTileCache& cache, QNetworkAccessManager& network,
                   QObject* parent = nullptr);

    // Answers tile z/x/y (nullopt when there is none to show), at once or later from the
    // event loop, exactly once.
    void Request(int z, int x, int y, Answer answer);
    // Milliseconds after a failed connection during which kept tiles are answered without
    // asking the server and missing ones fail at once (15000 unless set).
    void SetRetryAfterFailure(int milliseconds) { m_retryAfter = milliseconds; }
    // Whether the server failed to answer lately.
    bool Offline() const;

    // The address of tile z/x/y: {z}, {x}, {y}, {s} (a, b or c) and {r} (empty) replaced.
    static QString TileAddress(const QString& pattern, int z, int x, int y);
    // Until when an answer stays fresh (UTC), from its Cache-Control, Expires, Date and
    // Last-Modified headers, received at now.
    static QDateTime FreshUntil(const QByteArray& cacheControl, const QByteArray& expires,
                                const QByteArray& date, const QByteArray& lastModified,
                                const QDateTime& now);
    // Whether Cache-Control allows keeping the answer on disk.
    static bool MayKeep(const QByteArray& cacheControl);
    // A date of HTTP ("Sun, 06 Nov 1994 08:49:37 GMT"); invalid when it is none.
    static QDateTime HttpDate(const QByteArray& text);

private:
    void Finished(QNetworkReply* reply, const QString& key,
                  const std::optional<clsTileCache::Entry>& kept);
    void AnswerAll(const QString& key, const std::optional<clsTileCache::Entry>& tile);

    TileSource m_source;
    clsTileCache& m_cache;
    QNetworkAccessManager& m_network;
    QString m_folder; // of this source within the cache
    int m_retryAfter = 15000;
    QDateTime m_failedAt;
    QHash<QString, QList<Answer>> m_waiting; // by key, while its request runs
};
