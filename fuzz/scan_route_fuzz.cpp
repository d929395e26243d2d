// A message text of any bytes goes through the route scan and the real route
// list fill, as a route refresh runs them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/trace_dlg.h"
#include "fuzz/check.h"
#include "fuzz/qt_app.h"
#include "route/scan_route.h"

namespace {

class FuzzTraceDlg : public CTraceDlg {
public:
    using CTraceDlg::FillRouteList;
    using CTraceDlg::m_routeCombo;
    using CTraceDlg::m_routes;

    FuzzTraceDlg() { Create(); }
};

FuzzTraceDlg* g_dialog = nullptr;

// A slot value the scan never writes: it holds brackets.
const std::string kUntouched = "[untouched]";

bool IsDotted(std::string_view s) {
    int dots = 0;
    for (const char c : s) {
        if (c == '.') {
            ++dots;
        } else if (c < '0' || c > '9') {
            return false;
        }
    }
    return dots == 3;
}

// The addresses the scan must keep, found one byte at a time: outside a
// bracket a "[" opens one; inside, every byte up to the first "]" is the
// content (a further "[" included); an unclosed bracket at the end counts
// for nothing.
std::vector<std::string> ExpectedAddresses(std::string_view text) {
    std::vector<std::string> found;
    bool inside = false;
    std::string inner;
    for (const char c : text) {
        if (!inside) {
            if (c == '[') {
                inside = true;
                inner.clear();
            }
        } else if (c == ']') {
            inside = false;
            if (!inner.empty() && IsDotted(inner) && found.size() < MAX_ROUTES) {
                found.push_back(inner);
            }
        } else {
            inner += c;
        }
    }
    return found;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    StartOffscreenApplication();
    g_dialog = new FuzzTraceDlg;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RouteTable& routes = g_dialog->m_routes;
    routes.fill(kUntouched);
    g_dialog->m_routeCombo.ResetContent();

    const int count = ScanRoute(text, routes);
    if (count > 0) g_dialog->FillRouteList(count);

    const std::vector<std::string> expected = ExpectedAddresses(text);
    FUZZ_CHECK(count >= 0 && count <= MAX_ROUTES);
    FUZZ_CHECK(static_cast<std::size_t>(count) == expected.size());
    FUZZ_CHECK(g_dialog->m_routeCombo.GetCount() == count);
    FUZZ_CHECK(g_dialog->m_routeCombo.GetCurSel() == (count > 0 ? 0 : -1));
    for (int k = 0; k < MAX_ROUTES; ++k) {
        const std::string& slot = routes[static_cast<std::size_t>(k)];
        if (k >= count) {
            FUZZ_CHECK(slot == kUntouched);
            continue;
        }
        // Entry k is the k-th address from the end of the text, nearest hop first.
        FUZZ_CHECK(slot == expected[static_cast<std::size_t>(count - 1 - k)]);
        FUZZ_CHECK(IsDotted(slot));
        FUZZ_CHECK(g_dialog->m_routeCombo.GetLBText(k) ==
                   "[" + std::to_string(k + 1) + "] - [" + slot + "]");
    }
    return 0;
}
