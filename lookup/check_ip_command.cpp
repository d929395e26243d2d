// The "Check this IP" command: look up the owner of the selected relay
// address and show what the lookup service says.
#include <algorithm>

#include "app/trace_dlg.h"
#include "lookup/lookup_download.h"
#include "lookup/lookup_fetch.h"
#include "lookup/results_page.h"
#include "platform/app_name.h"
#include "platform/busy_cursor.h"
#include "platform/file.h"
#include "platform/internet.h"
#include "platform/message_box.h"

void CTraceDlg::OnCheckIp() {
    m_strContact.clear();
    m_strResults.clear();
    if (m_routeCombo.GetCount() == 0) {
        platform::MessageBox("There are no items to check. Open mail message and try again");
        OnOpen();
        return;
    }
    UpdateData(false);

    platform::InternetSession internet = platform::InternetOpenA(platform::AppName());
    std::string url;
    {
        platform::BusyCursor busy;
        UpdateData(true);
        // A list with entries always has one selected; slot k holds the
        // address of entry k.
        const int k = std::clamp(m_routeCombo.GetCurSel(), 0, MAX_ROUTES - 1);
        url = BuildLookupUrl(m_routes[static_cast<std::size_t>(k)]);
        if (ProbeUpgradeNotice(internet)) url = web::UpgradeNoticeUrl();
    }
    FetchResults(internet, url);
    platform::InternetCloseHandle(internet);
    ParseResults();
}

void CTraceDlg::ParseResults() {
    platform::BusyCursor busy;
    std::string contact;
    std::string results;
    platform::File file;
    // Only our own working file is read: a link planted under its name is
    // not followed, as the download did not write through it either.
    if (file.Open(kResultsFileName, platform::File::Mode::kReadNoLink)) {
        std::string bytes = platform::File::AllocateBuffer(file.GetLength());
        bytes.resize(file.Read(bytes.data(), bytes.size()));
        file.Close();
        // The file is gone before its text is looked at.
        platform::File::Remove(kResultsFileName);
        const std::string_view text = PageText(bytes);
        contact = ExtractContactDomain(text);
        results = ExtractResultsText(text);
    }
    m_strContact = std::move(contact);
    m_strResults = std::move(results);
    UpdateData(false);
}
