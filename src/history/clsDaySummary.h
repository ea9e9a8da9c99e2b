#pragma once

#include "poi/CoordinateRecord.h"
#include "tracking/clsTrackRecords.h"

#include <QByteArray>
#include <QList>
#include <QString>

// A day's track read as trips and stops, with the day's totals.
//
// A stop is a stretch of records that all lie within the stop radius of the stretch's first
// record and of the record before them, and that lasts at least the stop time by the
// records' times: the history log records a fix only when the position moved, so a long
// stop is a gap between two records close together rather than a run of zero speeds. A
// trip is what lies between two stops, or between the track's ends and its first or last
// stop. Records with status "V" or without a position are left out of distances and
// positions; their times still count. Records whose time is unreadable are left out.
//
// Times are the records' local times, turned into instants as clsLocalClock does; every
// duration is a difference of such instants, and one that would be negative (records out of
// order) counts as 0. Distances are great-circle sums on a sphere of the WGS 84 mean radius.
class clsDaySummary {
public:
    // What decides the stops; lengths in metres, times in minutes.
    struct Parameters {
        double StopRadius = 0;
        double StopMinutes = 0;
        double PoiRadius = 0;

        // The values of section "Day" of the settings file; each missing, unreadable or out
        // of range value is its default (modKeys).
        static Parameters Read(const QString& programFolder);
        // Writes the three values; false when the settings file could not be written.
        bool Write(const QString& programFolder) const;
        // Within the ranges the settings accept: radius and time above 0, POI radius 0 or
        // more, each below a day's worth (100 km, 1440 minutes).
        bool Valid() const;
    };

    enum class Kind { Trip, Stop };

    // One trip or stop. First and Last are indexes of the track's records: the trip's or
    // stop's first and last record.
    struct Line {
        Kind What = Kind::Trip;
        qsizetype First = 0;
        qsizetype Last = 0;
        QString Start;           // local time of the first record (a stop's arrival)
        QString End;             // local time of the last record (a stop's departure)
        qint64 Seconds = 0;      // duration
        double Kilometres = 0;   // trips: the distance driven
        double MaxKnots = 0;     // trips: the highest speed a record shows
        double AverageKnots = 0; // trips: distance over duration
        double Latitude = 0;     // stops: the first record's position, signed degrees
        double Longitude = 0;    // (north and east positive)
        QString Poi;             // stops: the nearest point of interest within the POI radius
    };

    struct Totals {
        double Kilometres = 0;     // of all trips
        qint64 MovingSeconds = 0;  // of all trips
        qint64 StoppedSeconds = 0; // of all stops
        double MaxKnots = 0;       // of all trips
        double AverageKnots = 0;   // distance over moving time; 0 without moving time
        int Trips = 0;
        int Stops = 0;
        QString Start; // local time of the track's first and last record
        QString End;
    };

    // The header of CsvText.
    static const QByteArray CsvHeader;

    // Reads records with parameters (Valid() expected: invalid values are taken as their
    // defaults); a stop is named after the nearest of pois.
    clsDaySummary(const clsTrackRecords& records, const Parameters& parameters,
                  const QList<CoordinateRecord>& pois);

    // The trips and stops in the track's order.
    const QList<Line>& Lines() const { return m_lines; }
    const Totals& DayTotals() const { return m_totals; }

    // CsvHeader, then one line per trip or stop and a last line of kind "day" with the
    // totals; UTF-8, "." for decimals, lines ended by CR LF, a field quoted when it holds a
    // comma, a quote or a line end (its quotes doubled). Fields a kind lacks stay empty.
    QByteArray CsvText() const;
    // Writes CsvText as the file at path. Throws clsStationError (texts of the language
    // file of programFolder) when it cannot; an earlier file of that name then stays.
    void WriteCsv(const QString& path, const QString& programFolder) const;

private:
    QList<Line> m_lines;
    Totals m_totals;
};
