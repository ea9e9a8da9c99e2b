#pragma once

#include <QString>
#include <optional>

// The map's zoom level, kept as the caption of the zoom label: a whole number from
// Farthest to Nearest.
namespace modMapZoom {

inline constexpr int Farthest = 4;
inline constexpr int Nearest = 18;
// The level every start begins with; the stored level is not read back.
inline constexpr int StartZoom = 15;

// The level after one click on a zoom picture (step +1 in, -1 out) from the caption's
// level, or nothing at the end of the range.
std::optional<int> Stepped(const QString& caption, int step);
// The level the operator zoomed to inside the page, or nothing when it is the caption's
// level already or outside the range.
std::optional<int> Chosen(const QString& caption, int level);

} // namespace modMapZoom
