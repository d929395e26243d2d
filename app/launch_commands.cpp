// The About box and the buttons that hand help pages and the maker's home
// page to the desktop shell.
#include "app/about_dlg.h"
#include "app/launches.h"
#include "app/trace_dlg.h"
#include "lookup/web_addresses.h"
#include "platform/shell.h"
#include "res/resource.h"

Launch TutorialLaunch() {
    return {"hh.exe", "Brindle.chm::/step1.htm"};
}
Launch WebsiteLaunch() {
    // The constant is built from a string literal, so it ends in a zero byte.
    return {web::kHomePage.data(), ""};
}
Launch HelpFileLaunch() {
    return {"Brindle.chm", ""};
}
Launch DonationwareLaunch() {
    return {"hh.exe", "Brindle.chm::/donationware.htm"};
}

void RunLaunch(const Launch& launch) {
    platform::ShellExecute("open", launch.file, launch.parameters, "", platform::SW_SHOWMAXIMIZED);
}

void AppendAboutEntry(platform::SystemMenu* menu, const std::string& text) {
    if (menu == nullptr || text.empty()) return;
    menu->AppendSeparator();
    menu->AppendItem(IDM_ABOUT, text);
}

void CTraceDlg::OnAbout() {
    CAboutDlg dlg;
    dlg.DoModal();
}

void CTraceDlg::OnSysCommand(unsigned id) {
    if ((id & 0xFFF0u) == IDM_ABOUT) {
        OnAbout();
    } else {
        platform::Dialog::OnSysCommand(id);
    }
}

void CTraceDlg::OnTutorial() {
    RunLaunch(TutorialLaunch());
}
void CTraceDlg::OnWebsite() {
    RunLaunch(WebsiteLaunch());
}
void CTraceDlg::OnHelpFile() {
    RunLaunch(HelpFileLaunch());
}
void CTraceDlg::OnDonationware() {
    RunLaunch(DonationwareLaunch());
}
