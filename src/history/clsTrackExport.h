#pragma once

#include "tracking/clsTrackRecords.h"

#include <QString>

// Writes a track to a file for navigation and mapping programs: PaPaGO! track text,
// MapSource 6.5 track file, GPX 1.1, KML 2.2 (the track and its stops) or CSV (one line
// per record). The file under the chosen name is replaced only
// once the whole new file has been written.
class clsTrackExport {
public:
    // The entries of the file dialog's filter, numbered from 1 in this order.
    enum Format { PaPaGO = 1, MapSource = 2, Gpx = 3, Kml = 4, Csv = 5 };

    // The file dialog's filter: "name (*.ext)|*.ext" per format, joined by "|".
    static QString Filter();
    // How many formats there are: the entries 1 to FormatCount of the filter.
    static int FormatCount();
    // The name of format as the filter shows it ("PaPaGO!"), and the extension of its
    // files without the point ("txt"); "" for no such format.
    static QString FormatText(int format);
    static QString Suffix(int format);
    // The format whose extension ends the file name of path, in any case; 0 for none.
    static int FormatOfName(const QString& path);

    explicit clsTrackExport(const QString& programFolder);

    // Writes every record, from the first to the last, in format; any other format
    // number writes an empty file. Throws clsStationError when the file cannot be
    // written; an earlier file of that name then stays as it was.
    void ExportTrack(const QString& path, int format, const clsTrackRecords& records) const;

private:
    QString m_programFolder;
};
