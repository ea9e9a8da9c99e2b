#include "tracking/modNmeaDecoder.h"

#include "shell/modPrivate.h"

#include <QString>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace {

// Fields 0 to 8 of a sentence split at commas; the later fields are not used.
struct SentenceFields {
    static constexpr int Used = 9;
    std::array<QStringView, Used> Field;
    int Count = 0;

    bool Has(int index) const { return index < Count; }
};

SentenceFields SplitFields(QStringView sentence) {
    SentenceFields fields;
    qsizetype start = 0;
    while (fields.Count < SentenceFields::Used) {
        const qsizetype comma = sentence.indexOf(u',', start);
        const qsizetype end = comma < 0 ? sentence.size() : comma;
        fields.Field[fields.Count++] = sentence.sliced(start, end - start);
        if (comma < 0) {
            break;
        }
        start = comma + 1;
    }
    return fields;
}

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') {
        return u - u'0';
    }
    if (u >= u'a' && u <= u'f') {
        return u - u'a' + 10;
    }
    if (u >= u'A' && u <= u'F') {
        return u - u'A' + 10;
    }
    return -1;
}

// The numeric value of the characters of field from position from (counted from 0),
// read as a leading-number parse does; all-digit slices, the usual case, are read here
// without building a text.
double SliceValue(QStringView field, qsizetype from, qsizetype length) {
    const QStringView slice = field.mid(from, length);
    long long whole = 0;
    for (const QChar c : slice) {
        if (c.unicode() < u'0' || c.unicode() > u'9') {
            return modPrivate::Val(slice.toString());
        }
        whole = whole * 10 + (c.unicode() - u'0');
    }
    return static_cast<double>(whole);
}

// A decimal number held exactly: Digits * 10^Exponent.
struct Decimal {
    long long Digits = 0;
    int Exponent = 0;
};

// The slices are at most four characters long, so the shortest text that reads back
// as the same double holds exactly the digits that were parsed.
std::optional<Decimal> ExactDecimal(double v) {
    if (!std::isfinite(v)) {
        return std::nullopt;
    }
    if (v == std::trunc(v) && std::fabs(v) < 1e15) {
        return Decimal{static_cast<long long>(v), 0};
    }
    std::array<char, 40> text{};
    const auto [end, ec] =
        std::to_chars(text.data(), text.data() + text.size(), v, std::chars_format::scientific);
    if (ec != std::errc()) {
        return std::nullopt;
    }
    const char* p = text.data();
    const bool negative = *p == '-';
    p += negative ? 1 : 0;
    Decimal decimal;
    int fractionDigits = 0;
    bool inFraction = false;
    for (; p < end && *p != 'e'; ++p) {
        if (*p == '.') {
            inFraction = true;
            continue;
        }
        decimal.Digits = decimal.Digits * 10 + (*p - '0');
        fractionDigits += inFraction ? 1 : 0;
    }
    p += (p < end && p[1] == '+') ? 2 : 1;
    int exponent = 0;
    std::from_chars(p, end, exponent);
    decimal.Exponent = exponent - fractionDigits;
    decimal.Digits = negative ? -decimal.Digits : decimal.Digits;
    return decimal;
}

long long Pow10(int n) {
    long long p = 1;
    while (n-- > 0) {
        p *= 10;
    }
    return p;
}

// numerator / denominator (denominator > 0) to the nearest whole number, halves to even.
long long DivideHalfEven(long long numerator, long long denominator) {
    long long quotient = numerator / denominator;
    long long remainder = numerator % denominator;
    if (remainder < 0) {
        remainder += denominator;
        --quotient;
    }
    if (2 * remainder > denominator || (2 * remainder == denominator && (quotient & 1) != 0)) {
        ++quotient;
    }
    return quotient;
}

// degrees + minutes / 60 + fraction / 600000 rounded to 5 decimals, exact halves to the
// even digit. In units of 1e-5 degree that is (600000 degrees + 10000 minutes +
// fraction) / 6, worked out in whole numbers: binary floating point would round some
// exact halves the wrong way.
double Coordinate(double degrees, double minutes, double fraction) {
    constexpr int MaxShift = 12;
    constexpr long long MaxTerm = 1'000'000'000'000; // keeps the sum within 64 bits
    const std::array<std::optional<Decimal>, 3> parts = {
        ExactDecimal(degrees), ExactDecimal(minutes), ExactDecimal(fraction)};
    const std::array<long long, 3> weights = {600000, 10000, 1};
    const bool exact = std::all_of(parts.begin(), parts.end(), [](const auto& part) {
        return part && part->Exponent >= -MaxShift && part->Exponent <= MaxShift;
    });
    if (exact) {
        int scale = 0;
        for (const auto& part : parts) {
            scale = std::max(scale, -part->Exponent);
        }
        long long numerator = 0;
        bool fits = true;
        for (std::size_t i = 0; i < parts.size() && fits; ++i) {
            const int shift = parts[i]->Exponent + scale;
            fits = shift <= MaxShift && std::llabs(parts[i]->Digits) <= MaxTerm / Pow10(shift);
            numerator += fits ? parts[i]->Digits * Pow10(shift) * weights[i] : 0;
        }
        if (fits) {
            return static_cast<double>(DivideHalfEven(numerator, 6 * Pow10(scale))) / 1e5;
        }
    }
    // Only absurd slices ("9e99") come here; their degrees have no fifth decimal to keep.
    const double value = degrees + minutes / 60 + fraction / 600000;
    return std::fabs(value) < 1e10
               ? static_cast<double>(modPrivate::RoundHalfEven(value * 1e5)) / 1e5
               : value;
}

// Latitude (two degree digits) or longitude (three): degrees, two digits of minutes,
// the point, and the four digits after it.
double CoordinateField(QStringView field, qsizetype degreeDigits) {
    return Coordinate(SliceValue(field, 0, degreeDigits), SliceValue(field, degreeDigits, 2),
                      SliceValue(field, degreeDigits + 3, 4));
}

// A speed or course field as a 32-bit float. The whole field must be one decimal number
// ("." as the point, blanks around it allowed); anything else, "12abc" included, is not
// a number, as for the platform's own conversion, and the old value stays.
std::optional<float> FloatValue(QStringView field) {
    QStringView text = field.trimmed();
    if (text.startsWith(u'+') && !text.startsWith(u"+-")) {
        text = text.sliced(1);
    }
    std::array<char, 64> bytes{};
    if (text.isEmpty() || text.size() > static_cast<qsizetype>(bytes.size())) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool allowed = (c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'+' ||
                             c == u'e' || c == u'E';
        if (!allowed) {
            return std::nullopt;
        }
        bytes[static_cast<std::size_t>(i)] = static_cast<char>(c);
    }
    const char* end = bytes.data() + text.size();
    float value = 0;
    const auto [stop, ec] = std::from_chars(bytes.data(), end, value);
    if (ec != std::errc() || stop != end || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// Keeps the text that is already there when it does not change, so that decoding does
// not make a new "A", "N" or "E" for every sentence.
void AssignText(QString& target, QStringView text) {
    if (target != text) {
        target = text.toString();
    }
}

} // namespace

namespace modNmeaDecoder {

// A line damaged on the wire would otherwise put the vehicle where it never was.
bool ChecksumAgrees(QStringView sentence) {
    const qsizetype star = sentence.indexOf(u'*');
    if (star < 0 || star + 2 >= sentence.size()) {
        return true;
    }
    const int high = HexDigit(sentence[star + 1]);
    const int low = HexDigit(sentence[star + 2]);
    if (high < 0 || low < 0) {
        return true;
    }
    unsigned sum = 0;
    for (qsizetype i = sentence.first(star).indexOf(u'$') + 1; i < star; ++i) {
        sum ^= sentence[i].unicode();
    }
    return sum == static_cast<unsigned>(high * 16 + low);
}

// RMC, recommended minimum navigation data:
//
//   $GPRMC,134512,A,2502.1234,N,12134.5678,E,10.5,123.4,180209,3.1,W,A*31
//    0  $GPRMC      talker "GP" and the sentence's name "RMC"
//    1  134512      time of the fix, UTC, hhmmss or hhmmss.ss             not read
//    2  A           status: A valid fix, V receiver warning
//    3  2502.1234   latitude: two digits of degrees, minutes, decimals of minutes
//    4  N           N or S
//    5  12134.5678  longitude: three digits of degrees, minutes, decimals of minutes
//    6  E           E or W
//    7  10.5        speed over ground, knots
//    8  123.4       course over ground, degrees from true north
//    9  180209      date, ddmmyy                                          not read
//   10  3.1         magnetic variation, degrees                           not read
//   11  W           E or W of the variation                               not read
//   12  A           mode: A autonomous, D differential, E estimated,      not read
//                   N not valid (NMEA 2.3 and later)
//   *31             checksum, see ChecksumAgrees
//
// The station's own time stamps each fix, so neither time nor date is read. A receiver
// without a fix often sends fields 3 to 8 empty: the coordinates are then set to 0 and the
// letters to "", while speed and course, which are not numbers, stay unset.
RmcFields DecodeRmc(QStringView sentence) {
    const SentenceFields fields = SplitFields(sentence);
    RmcFields rmc;
    const QStringView name = fields.Field[0].startsWith(u'$') ? fields.Field[0].sliced(1)
                                                               : fields.Field[0];
    rmc.Talker = name.size() > 3 ? name.chopped(3) : QStringView();
    if (fields.Has(2)) {
        rmc.Status = fields.Field[2];
        rmc.Set |= StatusSet;
    }
    if (fields.Has(3)) {
        rmc.Latitude = CoordinateField(fields.Field[3], 2);
        rmc.Set |= LatitudeSet;
    }
    if (fields.Has(4)) {
        rmc.NorthSouth = fields.Field[4];
        rmc.Set |= NorthSouthSet;
    }
    if (fields.Has(5)) {
        rmc.Longitude = CoordinateField(fields.Field[5], 3);
        rmc.Set |= LongitudeSet;
    }
    if (fields.Has(6)) {
        rmc.EastWest = fields.Field[6];
        rmc.Set |= EastWestSet;
    }
    if (const auto speed = fields.Has(7) ? FloatValue(fields.Field[7]) : std::nullopt) {
        rmc.Speed = *speed;
        rmc.Set |= SpeedSet;
    }
    if (const auto course = fields.Has(8) ? FloatValue(fields.Field[8]) : std::nullopt) {
        rmc.Course = *course;
        rmc.Set |= CourseSet;
    }
    return rmc;
}

void RmcFields::ApplyTo(PositionFix& fix) const {
    if (Has(StatusSet)) {
        AssignText(fix.Status, Status);
    }
    if (Has(LatitudeSet)) {
        fix.Latitude = Latitude;
    }
    if (Has(NorthSouthSet)) {
        AssignText(fix.NorthSouth, NorthSouth);
    }
    if (Has(LongitudeSet)) {
        fix.Longitude = Longitude;
    }
    if (Has(EastWestSet)) {
        AssignText(fix.EastWest, EastWest);
    }
    if (Has(SpeedSet)) {
        fix.Speed = Speed;
    }
    if (Has(CourseSet)) {
        fix.Direction = Course;
    }
}

} // namespace modNmeaDecoder
