#pragma once

#include <QObject>
#include <QPointer>
#include <QUrl>

class QEventLoop;
class QWebChannel;
class QWebEngineProfile;
class QWebEngineView;
class clsMapBridge;
class clsTileSchemeHandler;

// Shows the map page in the main window's browser. The first Navigate loads the page; a
// Navigate to the page that is shown already has the page re-read its files in place, so
// that the map does not blank and reload at every drawing. The page reaches the program
// through the bridge on a web channel, and asks for its tiles through the tile scheme.
class clsMapView : public QObject {
    Q_OBJECT

public:
    clsMapView(QWebEngineView* view, const QString& programFolder, QObject* parent = nullptr);
    ~clsMapView() override;

    // Shows the page at pagePath (a full path). Returns the drawing's request number, which
    // Drawn reports once the page shows what was written before this call. Drawings asked
    // for before the event loop runs again are read by the page once, after the last of
    // them; so are those asked for while the page has not yet taken the last refresh sent
    // to it, so that a page slower than the fixes falls no further behind than one drawing.
    // hint is what clsMapDrawing::PageHint tells of the files written last ("" for none),
    // and the page reads a marker file of a track it read before only when it is told
    // nothing or something else.
    int Navigate(const QString& pagePath, const QString& hint = QString());
    clsMapBridge& Bridge() { return *m_bridge; }
    // The request number of the newest drawing.
    int LastRequest() const { return m_request; }
    // Lets events run until the page shows every drawing asked for so far, for at most
    // limit milliseconds. A page that failed to load shows none, and ends the wait.
    void WaitUntilShown(int limitMilliseconds);
    // Ends a running WaitUntilShown at once.
    void StopWaiting();

signals:
    // The page shows everything written before Navigate returned request.
    void Drawn(int request);
    // The operator zoomed inside the page.
    void ZoomChosen(int level);
    // A map source cannot be used (a missing or damaged file); each message comes once.
    void SourceProblem(const QString& message);

private:
    void LoadFinished(bool ok);
    void Refresh();
    void SendRefresh(const QString& script);
    void Taken(int request);
    void TellProblems();
    bool Showing() const;

    QWebEngineView* m_view;
    clsMapBridge* m_bridge;
    QWebChannel* m_channel;
    clsTileSchemeHandler* m_tiles;
    QPointer<QWebEngineProfile> m_profile; // where m_tiles is installed
    QUrl m_url;
    bool m_loading = false;
    bool m_loaded = false;
    int m_request = 0;
    int m_shown = 0;                         // the newest request the page reported drawn
    QString m_hint = QStringLiteral("null"); // of the newest drawing
    bool m_refreshing = false;               // a refresh waits for the event loop
    int m_sent = 0;                          // the request of the newest refresh sent
    bool m_taking = false;                   // the page has not yet run that refresh
    QEventLoop* m_wait = nullptr;
};
