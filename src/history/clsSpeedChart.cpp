#include "history/clsSpeedChart.h"

#include "history/clsLocalClock.h"

#include <algorithm>
#include <cmath>
#include <optional>

clsSpeedChart::clsSpeedChart(const clsTrackRecords& records, double stopMinutes) {
    clsLocalClock clock;
    const double breakAfter = stopMinutes * 60;
    m_points.fill(-1, records.Count());
    m_offsets.reserve(records.Count());
    m_knots.reserve(records.Count());
    m_records.reserve(records.Count());
    QString firstDay;
    QString lastDay;
    for (qsizetype i = 0; i < records.Count(); ++i) {
        const PositionFix fix = records.At(i);
        const std::optional<qint64> instant = clock.UtcSeconds(fix.FixTime);
        if (!instant) {
            continue;
        }
        if (m_records.isEmpty()) {
            m_start = *instant;
            firstDay = fix.FixTime.left(10);
        }
        lastDay = fix.FixTime.left(10);
        const qint64 previous = m_offsets.isEmpty() ? 0 : m_offsets.last();
        const qint64 offset = std::max(previous, *instant - m_start);
        if (!m_records.isEmpty() && double(offset - previous) > breakAfter) {
            m_offsets.append(previous + (offset - previous) / 2);
            m_knots.append(std::nanf(""));
            m_records.append(-1);
        }
        m_points[i] = m_records.size();
        m_offsets.append(offset);
        m_knots.append(fix.Speed);
        m_records.append(i);
    }
    m_title = firstDay == lastDay ? firstDay : firstDay + QStringLiteral(" - ") + lastDay;
}

qsizetype clsSpeedChart::RecordOfPoint(qsizetype point) const {
    return point >= 0 && point < m_records.size() ? m_records[point] : -1;
}

qsizetype clsSpeedChart::PointOfRecord(qsizetype record) const {
    return record >= 0 && record < m_points.size() ? m_points[record] : -1;
}

qsizetype clsSpeedChart::NearestPoint(double utcSeconds) const {
    const double offset = utcSeconds - double(m_start);
    const auto after = std::lower_bound(m_offsets.begin(), m_offsets.end(), offset,
                                        [](qint64 a, double b) { return double(a) < b; });
    qsizetype best = -1;
    double bestDistance = 0;
    // The nearest record on either side; a break point stands between two records.
    for (qsizetype point = after - m_offsets.begin() - 2; point <= after - m_offsets.begin() + 1;
         ++point) {
        if (RecordOfPoint(point) < 0) {
            continue;
        }
        const double distance = std::fabs(double(m_offsets[point]) - offset);
        if (best < 0 || distance < bestDistance) {
            best = point;
            bestDistance = distance;
        }
    }
    return best;
}

QByteArray clsSpeedChart::Json() const {
    QByteArray x;
    QByteArray y;
    x.reserve(m_offsets.size() * 7);
    y.reserve(m_offsets.size() * 5);
    for (qsizetype i = 0; i < m_offsets.size(); ++i) {
        const char* separator = i == 0 ? "" : ",";
        x += separator + QByteArray::number(m_offsets[i]);
        y += separator + (std::isnan(m_knots[i]) ? QByteArray("null")
                                                 : QByteArray::number(double(m_knots[i]), 'g', 7));
    }
    return "{\"title\":\"" + m_title.toUtf8().replace('\\', "\\\\").replace('"', "\\\"") +
           "\",\"start\":" + QByteArray::number(m_start) + ",\"x\":[" + x + "],\"y\":[" + y + "]}";
}
