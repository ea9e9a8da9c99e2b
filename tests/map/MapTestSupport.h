#pragma once

#include "tracking/PositionFix.h"

#include <QDir>
#include <QFile>
#include <QString>

// A program folder for the map's core tests: the English language file (compass names,
// speed unit, messages) and an empty carimage folder.
inline bool MakeMapFolder(const QString& dir) {
    return QFile::copy(QStringLiteral(STATION_SOURCE_DIR "/data/Language.ini"),
                       dir + QStringLiteral("/Language.ini")) &&
           QDir(dir).mkpath(QStringLiteral("carimage"));
}

inline QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A fix at latitude/longitude magnitudes with their hemisphere letters.
inline PositionFix MakeFix(const QString& time, double latitude, const char* northSouth,
                           double longitude, const char* eastWest, float speed, float direction,
                           const char* status = "A") {
    PositionFix fix;
    fix.FixTime = time;
    fix.Latitude = latitude;
    fix.NorthSouth = QLatin1String(northSouth);
    fix.Longitude = longitude;
    fix.EastWest = QLatin1String(eastWest);
    fix.Speed = speed;
    fix.Direction = direction;
    fix.Status = QLatin1String(status);
    return fix;
}
