#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "route/scan_route.h"

namespace {

struct ScanCase {
    const char* name;
    std::string text;
    std::vector<std::string> expected;
};

std::vector<std::string> Scan(const std::string& text, RouteTable& table) {
    const int count = ScanRoute(text, table);
    return {table.begin(), table.begin() + count};
}

TEST(ScanRoute, FindsQualifyingPairsInTextOrder) {
    const std::vector<ScanCase> cases = {
        {"three hops",
         "Received: from a [192.0.2.1]\r\nReceived: from b [198.51.100.2] by c [203.0.113.3]",
         {"192.0.2.1", "198.51.100.2", "203.0.113.3"}},
        {"single", "x [10.0.0.1] y", {"10.0.0.1"}},
        {"empty text", "", {}},
        {"no brackets", "no address 192.0.2.1 here", {}},
        {"empty pair is skipped", "[][192.0.2.1]", {"192.0.2.1"}},
        {"two dots", "[1.2.3]", {}},
        {"four dots", "[1.2.3.4.5]", {}},
        {"trailing dot", "[1.2.3.]", {"1.2.3."}},
        {"odd numbers pass", "[01.999.0.300]", {"01.999.0.300"}},
        {"dots alone", "[...]", {"..."}},
        {"leading space", "[ 192.0.2.1]", {}},
        {"port", "[192.0.2.1:25]", {}},
        {"letter", "[192.0.2.a]", {}},
        {"high byte", "[192.0.2.\xB9]", {}},
        {"second opening spoils", "[[192.0.2.1]", {}},
        {"word before", "[mail [192.0.2.1]", {}},
        {"duplicates kept", "[192.0.2.1] [192.0.2.1]", {"192.0.2.1", "192.0.2.1"}},
        {"closing before opening", "]] [192.0.2.9]", {"192.0.2.9"}},
        {"unclosed ends the scan", "[1.1.1.1] [2.2.2.2 [3.3.3.3", {"1.1.1.1"}},
        {"body address", "Subject: hi\r\n\r\nsee [192.0.2.77] below", {"192.0.2.77"}},
        {"search goes on after the pair",
         "[1.1.1.1][2.2.2.2]x[3.3.3.3]",
         {"1.1.1.1", "2.2.2.2", "3.3.3.3"}},
        {"zero byte inside", std::string("[1.2.\0.4] [5.6.7.8]", 19), {"5.6.7.8"}},
    };
    for (const ScanCase& c : cases) {
        RouteTable table;
        EXPECT_EQ(Scan(c.text, table), c.expected) << c.name;
    }
}

TEST(ScanRoute, KeepsTheFirstTwentyAddressesAndLeavesOtherSlotsAlone) {
    std::string text;
    for (int i = 1; i <= 25; ++i) text += "[10.0.0." + std::to_string(i) + "] ";
    RouteTable table;
    ASSERT_EQ(ScanRoute(text, table), MAX_ROUTES);
    EXPECT_EQ(table.front(), "10.0.0.1");
    EXPECT_EQ(table.back(), "10.0.0.20");

    table.fill("old");
    ASSERT_EQ(ScanRoute("[1.2.3.4]", table), 1);
    EXPECT_EQ(table[0], "1.2.3.4");
    EXPECT_EQ(table[1], "old");
}

TEST(RouteEntryText, NumbersFromOne) {
    EXPECT_EQ(RouteEntryText(0, "203.0.113.3"), "[1] - [203.0.113.3]");
    EXPECT_EQ(RouteEntryText(19, "1.2.3.4"), "[20] - [1.2.3.4]");
    EXPECT_EQ(RouteEntryText(1, ""), "[2] - []");
}

}  // namespace
