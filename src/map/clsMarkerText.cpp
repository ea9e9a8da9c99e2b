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

// Room for one number's text as a position has it; the long way of a number far outside
// any position (the text without exponent of 1e308 or 5e-324) needs LongestNumber.
constexpr qsizetype NumberRoom = 32;
constexpr qsizetype LongestNumber = 352;

// Writes the shortest text of degrees at out (LongestNumber bytes free), as
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
    Q_ASSERT(text.size() <= LongestNumber);
    std::memcpy(out, text.constData(), static_cast<std::size_t>(text.size()));
    return out + text.size();
}

void AppendNumber(QByteArray& out, double degrees) {
    std::array<char, LongestNumber> text{};
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

// The UTF-8 of a field of a marker line whose text another program may have stored: a line
// feed would start a marker line of its own, a carriage return end the line early, and a
// "|" in the icon's field would move the popup; each becomes a blank.
QByteArray FieldBytes(const QString& text, bool withinIcon) {
    QByteArray bytes = text.toUtf8();
    for (char& c : bytes) {
        if (c == '\n' || c == '\r' || (withinIcon && c == '|')) {
            c = ' ';
        }
    }
    return bytes;
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

void clsMarkerText::AppendTrack(QByteArray& out, const clsTrackRecords& records,
                                qsizetype selected) const {
    // A line is its numbers, fixed texts of at most 64 bytes, the time, the popup's labels,
    // the compass name and the speed text; the buffer grows only when a line might not fit.
    // The first guess counts numbers as positions have them, each line asks for the most.
    constexpr qsizetype FixedRoom = 2 * LongestNumber + 64;
    qsizetype used = out.size();
    const auto reserve = [&](qsizetype room) {
        if (out.size() - used < room) {
            out.resize(std::max(out.size() * 3 / 2, used + room));
        }
        return out.data() + used;
    };
    reserve((records.Count() + 1) * (2 * NumberRoom + 64 + 40));
    for (qsizetype i = 0; i < records.Count(); ++i) {
        const clsTrackRecords::Fields f = records.FieldsAt(i);
        const QByteArray other = f.OtherTime ? f.OtherTime->toUtf8() : QByteArray();
        const QByteArray& compass = m_compassNames[modPrivate::DirectionPoint(f.Direction)];
        const QByteArray& speed = SpeedText(f.Speed);
        char* p = reserve(FixedRoom + other.size() + m_directionLabel.size() + compass.size() +
                          m_speedLabelBytes.size() + speed.size() + 19);
        char* const start = p;
        p = WriteNumber(p, f.NorthSouth == QLatin1String("S") ? -f.Latitude : f.Latitude);
        *p++ = '|';
        p = WriteNumber(p, f.EastWest == QLatin1String("W") ? -f.Longitude : f.Longitude);
        p = i == selected ? WriteBytes(p, "|C-Rv\\car") : WriteBytes(p, "|POI\\car");
        p = WriteBytes(p, HeadingSuffix(f.Direction).data(), 3);
        p = WriteBytes(p, ".gif|");
        p = f.OtherTime ? WriteBytes(p, other.constData(), other.size())
                        : WriteTime(p, f.TimeDigits);
        p = WriteBytes(p, m_directionLabel.constData(), m_directionLabel.size());
        p = WriteBytes(p, compass.constData(), compass.size());
        p = WriteBytes(p, m_speedLabelBytes.constData(), m_speedLabelBytes.size());
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
    out += FieldBytes(point.Kind, true);
    out += ".gif|";
    out += FieldBytes(point.Explanation, false);
    out += "\r\n";
}

QString clsMarkerText::SpeedCaption(const PositionFix& fix) const {
    return m_speedLabel + modPrivate::FormatSpeed(fix.Speed, m_speedUnit);
}

QString clsMarkerText::CaptionText(const PositionFix& fix) const {
    return QLatin1Char(' ') + fix.FixTime.trimmed() +
           (fix.Status == QLatin1String("A") ? m_realTime : m_lastLocation) + QLatin1Char(' ');
}
