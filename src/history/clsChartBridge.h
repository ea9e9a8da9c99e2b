#pragma once

#include "history/clsSpeedChart.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

// The object the chart page reaches through its web channel, as "chart": it hands the page
// the speed chart of the listed track and the record to mark, and hears which point the
// operator clicked. It holds the chart's data itself: nothing of it is written to a file.
class clsChartBridge : public QObject {
    Q_OBJECT
    // The page's texts, by name, from the language file.
    Q_PROPERTY(QVariantMap texts READ Texts CONSTANT)

public:
    explicit clsChartBridge(const QString& programFolder, QObject* parent = nullptr);

    QVariantMap Texts() const { return m_texts; }
    const clsSpeedChart& Chart() const { return m_chart; }

    // Charts records anew (stop time in minutes) and tells the page, the record marked last
    // marked again; returns the request number that Drawn reports once the page shows it.
    int SetTrack(const clsTrackRecords& records, double stopMinutes);
    // Marks the record (from 0) on the chart; a record the chart lacks takes the mark away.
    void MarkRecord(qsizetype record);

    // The newest chart as Json() of clsSpeedChart, and its request number.
    Q_INVOKABLE QString chartData() const;
    Q_INVOKABLE int chartRequest() const { return m_request; }
    // The point marked last, -1 for none.
    Q_INVOKABLE int markedPoint() const { return m_marked; }
    // The operator clicked at the instant (seconds since 1970 UTC).
    Q_INVOKABLE void chartClicked(double utcSeconds);
    // The page shows the chart of request, drawn in milliseconds.
    Q_INVOKABLE void drawn(int request, double milliseconds);
    // The page shows the mark of point, moved in milliseconds.
    Q_INVOKABLE void marked(int point, double milliseconds);

signals:
    // To the page.
    void chartChanged(int request);
    void markMoved(int point);
    // To the window: the record nearest to a click.
    void RecordChosen(qsizetype record);
    void Drawn(int request, double milliseconds);
    void Marked(int point, double milliseconds);

private:
    QVariantMap m_texts;
    clsSpeedChart m_chart;
    int m_request = 0;
    int m_marked = -1;             // the point marked
    qsizetype m_markedRecord = -1; // the record marked
};
