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
        int Rejected = 0;   // lines kept in the rejects file by this take
        QString Rejection;  // the operator's message naming both files when Rejected > 0
    };

    explicit clsPoiPickup(const QString& programFolder);

    // Takes every point of the pick-up file into db with the kind "1", unless a point of that
    // name exists already. The file is first renamed to TakingPath, so that points marked
    // meanwhile go to a new pick-up file; a file left there by a take that failed is taken
    // first. A line that holds no point to take (a latitude or longitude that is no number
    // or lies off the globe, a missing field, a NUL byte of a damaged file) is appended whole
    // to RejectsPath, so that no point another program wrote is lost without a word; lines
    // of blanks and NUL bytes alone are dropped. On a database error, or when the rejects
    // cannot be written, the file stays at TakingPath for the next take.
    Result Take(clsDBLib& db) const;

    // Appends the line of one marked point to the pick-up file. Commas, line breaks and
    // other control characters are removed from the name. Returns why the point was refused (no
    // name left, a coordinate that is no latitude or longitude, a file that cannot be written), or
    // an empty text.
    QString AppendPoint(const QString& name, double latitude, double longitude) const;

    QString PickupPath() const;
    QString TakingPath() const;
    // The pick-up file's name with ".rejected" added, beside it.
    QString RejectsPath() const;

private:
    // Takes the file at path and deletes it; false with result.Error set on a database error
    // or when its rejected lines cannot be kept.
    bool TakeFile(const QString& path, clsDBLib& db, Result& result) const;
    // Appends the lines to the rejects file; the platform's description when it fails.
    QString KeepRejected(const QByteArray& lines) const;

    QString m_programFolder;
};
