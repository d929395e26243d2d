#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lookup/lookup_download.h"

namespace {

using Lines = std::vector<std::string>;

TEST(BuildLookupUrl, JoinsHostAddressAndEncodedPartnerPage) {
    const LookupSite site{"www.abuse-lookup.example", "fenwold.example",
                          "http://www.fenwold.example/brindle.html"};
    EXPECT_EQ(BuildLookupUrl("192.0.2.1", site),
              "http://www.abuse-lookup.example/cgi-bin/checkdomain.pl?domain=192.0.2.1"
              "&linkname=fenwold.example"
              "&linkurl=http%3A%2F%2Fwww.fenwold.example%2Fbrindle.html");

    // Only ":" and "/" of the partner page are encoded; the address goes in as it is.
    const LookupSite odd{"h", "n", "http://p:8/a b?x=1&y=%2F/"};
    EXPECT_EQ(BuildLookupUrl("1.2.3.", odd),
              "http://h/cgi-bin/checkdomain.pl?domain=1.2.3.&linkname=n"
              "&linkurl=http%3A%2F%2Fp%3A8%2Fa b?x=1&y=%2F%2F");
}

TEST(BuildLookupUrl, UsesTheBuiltInAddresses) {
    if (web::kLookupHost != "www.abuse-lookup.example" || web::kPartnerName != "fenwold.example" ||
        web::kPartnerPage != "http://www.fenwold.example/brindle.html" ||
        web::kMakerHost != "www.fenwold.example") {
        GTEST_SKIP() << "built with other web addresses";
    }
    EXPECT_EQ(BuildLookupUrl("192.0.2.1"),
              "http://www.abuse-lookup.example/cgi-bin/checkdomain.pl?domain=192.0.2.1"
              "&linkname=fenwold.example"
              "&linkurl=http%3A%2F%2Fwww.fenwold.example%2Fbrindle.html");
    EXPECT_EQ(web::UpgradeNoticeUrl(), "http://www.fenwold.example/upgrade.htm");
}

// Feeds `body` in pieces of `piece` bytes, taking every line that is complete
// after each piece, as a download does.
Lines SplitInPieces(std::string_view body, std::size_t piece) {
    PageLineReader reader;
    Lines lines;
    std::string_view line;
    for (std::size_t at = 0; at < body.size(); at += piece) {
        reader.Feed(body.substr(at, piece));
        while (reader.NextLine(line)) lines.emplace_back(line);
    }
    if (reader.Finish(line)) lines.emplace_back(line);
    EXPECT_FALSE(reader.Finish(line));
    return lines;
}

// The same with all complete lines taken at once after each piece.
Lines SplitInPiecesAsBlocks(std::string_view body, std::size_t piece) {
    PageLineReader reader;
    Lines lines;
    std::string_view block;
    for (std::size_t at = 0; at < body.size(); at += piece) {
        reader.Feed(body.substr(at, piece));
        while (reader.NextLines(block)) {
            EXPECT_TRUE(block.ends_with('\n'));
            for (std::size_t lf; (lf = block.find('\n')) != std::string_view::npos;) {
                lines.emplace_back(block.substr(0, lf));
                block.remove_prefix(lf + 1);
            }
        }
    }
    std::string_view last;
    if (reader.Finish(last)) lines.emplace_back(last);
    return lines;
}

TEST(PageLineReader, SplitsAtLfAndDropsEveryCrWhateverThePieces) {
    const std::string longLine(100'000, 'x');
    const struct {
        const char* name;
        std::string body;
        Lines expected;
    } cases[] = {
        {"empty body", "", {}},
        {"LF ends", "a\nbb\n", {"a", "bb"}},
        {"CR LF ends", "a\r\nbb\r\n", {"a", "bb"}},
        {"CR alone is no line end", "a\rbb\r", {"abb"}},
        {"empty lines stay", "\n\na\n\n", {"", "", "a", ""}},
        {"last line without LF", "a\nb", {"a", "b"}},
        {"final piece of CRs only", "a\n\r\r", {"a"}},
        {"CRs only", "\r", {}},
        {"CR inside a line", "x\r\ry\rz\n", {"xyz"}},
        {"single LF", "\n", {""}},
        {"zero byte kept", std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
        {"long line", "s\n" + longLine + "\r\ne", {"s", longLine, "e"}},
    };
    for (const auto& c : cases) {
        for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{4096},
                                  std::max<std::size_t>(c.body.size(), 1)}) {
            EXPECT_EQ(SplitInPieces(c.body, piece), c.expected)
                << c.name << ", pieces of " << piece;
            EXPECT_EQ(SplitInPiecesAsBlocks(c.body, piece), c.expected)
                << c.name << ", all at once, pieces of " << piece;
        }
    }
}

TEST(PageLineReader, KeepsOnlyTheUnfinishedLine) {
    PageLineReader reader;
    std::string_view line;
    for (int i = 0; i < 1000; ++i) {
        reader.Feed("line\r\n");
        ASSERT_TRUE(reader.NextLine(line));
        EXPECT_EQ(line, "line");
    }
    reader.Feed("rest");
    EXPECT_FALSE(reader.NextLine(line));
    EXPECT_EQ(reader.PendingSize(), 4u);
}

TEST(IsUpgradeMarkerLine, OnlyTheExactMarkerMatches) {
    const std::string marker = "<HTML><HEAD><TITLE>Upgrade available!</TITLE>";
    const struct {
        std::string line;
        bool expected;
    } cases[] = {
        {marker, true},
        {" " + marker, false},
        {marker + " ", false},
        {marker + "</HEAD>", false},
        {"<html><head><title>Upgrade available!</title>", false},
        {marker.substr(0, marker.size() - 1), false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsUpgradeMarkerLine(c.line), c.expected) << c.line;
}

TEST(ResultsFileContent, WritesLinesWithCrLfUpToTheEndMarkerLine) {
    const struct {
        const char* name;
        std::string body;
        std::string expected;
    } cases[] = {
        {"LF ends", "a\nb\n", "a\r\nb\r\n"},
        {"CR LF ends", "a\r\nb\r\n", "a\r\nb\r\n"},
        {"CR ends make one line", "a\rb\r", "ab\r\n"},
        {"empty lines", "a\n\n\nb\n", "a\r\n\r\n\r\nb\r\n"},
        {"last line without LF", "a\nb", "a\r\nb\r\n"},
        {"empty body", "", ""},
        {"end marker line and after left out", "a\nx</HTML>y\nb\n", "a\r\n"},
        {"end marker split by a CR", "a\n</HT\rML>\nb\n", "a\r\n"},
        {"lower-case marker copied", "a\n</html>\nb", "a\r\n</html>\r\nb\r\n"},
        {"end marker on the first line", "</HTML>\na\n", ""},
        {"end marker on the last line without LF", "a\n</HTML>", "a\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(ResultsFileContent(c.body), c.expected) << c.name;
}

}  // namespace
