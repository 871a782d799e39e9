// The window's layout rules in twips, and the real window following them in pixels.
#include "ui/WindowLayout.h"

#include "WindowTestSupport.h"

namespace glanmail {
namespace {

using ui::DesignGeometry;
using ui::FormResize;

// At the reference size every control stands at its design place but the end box and the bar,
// which follow the bottom edge.
TEST(WindowLayoutTest, TheReferenceSizeGivesTheDesignPlacesButTheEndBoxTop) {
    const ui::ResizeResult r = FormResize(DesignGeometry(), 10995, 8100);
    EXPECT_FALSE(r.correctedHeight);
    ui::WindowGeometry expected = DesignGeometry();
    expected.txtEnd.top = expected.Bar.top = 7030;
    const ui::WindowGeometry& g = r.geometry;
    using G = ui::WindowGeometry;
    for (ui::TwipRect G::*rect : {&G::fraAllRecord, &G::fraModRecord, &G::fraPrinting, &G::cmdDown, &G::cmdUp,
                                  &G::lvwMessages, &G::txtSubject, &G::txtBody, &G::txtEnd, &G::Bar, &G::statBar}) {
        const ui::TwipRect& got = g.*rect;
        EXPECT_TRUE(got == expected.*rect) << got.left << " " << got.top << " " << got.width << " " << got.height;
    }
    for (std::size_t i = 0; i < g.columns.size(); ++i) {
        EXPECT_NEAR(g.columns[i], expected.columns[i], 1e-9);
    }
    for (std::size_t i = 0; i < g.panels.size(); ++i) {
        EXPECT_NEAR(g.panels[i], expected.panels[i], 1e-9);
    }
}

// Wider and taller: the right-hand controls move, the list and texts widen, the text grows;
// narrower keeps the places, lower than the least height is corrected, minimised keeps all.
TEST(WindowLayoutTest, ResizingMovesAndGrowsTheControls) {
    const ui::WindowGeometry wide = FormResize(DesignGeometry(), 12995, 9100).geometry;
    const ui::WindowGeometry narrow = FormResize(wide, 9000, 9100).geometry;
    const ui::WindowGeometry minimised = FormResize(wide, 3000, 500, true).geometry;
    const ui::ResizeResult low = FormResize(wide, 10995, 6000);
    const double corrected = low.correctedHeight.value_or(0);
    const ui::WindowGeometry again = FormResize(low.geometry, 10995, corrected).geometry;
    // Each value laid out, then the value it should have.
    // clang-format off
    const double cases[] = {
        wide.fraPrinting.left, 11465, wide.fraAllRecord.left, 5010, wide.fraModRecord.left, 7810,
        wide.cmdDown.left, 11910, wide.cmdUp.left, 12395, wide.txtEnd.left, 9600, wide.Bar.left, 9600,
        wide.lvwMessages.width, 12625, wide.txtSubject.width, 12625, wide.txtBody.width, 12625,
        wide.columns[0], 8510.04, wide.columns[1], 2000, wide.panels[1], 5009.82, wide.fraOpen.left, 120,
        wide.txtBody.height, 3550, wide.txtEnd.top, 8030, wide.statBar.top, 8020, wide.statBar.width, 12875,
        narrow.fraPrinting.left, 11465, narrow.lvwMessages.width, 12625, narrow.columns[0], 8510.04,
        minimised.txtBody.height, 3550, minimised.statBar.top, 8020, corrected, 8100,
        again.txtBody.height, 2550, again.txtEnd.top, 7030, again.Bar.top, 7030};
    // clang-format on
    for (std::size_t i = 0; i < std::size(cases); i += 2) {
        EXPECT_DOUBLE_EQ(cases[i], cases[i + 1]) << "value " << i / 2;
    }
    EXPECT_EQ(ui::Pixels(1050, 96), 70);
    EXPECT_EQ(ui::Pixels(1050, 192), 140);
}

using testing::WindowFixture;

TEST_F(WindowFixture, TheRealWindowFollowsTheRulesInPixels) {
    const double dpi = w->logicalDpiY();
    auto* body = Find<QPlainTextEdit>("txtBody");
    EXPECT_EQ(body->height(), ui::Pixels(2550, dpi));
    EXPECT_EQ(Find<QGroupBox>("fraPrinting")->x(), ui::Pixels(9465, dpi));
    w->resize(w->width() + ui::Pixels(2000, dpi), w->height() + ui::Pixels(1000, dpi));
    QApplication::processEvents();
    EXPECT_EQ(Find<QGroupBox>("fraPrinting")->x(), ui::Pixels(11465, dpi));
    EXPECT_NEAR(body->height(), ui::Pixels(3550, dpi), 1);
    w->resize(w->width(), 100); // below the minimum: back to it
    QApplication::processEvents();
    EXPECT_NEAR(body->height(), ui::Pixels(2550, dpi), 1);
    EXPECT_EQ(Find<QLineEdit>("txtEnd")->y(), ui::Pixels(7030, dpi));
    // Every picture button has a name a screen reader can say, and an icon.
    for (QToolButton* b : w->centralWidget()->findChildren<QToolButton*>()) {
        EXPECT_FALSE(b->accessibleName().isEmpty()) << b->objectName().toStdString();
        EXPECT_FALSE(b->icon().isNull()) << b->objectName().toStdString();
    }
    EXPECT_FALSE(w->windowIcon().isNull());
}

} // namespace
} // namespace glanmail
