#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// One JSON reply of gpsd (a line that starts with "{"), as far as the station uses it:
// which class of reply it is, gpsd's release, the devices it serves and an error's text.
class clsGpsdReply {
public:
    // The reply that line holds (its line end may still be there); nothing when line is
    // not a JSON object with a "class" text.
    static std::optional<clsGpsdReply> Parse(const QByteArray& line);

    // Whether line is a JSON reply of gpsd rather than a relayed sentence.
    static bool IsReply(const QByteArray& line) { return line.startsWith('{'); }

    // The command that asks gpsd to relay the NMEA sentences of device (every device when
    // device is empty), with its line end.
    static QByteArray WatchCommand(const QString& device);

    // "VERSION", "DEVICES", "WATCH", "ERROR", ...
    const QString& Class() const { return m_class; }
    bool IsVersion() const { return m_class == QLatin1String("VERSION"); }
    bool IsError() const { return m_class == QLatin1String("ERROR"); }
    // "release" of a VERSION reply.
    const QString& Release() const { return m_release; }
    // "message" of an ERROR reply.
    const QString& Message() const { return m_message; }
    // The "path" of every device of a DEVICES reply.
    const QStringList& Devices() const { return m_devices; }

private:
    QString m_class;
    QString m_release;
    QString m_message;
    QStringList m_devices;
};
