#pragma once

#include "tracking/clsTrackRecords.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The speed chart of a track: one point per record whose time is readable, its speed in
// knots over its instant (clsLocalClock). Where two records lie further apart in time than
// the stop time, a break point without a speed stands between them, so that the line shows
// the gap. Instants never go back along the chart: a record whose instant lies before its
// predecessor's (records out of order) is drawn at its predecessor's.
class clsSpeedChart {
public:
    clsSpeedChart() = default;
    clsSpeedChart(const clsTrackRecords& records, double stopMinutes);

    qsizetype PointCount() const { return m_records.size(); }
    // The record a point shows (from 0), or -1 for a break point or a point outside.
    qsizetype RecordOfPoint(qsizetype point) const;
    // The point of a record, or -1 when the record is not charted.
    qsizetype PointOfRecord(qsizetype record) const;
    // The point nearest to the instant (seconds since 1970 UTC) that shows a record; -1
    // when the chart has none.
    qsizetype NearestPoint(double utcSeconds) const;
    double Instant(qsizetype point) const { return double(m_start + m_offsets[point]); }

    // The chart for the page as JSON: {"title": the day ("yyyy/mm/dd", or the first and the
    // last day), "start": the first instant (seconds since 1970 UTC), "x": each point's
    // seconds after start, "y": each point's knots or null for a break}.
    QByteArray Json() const;

private:
    QString m_title;
    qint64 m_start = 0;
    QList<qint64> m_offsets;    // seconds after m_start, per point
    QList<float> m_knots;       // per point; NaN for a break
    QList<qsizetype> m_records; // per point; -1 for a break
    QList<qsizetype> m_points;  // per record; -1 when not charted
};
