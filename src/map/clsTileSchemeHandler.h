#pragma once

#include <QWebEngineUrlSchemeHandler>

class clsTileService;

// Serves the map page's tiles: clsTileService::Scheme + ":/n/z/x/y" is tile z/x/y of map source n,
// answered by the tile service (a file's reader or the tile cache). Nothing else.
class clsTileSchemeHandler : public QWebEngineUrlSchemeHandler {
    Q_OBJECT

public:
    // Makes the scheme known to the browser engine; call once before the application
    // object exists.
    static void RegisterScheme();

    explicit clsTileSchemeHandler(clsTileService& service, QObject* parent = nullptr);
    void requestStarted(QWebEngineUrlRequestJob* job) override;

private:
    clsTileService& m_service;
};
