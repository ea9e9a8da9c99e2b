#include "history/clsDayReport.h"

#include "shell/modKeys.h"
#include "shell/modPrivate.h"

namespace {

QString Fixed(double value, int decimals) {
    return QString::number(value, 'f', decimals);
}

} // namespace

clsDayReport::clsDayReport(const clsDaySummary& summary, const clsProfileText& language) {
    using namespace modKeys::Day;
    const auto text = [&](const LanguageCode& code) {
        return modPrivate::ReadLanguage(language, code);
    };
    for (const LanguageCode& code :
         {KindHeader, StartHeader, EndHeader, DurationHeader, DistanceHeader, MaxSpeedHeader,
          AverageSpeedHeader, PlaceHeader}) {
        m_headers << text(code);
    }
    const QString trip = text(Trip);
    const QString stop = text(Stop);
    for (const clsDaySummary::Line& line : summary.Lines()) {
        if (line.What == clsDaySummary::Kind::Trip) {
            m_rows.append({trip, line.Start, line.End, DurationText(line.Seconds),
                           Fixed(line.Kilometres, 3), Fixed(line.MaxKnots, 1),
                           Fixed(line.AverageKnots, 1), QString()});
        } else {
            const QString place =
                !line.Poi.isEmpty()
                    ? line.Poi
                    : Fixed(line.Latitude, 6) + QStringLiteral(", ") + Fixed(line.Longitude, 6);
            m_rows.append({stop, line.Start, line.End, DurationText(line.Seconds), QString(),
                           QString(), QString(), place});
        }
    }
    const clsDaySummary::Totals& t = summary.DayTotals();
    m_span = text(Span).arg(t.Start, t.End);
    m_totals =
        text(Totals).arg(QString::number(t.Trips), QString::number(t.Stops), Fixed(t.Kilometres, 3),
                         DurationText(t.MovingSeconds), DurationText(t.StoppedSeconds),
                         Fixed(t.MaxKnots, 1), Fixed(t.AverageKnots, 1));
}

QString clsDayReport::TotalsText() const {
    return m_span + QStringLiteral("\n") + m_totals;
}

QString clsDayReport::Html(const QString& title) const {
    QString html =
        QStringLiteral("<html><head><meta charset=\"utf-8\"><title>") + title.toHtmlEscaped() +
        QStringLiteral("</title></head><body><h2>") + title.toHtmlEscaped() +
        QStringLiteral("</h2><p>") + m_span.toHtmlEscaped() + QStringLiteral("<br>") +
        m_totals.toHtmlEscaped() +
        QStringLiteral("</p><table border=\"1\" cellspacing=\"0\" cellpadding=\"3\"><tr>");
    for (const QString& header : m_headers) {
        html += QStringLiteral("<th>") + header.toHtmlEscaped() + QStringLiteral("</th>");
    }
    html += QStringLiteral("</tr>");
    for (const QStringList& row : m_rows) {
        html += QStringLiteral("<tr>");
        for (const QString& cell : row) {
            html += QStringLiteral("<td>") + cell.toHtmlEscaped() + QStringLiteral("</td>");
        }
        html += QStringLiteral("</tr>");
    }
    return html + QStringLiteral("</table></body></html>");
}

QString clsDayReport::DurationText(qint64 seconds) {
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600)
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}
