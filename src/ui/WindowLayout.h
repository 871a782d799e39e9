#pragma once
// Where the main window's controls stand, in twips (1440 to the inch), and how they move when
// the window is resized. Pure arithmetic, so tests can lay out any window size.

#include <array>
#include <optional>

namespace glanmail::ui {

struct TwipRect {
    double left = 0, top = 0, width = 0, height = 0;
    bool operator==(const TwipRect& o) const {
        return left == o.left && top == o.top && width == o.width && height == o.height;
    }
};

// Window size of the layout's reference (outer size, frame and menu bar included).
inline constexpr double kReferenceWidth = 10995;
inline constexpr double kMinimumHeight = 8100;
// Outer size minus client size: frame, title bar and menu bar of the design.
inline constexpr double kFrameWidth = 120;
inline constexpr double kFrameHeight = 780;

struct WindowGeometry {
    // Relative to the client area; buttons in a frame relative to their frame.
    TwipRect fraOpen, cmdOpen, fraGrouping, cmdGrouping, fraAllRecord, cmdAllTxt, cmdAllNws, fraModRecord, cmdModTxt,
        cmdModNws, fraPrinting, cmdPrint, lblLvw, lvwMessages, cmdDown, cmdUp, lblGrouping, lblTxt, txtSubject, txtBody,
        txtEnd, Bar, statBar;
    std::array<double, 5> columns{}; // "Objet", "Émetteur", "Date", "Dates pour tri", "ID"
    std::array<double, 6> panels{};  // the status bar's panels, left to right
};

// The places of the design.
WindowGeometry DesignGeometry();

struct ResizeResult {
    WindowGeometry geometry;
    std::optional<double> correctedHeight; // the minimum height, when the window is below it
};

// The window resized to an outer size of width × height twips, from the places it has.
// Below the reference width nothing moves sideways; below the minimum height the height is
// corrected (the window is then laid out again at that height). A minimised window keeps all.
ResizeResult FormResize(const WindowGeometry& current, double width, double height, bool minimised = false);

// The least height the text keeps when the list is given more rows.
inline constexpr double kLeastBodyHeight = 600;

// The layout with the list `extra` twips taller, taken from the text below it: the controls
// between them move down, the text's bottom stays. The extra is bounded by 0 and by what the
// text can give; with 0 the layout is the one given.
WindowGeometry WithListExtra(const WindowGeometry& g, double extra);
// The extra that WithListExtra uses for a wish, within its bounds.
double BoundedListExtra(const WindowGeometry& g, double extra);

// Twips to whole pixels at the given dots per inch.
int Pixels(double twips, double dpi);
// Pixels to twips at the given dots per inch.
double Twips(int pixels, double dpi);

} // namespace glanmail::ui
