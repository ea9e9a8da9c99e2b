#include "tracking/clsGpsdReply.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

std::optional<clsGpsdReply> clsGpsdReply::Parse(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line.trimmed(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    if (!object.value(QLatin1String("class")).isString()) {
        return std::nullopt;
    }
    clsGpsdReply reply;
    reply.m_class = object.value(QLatin1String("class")).toString();
    reply.m_release = object.value(QLatin1String("release")).toString();
    reply.m_message = object.value(QLatin1String("message")).toString();
    for (const QJsonValue device : object.value(QLatin1String("devices")).toArray()) {
        const QString path = device.toObject().value(QLatin1String("path")).toString();
        if (!path.isEmpty()) {
            reply.m_devices.append(path);
        }
    }
    return reply;
}

QByteArray clsGpsdReply::WatchCommand(const QString& device) {
    QJsonObject watch{{QLatin1String("enable"), true}, {QLatin1String("nmea"), true}};
    if (!device.isEmpty()) {
        watch.insert(QLatin1String("device"), device);
    }
    return "?WATCH=" + QJsonDocument(watch).toJson(QJsonDocument::Compact) + '\n';
}
