#pragma once

#include "map/clsPoiPickup.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

// The object the map page reaches through the web channel, as "station". It is all the
// page can do outside itself: append a marked point to the pick-up file, tell the zoom
// level that the operator chose inside the page, and report a finished drawing. It reads
// nothing from disk for the page and writes nothing but the pick-up file.
class clsMapBridge : public QObject {
    Q_OBJECT
    // The page's own texts, by name, from the language file.
    Q_PROPERTY(QVariantMap texts READ Texts CONSTANT)
    // The tile address template ({z}/{x}/{y}) and its attribution; empty for the default.
    Q_PROPERTY(QString tileUrl READ TileUrl CONSTANT)
    Q_PROPERTY(QString tileAttribution READ TileAttribution CONSTANT)

public:
    explicit clsMapBridge(const QString& programFolder, QObject* parent = nullptr);

    QVariantMap Texts() const { return m_texts; }
    QString TileUrl() const { return m_tileUrl; }
    QString TileAttribution() const { return m_tileAttribution; }

    // A point the operator marked (degrees); returns why it was refused, or "".
    Q_INVOKABLE QString markPoint(const QString& name, double latitude, double longitude);
    // The operator zoomed inside the page to level.
    Q_INVOKABLE void zoomChosen(int level);
    // The page shows everything written before drawing request number request.
    Q_INVOKABLE void drawn(int request);

signals:
    void ZoomChosen(int level);
    void Drawn(int request);

private:
    clsPoiPickup m_pickup;
    QVariantMap m_texts;
    QString m_tileUrl;
    QString m_tileAttribution;
};
