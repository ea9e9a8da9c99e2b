#include "history/clsLocalClock.h"

#include <QDate>
#include <QDateTime>

#include <set>

namespace {

constexpr qint64 Day = 24 * 60 * 60;
constexpr qint64 Quarter = 15 * 60;
constexpr qint64 UnixEpochJulianDay = 2440588;

// The number of the digits at from, or -1 when they are not all digits.
int Digits(const QString& text, qsizetype from, qsizetype length) {
    int value = 0;
    for (qsizetype i = from; i < from + length; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') {
            return -1;
        }
        value = value * 10 + (c - u'0');
    }
    return value;
}

} // namespace

clsLocalClock::clsLocalClock(const QTimeZone& zone) : m_zone(zone) {}

std::optional<qint64> clsLocalClock::WallSeconds(const QString& fixTime) {
    if (fixTime.size() != 19) {
        return std::nullopt;
    }
    const QDate date(Digits(fixTime, 0, 4), Digits(fixTime, 5, 2), Digits(fixTime, 8, 2));
    const int hour = Digits(fixTime, 11, 2);
    const int minute = Digits(fixTime, 14, 2);
    const int second = Digits(fixTime, 17, 2);
    if (!date.isValid() || !QTime::isValid(hour, minute, second)) {
        return std::nullopt;
    }
    return (date.toJulianDay() - UnixEpochJulianDay) * Day + hour * 3600 + minute * 60 + second;
}

std::optional<qint64> clsLocalClock::UtcSeconds(const QString& fixTime) {
    const std::optional<qint64> wall = WallSeconds(fixTime);
    if (!wall) {
        return std::nullopt;
    }
    return UtcSecondsOfWall(*wall);
}

qint64 clsLocalClock::UtcSecondsOfWall(qint64 wall) {
    const qint64 quarter = wall >= 0 ? wall / Quarter : (wall - Quarter + 1) / Quarter;
    if (quarter != m_lastQuarter || m_quarters.isEmpty()) {
        auto found = m_quarters.find(quarter);
        if (found == m_quarters.end()) {
            const int first = OffsetOf(quarter * Quarter);
            const bool steady = OffsetOf(quarter * Quarter + Quarter - 1) == first;
            found = m_quarters.insert(quarter, steady ? std::optional<int>(first) : std::nullopt);
        }
        m_lastQuarter = quarter;
        m_lastOffset = *found;
    }
    return wall - (m_lastOffset ? *m_lastOffset : OffsetOf(wall));
}

int clsLocalClock::OffsetAt(qint64 utcSeconds) const {
    return m_zone.offsetFromUtc(QDateTime::fromSecsSinceEpoch(utcSeconds, Qt::UTC));
}

// The offset of the earliest instant whose local time is wall; for a skipped local time
// the offset from before the change.
int clsLocalClock::OffsetOf(qint64 wall) const {
    const int before = OffsetAt(wall - Day);
    const std::set<int> offsets = {before, OffsetAt(wall), OffsetAt(wall + Day)};
    std::optional<qint64> earliest;
    int chosen = before;
    for (const int offset : offsets) {
        const qint64 instant = wall - offset;
        if (OffsetAt(instant) == offset && (!earliest || instant < *earliest)) {
            earliest = instant;
            chosen = offset;
        }
    }
    return chosen;
}
