#pragma once

// The pure parts of the lookup download: the query URL, the page lines of a
// fetched page, the upgrade marker and the results file content.

#include <cstddef>
#include <string>
#include <string_view>

#include "lookup/web_addresses.h"

// The line that a published upgrade notice page starts with.
inline constexpr std::string_view kUpgradeMarker = "<HTML><HEAD><TITLE>Upgrade available!</TITLE>";
// A page line holding this text ends the download; it is not saved.
inline constexpr std::string_view kEndMarker = "</HTML>";
// The working file the download writes and the results page reader reads.
inline constexpr char kResultsFileName[] = "results.htm";

// Where a query goes and which partner site it names.
struct LookupSite {
    std::string_view host = web::kLookupHost;
    std::string_view partnerName = web::kPartnerName;
    std::string_view partnerPage = web::kPartnerPage;
};

// The lookup service's query URL for `address`: "http://" host
// "/cgi-bin/checkdomain.pl?domain=" address "&linkname=" partner name
// "&linkurl=" partner page, with every ":" of the partner page written "%3A"
// and every "/" written "%2F". The address goes in byte for byte.
std::string BuildLookupUrl(std::string_view address, const LookupSite& site = {});

// Splits the body of a page into page lines as the body arrives in pieces of
// any size. A line ends at an LF, which belongs to no line; every CR is
// dropped wherever it stands; the piece after the last LF is a line only when
// a byte of it remains. A line may span any number of pieces. Time and memory
// are linear in the bytes fed.
class PageLineReader {
public:
    // Adds the next bytes of the body.
    void Feed(std::string_view bytes);
    // Points `line` at the next complete line (one ended by an LF) and
    // returns true; returns false, leaving `line` alone, when none is complete
    // yet. `line` views the reader's own bytes and stays valid until the next
    // call of Feed, NextLine(s) or Finish.
    bool NextLine(std::string_view& line);
    // Call once the body has ended and NextLine returns false: points `line`
    // at the final piece and returns true when it holds a byte; otherwise
    // returns false. Afterwards the reader is empty.
    bool Finish(std::string_view& line);
    // Takes every complete line at once: `lines` views them, each still
    // ended by its LF, until the next call of Feed, NextLine(s) or Finish.
    // Returns false, leaving `lines` alone, when no line is complete.
    bool NextLines(std::string_view& lines);
    // Bytes fed (CRs dropped) that belong to no line taken yet.
    std::size_t PendingSize() const { return pending_.size() - start_; }

private:
    std::string pending_;      // CR-free bytes; lines taken end before start_
    std::size_t start_ = 0;    // where the next line starts
    std::size_t scanned_ = 0;  // no LF lies in [start_, scanned_)
};

// True when `line` is exactly the upgrade marker, with nothing before or after.
bool IsUpgradeMarkerLine(std::string_view line);

// True when `line` holds the end marker anywhere (case-sensitive).
bool HoldsEndMarker(std::string_view line);

// The whole results file that the download writes for a page `body`: each page
// line followed by CR LF, from the first line up to, not including, the first
// line that holds the end marker (all lines when none does).
std::string ResultsFileContent(std::string_view body);
