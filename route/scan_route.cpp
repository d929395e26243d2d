#include "route/scan_route.h"

namespace {

bool IsAddress(std::string_view inner) {
    int dots = 0;
    for (const char ch : inner) {
        if (ch == '.') {
            ++dots;
        } else if (ch < '0' || ch > '9') {
            return false;
        }
    }
    return dots == 3;
}

}  // namespace

int ScanRoute(std::string_view text, RouteTable& routes) {
    int count = 0;
    size_t pos = 0;
    while (pos < text.size() && count < MAX_ROUTES) {
        const size_t open = text.find('[', pos);
        if (open == std::string_view::npos) break;
        const size_t close = text.find(']', open);
        // Without a "]" after this "[", no later "[" can have one either.
        if (close == std::string_view::npos) break;
        const std::string_view inner = text.substr(open + 1, close - open - 1);
        if (!inner.empty() && IsAddress(inner)) {
            routes[static_cast<size_t>(count)] = std::string(inner);
            ++count;
        }
        pos = close + 1;
    }
    return count;
}

std::string RouteEntryText(int index, std::string_view address) {
    std::string entry = "[";
    entry += std::to_string(index + 1);
    entry += "] - [";
    entry += address;
    entry += "]";
    return entry;
}
