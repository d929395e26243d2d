#include "lookup/results_page.h"

#include <string.h>

#include <cstddef>

namespace {

constexpr std::size_t npos = std::string_view::npos;

// Where `needle` first occurs in `text` at or after `from`, or
// npos: the answer of std::string_view::find. memmem skips ahead instead of
// stopping at every byte that matches the needle's first, which in a page
// ("a" of the service domain, "N" and "I" of the cut markers) is many.
std::size_t Find(std::string_view text, std::string_view needle, std::size_t from = 0) {
    if (needle.empty()) return from <= text.size() ? from : npos;
    // Also keeps an empty text, which may have no storage at all, from memmem.
    if (from > text.size() || text.size() - from < needle.size()) return npos;
    // Runs of the needle (a page that repeats the service domain) are found
    // here without a new search each.
    if (text.substr(from, needle.size()) == needle) return from;
    const void* at = memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
    return at == nullptr ? npos
                         : static_cast<std::size_t>(static_cast<const char*>(at) - text.data());
}

// Cuts `r` before the first occurrence of `marker`, when it holds one.
void CutBefore(std::string& r, std::string_view marker) {
    const std::size_t at = Find(r, marker);
    if (at != npos) r.resize(at);
}

}  // namespace

std::string_view PageText(std::string_view fileBytes) {
    return fileBytes.substr(0, fileBytes.find('\0'));
}

std::string ExtractContactDomain(std::string_view text, std::string_view serviceDomain) {
    const std::size_t m = Find(text, "mailto:");
    if (m == npos) return {};
    const std::size_t a = text.find('@', m + 7);
    if (a == npos) return {};
    // A CR or LF also ends the domain: it must not add header lines of the
    // page's choosing to the complaint.
    const std::size_t end = text.find_first_of("\"\r\n", a + 1);
    const std::string_view domain = text.substr(a, end == npos ? npos : end - a);
    if (domain.size() == serviceDomain.size() + 1 && domain.substr(1) == serviceDomain) return {};
    return std::string(domain);
}

std::string ExtractResultsText(std::string_view text, std::string_view serviceDomain) {
    std::string r;
    const std::size_t size = text.size();

    // Title: from 16 bytes after the title marker (byte 15 without one) up to
    // the next "<", which the record body search then starts after.
    const std::size_t f = Find(text, "<FONT SIZE=");
    const std::size_t i = f == npos ? 15 : f + 16;
    std::size_t d = npos;
    if (i < size) {
        const std::size_t t = text.find('<', i);
        r.append(text.substr(i, t == npos ? npos : t - i));
        if (t != npos) d = Find(text, "<DL>", t + 1);
    }
    r += "\r\n";

    // Record body: bytes outside tags are copied; a few whole tags break the
    // line or end the body.
    std::size_t j = d == npos ? 3 : d + 4;
    // The body never grows: each tag is left out or becomes a shorter line
    // break. Room for all of it at once spares copies while it is built; the
    // pages never touched take no memory.
    if (j < size) r.reserve(r.size() + size - j);
    while (j < size) {
        if (text[j] != '<') {
            const std::size_t lt = text.find('<', j);
            const std::size_t run = lt == npos ? size - j : lt - j;
            r.append(text.substr(j, run));
            j += run;
            continue;
        }
        const std::size_t gt = text.find('>', j + 1);
        if (gt == npos) break;
        const std::string_view tag = text.substr(j, gt + 1 - j);
        j = gt + 1;
        if (tag == "<BR>" || tag == "<DD>" || tag == "<TD>" || tag == "</P>") {
            r += "\r\n";
        } else if (tag == "</DL>" || tag == "</PRE>") {
            break;
        }
    }

    CutBefore(r, "Name Servers:");
    CutBefore(r, "Information Source:");

    // Blank the service's own domain, left to right without overlap; the
    // text keeps its length.
    if (!serviceDomain.empty()) {
        for (std::size_t at = Find(r, serviceDomain); at != npos;
             at = Find(r, serviceDomain, at + serviceDomain.size())) {
            r.replace(at, serviceDomain.size(), serviceDomain.size(), ' ');
        }
    }

    // Repair CR LF LF space into CR LF CR LF, searching on from the repaired
    // line break so that runs of them are repaired too.
    for (std::size_t h = Find(r, "\r\n\n "); h != npos; h = Find(r, "\r\n\n ", h + 2)) {
        r[h + 2] = '\r';
        r[h + 3] = '\n';
    }
    return r;
}
