#pragma once

#include "history/clsChartBridge.h"

#include <QObject>
#include <QString>

class QWebChannel;
class QWebEngineView;

// Shows the speed chart page (carimage/chart.htm) in a browser view of its own. The page is
// loaded the first time a track is shown, and reaches the chart's data through the bridge
// on the view's web channel.
class clsChartView : public QObject {
    Q_OBJECT

public:
    clsChartView(QWebEngineView* view, const QString& programFolder, QObject* parent = nullptr);

    clsChartBridge& Bridge() { return *m_bridge; }
    // Charts records, their gaps longer than the stored stop time as breaks; returns the
    // request number that the bridge's Drawn reports once the page shows it.
    int ShowTrack(const clsTrackRecords& records);

signals:
    // The page could not be loaded; the message is written for the operator.
    void LoadFailed(const QString& message);

private:
    QWebEngineView* m_view;
    QString m_programFolder;
    clsChartBridge* m_bridge;
    QWebChannel* m_channel;
    bool m_loaded = false;
};
