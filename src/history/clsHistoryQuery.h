#pragma once

#include "history/clsHistoryReader.h"

#include <QDate>
#include <QString>
#include <QStringList>
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

    // The entries of the query's time lists: "00" to "23" for the start hour, the same and
    // "24" for the end hour, "00" to "50" by ten for the minutes. At first the lists show
    // the whole day: the first start hour and minute, the last end hour ("24") and the
    // first end minute.
    static QStringList StartHours();
    static QStringList EndHours();
    static QStringList Minutes();

    const QDate& Day() const { return m_day; }
    bool Keeps(const clsHistoryReader::Record& record) const;
    // Whether a record of this time is left out whatever its speed.
    bool IsOutsideWindow(std::string_view fixTime) const;

private:
    // A 19-character time as three big-endian words, which order as its characters do.
    using TimeKey = std::array<quint64, 3>;
    static bool KeyOf(std::string_view time, TimeKey& key);

    QDate m_day;
    // "yyyy/mm/dd hh:mm:00", compared with a record's time character by character.
    std::string m_start;
    std::string m_end;
    TimeKey m_startKey{};
    TimeKey m_endKey{};
    bool m_keyed;
    float m_lowestSpeed;  // knots
    float m_highestSpeed; // knots
};
