#pragma once

// A rectangle on screen: a control's bounds or a window's outer bounds, in twips.
struct TwipsRect {
    double Left = 0;   // twips
    double Top = 0;    // twips
    double Width = 0;  // twips
    double Height = 0; // twips
};
