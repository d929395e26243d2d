// A contact domain and a message text of any bytes composed into the
// complaint and written to its file.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "complaint/complaint_message.h"
#include "fuzz/check.h"

namespace {

std::filesystem::path g_folder;

std::string ReadFile(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The complaint file lands in the current directory: give it a folder of its own.
    std::string pattern = (std::filesystem::temp_directory_path() / "brindle-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    g_folder = pattern;
    std::filesystem::current_path(g_folder);
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(g_folder, ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider provider(data, size);
    const std::string contact = provider.ConsumeRandomLengthString(200);
    const std::string source = provider.ConsumeRemainingBytesAsString();

    const std::vector<std::string> pieces = ComplaintPieces(contact, source);
    const std::string domain = contact.substr(0, contact.find_first_of("\r\n"));
    FUZZ_CHECK(pieces.size() == 8);
    std::string whole;
    for (std::size_t k = 0; k < pieces.size(); ++k) {
        FUZZ_CHECK(k == 6 || !pieces[k].empty());
        whole += pieces[k];
    }
    FUZZ_CHECK(whole.size() == 360 + 2 * domain.size() + source.size());
    FUZZ_CHECK(pieces[0] == "To: abuse" + domain + "\r\n");
    FUZZ_CHECK(pieces[1] == "CC: postmaster" + domain + "\r\n");
    FUZZ_CHECK(pieces[6] == source);
    // The header ends at the first empty line, and the page chose none of it
    // beyond the two address lines' domains.
    const std::string header = pieces[0] + pieces[1] + pieces[2] + pieces[3];
    FUZZ_CHECK(header.find("\r\n\r\n") == header.size() - 4);
    FUZZ_CHECK(std::count(header.begin(), header.end(), '\n') == 6);

    FUZZ_CHECK(WriteComplaint(contact, source));
    FUZZ_CHECK(ReadFile(kComplaintFileName) == whole);
    return 0;
}
