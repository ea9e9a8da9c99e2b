#pragma once

#include <QString>

// One track point as decoded from a $GPRMC sentence and as stored in the history log.
// Coordinates are magnitudes; the hemisphere is carried only by the letters.
struct PositionFix {
    QString FixTime;      // local time of decoding, "yyyy/mm/dd hh:mm:ss"
    QString EastWest;     // "E" or "W" as received
    double Longitude = 0; // degrees, rounded to 5 decimals
    QString NorthSouth;   // "N" or "S" as received
    double Latitude = 0;  // degrees, rounded to 5 decimals
    float Speed = 0;      // knots, as received
    float Direction = 0;  // course, degrees clockwise from north
    QString Status;       // "A" valid fix, "V" receiver warning

    // A fix at 0 degrees of latitude or longitude counts as one without a position, as the
    // empty spare element of a track is.
    bool HasPosition() const { return Longitude != 0 && Latitude != 0; }

    bool operator==(const PositionFix&) const = default;
};

Q_DECLARE_TYPEINFO(PositionFix, Q_RELOCATABLE_TYPE);
