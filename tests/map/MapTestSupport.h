#pragma once

#include "tracking/PositionFix.h"

// A fix at latitude/longitude magnitudes with their hemisphere letters.
inline PositionFix MakeFix(const QString& time, double latitude, const char* northSouth,
                           double longitude, const char* eastWest, float speed, float direction,
                           const char* status = "A") {
    return {time, eastWest, longitude, northSouth, latitude, speed, direction, status};
}
