#pragma once

#include <QList>
#include <QString>

// Where the main window puts its map, list and control column for a given inner size.
// All lengths are twips.
class clsTrackLayout {
public:
    static constexpr int MinWidth = 6000;    // twips
    static constexpr int MinHeight = 4500;   // twips
    static constexpr int WholeLimit = 32767; // twips, the largest whole length kept
    static constexpr int ColumnWidth = 3855; // twips, the control column on the right

    // One control's place. Map-frame children are relative to the frame, the others to
    // the window. KeepsSize: only moved, Width and Height are not set.
    struct Placement {
        QString Control;
        double Left = 0;   // twips
        double Top = 0;    // twips
        double Width = 0;  // twips
        double Height = 0; // twips
        bool KeepsSize = false;
    };

    // W: the inner width as a whole number, at least MinWidth, at most WholeLimit.
    static int LayoutWidth(double innerWidth);
    // H: inner height less 120 and the status bar, whole, MinHeight to WholeLimit.
    static int LayoutHeight(double innerHeight, double statusBarHeight);

    // Every moved control in the order of moving: fraMap, WBMaps, fraTrackQuery, CmdPOI,
    // frmRecords, lblSpeed, labXY, DateView, imgZoomIn, imgZoomOut.
    static QList<Placement> Arrange(double innerWidth, double innerHeight, double statusBarHeight);
};
