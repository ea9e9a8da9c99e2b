#pragma once

#include "map/clsPoiPickup.h"
#include "map/clsTileService.h"

#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

// The object the map page reaches through the web channel, as "station". It is all the
// page can do outside itself: append a marked point to the pick-up file, tell the zoom
// level that the operator chose inside the page, store the layer chosen in its layer
// list, and report a finished drawing. It writes nothing but the pick-up file and the
// chosen layer; the tiles come through the tile service.
class clsMapBridge : public QObject {
    Q_OBJECT
    // The page's own texts, by name, from the language file.
    Q_PROPERTY(QVariantMap texts READ Texts CONSTANT)
    // The map sources in their order, each a map: number, name, url (a {z}/{x}/{y}
    // template of the tile scheme), attribution, minZoom, maxZoom, bounds ([south, west,
    // north, east] or absent), usable.
    Q_PROPERTY(QVariantList layers READ Layers CONSTANT)
    // The number of the layer to show first; 0 for the coastline alone.
    Q_PROPERTY(int layer READ Layer CONSTANT)

public:
    explicit clsMapBridge(const QString& programFolder, QObject* parent = nullptr);

    QVariantMap Texts() const { return m_texts; }
    QVariantList Layers();
    int Layer() { return m_tiles->ShownLayer(); }
    clsTileService& Tiles() { return *m_tiles; }

    // A point the operator marked (degrees); returns why it was refused, or "".
    Q_INVOKABLE QString markPoint(const QString& name, double latitude, double longitude);
    // The operator zoomed inside the page to level.
    Q_INVOKABLE void zoomChosen(int level);
    // The operator chose layer number in the page's layer list (0: the coastline).
    Q_INVOKABLE void chooseLayer(int number);
    // The page shows everything written before drawing request number request.
    Q_INVOKABLE void drawn(int request);

signals:
    void ZoomChosen(int level);
    void Drawn(int request);

private:
    clsPoiPickup m_pickup;
    QVariantMap m_texts;
    clsTileService* m_tiles;
};
