#include "map/modMapZoom.h"

#include "shell/modPrivate.h"

namespace modMapZoom {

std::optional<int> Stepped(const QString& caption, int step) {
    const double level = modPrivate::Val(caption);
    if (step > 0 ? level < Nearest : level > Farthest) {
        return static_cast<int>(level) + step;
    }
    return std::nullopt;
}

std::optional<int> Chosen(const QString& caption, int level) {
    if (level < Farthest || level > Nearest || level == modPrivate::Val(caption)) {
        return std::nullopt;
    }
    return level;
}

} // namespace modMapZoom
