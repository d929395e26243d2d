// The "Send complaint" command: writes the complaint file and has the desktop
// open it in the user's mail program.
#include "app/trace_dlg.h"
#include "complaint/complaint_message.h"
#include "platform/message_box.h"
#include "platform/shell.h"

void CTraceDlg::OnSendComplaint() {
    UpdateData(true);
    if (m_strContact.empty()) {
        // A results text without a contact domain means the lookup ran but
        // found no mail address.
        platform::MessageBox(m_strResults.empty()
                                 ? "No contact information! Try to check IP first."
                                 : "There is no e-mail contact information. Try to contact this "
                                   "ISP via phone, fax or postal mail address.");
        return;
    }
    if (!WriteComplaint(m_strContact, m_strSource)) return;
    platform::ShellExecute("open", kComplaintFileName, "", "", platform::SW_SHOWNORMAL);
}
