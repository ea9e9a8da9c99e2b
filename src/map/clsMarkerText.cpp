#include "map/clsMarkerText.h"

#include "shell/modKeys.h"
#include "shell/modPrivate.h"
#include "tracking/clsTrackRecords.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace {

constexpr int CoordinateDigits = 15; // a general-number conversion of a 64-bit float

// Room for one number's text, whichever way it is written.
constexpr qsizetype NumberRoom = 32;

// Writes the shortest text of degrees at out (NumberRoom bytes free), as
// modPrivate::NumberText writes it, and returns its end: a track of a day has 172,800 of
// them, and the general conversion straight into the bytes is several times quicker; the
// rare text with an exponent goes the long way.
char* WriteNumber(char* out, double degrees) {
    // The shortest text that reads back as the same number is the 15-digit one whenever it
    // has no more than 15 digits, and it is several times quicker to make; a position as
    // decoded has at most eight.
    const auto [shortEnd, shortError] =
        std::to_chars(out, out + NumberRoom, degrees, std::chars_format::general);
    if (shortError == std::errc() && std::isfinite(degrees)) {
        int digits = 0;
        bool leading = true, plain = true;
        for (const char* c = out; c != shortEnd; ++c) {
            plain = plain && *c != 'e';
            leading = leading && (*c == '0' || *c == '.' || *c == '-');
            digits += !leading && *c >= '0' && *c <= '9' ? 1 : 0;
        }
        if (plain && digits <= CoordinateDigits && !(shortEnd - out == 2 && out[0] == '-')) {
            return shortEnd;
        }
    }
    const auto [end, error] =
        std::to_chars(out, out + NumberRoom, degrees, std::chars_format::general, CoordinateDigits);
    const std::string_view written(out, error == std::errc() ? std::size_t(end - out) : 0);
    if (error == std::errc() && written.find('e') == std::string_view::npos && written != "-0" &&
        std::isfinite(degrees)) {
        return end;
    }
    const QByteArray text = modPrivate::NumberText(degrees, CoordinateDigits).toLatin1();
    const qsizetype size = std::min<qsizetype>(text.size(), NumberRoom);
    std::memcpy(out, text.constData(), static_cast<std::size_t>(size));
    return out + size;
}

void AppendNumber(QByteArray& out, double degrees) {
    std::array<char, NumberRoom> text{};
    out.append(text.data(), WriteNumber(text.data(), degrees) - text.data());
}

char* WriteBytes(char* out, const char* bytes, qsizetype size) {
    std::memcpy(out, bytes, static_cast<std::size_t>(size));
    return out + size;
}

template <std::size_t N> char* WriteBytes(char* out, const char (&literal)[N]) {
    return WriteBytes(out, literal, N - 1);
}

// "yyyy/mm/dd hh:mm:ss" of its fourteen digits.
char* WriteTime(char* out, qint64 digits) {
    static constexpr std::array<int, 14> places = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18};
    std::memcpy(out, "0000/00/00 00:00:00", 19);
    for (auto place = places.rbegin(); place != places.rend(); ++place) {
        out[*place] = static_cast<char>('0' + digits % 10);
        digits /= 10;
    }
    return out + 19;
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
    out += "<br>Direction:";
    out += m_compassNames[modPrivate::DirectionPoint(fix.Direction)];
    out += "<br>Speed:";
    out += SpeedText(fix.Speed);
    out += "\r\n";
}

void clsMarkerText::AppendTrack(QByteArray& out, const clsTrackRecords& records,
                                qsizetype selected) const {
    // A line is its numbers, fixed texts of at most 64 bytes, the time, the compass name and
    // the speed text; the buffer grows only when a line might not fit.
    constexpr qsizetype FixedRoom = 2 * NumberRoom + 64;
    qsizetype used = out.size();
    const auto reserve = [&](qsizetype room) {
        if (out.size() - used < room) {
            out.resize(std::max(out.size() * 3 / 2, used + room));
        }
        return out.data() + used;
    };
    reserve((records.Count() + 1) * (FixedRoom + 40));
    for (qsizetype i = 0; i < records.Count(); ++i) {
        const clsTrackRecords::Fields f = records.FieldsAt(i);
        const QByteArray other = f.OtherTime ? f.OtherTime->toUtf8() : QByteArray();
        const QByteArray& compass = m_compassNames[modPrivate::DirectionPoint(f.Direction)];
        const QByteArray& speed = SpeedText(f.Speed);
        char* p = reserve(FixedRoom + other.size() + compass.size() + speed.size() + 19);
        char* const start = p;
        p = WriteNumber(p, f.NorthSouth == QLatin1String("S") ? -f.Latitude : f.Latitude);
        *p++ = '|';
        p = WriteNumber(p, f.EastWest == QLatin1String("W") ? -f.Longitude : f.Longitude);
        p = i == selected ? WriteBytes(p, "|C-Rv\\car") : WriteBytes(p, "|POI\\car");
        p = WriteBytes(p, HeadingSuffix(f.Direction).data(), 3);
        p = WriteBytes(p, ".gif|");
        p = f.OtherTime ? WriteBytes(p, other.constData(), other.size())
                        : WriteTime(p, f.TimeDigits);
        p = WriteBytes(p, "<br>Direction:");
        p = WriteBytes(p, compass.constData(), compass.size());
        p = WriteBytes(p, "<br>Speed:");
        p = WriteBytes(p, speed.constData(), speed.size());
        p = WriteBytes(p, "\r\n");
        used += p - start;
    }
    out.resize(used);
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
    return QStringLiteral("Speed:") + modPrivate::FormatSpeed(fix.Speed, m_speedUnit);
}
