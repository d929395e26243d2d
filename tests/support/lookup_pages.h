#pragma once

#include <string>
#include <vector>

namespace testsupport {

// The lines of an owner record page as the lookup service might send it,
// from its first line up to (not including) its "</HTML>" line. The page
// names the service by its own domain `own`.
inline std::vector<std::string> RecordedPageLines(const std::string& own = "abuse-lookup.example") {
    return {
        "<HTML>",
        "<HEAD><TITLE>Abuse lookup: 192.0.2.1</TITLE></HEAD>",
        "<BODY BGCOLOR=\"#FFFFFF\">",
        "<CENTER><FONT SIZE=\"+2\">Owner of 192.0.2.1</FONT></CENTER>",
        "<P>Report abuse to <A "
        "HREF=\"mailto:abuse@example-isp.test\">abuse@example-isp.test</A></P>",
        "<DL>",
        "<DT><B>Network:</B><DD>192.0.2.0 - 192.0.2.255",
        "<DT><B>Owner:</B><DD>Example ISP Ltd.<BR>12 Harbour Road<BR>Exampletown",
        "<DT><B>Checked at:</B><DD>www." + own + " &amp; mirrors",
        "<DT><B>Remarks:</B><DD>Listed since 2003<br>(tags in lower case add nothing)</P>",
        "<TABLE><TR><TD>Abuse desk</TD><TD>+1 555 0100</TD></TR></TABLE>",
        "Name Servers:<DD>ns1.example-isp.test",
        "</DL>",
        "<P><FONT SIZE=\"-1\">Information Source: the registry</FONT></P>",
    };
}

// The results text of RecordedPageLines(own) written as a results file.
inline std::string RecordedResultsText(const std::string& own = "abuse-lookup.example") {
    return "Owner of 192.0.2.1\r\n"
           "\r\n"
           "Network:\r\n192.0.2.0 - 192.0.2.255\r\n"
           "Owner:\r\nExample ISP Ltd.\r\n12 Harbour Road\r\nExampletown\r\n"
           "Checked at:\r\nwww." +
           std::string(own.size(), ' ') +
           " &amp; mirrors\r\n"
           "Remarks:\r\nListed since 2003(tags in lower case add nothing)\r\n\r\n"
           "\r\nAbuse desk\r\n+1 555 0100\r\n";
}

// The contact domain of RecordedPageLines().
inline const std::string kRecordedContact = "@example-isp.test";

// Joins `lines`, each followed by `lineEnd`.
inline std::string JoinLines(const std::vector<std::string>& lines, const std::string& lineEnd) {
    std::string out;
    for (const std::string& line : lines) out += line + lineEnd;
    return out;
}

}  // namespace testsupport
