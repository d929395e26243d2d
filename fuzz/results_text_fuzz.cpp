// A lookup page of any bytes: the results text of its title and record body.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "fuzz/service_domain.h"
#include "lookup/results_page.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool At(std::string_view text, std::size_t p, std::string_view s) {
    return p <= text.size() && text.size() - p >= s.size() && text.compare(p, s.size(), s) == 0;
}

// The title and record body before the cut, built one byte at a time: what
// the cut, the blanking and the repair then work on.
std::string UncutText(std::string_view text) {
    std::size_t f = npos;
    for (std::size_t p = 0; p < text.size() && f == npos; ++p) {
        if (At(text, p, "<FONT SIZE=")) f = p;
    }
    const std::size_t i = f == npos ? 15 : f + 16;
    std::string r;
    std::size_t t = npos;
    for (std::size_t p = i; p < text.size(); ++p) {
        if (text[p] == '<') {
            t = p;
            break;
        }
        r += text[p];
    }
    r += "\r\n";

    std::size_t d = npos;
    if (t != npos) {
        for (std::size_t p = t + 1; p < text.size() && d == npos; ++p) {
            if (At(text, p, "<DL>")) d = p;
        }
    }
    std::size_t j = d == npos ? 3 : d + 4;
    std::string tag;
    bool inTag = false;
    for (; j < text.size(); ++j) {
        const char c = text[j];
        if (!inTag) {
            if (c == '<') {
                inTag = true;
                tag = "<";
            } else {
                r += c;
            }
            continue;
        }
        tag += c;
        if (c != '>') continue;
        inTag = false;
        if (tag == "<BR>" || tag == "<DD>" || tag == "<TD>" || tag == "</P>") r += "\r\n";
        if (tag == "</DL>" || tag == "</PRE>") break;
    }
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PageInput input = SplitPageInput(data, size);
    const std::string results = ExtractResultsText(input.text, input.serviceDomain);

    // Title, CR LF and body, cut before the first cut marker; blanking and
    // repair keep the length.
    const std::string uncut = UncutText(input.text);
    const std::size_t length =
        std::min({uncut.size(), uncut.find("Name Servers:"), uncut.find("Information Source:")});
    FUZZ_CHECK(results.size() == length);

    // Each byte is the uncut one after blanking, or part of a repaired line
    // break: the repair sees the blanks, so a blank may become an LF.
    std::string blanked = uncut.substr(0, length);
    const std::string_view own = input.serviceDomain;
    for (std::size_t p = 0; !own.empty() && p + own.size() <= blanked.size();) {
        if (blanked.compare(p, own.size(), own) == 0) {
            blanked.replace(p, own.size(), own.size(), ' ');
            p += own.size();
        } else {
            ++p;
        }
    }
    for (std::size_t k = 0; k < results.size(); ++k) {
        const char got = results[k];
        const char was = blanked[k];
        FUZZ_CHECK(got == was || (got == '\r' && was == '\n') || (got == '\n' && was == ' '));
    }
    FUZZ_CHECK(results.find("\r\n\n ") == std::string::npos);
    // A blank of one byte could join a cut marker back together; longer ones
    // cannot, since each marker holds a single space.
    if (input.serviceDomain.size() != 1) {
        FUZZ_CHECK(results.find("Name Servers:") == std::string::npos);
        FUZZ_CHECK(results.find("Information Source:") == std::string::npos);
    }
    // A domain with no blank or line break in it is left nowhere.
    if (!input.serviceDomain.empty() &&
        input.serviceDomain.find_first_of(" \r\n") == std::string_view::npos) {
        FUZZ_CHECK(results.find(input.serviceDomain) == std::string::npos);
    }
    return 0;
}
