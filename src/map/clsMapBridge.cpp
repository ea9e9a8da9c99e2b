#include "map/clsMapBridge.h"

#include "shell/modKeys.h"
#include "shell/modPrivate.h"

clsMapBridge::clsMapBridge(const QString& programFolder, QObject* parent)
    : QObject(parent), m_pickup(programFolder), m_tiles(new clsTileService(programFolder, this)) {
    setObjectName(QStringLiteral("station"));
    const std::pair<const char*, LanguageCode> texts[] = {
        {"name", modKeys::Messages::MarkName},
        {"add", modKeys::Messages::MarkAdd},
        {"taken", modKeys::Messages::MarkTaken},
        {"coastline", modKeys::Messages::CoastlineLayer},
        {"offline", modKeys::Messages::MapOffline},
        {"fitTrack", modKeys::Messages::FitTrack},
        {"fitTrackTip", modKeys::Messages::FitTrackTip},
        {"follow", modKeys::Messages::Follow},
        {"followTip", modKeys::Messages::FollowTip},
    };
    for (const auto& [name, code] : texts) {
        m_texts.insert(QLatin1String(name), modPrivate::ReadLanguage(programFolder, code));
    }
}

QString clsMapBridge::markPoint(const QString& name, double latitude, double longitude) {
    return m_pickup.AppendPoint(name, latitude, longitude);
}

void clsMapBridge::zoomChosen(int level) {
    emit ZoomChosen(level);
}

void clsMapBridge::drawn(int request) {
    emit Drawn(request);
}

QVariantList clsMapBridge::Layers() {
    QVariantList layers;
    for (const clsTileService::Layer& layer : m_tiles->Layers()) {
        const TileArea& area = layer.Area;
        QVariantMap map{
            {QStringLiteral("number"), layer.Source.Number},
            {QStringLiteral("name"), layer.Name},
            {QStringLiteral("url"), QStringLiteral("%1:/%2/{z}/{x}/{y}")
                                        .arg(QLatin1String(clsTileService::Scheme))
                                        .arg(layer.Source.Number)},
            {QStringLiteral("attribution"), area.Attribution},
            {QStringLiteral("minZoom"), area.MinZoom},
            {QStringLiteral("maxZoom"), area.MaxZoom},
            {QStringLiteral("usable"), layer.Usable},
        };
        if (area.HasBounds) {
            map.insert(QStringLiteral("bounds"),
                       QVariantList{area.South, area.West, area.North, area.East});
        }
        layers << map;
    }
    return layers;
}

void clsMapBridge::chooseLayer(int number) {
    m_tiles->Sources().ChooseLayer(number);
}
