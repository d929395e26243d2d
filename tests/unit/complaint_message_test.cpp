#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "complaint/complaint_message.h"
#include "tests/support/complaint_file.h"
#include "tests/support/file_fixtures.h"

namespace {

using testsupport::CurrentDir;
using testsupport::ReadBytes;
using testsupport::TempDir;

using testsupport::ExpectedComplaintFile;

TEST(WriteComplaint, WritesHeaderRequestAndTheSourceUnchanged) {
    struct Case {
        const char* name;
        std::string contact;
        std::string source;
        std::string domainWritten;
    };
    const std::vector<Case> cases = {
        {"empty source", "@example.net", "", "@example.net"},
        {"one letter and CR LF", "@example.net", "a\r\n", "@example.net"},
        {"no final line break", "@x", "Received: from a\r\nlast line", "@x"},
        {"bare LF lines", "@isp.example", "one\ntwo\n\nthree\n", "@isp.example"},
        {"dot and From lines", "@isp.example", ".\r\n.hidden\r\nFrom me\r\n>From you\r\n",
         "@isp.example"},
        {"bytes above 127", "@b\xE4r.example", "caf\xE9 \x80\xA0\xFF\r\n", "@b\xE4r.example"},
        {"bare CR and controls", "@", "\r\x01\t\x7F\r", "@"},
        {"domain with spaces", "@a b <c> ", "x", "@a b <c> "},
        // A lookup page must not add header lines to the complaint.
        {"domain with CR LF", "@evil.example\r\nBcc: victim@example.org", "x", "@evil.example"},
        {"domain with LF", "@evil.example\n\r\nbody", "x", "@evil.example"},
        {"domain with CR", "@evil.example\rSubject: x", "x", "@evil.example"},
    };
    TempDir work;
    CurrentDir cd(work.path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteComplaint(c.contact, c.source));
        const std::string file = ReadBytes(work / "abuse000.eml");
        EXPECT_EQ(file, ExpectedComplaintFile(c.domainWritten, c.source));
        EXPECT_EQ(file.size(), 360 + 2 * c.domainWritten.size() + c.source.size());

        // Each piece is one write, so its boundaries are part of the result.
        std::vector<size_t> sizes;
        for (const std::string& piece : ComplaintPieces(c.contact, c.source)) {
            sizes.push_back(piece.size());
        }
        const size_t d = c.domainWritten.size();
        EXPECT_EQ(sizes,
                  (std::vector<size_t>{11 + d, 16 + d, 45, 65, 77, 73, c.source.size(), 73}));
    }
}

TEST(WriteComplaint, MatchesTheKnownFileByteForByte) {
    TempDir work;
    CurrentDir cd(work.path());
    ASSERT_TRUE(WriteComplaint("@example.net", "Received: from [192.0.2.1]\r\n\r\nBuy!"));
    EXPECT_EQ(ReadBytes("abuse000.eml"),
              "To: abuse@example.net\r\n"
              "CC: postmaster@example.net\r\n"
              "Subject: One of your users is sending SPAM!\r\n"
              "Mime-Version: 1.0\r\n"
              "Content-Type: text/plain; charset=us-ascii\r\n"
              "\r\n"
              "\r\n"
              "One of your users is sending SPAM. Take appropriate measures, please.\r\n"
              "\r\n"
              "\r\n"
              "=====================================================================\r\n"
              "\r\n"
              "Received: from [192.0.2.1]\r\n"
              "\r\n"
              "Buy!=====================================================================\r\n"
              "\r\n");
}

TEST(WriteComplaint, CutsALongerExistingFile) {
    TempDir work;
    CurrentDir cd(work.path());
    testsupport::WriteBytes("abuse000.eml", std::string(4096, 'Z'));
    ASSERT_TRUE(WriteComplaint("@example.net", "short"));
    EXPECT_EQ(ReadBytes("abuse000.eml"), ExpectedComplaintFile("@example.net", "short"));
}

}  // namespace
