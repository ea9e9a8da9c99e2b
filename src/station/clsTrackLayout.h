#pragma once

#include "shell/TwipsRect.h"

// Where the main window puts its map, list and control column for a given inner size.
// All lengths are twips.
class clsTrackLayout {
public:
    static constexpr int MinWidth = 6000;    // twips
    static constexpr int MinHeight = 4500;   // twips
    static constexpr int WholeLimit = 32767; // twips, the largest whole length kept
    static constexpr int ColumnWidth = 3855; // twips, the control column on the right
    static constexpr int ZoomSize = 390;     // twips, the side of a zoom picture

    using Rect = TwipsRect; // a control's bounds
    // A control that is only moved and keeps its size, in twips.
    struct Spot {
        double Left = 0;
        double Top = 0;
    };

    // One place per control, named after it. The map frame's children (WBMaps, lblSpeed,
    // labXY and the zoom pictures) are relative to the frame, the others to the window.
    struct Placements {
        Rect fraMap;
        Rect WBMaps;
        Rect fraTrackQuery;
        Rect CmdPOI;
        Rect frmRecords;
        Spot lblSpeed;
        Spot labXY;
        Rect DateView;
        Rect imgZoomIn;
        Rect imgZoomOut;
        Rect fraChart; // the speed chart's pane; empty while it is closed
    };

    // W: the inner width as a whole number, at least MinWidth, at most WholeLimit.
    static int LayoutWidth(double innerWidth);
    // H: inner height less 120 and the status bar, whole, MinHeight to WholeLimit.
    static int LayoutHeight(double innerHeight, double statusBarHeight);

    // The places for a window of this inner size. The zoom pictures stand whole inside
    // the map frame's right edge rather than straddling it. With the chart open, its pane
    // takes the lower ChartShare of the map frame's height (less a gap of 50), and the map
    // frame with its children the rest; the list and the column stay where they are.
    static constexpr double ChartShare = 0.4;
    static Placements Arrange(double innerWidth, double innerHeight, double statusBarHeight,
                              bool chart = false);

    // What the controls need to be whole and usable: the map frame's width (the labels
    // beside the map), the history frame's height (its controls and the playback frame)
    // and the list's height (its heading and a few rows), in twips.
    struct Needs {
        double MapFrameWidth = 0;
        double RecordsHeight = 0;
        double ListHeight = 0;
    };
    struct InnerSize {
        double Width = 0;
        double Height = 0;
    };
    // The smallest whole inner size for which Arrange gives each control at least what it
    // needs; Arrange itself places every size as before, also the smaller ones.
    static InnerSize SmallestInner(const Needs& needs, double statusBarHeight);
};
