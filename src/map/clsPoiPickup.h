#pragma once

#include <QString>

class clsDBLib;

// The pick-up file poi.txt in the program folder: the map page leaves the points that the
// operator marks there, one line "name,latitude,longitude" each, and the map timer takes
// them into the POI database.
class clsPoiPickup {
public:
    // What one take did.
    struct Result {
        bool Found = false; // a pick-up file was there (so the map is to be redrawn)
        int Inserted = 0;   // points added to the database
        QString Error;      // why the database refused, or empty; the file is kept then
    };

    explicit clsPoiPickup(const QString& programFolder);

    // Takes every point of the pick-up file into db with the kind "1", unless a point of that
    // name exists already. The file is first renamed to TakingPath, so that points marked
    // meanwhile go to a new pick-up file; a file left there by a take that failed is taken
    // first. A line whose latitude or longitude is not a number, or that holds a NUL byte
    // (damaged), is skipped. On a database error the file stays at TakingPath for the next
    // take.
    Result Take(clsDBLib& db) const;

    // Appends the line of one marked point to the pick-up file. Commas and line breaks are
    // removed from the name. Returns why the point was refused (no name left, a coordinate
    // that is no latitude or longitude, a file that cannot be written), or an empty text.
    QString AppendPoint(const QString& name, double latitude, double longitude) const;

    QString PickupPath() const;
    QString TakingPath() const;

private:
    // Takes the file at path and deletes it; false with result.Error set on a database error.
    bool TakeFile(const QString& path, clsDBLib& db, Result& result) const;

    QString m_programFolder;
};
