#include "poi/modDms.h"

#include "shell/modPrivate.h"

#include <cmath>

namespace {

// Beyond this no box means a coordinate, and the whole-number steps below stay exact.
constexpr double Limit = 1e9;

QString TwoDigits(long long v) {
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

// The text as a number ("." as the point); nullopt when it is none or beyond the limit.
std::optional<double> Number(const QString& text) {
    bool ok = false;
    const double v = text.toDouble(&ok);
    return ok && std::fabs(v) < Limit ? std::optional<double>(v) : std::nullopt;
}

} // namespace

namespace modDms {

DmsText DegreesToDms(double degrees) {
    if (!std::isfinite(degrees) || degrees == 0) {
        return {QStringLiteral("0"), QStringLiteral("00"), QStringLiteral("00")};
    }
    const modPrivate::DegreeParts parts = modPrivate::SplitDegrees(std::fabs(degrees));
    const QString sign = degrees < 0 ? QStringLiteral("-") : QString();
    return {sign + QString::number(parts.Degrees, 'f', 0), TwoDigits(parts.Minutes),
            TwoDigits(parts.Seconds)};
}

std::optional<double> DmsToDegrees(const DmsText& boxes) {
    const QString degreesText = boxes.Degrees.trimmed();
    const std::optional<double> degrees = Number(degreesText);
    const std::optional<double> minutes = Number(boxes.Minutes.trimmed());
    const double seconds = modPrivate::Val(boxes.Seconds.trimmed());
    if (!degrees || !minutes || !(std::fabs(seconds) < Limit)) {
        return std::nullopt;
    }
    // Ten-thousandths of a minute, then millionths of a degree.
    const long long f = modPrivate::RoundHalfEven(seconds / 0.6 * 100);
    const long long g = modPrivate::RoundHalfEven((*minutes * 10000 + f) / 0.6);
    // The sign is read from the text: "-0" with 30 minutes is half a degree south or west.
    const bool negative = degreesText.startsWith(QLatin1Char('-'));
    const double magnitude =
        static_cast<double>(modPrivate::RoundHalfEven(std::fabs(*degrees) * 1000000 + g)) / 1000000;
    return negative ? -magnitude : magnitude;
}

Box SixtyOrMore(const DmsText& boxes) {
    constexpr double Sixty = 60;
    const std::optional<double> minutes = Number(boxes.Minutes.trimmed());
    if (minutes && *minutes >= Sixty) {
        return Box::Minutes;
    }
    return modPrivate::Val(boxes.Seconds.trimmed()) >= Sixty ? Box::Seconds : Box::None;
}

} // namespace modDms
