#pragma once

#include <string>

namespace testsupport {

// The complaint file for contact domain `domain` quoting `source`, written
// out line by line as a mail reader sees it.
inline std::string ExpectedComplaintFile(const std::string& domain, const std::string& source) {
    const std::string separator(69, '=');
    return "To: abuse" + domain + "\r\n" + "CC: postmaster" + domain + "\r\n" +
           "Subject: One of your users is sending SPAM!\r\n"
           "Mime-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=us-ascii\r\n"
           "\r\n"
           "\r\n"
           "One of your users is sending SPAM. Take appropriate measures, please.\r\n"
           "\r\n"
           "\r\n" +
           separator + "\r\n" + "\r\n" + source + separator + "\r\n" + "\r\n";
}

}  // namespace testsupport
