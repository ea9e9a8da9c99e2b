#include "map/clsTileFetcher.h"

#include <QCryptographicHash>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <algorithm>

namespace {

constexpr int TransferTimeout = 10000; // milliseconds before a silent server counts as gone
constexpr qint64 MaxHeuristicSeconds = 7 * 24 * 3600;

QByteArray UserAgent() {
    return QByteArrayLiteral("GPSTrackingStation/") + QByteArray::number(STATION_VERSION_MAJOR) +
           '.' + QByteArray::number(STATION_VERSION_MINOR) + '.' +
           QByteArray::number(STATION_VERSION_REVISION);
}

// The seconds of directive name=N in a Cache-Control value, -1 when absent.
qint64 Directive(const QByteArray& cacheControl, const char* name) {
    for (const QByteArray& part : cacheControl.toLower().split(',')) {
        const QByteArray p = part.trimmed();
        if (p.startsWith(name) && p.mid(qstrlen(name)).startsWith('=')) {
            bool ok = false;
            const qint64 seconds = p.mid(qstrlen(name) + 1).replace('"', "").toLongLong(&ok);
            return ok && seconds >= 0 ? seconds : 0;
        }
    }
    return -1;
}

bool HasDirective(const QByteArray& cacheControl, const char* name) {
    const auto parts = cacheControl.toLower().split(',');
    return std::any_of(parts.cbegin(), parts.cend(),
                       [&](const QByteArray& p) { return p.trimmed() == name; });
}

} // namespace

clsTileFetcher::clsTileFetcher(const TileSource& source, clsTileCache& cache,
                               QNetworkAccessManager& network, QObject* parent)
    : QObject(parent), m_source(source), m_cache(cache), m_network(network),
      m_folder(QString::fromLatin1(
          QCryptographicHash::hash(source.Address.toUtf8(), QCryptographicHash::Sha1)
              .toHex()
              .left(16))) {}

bool clsTileFetcher::Offline() const {
    return m_failedAt.isValid() &&
           m_failedAt.msecsTo(QDateTime::currentDateTimeUtc()) < m_retryAfter;
}

void clsTileFetcher::Request(int z, int x, int y, Answer answer) {
    const QString key = QStringLiteral("%1/%2/%3/%4").arg(m_folder).arg(z).arg(x).arg(y);
    auto waiting = m_waiting.find(key);
    if (waiting != m_waiting.end()) {
        waiting->append(std::move(answer));
        return;
    }
    const std::optional<clsTileCache::Entry> kept = m_cache.Find(key);
    if ((kept && kept->FreshUntil > QDateTime::currentDateTimeUtc()) || Offline()) {
        answer(kept);
        return;
    }
    QNetworkRequest request(QUrl(TileAddress(m_source.Address, z, x, y)));
    request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
    request.setTransferTimeout(TransferTimeout);
    if (kept && !kept->ETag.isEmpty()) {
        request.setRawHeader("If-None-Match", kept->ETag);
    }
    if (kept && !kept->LastModified.isEmpty()) {
        request.setRawHeader("If-Modified-Since", kept->LastModified);
    }
    m_waiting[key].append(std::move(answer));
    QNetworkReply* reply = m_network.get(request);
    connect(reply, &QNetworkReply::finished, this,
            [this, reply, key, kept] { Finished(reply, key, kept); });
}

void clsTileFetcher::Finished(QNetworkReply* reply, const QString& key,
                              const std::optional<clsTileCache::Entry>& kept) {
    reply->deleteLater();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status == 0) {
        // No answer at all: the server is out of reach; what is kept is shown meanwhile.
        m_failedAt = QDateTime::currentDateTimeUtc();
        AnswerAll(key, kept);
        return;
    }
    m_failedAt = QDateTime();
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const QByteArray cacheControl = reply->rawHeader("Cache-Control");
    const QDateTime freshUntil =
        FreshUntil(cacheControl, reply->rawHeader("Expires"), reply->rawHeader("Date"),
                   reply->rawHeader("Last-Modified"), now);
    if (status == 304 && kept) {
        clsTileCache::Entry renewed = *kept;
        renewed.FreshUntil = freshUntil;
        renewed.ETag = reply->hasRawHeader("ETag") ? reply->rawHeader("ETag") : kept->ETag;
        m_cache.Store(key, renewed);
        AnswerAll(key, renewed);
    } else if (status == 200) {
        clsTileCache::Entry tile{reply->readAll(), reply->rawHeader("Content-Type"),
                                 reply->rawHeader("ETag"), reply->rawHeader("Last-Modified"),
                                 freshUntil};
        if (MayKeep(cacheControl)) {
            m_cache.Store(key, tile);
        }
        AnswerAll(key, tile);
    } else {
        // A server in trouble (5xx) leaves the kept tile in view; a tile it does not have
        // (404 and the like) is not shown.
        AnswerAll(key, status >= 500 ? kept : std::nullopt);
    }
}

void clsTileFetcher::AnswerAll(const QString& key, const std::optional<clsTileCache::Entry>& tile) {
    const QList<Answer> answers = m_waiting.take(key);
    for (const Answer& answer : answers) {
        answer(tile);
    }
}

QString clsTileFetcher::TileAddress(const QString& pattern, int z, int x, int y) {
    static const char* const Subdomains[] = {"a", "b", "c"};
    QString address = pattern;
    address.replace(QLatin1String("{z}"), QString::number(z))
        .replace(QLatin1String("{x}"), QString::number(x))
        .replace(QLatin1String("{y}"), QString::number(y))
        .replace(QLatin1String("{s}"), QLatin1String(Subdomains[std::abs(x + y) % 3]))
        .replace(QLatin1String("{r}"), QString());
    return address;
}

QDateTime clsTileFetcher::HttpDate(const QByteArray& text) {
    QDateTime when = QLocale::c().toDateTime(QString::fromLatin1(text.trimmed()),
                                             QStringLiteral("ddd, dd MMM yyyy HH:mm:ss 'GMT'"));
    when.setTimeSpec(Qt::UTC);
    return when;
}

QDateTime clsTileFetcher::FreshUntil(const QByteArray& cacheControl, const QByteArray& expires,
                                     const QByteArray& date, const QByteArray& lastModified,
                                     const QDateTime& now) {
    if (HasDirective(cacheControl, "no-cache")) {
        return now;
    }
    const qint64 maxAge = Directive(cacheControl, "max-age");
    if (maxAge >= 0) {
        return now.addSecs(maxAge);
    }
    const QDateTime served = HttpDate(date).isValid() ? HttpDate(date) : now;
    if (!expires.isEmpty()) {
        // An Expires that is no date (such as "0") means expired already.
        const QDateTime until = HttpDate(expires);
        return until.isValid() ? now.addSecs(std::max<qint64>(0, served.secsTo(until))) : now;
    }
    const QDateTime modified = HttpDate(lastModified);
    if (modified.isValid() && modified < served) {
        // As browsers do: a tenth of the time since the last change, here at most a week.
        return now.addSecs(std::min(MaxHeuristicSeconds, modified.secsTo(served) / 10));
    }
    return now;
}

bool clsTileFetcher::MayKeep(const QByteArray& cacheControl) {
    return !HasDirective(cacheControl, "no-store");
}
