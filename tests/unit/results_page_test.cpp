#include <gtest/gtest.h>

#include <string>

#include "lookup/results_page.h"
#include "tests/support/lookup_pages.h"

namespace {

constexpr const char* kOwn = "lookup.test";  // the service's own domain in these tests

TEST(PageText, EndsBeforeTheFirstZeroByte) {
    EXPECT_EQ(PageText(std::string("ab\0cd\0", 6)), "ab");
    EXPECT_EQ(PageText(std::string("\0ab", 3)), "");
    EXPECT_EQ(PageText("abc"), "abc");
    EXPECT_EQ(PageText(""), "");
}

TEST(ExtractContactDomain, TakesTheFirstAtAfterTheFirstMailto) {
    const struct {
        const char* name;
        std::string text;
        std::string expected;
    } cases[] = {
        {"no mailto", "<A HREF=\"http://x\">abuse@isp.test</A>", ""},
        {"abuse link", "<A HREF=\"mailto:abuse@isp.test\">write</A>", "@isp.test"},
        {"own domain", "<A HREF=\"mailto:abuse@lookup.test\">", ""},
        {"own domain first, other later", "mailto:a@lookup.test\" mailto:b@isp.test\"", ""},
        {"own domain in other case", "mailto:a@LOOKUP.test\"", "@LOOKUP.test"},
        {"own domain with more bytes", "mailto:a@lookup.test.x\"", "@lookup.test.x"},
        {"no at after mailto", "a@isp.test mailto:nobody\"", ""},
        {"at outside the link", "mailto:nobody\">x</A> y@far.test\"", "@far.test"},
        {"no closing quote", "mailto:a@isp.test", "@isp.test"},
        {"quote right after at", "mailto:@\"x", "@"},
        {"marker at the end", "x mailto:", ""},
        {"at right after marker", "mailto:@isp.test\"", "@isp.test"},
        {"line break ends it", "mailto:a@isp.test\r\nBcc: x@y.test\"", "@isp.test"},
        {"bare LF ends it", "mailto:a@isp.test\nBcc: x@y.test\"", "@isp.test"},
        {"bare CR ends it", "mailto:a@isp.test\rBcc: x@y.test\"", "@isp.test"},
        {"own domain before a line break", "mailto:a@lookup.test\r\n", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ExtractContactDomain(c.text, kOwn), c.expected) << c.name;
}

// A view of no text may have no storage at all; searching it must not hand
// that null pointer to the C library.
TEST(ResultsPage, EmptyTextsWithoutStorage) {
    EXPECT_EQ(ExtractContactDomain(std::string_view(), kOwn), "");
    EXPECT_EQ(ExtractContactDomain(std::string_view(), std::string_view()), "");
    EXPECT_EQ(ExtractResultsText(std::string_view(), kOwn), ExtractResultsText("", kOwn));
    EXPECT_EQ(ExtractResultsText(std::string_view(), std::string_view()),
              ExtractResultsText("", ""));
}

TEST(ExtractContactDomain, DiscardsTheBuiltInServiceDomainByDefault) {
    const std::string own = BRINDLE_SERVICE_DOMAIN_FOR_TESTS;
    EXPECT_EQ(ExtractContactDomain("mailto:abuse@" + own + "\""), "");
    EXPECT_EQ(ExtractContactDomain("mailto:abuse@other." + own + "\""), "@other." + own);
}

// A title "T" and the record marker; the record body follows.
const std::string H = "<FONT SIZE=\"+1\">T</FONT><DL>";

TEST(ExtractResultsText, FollowsTheMarkers) {
    const std::string own = kOwn;
    const std::string blank(own.size(), ' ');
    const struct {
        const char* name;
        std::string text;
        std::string expected;
    } cases[] = {
        {"empty page", "", "\r\n"},
        {"shorter than the fallbacks", "ab", "\r\n"},
        {"title and record", "<FONT SIZE=\"+1\">Title</FONT><DL>body<BR>more</DL>after",
         "Title\r\nbody\r\nmore"},
        {"title from byte 15 without marker", "0123456789abcdeTitle</FONT><DL>body",
         "Title\r\nbody"},
        {"record marker ending the title is missed", "0123456789abcdeTitle<DL>body",
         "Title\r\n3456789abcdeTitlebody"},
        {"title runs to the end, walk from byte 3", "<FONT SIZE=\"+1\">Title",
         "Title\r\nNT SIZE=\"+1\">Title"},
        {"title marker too near the end", "xx<FONT SIZE=12", "\r\nFONT SIZE=12"},
        {"title ends at the next tag", "<FONT SIZE=\"+1\">A<B>c</B><DL>d", "A\r\nd"},
        {"record marker before the title is not used", "<DL>0123456789aTitle<I>x</I>y",
         "Title\r\n>0123456789aTitlexy"},
        {"empty title", "<FONT SIZE=\"+1\"></FONT><DL>rest", "\r\nrest"},
        {"no record marker", "<FONT SIZE=\"+1\">T</FONT>x", "T\r\nNT SIZE=\"+1\">Tx"},
        {"line-break tags", H + "a<BR>b<DD>c<TD>d</P>e", "T\r\na\r\nb\r\nc\r\nd\r\ne"},
        {"tags with case, attributes or spaces add nothing",
         H + "a<br>b<TD align=left>c<BR >d<dd>e</p>f", "T\r\nabcdef"},
        {"other tags add nothing", H + "a<B>b</B><HR>c<>d", "T\r\nabcd"},
        {"end of list ends the record", H + "a</DL>b", "T\r\na"},
        {"end of preformatted ends the record", H + "a</PRE>b</DL>c", "T\r\na"},
        {"lower-case end tags do not", H + "a</pre>b</dl>c", "T\r\nabc"},
        {"unclosed tag ends the walk", H + "a<BR", "T\r\na"},
        {"lone greater-than is text", H + "a>b", "T\r\na>b"},
        {"cut at name servers", H + "a<BR>Name Servers: ns<BR>Information Source: x", "T\r\na\r\n"},
        {"cut at information source first", H + "a Information Source: x Name Servers: y",
         "T\r\na "},
        {"cut marker in the title", "<FONT SIZE=\"+1\">Name Servers:</FONT><DL>a", ""},
        {"own domain blanked in title and record",
         "<FONT SIZE=\"+1\">at " + own + "</FONT><DL>www." + own + " " + own + own,
         "at " + blank + "\r\nwww." + blank + " " + blank + blank},
        {"own domain in other case kept", H + "LOOKUP.TEST", "T\r\nLOOKUP.TEST"},
        {"part of the own domain kept", H + "lookup.tes", "T\r\nlookup.tes"},
        {"page's own CR LF copied", "<FONT SIZE=\"+1\">T</FONT>\r\n<DL>\r\na\r\n",
         "T\r\n\r\na\r\n"},
        {"CR LF LF space repaired", H + "a\r\n\n b", "T\r\na\r\n\r\nb"},
        {"runs repaired", H + "a\r\n\n \n b", "T\r\na\r\n\r\n\r\nb"},
        {"LF LF without space kept", H + "a\r\n\nb", "T\r\na\r\n\nb"},
        {"repair after a line-break tag", H + "a<BR>\n b", "T\r\na\r\n\r\nb"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ExtractResultsText(c.text, kOwn), c.expected) << c.name;
    }
}

TEST(ExtractResultsText, BlanksTheBuiltInServiceDomainByDefault) {
    const std::string own = BRINDLE_SERVICE_DOMAIN_FOR_TESTS;
    EXPECT_EQ(ExtractResultsText(H + "at " + own), "T\r\nat " + std::string(own.size(), ' '));
}

TEST(ExtractResultsText, ReadsARecordedPage) {
    const std::string page = testsupport::JoinLines(testsupport::RecordedPageLines(), "\r\n");
    EXPECT_EQ(ExtractResultsText(page, "abuse-lookup.example"), testsupport::RecordedResultsText());
    EXPECT_EQ(ExtractContactDomain(page, "abuse-lookup.example"), testsupport::kRecordedContact);
}

TEST(ExtractResultsText, StaysLinearOnHostilePages) {
    // Each of these takes quadratic time in a naive reader; a few megabytes
    // would then not finish within the test's time.
    const std::size_t n = 4'000'000;
    std::string repairs = H + "a\r\n";
    while (repairs.size() < n) repairs += "\n ";
    const std::string r = ExtractResultsText(repairs, kOwn);
    EXPECT_EQ(r.find("\n\n"), std::string::npos);

    std::string domains = H;
    while (domains.size() < n) domains += "lookup.test";
    EXPECT_EQ(ExtractResultsText(domains, kOwn).find_first_not_of(' ', 3), std::string::npos);

    std::string tags = H;
    while (tags.size() < n) tags += "<X>";
    EXPECT_EQ(ExtractResultsText(tags, kOwn), "T\r\n");
}

}  // namespace
