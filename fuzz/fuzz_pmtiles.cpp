// A PMTiles file of any bytes: the operator may choose any file as a map source.

#include "FuzzTiles.h"

#include "map/clsPmtilesReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return FuzzTileFile<clsPmtilesReader>(data, size, "fuzz.pmtiles");
}
