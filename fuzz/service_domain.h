#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "lookup/web_addresses.h"

// Splits a fuzz input into the service's own domain and a page text. An
// input that starts with byte 1 chooses the domain: the next byte gives its
// length (0 to 15) and the domain follows. Any other input is a page text
// alone, read with the program's own domain.
struct PageInput {
    std::string_view serviceDomain = web::kServiceDomain;
    std::string_view text;
};

inline PageInput SplitPageInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view all(reinterpret_cast<const char*>(data), size);
    if (size < 2 || data[0] != 1) return {web::kServiceDomain, all};
    const std::size_t n = data[1] % 16u;
    const std::string_view rest = all.substr(2);
    if (rest.size() < n) return {rest, {}};
    return {rest.substr(0, n), rest.substr(n)};
}
