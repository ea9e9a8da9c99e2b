#pragma once

// A tile file of any bytes opened by a reader and asked for tiles: the reader either
// refuses the file or answers, with clsStationError as its only complaint.

#include "FuzzSupport.h"

#include "map/ITileReader.h"
#include "shell/clsStationError.h"

#include <memory>

template <class Reader> int FuzzTileFile(const uint8_t* data, size_t size, const char* name) {
    FuzzedDataProvider input(data, size);
    const int z = input.ConsumeIntegralInRange<int>(0, 31);
    const int x = input.ConsumeIntegralInRange<int>(-1, (1 << std::min(z, 30)));
    const int y = input.ConsumeIntegralInRange<int>(-1, (1 << std::min(z, 30)));
    const QString& folder = FuzzSupport::ProgramFolder();
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    FUZZ_CHECK(FuzzSupport::WriteFile(
        path, QByteArray::fromStdString(input.ConsumeRemainingBytesAsString())));
    std::unique_ptr<ITileReader> reader;
    try {
        reader = std::make_unique<Reader>(path, folder);
    } catch (const clsStationError& error) {
        FUZZ_CHECK(!error.Message().isEmpty());
        return 0;
    }
    const TileArea& area = reader->Area();
    for (const auto& [tz, tx, ty] : {std::array{0, 0, 0}, std::array{z, x, y},
                                     std::array{area.MinZoom, 0, 0}}) {
        try {
            (void)reader->Tile(tz, tx, ty);
        } catch (const clsStationError& error) {
            FUZZ_CHECK(!error.Message().isEmpty());
        }
    }
    return 0;
}
