#pragma once

#include <QString>

// One point of interest as the POI table holds it.
struct CoordinateRecord {
    QString SeqNo;       // key given by the database, as text
    double X = 0;        // longitude, decimal degrees, east positive
    double Y = 0;        // latitude, decimal degrees, north positive
    QString Kind;        // icon kind "1" to "5"
    QString Explanation; // the point's label; the lookup key
};
