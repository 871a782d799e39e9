#include "ui/WindowLayout.h"

#include <algorithm>
#include <cmath>

namespace glanmail::ui {

WindowGeometry DesignGeometry() {
    WindowGeometry g;
    const TwipRect button{100, 200, 1050, 700};
    const TwipRect secondButton{1320, 200, 1050, 700};
    g.fraOpen = {120, 0, 1280, 1000};
    g.cmdOpen = button;
    g.fraGrouping = {1450, 0, 1280, 1000};
    g.cmdGrouping = button;
    g.fraAllRecord = {3010, 0, 2480, 1000};
    g.cmdAllTxt = button;
    g.cmdAllNws = secondButton;
    g.fraModRecord = {5810, 0, 2480, 1000};
    g.cmdModTxt = button;
    g.cmdModNws = secondButton;
    g.fraPrinting = {9465, 0, 1280, 1000};
    g.cmdPrint = button;
    g.lblLvw = {240, 1045, 9400, 255};
    g.lvwMessages = {120, 1300, 10625, 2200};
    g.cmdDown = {9910, 3580, 350, 350};
    g.cmdUp = {10395, 3580, 350, 350};
    g.lblGrouping = {5400, 3600, 4200, 350};
    g.lblTxt = {240, 3745, 4000, 255};
    g.txtSubject = {120, 4000, 10625, 300};
    g.txtBody = {120, 4400, 10625, 2550};
    g.txtEnd = {7600, 7060, 3250, 225};
    g.Bar = {7600, 7060, 3250, 225};
    g.statBar = {0, 7020, 10875, 300};
    g.columns = {6510.04, 2000, 1800, 0, 0};
    g.panels = {1800, 3009.82, 1874.9, 599.8, 200.1, 3300};
    return g;
}

ResizeResult FormResize(const WindowGeometry& current, double width, double height, bool minimised) {
    ResizeResult r{current, std::nullopt};
    if (minimised) {
        return r;
    }
    WindowGeometry& g = r.geometry;
    if (width >= kReferenceWidth) {
        g.fraAllRecord.left = width - 7985;
        g.fraModRecord.left = width - 5185;
        g.fraPrinting.left = width - 1530;
        g.cmdDown.left = width - 1085;
        g.cmdUp.left = width - 600;
        g.txtEnd.left = g.Bar.left = width - 3395;
        g.lvwMessages.width = g.txtSubject.width = g.txtBody.width = width - 370;
        g.columns[0] = width - 4484.96;
        g.panels[1] = width - 7985.18;
    }
    // The status bar lies along the bottom edge of the client area, whatever its size.
    const double laidOutHeight = height < kMinimumHeight ? kMinimumHeight : height;
    g.statBar.top = laidOutHeight - kFrameHeight - g.statBar.height;
    g.statBar.width = (width > kReferenceWidth ? width : kReferenceWidth) - kFrameWidth;
    if (height < kMinimumHeight) {
        r.correctedHeight = kMinimumHeight;
    } else {
        g.txtBody.height = height - 5550;
        g.txtEnd.top = g.Bar.top = height - 1070;
    }
    return r;
}

double BoundedListExtra(const WindowGeometry& g, double extra) {
    return std::clamp(extra, 0.0, std::max(0.0, g.txtBody.height - kLeastBodyHeight));
}

WindowGeometry WithListExtra(const WindowGeometry& g, double extra) {
    const double e = BoundedListExtra(g, extra);
    WindowGeometry r = g;
    r.lvwMessages.height += e;
    for (TwipRect* below : {&r.cmdDown, &r.cmdUp, &r.lblGrouping, &r.lblTxt, &r.txtSubject, &r.txtBody}) {
        below->top += e;
    }
    r.txtBody.height -= e;
    return r;
}

int Pixels(double twips, double dpi) {
    return static_cast<int>(std::lround(twips * dpi / 1440.0));
}

double Twips(int pixels, double dpi) {
    return pixels * 1440.0 / dpi;
}

} // namespace glanmail::ui
