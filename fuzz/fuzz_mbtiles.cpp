// An MBTiles file of any bytes: the operator may choose any file as a map source.

#include "FuzzTiles.h"

#include "map/clsMbtilesReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzTileFile<clsMbtilesReader>(data, size, "fuzz.mbtiles");
}
