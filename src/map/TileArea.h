#pragma once

#include <QByteArray>
#include <QString>

// What a tile source says of itself: the zoom levels it holds, the area it covers and whom
// its pictures are owed to.
struct TileArea {
    QString Name;        // shown in the layer list; may be empty
    QString Attribution; // as the source gives it (it may hold HTML)
    QByteArray MimeType; // of every tile, e.g. "image/png"
    int MinZoom = 0;
    int MaxZoom = 22;
    bool HasBounds = false;
    // Degrees, west/south/east/north, only when HasBounds.
    double West = -180, South = -85.0511287798, East = 180, North = 85.0511287798;
};
