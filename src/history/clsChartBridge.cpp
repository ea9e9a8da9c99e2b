#include "history/clsChartBridge.h"

#include "shell/modKeys.h"
#include "shell/modPrivate.h"

clsChartBridge::clsChartBridge(const QString& programFolder, QObject* parent) : QObject(parent) {
    setObjectName(QStringLiteral("chart"));
    const std::pair<const char*, LanguageCode> texts[] = {
        {"speed", modKeys::Day::ChartSpeed},
        {"empty", modKeys::Day::ChartEmpty},
    };
    for (const auto& [name, code] : texts) {
        m_texts.insert(QLatin1String(name), modPrivate::ReadLanguage(programFolder, code));
    }
}

int clsChartBridge::SetTrack(const clsTrackRecords& records, double stopMinutes) {
    m_chart = clsSpeedChart(records, stopMinutes);
    m_marked = static_cast<int>(m_chart.PointOfRecord(m_markedRecord));
    emit chartChanged(++m_request);
    return m_request;
}

void clsChartBridge::MarkRecord(qsizetype record) {
    m_markedRecord = record;
    m_marked = static_cast<int>(m_chart.PointOfRecord(record));
    emit markMoved(m_marked);
}

QString clsChartBridge::chartData() const {
    return QString::fromUtf8(m_chart.Json());
}

void clsChartBridge::chartClicked(double utcSeconds) {
    const qsizetype record = m_chart.RecordOfPoint(m_chart.NearestPoint(utcSeconds));
    if (record >= 0) {
        emit RecordChosen(record);
    }
}

void clsChartBridge::drawn(int request, double milliseconds) {
    emit Drawn(request, milliseconds);
}

void clsChartBridge::marked(int point, double milliseconds) {
    emit Marked(point, milliseconds);
}
