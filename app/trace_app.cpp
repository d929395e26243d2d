#include "app/trace_app.h"

#include "app/trace_dlg.h"
#include "platform/dialog.h"

CTraceApp theApp;

bool CTraceApp::InitInstance() {
    // Embedded controls and three-dimensional control drawing need no set-up
    // with this toolkit: it hosts widgets and draws them that way itself.
    CTraceDlg dlg;
    platform::SetMainWindow(&dlg);
    dlg.DoModal();
    platform::SetMainWindow(nullptr);
    return false;
}
