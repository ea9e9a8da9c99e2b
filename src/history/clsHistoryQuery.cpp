#include "history/clsHistoryQuery.h"

#include "shell/modPrivate.h"

#include <QDateTime>
#include <QtEndian>

namespace {

// The speed bounds are compared with the speeds as stored, which are 32-bit: a bound
// typed as a stored speed must be that very speed.
float SpeedBound(const QString& text) {
    return static_cast<float>(modPrivate::Val(text));
}

QStringList TwoDigitNumbers(int first, int last, int step) {
    QStringList entries;
    for (int n = first; n <= last; n += step) {
        entries << QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    }
    return entries;
}

} // namespace

QStringList clsHistoryQuery::StartHours() {
    return TwoDigitNumbers(0, 23, 1);
}

QStringList clsHistoryQuery::EndHours() {
    return TwoDigitNumbers(0, 24, 1);
}

QStringList clsHistoryQuery::Minutes() {
    return TwoDigitNumbers(0, 50, 10);
}

clsHistoryQuery::clsHistoryQuery(const QDate& day, const QString& startHour,
                                 const QString& startMinute, const QString& endHour,
                                 const QString& endMinute, const QString& lowestSpeed,
                                 const QString& highestSpeed)
    : m_day(day), m_lowestSpeed(SpeedBound(lowestSpeed)), m_highestSpeed(SpeedBound(highestSpeed)) {
    const QString date = modPrivate::FormatLogTime(QDateTime(day, QTime(0, 0), Qt::UTC)).left(10);
    // In UTF-8, whose bytes keep the order of the characters' code values.
    m_start = (date + QLatin1Char(' ') + startHour + QLatin1Char(':') + startMinute +
               QLatin1String(":00"))
                  .toStdString();
    m_end =
        (date + QLatin1Char(' ') + endHour + QLatin1Char(':') + endMinute + QLatin1String(":00"))
            .toStdString();
    m_keyed = KeyOf(m_start, m_startKey) && KeyOf(m_end, m_endKey);
}

bool clsHistoryQuery::Keeps(const clsHistoryReader::Record& record) const {
    return !IsOutsideWindow(record.FixTime) && record.Speed >= m_lowestSpeed &&
           record.Speed <= m_highestSpeed;
}

bool clsHistoryQuery::IsOutsideWindow(std::string_view fixTime) const {
    TimeKey key;
    if (m_keyed && KeyOf(fixTime, key)) {
        return key < m_startKey || key > m_endKey;
    }
    return fixTime < m_start || fixTime > m_end;
}

bool clsHistoryQuery::KeyOf(std::string_view time, TimeKey& key) {
    if (time.size() != 19) {
        return false;
    }
    // Read straight from the text: a copy into a padded buffer first costs more than
    // the whole comparison.
    const char* t = time.data();
    key[0] = qFromBigEndian<quint64>(t);
    key[1] = qFromBigEndian<quint64>(t + 8);
    key[2] = quint64{qFromBigEndian<quint16>(t + 16)} << 48 |
             quint64{static_cast<unsigned char>(t[18])} << 40;
    return true;
}
