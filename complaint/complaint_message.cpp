#include "complaint/complaint_message.h"

namespace {

constexpr char kSeparator[] =
    "====================================================================="
    "\r\n\r\n";

}  // namespace

std::vector<std::string> ComplaintPieces(const std::string& contact, const std::string& source) {
    const std::string domain = contact.substr(0, contact.find_first_of("\r\n"));
    return {
        "To: abuse" + domain + "\r\n",
        "CC: postmaster" + domain + "\r\n",
        "Subject: One of your users is sending SPAM!\r\n",
        "Mime-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n\r\n",
        "\r\nOne of your users is sending SPAM. Take appropriate measures, please.\r\n\r\n\r\n",
        kSeparator,
        source,
        kSeparator,
    };
}
