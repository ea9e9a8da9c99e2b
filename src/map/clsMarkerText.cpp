#include "map/clsMarkerText.h"

#include "shell/modKeys.h"
#include "shell/modPrivate.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace {

constexpr int CoordinateDigits = 15; // a general-number conversion of a 64-bit float

// Appends the shortest text of degrees, as modPrivate::NumberText writes it: a track of a
// day has 172,800 of them, and the general conversion straight into the bytes is several
// times quicker; the rare text with an exponent goes the long way.
void AppendNumber(QByteArray& out, double degrees) {
    std::array<char, 32> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), degrees,
                                            std::chars_format::general, CoordinateDigits);
    const std::string_view written(text.data(), static_cast<std::size_t>(end - text.data()));
    if (error != std::errc() || written.find('e') != std::string_view::npos || written == "-0" ||
        !std::isfinite(degrees)) {
        out += modPrivate::NumberText(degrees, CoordinateDigits).toLatin1();
        return;
    }
    out.append(written.data(), static_cast<qsizetype>(written.size()));
}

void AppendCoordinate(QByteArray& out, double degrees, const QString& hemisphere,
                      QLatin1String negativeLetter) {
    AppendNumber(out, hemisphere == negativeLetter ? -degrees : degrees);
}

// Appends text in UTF-8; a time text is plain ASCII and needs no conversion.
void AppendUtf8(QByteArray& out, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() >= 0x80) {
            out += text.toUtf8();
            return;
        }
    }
    for (QChar c : text) {
        out += static_cast<char>(c.unicode());
    }
}

} // namespace

clsMarkerText::clsMarkerText(const QString& programFolder)
    : m_speedUnit(modPrivate::ReadLanguage(programFolder, modKeys::Private::SpeedUnit)) {
    const clsProfileText language = modPrivate::LoadLanguage(programFolder);
    m_directionLabel =
        "<br>" + modPrivate::ReadLanguage(language, modKeys::Messages::DirectionLabel).toUtf8();
    m_speedLabel = modPrivate::ReadLanguage(language, modKeys::Messages::SpeedLabel);
    m_speedLabelBytes = "<br>" + m_speedLabel.toUtf8();
    m_realTime = modPrivate::ReadLanguage(language, modKeys::Messages::RealTimePosition);
    m_lastLocation = modPrivate::ReadLanguage(language, modKeys::Messages::LastLocation);
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

const QByteArray& clsMarkerText::SpeedText(float knots) const {
    quint32 bits = 0;
    std::memcpy(&bits, &knots, sizeof bits);
    auto [at, added] = m_speedTexts.try_emplace(bits);
    if (added) {
        at->second = modPrivate::FormatSpeed(knots, m_speedUnit).toUtf8();
    }
    return at->second;
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
    AppendUtf8(out, fix.FixTime);
    out += m_directionLabel;
    out += m_compassNames[modPrivate::DirectionPoint(fix.Direction)];
    out += m_speedLabelBytes;
    out += SpeedText(fix.Speed);
    out += "\r\n";
}

void clsMarkerText::AppendPoint(QByteArray& out, const CoordinateRecord& point) {
    AppendNumber(out, point.Y);
    out += '|';
    AppendNumber(out, point.X);
    out += "|House\\House";
    out += point.Kind.toUtf8();
    out += ".gif|";
    out += point.Explanation.toUtf8();
    out += "\r\n";
}

QString clsMarkerText::SpeedCaption(const PositionFix& fix) const {
    return m_speedLabel + modPrivate::FormatSpeed(fix.Speed, m_speedUnit);
}

QString clsMarkerText::CaptionText(const PositionFix& fix) const {
    return QLatin1Char(' ') + fix.FixTime.trimmed() +
           (fix.Status == QLatin1String("A") ? m_realTime : m_lastLocation) + QLatin1Char(' ');
}
