#pragma once

#include <QString>

// The three boxes of one coordinate row of the POI editor, as the operator sees them.
struct DmsText {
    QString Degrees; // whole degrees, with a minus sign south of the equator or west of Greenwich
    QString Minutes; // whole minutes, at least two digits
    QString Seconds; // seconds, at least two digits

    bool operator==(const DmsText&) const = default;
};
