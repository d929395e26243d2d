#include "app/trace_dlg.h"

void CTraceDlg::OnOpen() {}
