#include "map/clsTileSchemeHandler.h"

#include "map/clsTileService.h"

#include <QBuffer>
#include <QPointer>
#include <QUrl>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

void clsTileSchemeHandler::RegisterScheme() {
    QWebEngineUrlScheme scheme(clsTileService::Scheme);
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Local like the page's own files, which may load it; no page from the network may.
    scheme.setFlags(QWebEngineUrlScheme::SecureScheme | QWebEngineUrlScheme::LocalScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
}

clsTileSchemeHandler::clsTileSchemeHandler(clsTileService& service, QObject* parent)
    : QWebEngineUrlSchemeHandler(parent), m_service(service) {}

void clsTileSchemeHandler::requestStarted(QWebEngineUrlRequestJob* job) {
    const QStringList parts = job->requestUrl().path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    int numbers[4] = {};
    bool ok = parts.size() == 4;
    for (int i = 0; ok && i < 4; ++i) {
        numbers[i] = parts[i].toInt(&ok);
    }
    if (!ok) {
        job->fail(QWebEngineUrlRequestJob::UrlInvalid);
        return;
    }
    // The page may drop the tile (panned away) before an online answer comes.
    QPointer<QWebEngineUrlRequestJob> waiting(job);
    m_service.Request(numbers[0], numbers[1], numbers[2], numbers[3],
                      [waiting](const QByteArray& mimeType, const QByteArray& bytes) {
                          if (waiting.isNull()) {
                              return;
                          }
                          if (bytes.isEmpty()) {
                              waiting->fail(QWebEngineUrlRequestJob::UrlNotFound);
                              return;
                          }
                          auto* body = new QBuffer(waiting.data());
                          body->setData(bytes);
                          body->open(QIODevice::ReadOnly);
                          waiting->reply(mimeType.isEmpty() ? QByteArray("image/png") : mimeType,
                                         body);
                      });
}
