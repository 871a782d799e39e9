#include "ui/WindowLayout.h"

#include "WindowTestSupport.h"

namespace glanmail {
namespace {

using ui::DesignGeometry;
using ui::FormResize;
using ui::TwipRect;

TEST(WindowLayoutTest, TheReferenceSizeGivesTheDesignPlacesButTheEndBoxTop) {
    const ui::ResizeResult r = FormResize(DesignGeometry(), 10995, 8100);
    EXPECT_FALSE(r.correctedHeight);
    ui::WindowGeometry expected = DesignGeometry();
    expected.txtEnd.top = expected.Bar.top = 7030;
    const ui::WindowGeometry& g = r.geometry;
    for (const auto& [got, want] : {std::pair(g.fraAllRecord, expected.fraAllRecord),
                                    {g.fraModRecord, expected.fraModRecord},
                                    {g.fraPrinting, expected.fraPrinting},
                                    {g.cmdDown, expected.cmdDown},
                                    {g.cmdUp, expected.cmdUp},
                                    {g.lvwMessages, expected.lvwMessages},
                                    {g.txtSubject, expected.txtSubject},
                                    {g.txtBody, expected.txtBody},
                                    {g.txtEnd, expected.txtEnd},
                                    {g.Bar, expected.Bar},
                                    {g.statBar, expected.statBar}}) {
        EXPECT_TRUE(got == want) << got.left << " " << got.top << " " << got.width << " " << got.height;
    }
    for (std::size_t c = 0; c < g.columns.size(); ++c) {
        EXPECT_NEAR(g.columns[c], expected.columns[c], 1e-9);
    }
    for (std::size_t p = 0; p < g.panels.size(); ++p) {
        EXPECT_NEAR(g.panels[p], expected.panels[p], 1e-9);
    }
}

TEST(WindowLayoutTest, WideningMovesTheRightHandControlsAndNarrowingChangesNothing) {
    const ui::WindowGeometry wide = FormResize(DesignGeometry(), 12995, 8100).geometry;
    EXPECT_EQ(wide.fraPrinting.left, 11465);
    EXPECT_EQ(wide.fraAllRecord.left, 5010);
    EXPECT_EQ(wide.fraModRecord.left, 7810);
    EXPECT_EQ(wide.cmdUp.left, 12395);
    EXPECT_EQ(wide.txtEnd.left, 9600);
    for (const TwipRect& r : {wide.lvwMessages, wide.txtSubject, wide.txtBody}) {
        EXPECT_EQ(r.width, 12625);
    }
    EXPECT_DOUBLE_EQ(wide.columns[0], 8510.04);
    EXPECT_EQ(wide.columns[1], 2000);
    EXPECT_DOUBLE_EQ(wide.panels[1], 5009.82);
    EXPECT_TRUE(wide.fraOpen == DesignGeometry().fraOpen);
    const ui::WindowGeometry narrow = FormResize(wide, 9000, 8100).geometry;
    EXPECT_EQ(narrow.fraPrinting.left, 11465);
    EXPECT_EQ(narrow.lvwMessages.width, 12625);
    EXPECT_DOUBLE_EQ(narrow.columns[0], 8510.04);
    // Minimised: nothing moves.
    const ui::WindowGeometry minimised = FormResize(wide, 3000, 500, true).geometry;
    EXPECT_TRUE(minimised.txtBody == wide.txtBody && minimised.fraPrinting == wide.fraPrinting);
}

TEST(WindowLayoutTest, BelowTheMinimumHeightTheHeightIsCorrectedAndTallerWindowsGrowTheBody) {
    const ui::WindowGeometry tall = FormResize(DesignGeometry(), 10995, 9100).geometry;
    EXPECT_EQ(tall.txtBody.height, 3550);
    EXPECT_EQ(tall.txtEnd.top, 8030);
    EXPECT_EQ(tall.statBar.top, 8020);
    const ui::ResizeResult low = FormResize(tall, 10995, 6000);
    ASSERT_TRUE(low.correctedHeight);
    EXPECT_EQ(*low.correctedHeight, 8100);
    const ui::WindowGeometry again = FormResize(low.geometry, 10995, *low.correctedHeight).geometry;
    EXPECT_EQ(again.txtBody.height, 2550);
    EXPECT_EQ(again.txtEnd.top, 7030);
    EXPECT_EQ(again.Bar.top, 7030);
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
