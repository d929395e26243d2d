#include "app/trace_dlg.h"

void CTraceDlg::OnAbout() {}
void CTraceDlg::OnTutorial() {}
void CTraceDlg::OnWebsite() {}
void CTraceDlg::OnHelpFile() {}
void CTraceDlg::OnDonationware() {}
