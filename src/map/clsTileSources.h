#pragma once

#include "map/TileSource.h"

#include <QList>
#include <QString>

// The map sources of section [Map] in their order, and the layer the operator chose.
class clsTileSources {
public:
    // The tile server used when [Map] names no source.
    static constexpr const char* DefaultAddress = "https://tile.openstreetmap.org/{z}/{x}/{y}.png";
    static constexpr const char* DefaultAttribution = "\u00a9 OpenStreetMap contributors";

    // Reads TileUrl, TileUrl2 ... TileUrl9 (an empty one is skipped, so a later one keeps
    // its number) and Layer from the settings file in programFolder. Throws nothing.
    explicit clsTileSources(const QString& programFolder);

    const QList<TileSource>& Sources() const { return m_sources; }
    // The number of the chosen source; 0 for the coastline alone. A stored number that names
    // no source gives the first source.
    int ChosenLayer() const { return m_chosen; }
    // Stores number as the chosen layer (0 for the coastline); a number that names no
    // source is ignored.
    void ChooseLayer(int number);

    // The source of an address: "mbtiles:" or "pmtiles:" followed by a path ("///" and
    // an absolute path, or a path relative to programFolder), an http(s) template, or a
    // file:/// template of a folder of tiles.
    static TileSource Parse(int number, const QString& address, const QString& attribution,
                            const QString& programFolder);

private:
    QString m_programFolder;
    QList<TileSource> m_sources;
    int m_chosen = 1;
};
