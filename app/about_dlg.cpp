#include "app/about_dlg.h"

#include "app/launches.h"
#include "res/resource.h"
#include "res/resources.h"

CAboutDlg::CAboutDlg(QWidget* parent)
    : platform::Dialog(res::FindDialogTemplate(IDD_ABOUT_DIALOG), parent) {}

std::span<const platform::Dialog::CommandEntry> CAboutDlg::Commands() const {
    static const CommandEntry kCommands[] = {
        Command(IDC_ABOUT_DONATIONWARE, &CAboutDlg::OnDonationware),
    };
    return kCommands;
}

void CAboutDlg::OnDonationware() {
    RunLaunch(DonationwareLaunch());
}
