#pragma once

#include "history/clsDaySummary.h"
#include "shell/clsProfileText.h"

#include <QList>
#include <QString>
#include <QStringList>

// The day summary as the operator reads it, in the texts of the language file: one row of
// cells per trip or stop, the totals as a sentence, and both as a page to print.
class clsDayReport {
public:
    clsDayReport(const clsDaySummary& summary, const clsProfileText& language);

    // The column headings: kind, start, end, duration, distance, highest and average speed,
    // place.
    const QStringList& Headers() const { return m_headers; }
    // One row per line of the summary, in its order; the cells a kind lacks are empty. A
    // stop's place is its point of interest, or else its position in signed degrees.
    const QList<QStringList>& Rows() const { return m_rows; }
    // The day's span and totals.
    QString TotalsText() const;
    // The title, the totals and the table as an HTML page (the texts escaped).
    QString Html(const QString& title) const;

    // A duration as hours, minutes and seconds, "h:mm:ss".
    static QString DurationText(qint64 seconds);

private:
    QStringList m_headers;
    QList<QStringList> m_rows;
    QString m_span;
    QString m_totals;
};
