#pragma once

#include "tracking/PositionFix.h"

#include <QHash>
#include <QList>
#include <QString>

// The main window's track: the recorded fixes, indexed from 0, in the order they were
// recorded or fetched. Past the last fix stands one empty spare element, so that
// At(Count()) is valid and holds no position.
//
// A week of tracking at one fix a second is 604,800 fixes, so each is kept in 40 bytes:
// the time as a number and the hemisphere and status letters as one code into a small
// table of the letter texts seen. Any text that was appended, of whatever shape, comes
// back exactly.
class clsTrackRecords {
public:
    // What a writer of a whole track reads of a fix without the texts that At makes for
    // each one: the numbers as At gives them, the letters as texts of the track's table,
    // and the time as the fourteen digits of "yyyy/mm/dd hh:mm:ss" read as one number, or
    // for a time of another shape TimeDigits -1 and the text in OtherTime.
    struct Fields {
        double Longitude;
        double Latitude;
        float Speed;
        float Direction;
        const QString& NorthSouth;
        const QString& EastWest;
        qint64 TimeDigits;
        const QString* OtherTime;
    };

    // The number of fixes, which is also the index of the spare element.
    qsizetype Count() const { return m_records.size(); }
    // The fix at index 0 to Count() - 1, or the empty spare at Count().
    PositionFix At(qsizetype index) const;
    // The fields of the fix at index 0 to Count() - 1; valid until the track changes.
    Fields FieldsAt(qsizetype index) const;
    // Changes at every Append and Clear, and is never the same for two tracks of one run
    // (of any instance) that may differ: a reader that kept what it made of the track at one
    // revision may use it again while the revision stays.
    quint64 Revision() const { return m_revision; }
    void Append(const PositionFix& fix);
    void Clear();
    void Reserve(qsizetype count);

private:
    // The three letter texts of a fix.
    struct Letters {
        QString NorthSouth;
        QString EastWest;
        QString Status;

        bool operator==(const Letters&) const = default;
    };
    friend size_t qHash(const Letters& letters, size_t seed);

    struct Record {
        double Longitude;
        double Latitude;
        // The fourteen digits of a time "yyyy/mm/dd hh:mm:ss" read as one number, or for a
        // text of another shape -1 - its index in m_otherTimes.
        qint64 Time;
        float Speed;
        float Direction;
        quint32 Letters; // index in m_letters
    };
    static_assert(sizeof(Record) <= 40);

    qint64 TimeCode(const QString& text);
    QString TimeText(qint64 code) const;
    quint32 LettersCode(const PositionFix& fix);

    void Changed();

    QList<Record> m_records;
    QList<Letters> m_letters;
    QHash<Letters, quint32> m_letterCodes;
    QList<QString> m_otherTimes;
    QHash<QString, qint64> m_otherTimeCodes;
    quint64 m_revision = 0; // an empty track of any instance is the same
};
