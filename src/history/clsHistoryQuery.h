#pragma once

#include "tracking/clsHistoryReader.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <array>
#include <string>
#include <string_view>

// What a history fetch keeps: the records of one day between a start and an end time,
// both included, whose speed lies between two bounds, both included.
class clsHistoryQuery {
public:
    // day: the chosen date; the hours and minutes as the time lists show them ("00" to
    // "24", "00" to "50"); the two speed texts as typed, read as the number they start
    // with (none gives 0).
    clsHistoryQuery(const QDate& day, const QString& startHour, const QString& startMinute,
                    const QString& endHour, const QString& endMinute, const QString& lowestSpeed,
                    const QString& highestSpeed);

    const QDate& Day() const { return m_day; }
    // "yyyy/mm/dd hh:mm:00", compared with a record's time character by character.
    const QString& Start() const { return m_start; }
    const QString& End() const { return m_end; }
    float LowestSpeed() const { return m_lowestSpeed; }   // knots
    float HighestSpeed() const { return m_highestSpeed; } // knots

    bool Keeps(const clsHistoryReader::Record& record) const;
    // Whether a record of this time is left out whatever its speed.
    bool IsOutsideWindow(std::string_view fixTime) const;

private:
    // A 19-character time as three big-endian words, which order as its characters do.
    using TimeKey = std::array<quint64, 3>;
    static bool KeyOf(std::string_view time, TimeKey& key);

    QDate m_day;
    QString m_start;
    QString m_end;
    std::string m_startBytes;
    std::string m_endBytes;
    TimeKey m_startKey{};
    TimeKey m_endKey{};
    bool m_keyed;
    float m_lowestSpeed;
    float m_highestSpeed;
};
