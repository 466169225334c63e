#pragma once
// The window's design, declared once: the window and tab control sizes and
// every control of the four tabs with its form name, kind, caption or
// default text, initial state and place. KML_Main builds its controls from
// this table and its layout test reads the same table, so a control is moved
// or renamed here and nowhere else.
//
// Places are in twips (1/1440 inch) from the top-left corner of the tab
// control, its tab row included; pixelRect gives the place on the screen.

#include <QRect>
#include <QSize>

#include <array>
#include <optional>

// Background colours that show where the user is on a road.
enum class StepColour {
    Red,        // #FF0000, the step to take next
    LightGrey,  // #E0E0E0, a step under way or taken
    ButtonFace, // the platform's button-face colour
    Light3D,    // the platform's 3-D light colour
};

struct Twips {
    int left, top, width, height;
};

// The window lays out at 96 dots per inch: 15 twips make a pixel.
constexpr int twipsToPixels(int twips) { return (twips + 7) / 15; }
QRect pixelRect(Twips place);

struct FormControl {
    enum class Kind { Button, Text, Label, Combo, Option, Check, Grid, Viewer };
    // How a control starts and looks beyond its kind; combined with |.
    enum Look : unsigned {
        Plain = 0,
        Disabled = 1,
        Bold = 2,         // a bold caption
        Checked = 4,      // an option button selected, a check box checked
        Globe = 8,        // the earth-viewer icon beside the caption
        LeftAligned = 16, // a label that reads from the left; captions stand right-aligned beside their field
        Wrapped = 32,     // a label whose caption wraps over its lines
    };

    const char* name; // the form name, also the widget's object name
    Kind kind;
    int tab;
    Twips place;
    const char* text = ""; // caption, or the default text of a text or combo box
    unsigned look = Plain;
    // A step button's starting colour; buttons without one keep the style's
    // own look, the others are drawn in the coloured-button look.
    std::optional<StepColour> step = std::nullopt;
    const char* toolTip = "";
};

// The client area of the window, its fixed size.
inline constexpr int formWidth = 6450, formHeight = 6030;
inline constexpr Twips tabControlPlace{120, 120, 6255, 5775};
// Tab captions by index: 0 the text road, 3 the seismic road.
inline constexpr std::array<const char*, 4> tabCaptions{"XY File input", "Data File", "Information",
                                                        "XY from SEGY/SU Header"};
// Font sizes in points: the controls, and the tab row and the viewer.
inline constexpr double controlPointSize = 8.25, largePointSize = 9.75;

// Every control of the tabs, tab by tab and on each tab from top to bottom:
// the order in which they are made, and so the order the Tab key follows.
extern const std::array<FormControl, 46> formControls;
