#include "shell/form_layout.h"

#include <QRect>

QRect pixelRect(Twips place)
{
    return {twipsToPixels(place.left), twipsToPixels(place.top), twipsToPixels(place.width),
            twipsToPixels(place.height)};
}

namespace {
using Kind = FormControl::Kind;
using Look = FormControl::Look;
} // namespace

// Captions and default texts exactly as the window shows them, blanks
// included ("XY Text  File selection", "Nb of samples/trace ").
// One control a row, as the form lists them: kept out of the formatter.
// clang-format off
const std::array<FormControl, 46> formControls{{
    // Tab 0, the text road.
    {"Command1", Kind::Button, 0, {480, 600, 2055, 375}, "XY Text  File selection", Look::Plain, StepColour::Red},
    {"Text1", Kind::Text, 0, {2760, 600, 3255, 375}},
    {"Label2", Kind::Label, 0, {1320, 1080, 1215, 255}, "File type"},
    {"Combo1", Kind::Combo, 0, {2760, 1080, 3255, 315}, "X,Y,Z"},
    {"Label1", Kind::Label, 0, {960, 1560, 1575, 255}, "Geographical type"},
    {"Combo2", Kind::Combo, 0, {2760, 1560, 3255, 315}, "UTM32"},
    {"Command2", Kind::Button, 0, {240, 2040, 2295, 375}, "KML File name", Look::Disabled},
    {"Text2", Kind::Text, 0, {2760, 2040, 3255, 375}},
    {"Label3", Kind::Label, 0, {1440, 2640, 1095, 255}, "Point label", Look::Plain, std::nullopt,
     "Legend of points displayed on Map"},
    {"Combo3", Kind::Combo, 0, {2760, 2640, 3255, 315}, "Station"},
    {"Command6", Kind::Button, 0, {240, 2760, 855, 615}, "HELP"},
    {"Label4", Kind::Label, 0, {1200, 3120, 1335, 360}, "Line label"},
    {"Text3", Kind::Text, 0, {2760, 3120, 3255, 405}, "Seismic line 1", Look::Plain, std::nullopt,
     "Label of points with number"},
    {"Label5", Kind::Label, 0, {360, 3720, 1575, 375}, "Label frequency"},
    {"Combo4", Kind::Combo, 0, {2760, 3720, 3255, 315}, "5"},
    {"Command9", Kind::Button, 0, {240, 4560, 1575, 855}, "Conversion", Look::Disabled | Look::Bold,
     StepColour::ButtonFace},
    {"Command10", Kind::Button, 0, {1920, 4560, 1575, 855}, "Write KML file", Look::Disabled | Look::Bold,
     StepColour::ButtonFace},
    {"Command11", Kind::Button, 0, {3600, 4560, 2415, 855}, "Display GOOGLE EARTH",
     Look::Disabled | Look::Bold | Look::Globe, StepColour::ButtonFace},

    // Tab 1, the converted points; tab 2, the manual and the files shown.
    {"VSFlexGrid1", Kind::Grid, 1, {480, 480, 4815, 4695}},
    {"RichTextBox1", Kind::Viewer, 2, {240, 480, 5775, 4095}},

    // Tab 3, the seismic road.
    {"Command7", Kind::Button, 3, {360, 600, 1815, 375}, "SEGY or SU file", Look::Plain, StepColour::Red},
    {"Text4", Kind::Text, 3, {2400, 600, 3015, 375}},
    {"Label14", Kind::Label, 3, {480, 1080, 1575, 375}, "KML output file"},
    {"Text8", Kind::Text, 3, {2400, 1080, 3015, 375}, "", Look::Plain, std::nullopt, "KML file name"},
    {"Label6", Kind::Label, 3, {480, 1560, 1815, 375}, "Header word for XY"},
    {"Combo5", Kind::Combo, 3, {2400, 1560, 3015, 315}, "X,Y receiver coordinate", Look::Plain, std::nullopt,
     "The trace-header words of X and Y: a pair of the list, or any two 32-bit words typed as "
     "\"X,Y at bytes 201,205\" (bytes 1 to 237 of the trace header)"},
    {"Label8", Kind::Label, 3, {480, 2040, 1695, 255}, "Scalar for coordinates"},
    {"Option1", Kind::Option, 3, {2400, 2040, 975, 255}, "Decimal", Look::Checked},
    {"Option2", Kind::Option, 3, {3480, 2040, 735, 255}, "Log"},
    {"Text7", Kind::Text, 3, {4560, 2040, 855, 285}, "1", Look::Plain, std::nullopt, "Scale"},
    {"Check1", Kind::Check, 3, {2400, 2400, 1215, 255}, "Swap bytes", Look::Checked},
    {"Label12", Kind::Label, 3, {3960, 2400, 1575, 255}, "Trace number", Look::LeftAligned},
    {"Label9", Kind::Label, 3, {600, 2760, 1695, 330}, "Nb of samples/trace "},
    {"Text5", Kind::Text, 3, {2400, 2760, 1215, 375}, "1000"},
    {"Text6", Kind::Text, 3, {3840, 2760, 1575, 375}, "Trace number", Look::Disabled},
    {"Label11", Kind::Label, 3, {720, 3240, 1455, 255}, "Point label"},
    {"Combo7", Kind::Combo, 3, {2400, 3240, 3015, 315}, "CDP", Look::Plain, std::nullopt,
     "The trace-header word that numbers the points: a word of the list, or any 32-bit word typed as "
     "\"Word at byte 5\" (bytes 1 to 237 of the trace header)"},
    {"Label7", Kind::Label, 3, {360, 3600, 1695, 375}, "Geodesic system  in seismic file header", Look::Wrapped},
    {"Combo6", Kind::Combo, 3, {2400, 3720, 3015, 315}, "UTM32"},
    {"Label13", Kind::Label, 3, {360, 4200, 1575, 375}, "Label frequency"},
    {"Combo8", Kind::Combo, 3, {2400, 4200, 735, 315}, "5"},
    {"Label10", Kind::Label, 3, {3240, 4200, 2655, 375}, "Conversion using Dravolen DLL", Look::LeftAligned},
    {"Command8", Kind::Button, 3, {240, 4680, 1695, 855}, "Extract XY and convert to Deg Dec", Look::Disabled,
     StepColour::Light3D},
    {"Command3", Kind::Button, 3, {2160, 4680, 1575, 855}, "Write KML file", Look::Disabled | Look::Bold,
     StepColour::Light3D},
    {"Command4", Kind::Button, 3, {3960, 4680, 2055, 855}, "GOOGLE EARTH", Look::Disabled | Look::Bold | Look::Globe,
     StepColour::Light3D},
    // Below the buttons, across the tab: what the last header read found, or
    // why the file could not be read.
    {"Label15", Kind::Label, 3, {240, 5550, 5775, 195}, "", Look::LeftAligned},
}};
// clang-format on
