#include "win/Twips.h"

#include <gtest/gtest.h>

using namespace orvanel;

// The layouts' twips at the usual screen scales: 100 %, 125 % and 150 %.
TEST(Twips, PlaceAndFontSizesFollowTheDpi)
{
    const struct
    {
        int dpi;
        int button;     // 1935 twips, the Start button's width
        int row;        // 480 twips, the table's row pitch
        RECT label;     // the status line at 3000, 840, 5295 x 615
        int fontHeight; // 8.25 points
        int statusFont; // 13.5 points
    } cases[] = {
        {96, 129, 32, {200, 56, 553, 97}, -11, -18},
        {120, 161, 40, {250, 70, 691, 121}, -14, -23},
        {144, 194, 48, {300, 84, 830, 146}, -17, -27},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.dpi);
        const Twips twips(c.dpi);
        EXPECT_EQ(twips.px(1440), c.dpi);
        EXPECT_EQ(twips.px(1935), c.button);
        EXPECT_EQ(twips.px(480), c.row);
        const RECT label = twips.rect(3000, 840, 5295, 615);
        EXPECT_EQ(label.left, c.label.left);
        EXPECT_EQ(label.top, c.label.top);
        EXPECT_EQ(label.right, c.label.right);
        EXPECT_EQ(label.bottom, c.label.bottom);
        EXPECT_EQ(twips.fontHeight(8.25), c.fontHeight);
        EXPECT_EQ(twips.fontHeight(13.5), c.statusFont);
        EXPECT_EQ(twips.fromPixels96(200), c.dpi * 200 / 96); // the bridge picture's width
    }
}
