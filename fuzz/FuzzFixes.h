#pragma once

// Fixes and points of interest of any values, as the station's readers can hand them on:
// a time as the station writes it or any text, letters of any text, any numbers.

#include "FuzzSupport.h"

#include "poi/CoordinateRecord.h"
#include "tracking/PositionFix.h"

#include <QList>

namespace FuzzSupport {

// No reader hands on a time with a line break: the log's reader takes only its own times.
inline QString AnyTime(FuzzedDataProvider& input) {
    if (input.ConsumeBool()) {
        return Latin1Text(input, 24).remove(u'\r').remove(u'\n');
    }
    const auto two = [&](int low, int high) {
        return QStringLiteral("%1").arg(input.ConsumeIntegralInRange<int>(low, high), 2, 10,
                                        QLatin1Char('0'));
    };
    const QString year = QString::number(input.ConsumeIntegralInRange<int>(1000, 9999));
    return year + u'/' + two(0, 13) + u'/' + two(0, 32) + u' ' + two(0, 25) + u':' + two(0, 60) +
           u':' + two(0, 61);
}

inline PositionFix AnyFix(FuzzedDataProvider& input) {
    PositionFix fix;
    fix.FixTime = AnyTime(input);
    fix.NorthSouth = input.ConsumeBool() ? QStringLiteral("S") : Utf8Text(input, 3);
    fix.Latitude = AnyDouble(input);
    fix.EastWest = input.ConsumeBool() ? QStringLiteral("W") : Utf8Text(input, 3);
    fix.Longitude = AnyDouble(input);
    fix.Speed = AnyFloat(input);
    fix.Direction = AnyFloat(input);
    fix.Status = Utf8Text(input, 3);
    return fix;
}

inline QList<PositionFix> AnyFixes(FuzzedDataProvider& input, int most) {
    QList<PositionFix> fixes;
    const int count = input.ConsumeIntegralInRange<int>(0, most);
    for (int i = 0; i < count && input.remaining_bytes() > 0; ++i) {
        fixes << AnyFix(input);
    }
    return fixes;
}

// Whether two fixes hold the same values, NaN included.
inline bool SameFix(const PositionFix& a, const PositionFix& b) {
    return a.FixTime == b.FixTime && a.NorthSouth == b.NorthSouth && a.EastWest == b.EastWest &&
           a.Status == b.Status && SameBits(a.Latitude, b.Latitude) &&
           SameBits(a.Longitude, b.Longitude) && SameBits(a.Speed, b.Speed) &&
           SameBits(a.Direction, b.Direction);
}

// Whether text reads as value to digits significant digits (a non-finite value: any text).
inline bool ReadsAs(const QByteArray& text, double value, double digits) {
    if (!std::isfinite(value)) {
        return true;
    }
    bool ok = false;
    const double read = text.toDouble(&ok);
    return ok && std::fabs(read - value) <= std::fabs(value) * std::pow(10.0, 1 - digits);
}

} // namespace FuzzSupport
