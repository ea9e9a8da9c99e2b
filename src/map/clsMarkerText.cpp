#include "map/clsMarkerText.h"

#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <cmath>

namespace {

constexpr int CoordinateDigits = 15; // a general-number conversion of a 64-bit float

void AppendCoordinate(QByteArray& out, double degrees, const QString& hemisphere,
                      QLatin1String negativeLetter) {
    out += clsMarkerText::SignedCoordinate(degrees, hemisphere, negativeLetter).toLatin1();
}

} // namespace

clsMarkerText::clsMarkerText(const QString& programFolder)
    : m_speedUnit(modPrivate::ReadLanguage(programFolder, modKeys::Private::SpeedUnit)) {
    for (int point = 0; point < 8; ++point) {
        m_compassNames[point] =
            modPrivate::DirectionName(programFolder, float(point * 45)).toUtf8();
    }
}

QLatin1String clsMarkerText::HeadingSuffix(float direction) {
    static constexpr std::array<const char*, 8> suffixes = {"000", "045", "090", "135",
                                                            "180", "225", "270", "315"};
    const float quotient = direction / 45.0f;
    const long long sector = modPrivate::RoundHalfEven(static_cast<double>(quotient));
    return QLatin1String(suffixes[((sector % 8) + 8) % 8]);
}

QString clsMarkerText::SignedCoordinate(double degrees, const QString& hemisphere,
                                        QLatin1String negativeLetter) {
    return modPrivate::NumberText(hemisphere == negativeLetter ? -degrees : degrees,
                                  CoordinateDigits);
}

const QByteArray& clsMarkerText::CompassName(float direction) const {
    // The compass name follows the same sectors as the heading suffix.
    const int point = static_cast<int>(modPrivate::Val(modPrivate::DirectionCode(direction))) - 2;
    return m_compassNames[((point % 8) + 8) % 8];
}

void clsMarkerText::AppendVehicle(QByteArray& out, const PositionFix& fix,
                                  QLatin1String iconFolder) const {
    AppendCoordinate(out, fix.Latitude, fix.NorthSouth, QLatin1String("S"));
    out += '|';
    AppendCoordinate(out, fix.Longitude, fix.EastWest, QLatin1String("W"));
    out += '|';
    out += iconFolder;
    out += "\\car";
    out += HeadingSuffix(fix.Direction);
    out += ".gif|";
    out += fix.FixTime.toUtf8();
    out += "<br>Direction:";
    out += CompassName(fix.Direction);
    out += "<br>Speed:";
    out += modPrivate::FormatSpeed(fix.Speed, m_speedUnit).toUtf8();
    out += "\r\n";
}

void clsMarkerText::AppendPoint(QByteArray& out, const CoordinateRecord& point) {
    out += modPrivate::NumberText(point.Y, CoordinateDigits).toLatin1();
    out += '|';
    out += modPrivate::NumberText(point.X, CoordinateDigits).toLatin1();
    out += "|House\\House";
    out += point.Kind.toUtf8();
    out += ".gif|";
    out += point.Explanation.toUtf8();
    out += "\r\n";
}

QString clsMarkerText::SpeedCaption(const PositionFix& fix) const {
    return QStringLiteral("Speed:") + modPrivate::FormatSpeed(fix.Speed, m_speedUnit);
}
