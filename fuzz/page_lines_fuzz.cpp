// A page body of any bytes arrives in pieces of random sizes, with lines
// taken at random moments, as the lookup download reads it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/check.h"
#include "lookup/lookup_download.h"

namespace {

// The lines of a whole body, split at once: CRs dropped, LF ends a line,
// the piece after the last LF is a line only when it holds a byte.
std::vector<std::string> ExpectedLines(const std::string& body) {
    std::string text;
    for (const char c : body) {
        if (c != '\r') text += c;
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// Bytes after the last LF of `body`, CRs not counted.
std::size_t OpenLineSize(const std::string& body) {
    std::size_t n = 0;
    for (const char c : body) {
        if (c == '\n') {
            n = 0;
        } else if (c != '\r') {
            ++n;
        }
    }
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    PageLineReader reader;
    std::string body;
    std::vector<std::string> lines;
    std::string_view line;
    while (provider.remaining_bytes() > 0) {
        const auto piece = provider.ConsumeIntegralInRange<std::size_t>(0, 300);
        const std::string bytes = provider.ConsumeBytesAsString(piece);
        reader.Feed(bytes);
        body += bytes;
        if (provider.ConsumeBool()) {
            while (reader.NextLine(line)) lines.emplace_back(line);
            FUZZ_CHECK(reader.PendingSize() == OpenLineSize(body));
        }
    }
    while (reader.NextLine(line)) lines.emplace_back(line);
    if (reader.Finish(line)) lines.emplace_back(line);
    FUZZ_CHECK(reader.PendingSize() == 0);
    FUZZ_CHECK(!reader.Finish(line));

    for (const std::string& l : lines) {
        FUZZ_CHECK(l.find_first_of("\r\n") == std::string::npos);
    }
    FUZZ_CHECK(lines == ExpectedLines(body));

    // The results file holds the same lines, each ended by CR LF, up to the
    // first that holds the end marker.
    std::string content;
    for (const std::string& l : lines) {
        if (HoldsEndMarker(l)) break;
        content += l + "\r\n";
    }
    FUZZ_CHECK(ResultsFileContent(body) == content);
    return 0;
}
