// The route list and the commands that refresh it: Update and Clear text.
#include <algorithm>

#include "app/trace_dlg.h"
#include "platform/message_box.h"
#include "route/scan_route.h"

void CTraceDlg::FillRouteList(int count) {
    for (int i = 1; i <= count; ++i) {
        m_routeCombo.AddString(RouteEntryText(i - 1, m_routes[static_cast<size_t>(count - i)]));
    }
    m_routeCombo.SetCurSel(0);
    // Slot k now holds the address of the entry at index k.
    std::reverse(m_routes.begin(), m_routes.begin() + count);
}

void CTraceDlg::RefreshRoute(const std::string& text) {
    m_routeCombo.ResetContent();
    const int count = ScanRoute(text, m_routes);
    if (count == 0) {
        platform::MessageBox("No information about message sender");
    } else {
        FillRouteList(count);
    }
    m_strContact.clear();
    m_strResults.clear();
    UpdateData(false);
}

void CTraceDlg::OnUpdate() {
    m_routeCombo.ResetContent();
    UpdateData(true);
    RefreshRoute(m_strSource);
}

void CTraceDlg::OnClearText() {
    m_strSource.clear();
    m_strContact.clear();
    m_strResults.clear();
    m_routeCombo.ResetContent();
    UpdateData(false);
}
