#include <optional>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "reports/report_table.h"

namespace orq::reports {
namespace {

TEST(CellColor, ReadsLikeAnOptionalColour) {
    const TCellColor none;
    EXPECT_FALSE(none);
    EXPECT_EQ(none, std::nullopt);
    EXPECT_EQ(none.value_or(0x123456), 0x123456u);
    EXPECT_EQ(ColorText(none), "");

    // Black is a colour of its own, not "no colour".
    TCellColor black = kBlack;
    EXPECT_TRUE(black.has_value());
    EXPECT_EQ(*black, kBlack);
    EXPECT_NE(black, none);
    EXPECT_EQ(black, std::optional<TColor>(kBlack));
    EXPECT_EQ(ColorText(black), "000000");
    black.reset();
    EXPECT_EQ(black, none);

    TCellColor yellow = std::optional<TColor>(kPaleYellow);
    EXPECT_EQ(yellow, kPaleYellow);
    EXPECT_NE(yellow, kWhite);
    EXPECT_EQ(yellow, TCellColor(kPaleYellow)); // one colour, one number
    EXPECT_EQ(ColorText(yellow), "CAFFFF");
    std::ostringstream shown;
    shown << yellow << ' ' << none;
    EXPECT_EQ(shown.str(), "CAFFFF none");
}

// Far more colours than a report uses, and more than one byte could number: each keeps its
// value, however many came before it.
TEST(CellColor, ManyColoursKeepTheirValues) {
    std::vector<TCellColor> cells;
    for (TColor c = 0; c < 1000; ++c)
        cells.emplace_back(0x10000u + c * 97);
    for (TColor c = 0; c < 1000; ++c) {
        ASSERT_EQ(*cells[c], 0x10000u + c * 97);
        EXPECT_EQ(cells[c], TCellColor(0x10000u + c * 97));
        if (c) {
            EXPECT_NE(cells[c], cells[c - 1]);
        }
    }
}

TEST(ReportTable, CellsCompareByTextAndLook) {
    TReportCell a{"x", kWhite, kBlack, kBold};
    TReportCell b = a;
    EXPECT_EQ(a, b);
    b.FontColor = kWhite;
    EXPECT_NE(a, b);
    b = a;
    b.Background.reset();
    EXPECT_NE(a, b);
}

} // namespace
} // namespace orq::reports
