#include "app/trace_dlg.h"

void CTraceDlg::OnCheckIp() {}
void CTraceDlg::ParseResults() {}
