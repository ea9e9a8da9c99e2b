#pragma once

#include "poi/DmsText.h"

#include <optional>

// Conversions between a coordinate in decimal degrees and the degree, minute and second
// boxes of the POI editor. A negative value keeps its sign on the degrees; the minutes and
// seconds are those of its magnitude, so a value goes out and back to where it was.
namespace modDms {

// Degrees (decimal) as boxes: -1.5 gives "-1", "30", "00"; 0 gives "0", "00", "00". Seconds
// are rounded half-even and carried, so minutes and seconds stay below 60.
DmsText DegreesToDms(double degrees);

// Boxes as decimal degrees, rounded to six decimals. The seconds count as their leading
// number (0 when there is none); nullopt when the degrees or the minutes are not a
// number, or any box holds nine or more digits before the point.
std::optional<double> DmsToDegrees(const DmsText& boxes);

// The first box of a row, minutes before seconds, that holds 60 or more: the minutes as a
// number, the seconds as their leading number. Such a row would be read as another place
// than the one typed. None when neither does (or the minutes are no number).
enum class Box { None, Minutes, Seconds };
Box SixtyOrMore(const DmsText& boxes);

} // namespace modDms
