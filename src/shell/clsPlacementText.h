#pragma once

#include "shell/TwipsRect.h"

#include <QString>
#include <optional>

// The stored placement of a window: "state,left,top,width,height," with the state "0"
// for a normal and "2" for a maximised window and the outer bounds in twips.
class clsPlacementText {
public:
    enum class State { Normal, Maximised, Minimised };

    using Bounds = TwipsRect; // a window's outer bounds

    // What a stored value asks for. A hand-edited value may lack numbers: the position
    // is there only when left and top both are, the size only when width and height
    // both are and neither is below 1 twip.
    struct Placement {
        bool Maximised = false;
        std::optional<double> Left;   // twips
        std::optional<double> Top;    // twips
        std::optional<double> Width;  // twips
        std::optional<double> Height; // twips
        bool HasPosition() const { return Left && Top; }
        bool HasSize() const { return Width && Height; }
    };

    // ",left,top,width,height," with each number as the shortest text of a
    // single-precision value, "." as the point.
    static QString BoundsText(const Bounds& outer);

    // The value to store when the window closes, or nothing for a minimised window.
    // A maximised window keeps the normal bounds stored before and only changes the
    // state; with no stored value it stores its maximised bounds.
    static std::optional<QString> ForSaving(State state, const Bounds& outer,
                                            const QString& stored);

    // Reads a stored value; an empty one gives nothing (the window keeps its bounds).
    static std::optional<Placement> Parse(const QString& value);
};
