#include "map/clsMapView.h"

#include "map/clsMapBridge.h"
#include "map/clsTileSchemeHandler.h"

#include <QEventLoop>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTimer>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <algorithm>

namespace {

// Settings of the browser engine, read when its first page is made:
// - Without a graphics card it logs an error line for every picture the map's layers hand
//   over (many a second while tracking); only fatal errors are logged.
// - The view is drawn by Qt Quick's software renderer. The map is a small, flat picture;
//   through an emulated graphics card (no GPU, as on a virtual display) each frame costs
//   more than twice as much, and live tracking makes ten of them a second.
void PrepareBrowserEngine() {
    static const bool prepared = [] {
        const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
        if (!flags.contains("--log-level")) {
            qputenv("QTWEBENGINE_CHROMIUM_FLAGS", (flags + " --log-level=3").trimmed());
        }
        if (!qEnvironmentVariableIsSet("QT_QUICK_BACKEND")) {
            QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        }
        return true;
    }();
    Q_UNUSED(prepared);
}

} // namespace

clsMapView::clsMapView(QWebEngineView* view, const QString& programFolder, QObject* parent)
    : QObject(parent), m_view(view), m_bridge(new clsMapBridge(programFolder, this)),
      m_channel(new QWebChannel(this)), m_tiles(new clsTileSchemeHandler(m_bridge->Tiles(), this)) {
    PrepareBrowserEngine();
    QWebEngineSettings* settings = m_view->page()->settings();
    // The page reads its files beside it; its tiles come through the tile scheme, never
    // straight from a server.
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    m_profile = m_view->page()->profile();
    m_profile->installUrlSchemeHandler(clsTileService::Scheme, m_tiles);
    // A right click marks a point in the page; the browser's own menu would reload or
    // navigate away from the map.
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_channel->registerObject(m_bridge->objectName(), m_bridge);
    m_view->page()->setWebChannel(m_channel);

    connect(m_view, &QWebEngineView::loadFinished, this, &clsMapView::LoadFinished);
    connect(m_bridge, &clsMapBridge::Drawn, this, [this](int request) {
        m_shown = std::max(m_shown, request);
        emit Drawn(request);
    });
    connect(m_bridge, &clsMapBridge::ZoomChosen, this, &clsMapView::ZoomChosen);
    connect(m_bridge, &clsMapBridge::Drawn, this, &clsMapView::TellProblems);
}

clsMapView::~clsMapView() {
    // The profile outlives the view (which may be gone already); another map view of this
    // run installs its own handler.
    if (m_profile) {
        m_profile->removeUrlSchemeHandler(m_tiles);
    }
}

void clsMapView::TellProblems() {
    for (const QString& problem : m_bridge->Tiles().TakeProblems()) {
        emit SourceProblem(problem);
    }
}

int clsMapView::Navigate(const QString& pagePath, const QString& hint) {
    const QUrl url = QUrl::fromLocalFile(pagePath);
    ++m_request;
    m_hint = hint.isEmpty() ? QStringLiteral("null") : hint;
    if (url == m_url && m_loaded && m_view->url() == url) {
        // A step that draws the vehicle and then the whole track is read once.
        if (!m_refreshing) {
            m_refreshing = true;
            QMetaObject::invokeMethod(this, &clsMapView::Refresh, Qt::QueuedConnection);
        }
    } else if (url != m_url || !m_loading) {
        // While the page loads, the refresh after loading covers this drawing as well.
        m_url = url;
        m_loading = true;
        m_loaded = false;
        m_view->load(url);
    }
    return m_request;
}

void clsMapView::LoadFinished(bool ok) {
    m_loading = false;
    m_loaded = ok;
    if (!ok && m_wait != nullptr) {
        m_wait->quit();
    }
    TellProblems();
    if (ok) {
        // Files written while the page loaded are read again, and the drawing is reported.
        // A refresh sent to the page before it loaded is not waited for: this one replaces it.
        SendRefresh(QStringLiteral("window.stationRefresh && stationRefresh(%1, %2)"));
    }
}

void clsMapView::Refresh() {
    m_refreshing = false;
    if (!m_loaded || m_taking) {
        return; // the refresh after loading, or after the one being taken, reads the files
    }
    // A page of another template without the in-place refresh is reloaded instead.
    SendRefresh(
        QStringLiteral("window.stationRefresh ? stationRefresh(%1, %2) : location.reload()"));
}

// Every script sent waits in the browser until the page runs it: one sent at every fix to a
// page that draws fewer than that a second would pile up without end, each drawn later.
void clsMapView::SendRefresh(const QString& script) {
    m_sent = m_request;
    m_taking = true;
    QPointer<clsMapView> view(this);
    m_view->page()->runJavaScript(script.arg(m_request).arg(m_hint),
                                  [view, request = m_request](const QVariant&) {
                                      if (view) {
                                          view->Taken(request);
                                      }
                                  });
}

void clsMapView::Taken(int request) {
    if (request != m_sent) {
        return; // a refresh of a page loaded again since
    }
    m_taking = false;
    if (m_sent < m_request) {
        Refresh();
    }
}

// Whether the page is still to report a drawing it will show.
bool clsMapView::Showing() const {
    return m_shown < m_request && (m_loading || m_loaded);
}

void clsMapView::WaitUntilShown(int limitMilliseconds) {
    if (!Showing()) {
        return;
    }
    QEventLoop loop;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
    const QMetaObject::Connection drawn = connect(this, &clsMapView::Drawn, &loop, [&] {
        if (!Showing()) {
            loop.quit();
        }
    });
    limit.start(limitMilliseconds);
    m_wait = &loop;
    loop.exec();
    m_wait = nullptr;
    disconnect(drawn);
}

void clsMapView::StopWaiting() {
    if (m_wait != nullptr) {
        m_wait->quit();
    }
}
