#pragma once

// Synthetic days of driving and parking, built from distances on the ground: a record is
// placed so many metres north and east of 25 N, 121.5 E.

#include "tracking/clsTrackRecords.h"

#include <QDateTime>
#include <QString>
#include <cmath>

namespace TestDays {

inline constexpr double BaseLatitude = 25.0;
inline constexpr double BaseLongitude = 121.5;
// Metres per degree of latitude on the sphere of the WGS 84 mean radius.
inline constexpr double MetresPerDegree = 6371008.8 * M_PI / 180;

// The fix at north and east metres from the base point (east along the parallel there).
inline PositionFix At(const QString& time, double north, double east = 0, float knots = 0,
                      const QString& status = QStringLiteral("A")) {
    const double latitude = BaseLatitude + north / MetresPerDegree;
    const double longitude =
        BaseLongitude + east / (MetresPerDegree * std::cos(latitude * M_PI / 180));
    return {time, QStringLiteral("E"), longitude, QStringLiteral("N"), latitude, knots, 0, status};
}

// The local time text seconds after start, counted on the clock's face (a clock change
// between them is not counted).
inline QString After(const QString& start, qint64 seconds) {
    const QString format = QStringLiteral("yyyy/MM/dd HH:mm:ss");
    const QDateTime face(QDate::fromString(start.left(10), QStringLiteral("yyyy/MM/dd")),
                         QTime::fromString(start.mid(11), QStringLiteral("HH:mm:ss")), Qt::UTC);
    return face.addSecs(seconds).toString(format);
}

// Appends count records, every step seconds from start (exclusive), each metres further
// north than the one before, from north metres; returns where the last one stands.
inline double Drive(clsTrackRecords& records, const QString& start, int count, int step,
                    double north, double metres, float knots) {
    for (int i = 1; i <= count; ++i) {
        north += metres;
        records.Append(At(After(start, qint64(i) * step), north, 0, knots));
    }
    return north;
}

// 20 knots for 10 s along a meridian, in metres.
inline constexpr double Step = 20 * 1852.0 / 3600 * 10;
inline constexpr double ParkedNorth = 60 * Step;

// 10 minutes of driving north at 20 knots (one record at 24), a record without a position
// and a void fix far away on the way; 20 minutes parked, stored as two records 3 m apart;
// 5 minutes of driving on at 20 knots. Parked ParkedNorth metres north of the base point
// from 10:10:00 (record 62) to 10:30:00 (record 63); 94 records.
inline clsTrackRecords DriveParkDrive() {
    clsTrackRecords records;
    const QString start = "2009/02/18 10:00:00";
    records.Append(At(start, 0, 0, 20));
    double north = Drive(records, start, 30, 10, 0, Step, 20);
    records.Append(PositionFix{"2009/02/18 10:05:05", "E", 0, "N", 0, 99, 0, "A"}); // no position
    records.Append(PositionFix{"2009/02/18 10:05:06", "E", 122.5, "N", 26.0, 99, 0, "V"});
    PositionFix fast = At("2009/02/18 10:05:10", north += Step, 0, 24);
    records.Append(fast);
    north = Drive(records, "2009/02/18 10:05:10", 29, 10, north, Step, 20); // to 10:10:00
    records.Append(At("2009/02/18 10:30:00", north += 3, 0, 0));
    Drive(records, "2009/02/18 10:30:00", 30, 10, north, Step, 20); // to 10:35:00
    return records;
}

} // namespace TestDays
