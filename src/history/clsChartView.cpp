#include "history/clsChartView.h"

#include "history/clsDaySummary.h"
#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <QDir>
#include <QUrl>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineSettings>
#include <QWebEngineView>

clsChartView::clsChartView(QWebEngineView* view, const QString& programFolder, QObject* parent)
    : QObject(parent), m_view(view), m_programFolder(programFolder),
      m_bridge(new clsChartBridge(programFolder, this)), m_channel(new QWebChannel(this)) {
    // The page needs nothing beyond its own folder.
    m_view->page()->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls,
                                             false);
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_channel->registerObject(m_bridge->objectName(), m_bridge);
    m_view->page()->setWebChannel(m_channel);
    connect(m_view, &QWebEngineView::loadFinished, this, [this](bool ok) {
        if (!ok) {
            m_loaded = false;
            emit LoadFailed(
                modPrivate::ReadLanguage(m_programFolder, modKeys::Messages::ChartNotLoaded)
                    .arg(QDir::toNativeSeparators(m_view->url().toLocalFile())));
        }
    });
}

int clsChartView::ShowTrack(const clsTrackRecords& records) {
    const int request =
        m_bridge->SetTrack(records, clsDaySummary::Parameters::Read(m_programFolder).StopMinutes);
    if (!m_loaded) {
        // The page asks for the newest chart once its channel is up.
        m_loaded = true;
        m_view->load(QUrl::fromLocalFile(
            modPrivate::ProgramPath(m_programFolder, QStringLiteral("carimage/chart.htm"))));
    }
    return request;
}
