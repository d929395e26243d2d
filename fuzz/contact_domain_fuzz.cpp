// A lookup page of any bytes: the contact domain taken from its first
// "mailto:" link.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/check.h"
#include "fuzz/service_domain.h"
#include "lookup/results_page.h"

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The contact domain found the slow way, one position at a time.
std::string ExpectedDomain(std::string_view text, std::string_view serviceDomain) {
    const std::string_view marker = "mailto:";
    std::size_t m = npos;
    for (std::size_t p = 0; p + marker.size() <= text.size(); ++p) {
        if (text.compare(p, marker.size(), marker) == 0) {
            m = p;
            break;
        }
    }
    if (m == npos) return {};
    std::size_t a = m + marker.size();
    while (a < text.size() && text[a] != '@') ++a;
    if (a == text.size()) return {};
    std::string domain = "@";
    for (std::size_t p = a + 1; p < text.size(); ++p) {
        const char c = text[p];
        if (c == '"' || c == '\r' || c == '\n') break;
        domain += c;
    }
    if (domain == "@" + std::string(serviceDomain)) return {};
    return domain;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const PageInput input = SplitPageInput(data, size);
    const std::string domain = ExtractContactDomain(input.text, input.serviceDomain);

    // It goes into header lines: "@" first, never a quote or a line break.
    FUZZ_CHECK(domain.empty() || domain[0] == '@');
    FUZZ_CHECK(domain.find_first_of("\"\r\n") == std::string::npos);
    FUZZ_CHECK(domain.size() <= input.text.size());
    FUZZ_CHECK(domain != "@" + std::string(input.serviceDomain));
    FUZZ_CHECK(domain == ExpectedDomain(input.text, input.serviceDomain));
    return 0;
}
