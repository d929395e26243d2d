#pragma once

// The pure parts of the results page reader: the page text of a results file,
// the contact domain and the results text. The page is not parsed as HTML;
// fixed markers are found by plain, case-sensitive byte search.

#include <string>
#include <string_view>

#include "lookup/web_addresses.h"

// The page text of a results file's bytes: up to, not including, the first
// zero byte; all of them when there is none.
std::string_view PageText(std::string_view fileBytes);

// The contact domain of a page text: from the first "@" after the first
// "mailto:" up to, not including, the first double quote, CR or LF after it
// (or the end of the text). The result starts with "@". It is empty when the
// text has no "mailto:", when no "@" follows it, or when the result is "@"
// followed by `serviceDomain` byte for byte.
//
// The result goes into the To and CC header lines of the complaint, so it
// never holds a line break.
std::string ExtractContactDomain(std::string_view text,
                                 std::string_view serviceDomain = web::kServiceDomain);

// The results text of a page text: the title (from 16 bytes after the first
// "<FONT SIZE=", or from byte 15 without one, up to the next "<"), CR LF, and
// the record body (the bytes after the first "<DL>" that follows the title,
// or from byte 3 without one, with tags left out; "<BR>", "<DD>", "<TD>" and
// "</P>" become CR LF, "</DL>" and "</PRE>" end it). The text is then cut
// before "Name Servers:" and before "Information Source:", every occurrence
// of `serviceDomain` becomes as many spaces, and every CR LF LF space becomes
// CR LF CR LF. Runs in time linear in the length of `text`.
std::string ExtractResultsText(std::string_view text,
                               std::string_view serviceDomain = web::kServiceDomain);
