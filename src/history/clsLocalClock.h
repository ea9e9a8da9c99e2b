#pragma once

#include <QHash>
#include <QString>
#include <QTimeZone>

#include <optional>

// Turns the records' local times ("yyyy/mm/dd hh:mm:ss" on the computer's clock) into
// instants. Where a clock change shows a local time twice, the earlier instant is taken;
// where it skips a local time, that time is read with the offset from before the change.
// A day of records costs a few zone look-ups, not a few per record: the offset is kept per
// quarter of an hour of local time in which no clock change falls.
class clsLocalClock {
public:
    explicit clsLocalClock(const QTimeZone& zone = QTimeZone::systemTimeZone());

    // The calendar time of fixTime as seconds since 1970-01-01 00:00 on a clock without
    // changes (its wall-clock seconds); nullopt when fixTime is no valid date and time of
    // that shape.
    static std::optional<qint64> WallSeconds(const QString& fixTime);
    // Seconds since 1970-01-01 00:00 UTC at which the zone's clocks showed fixTime;
    // nullopt when fixTime is unreadable.
    std::optional<qint64> UtcSeconds(const QString& fixTime);
    // The same for wall-clock seconds.
    qint64 UtcSecondsOfWall(qint64 wall);

private:
    int OffsetOf(qint64 wall) const;
    int OffsetAt(qint64 utcSeconds) const;

    QTimeZone m_zone;
    // The offset by quarter hour of local time; none where a clock change falls in it.
    QHash<qint64, std::optional<int>> m_quarters;
    // The quarter looked up last: a track's records come in order.
    qint64 m_lastQuarter = 0;
    std::optional<int> m_lastOffset;
};
