#pragma once

#include "map/TileArea.h"

#include <QByteArray>
#include <optional>

// A map tile file read tile by tile. Tiles are addressed as the map page asks for them:
// zoom z, column x from the west, row y from the north (the slippy-map scheme).
class ITileReader {
public:
    virtual ~ITileReader() = default;

    // What the file says of itself; read when the reader was made.
    virtual const TileArea& Area() const = 0;
    // The bytes of tile z/x/y as the page shows them (never compressed for transport);
    // nullopt when the file holds no such tile. Throws clsStationError, naming the file,
    // when the file can no longer be read or is damaged where the tile should be.
    virtual std::optional<QByteArray> Tile(int z, int x, int y) = 0;
};
