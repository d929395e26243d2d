#include "app/trace_dlg.h"

#include <QPaintEvent>
#include <QPainter>
#include <QStyle>

#include "app/launches.h"
#include "res/resource.h"
#include "res/resources.h"

QPoint MinimizedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight) {
    return {(clientWidth - iconWidth + 1) / 2, (clientHeight - iconHeight + 1) / 2};
}

CTraceDlg::CTraceDlg(QWidget* parent)
    : platform::Dialog(res::FindDialogTemplate(IDD_TRACE_DIALOG), parent) {
    if (const platform::IconResource* icon = res::FindIcon(IDI_APP)) {
        m_hIcon = platform::MakeIcon(*icon);
    }
}

std::span<const platform::Dialog::CommandEntry> CTraceDlg::Commands() const {
    static const CommandEntry kCommands[] = {
        Command(IDC_OPEN, &CTraceDlg::OnOpen),
        Command(IDC_CHECK_IP, &CTraceDlg::OnCheckIp),
        Command(IDC_SEND_COMPLAINT, &CTraceDlg::OnSendComplaint),
        Command(IDC_ABOUT, &CTraceDlg::OnAbout),
        Command(IDC_TUTORIAL, &CTraceDlg::OnTutorial),
        Command(IDC_WEBSITE, &CTraceDlg::OnWebsite),
        Command(IDC_UPDATE, &CTraceDlg::OnUpdate),
        Command(IDC_CLEAR_TEXT, &CTraceDlg::OnClearText),
        Command(IDC_HELP_FILE, &CTraceDlg::OnHelpFile),
        Command(IDC_DONATIONWARE, &CTraceDlg::OnDonationware),
    };
    return kCommands;
}

bool CTraceDlg::OnInitDialog() {
    platform::Dialog::OnInitDialog();
    AppendAboutEntry(GetSystemMenu(), res::LoadString(IDS_ABOUT_MENU));
    setWindowIcon(m_hIcon);
    return true;
}

void CTraceDlg::DoDataExchange(platform::DataExchange& dx) {
    platform::DDX_Control(dx, IDC_ROUTE, m_routeCombo);
    platform::DDX_Text(dx, IDC_SOURCE_TEXT, m_strSource);
    platform::DDX_Text(dx, IDC_RESULTS_TEXT, m_strResults);
}

void CTraceDlg::paintEvent(QPaintEvent* event) {
    if (!isMinimized()) {
        platform::Dialog::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.eraseRect(rect());
    const int iconSize = style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, this);
    const QPoint at = MinimizedIconOrigin(width(), height(), iconSize, iconSize);
    m_hIcon.paint(&painter, QRect(at, QSize(iconSize, iconSize)));
}
