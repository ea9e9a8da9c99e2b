#include "station/clsTrackLayout.h"

#include "shell/modPrivate.h"

#include <algorithm>
#include <cmath>

namespace {

int whole(double v, int least) {
    const double bounded =
        std::isnan(v) ? least : std::clamp(v, double(least), double(clsTrackLayout::WholeLimit));
    return static_cast<int>(modPrivate::RoundHalfEven(bounded));
}

} // namespace

int clsTrackLayout::LayoutWidth(double innerWidth) {
    return whole(innerWidth, MinWidth);
}

int clsTrackLayout::LayoutHeight(double innerHeight, double statusBarHeight) {
    return whole(innerHeight - 120 - statusBarHeight, MinHeight);
}

clsTrackLayout::InnerSize clsTrackLayout::SmallestInner(const Needs& needs,
                                                       double statusBarHeight) {
    // The inverse of Arrange's arithmetic: W - 4155 for the map frame, and of H the
    // history frame's H - 3260 and the list's (H - 50) x 0.25.
    const double width = std::max<double>(MinWidth, std::ceil(needs.MapFrameWidth) + 4155);
    const double height =
        std::max({double(MinHeight), std::ceil(needs.RecordsHeight) + 2295 + 615 + 350,
                  std::ceil(needs.ListHeight * 4 + 50)});
    return {std::min<double>(width, WholeLimit),
            std::min<double>(height, WholeLimit) + 120 + statusBarHeight};
}

clsTrackLayout::Placements clsTrackLayout::Arrange(double innerWidth, double innerHeight,
                                                   double statusBarHeight, bool chart) {
    const int W = LayoutWidth(innerWidth);
    const int H = LayoutHeight(innerHeight, statusBarHeight);

    Placements p;
    const double mapArea = (H - 50) * 0.75;
    p.fraMap = {50, 50, double(W - 4155), chart ? mapArea * (1 - ChartShare) : mapArea};
    if (chart) {
        p.fraChart = {50, p.fraMap.Height + 100, p.fraMap.Width, mapArea * ChartShare - 50};
    }
    p.WBMaps = {50, 300, p.fraMap.Width - 50, p.fraMap.Height - 650};
    p.fraTrackQuery = {p.fraMap.Width + 150, 50, ColumnWidth, 2295};
    p.CmdPOI = {p.fraMap.Width + 1350, p.fraTrackQuery.Height + 150, 1555, 615};
    p.frmRecords = {p.fraMap.Width + 150, p.CmdPOI.Top + p.CmdPOI.Height + 150, ColumnWidth,
                    H - p.fraTrackQuery.Height - p.CmdPOI.Height - 350};
    p.lblSpeed = {p.fraMap.Width - 2000, p.WBMaps.Height + 400};
    p.labXY = {p.fraMap.Width - 4500, p.WBMaps.Height + 400};
    p.DateView = {0, mapArea + 160, double(W - 4155), (H - 50) * 0.25};
    const double zoomLeft = p.fraMap.Width - ZoomSize - 50;
    p.imgZoomIn = {zoomLeft, 260, ZoomSize, ZoomSize};
    p.imgZoomOut = {zoomLeft, p.fraMap.Height - ZoomSize, ZoomSize, ZoomSize};
    return p;
}
