#include "map/clsMapBridge.h"

#include "shell/modKeys.h"
#include "shell/modPrivate.h"

clsMapBridge::clsMapBridge(const QString& programFolder, QObject* parent)
    : QObject(parent), m_pickup(programFolder),
      m_tileUrl(modPrivate::ReadSetting(programFolder, modKeys::Setting::TileUrl)),
      m_tileAttribution(modPrivate::ReadSetting(programFolder, modKeys::Setting::TileAttribution)) {
    setObjectName(QStringLiteral("station"));
    const std::pair<const char*, LanguageCode> texts[] = {
        {"name", modKeys::Messages::MarkName},
        {"add", modKeys::Messages::MarkAdd},
        {"taken", modKeys::Messages::MarkTaken},
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
