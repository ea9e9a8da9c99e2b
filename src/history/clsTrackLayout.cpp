#include "clsTrackLayout.h"

#include "modPrivate.h"

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

QList<clsTrackLayout::Placement> clsTrackLayout::Arrange(double innerWidth, double innerHeight,
                                                         double statusBarHeight) {
    const int W = LayoutWidth(innerWidth);
    const int H = LayoutHeight(innerHeight, statusBarHeight);

    const Placement map{QStringLiteral("fraMap"), 50, 50, double(W - 4155), (H - 50) * 0.75};
    const Placement browser{QStringLiteral("WBMaps"), 50, 300, map.Width - 50, map.Height - 650};
    const Placement query{QStringLiteral("fraTrackQuery"), map.Width + 150, 50, ColumnWidth, 2295};
    const Placement poi{QStringLiteral("CmdPOI"), map.Width + 1350, query.Height + 150, 1555, 615};
    const Placement records{QStringLiteral("frmRecords"), map.Width + 150,
                            poi.Top + poi.Height + 150, ColumnWidth,
                            H - query.Height - poi.Height - 350};
    const Placement speed{
        QStringLiteral("lblSpeed"), map.Width - 2000, browser.Height + 400, 0, 0, true};
    const Placement xy{QStringLiteral("labXY"), map.Width - 4500, browser.Height + 400, 0, 0, true};
    const Placement list{QStringLiteral("DateView"), 0, map.Height + 160, double(W - 4155),
                         (H - 50) * 0.25};
    const Placement zoomIn{QStringLiteral("imgZoomIn"), map.Width - 310, 260, 390, 390};
    const Placement zoomOut{QStringLiteral("imgZoomOut"), map.Width - 310, map.Height - 390, 390,
                            390};
    return {map, browser, query, poi, records, speed, xy, list, zoomIn, zoomOut};
}
