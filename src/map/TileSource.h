#pragma once

#include <QString>

// One map source named in section [Map] of the settings file: TileUrl<n> with its
// TileAttribution<n> (n empty for the first).
struct TileSource {
    enum class Kind { Online, Mbtiles, Pmtiles, Folder, Unknown };

    int Number = 1;       // n; the first source is 1
    QString Address;      // as written, or the default tile server
    QString Attribution;  // as written; may be empty
    Kind SourceKind = Kind::Unknown;
    QString Path;         // the file of an MBTiles or PMTiles source
};
