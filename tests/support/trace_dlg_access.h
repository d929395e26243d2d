#pragma once

#include <QApplication>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/trace_dlg.h"
#include "res/resource.h"

namespace testsupport {

// The main dialog with its state and commands open to tests.
class TestTraceDlg : public CTraceDlg {
public:
    using CTraceDlg::FillRouteList;
    using CTraceDlg::m_hIcon;
    using CTraceDlg::m_routes;
    using CTraceDlg::m_strContact;
    using CTraceDlg::m_strResults;
    using CTraceDlg::m_strSource;
    using CTraceDlg::RefreshRoute;

    // Creates the window and shows it, as the modal run would.
    TestTraceDlg() {
        Create();
        show();
        activateWindow();
        QApplication::processEvents();
    }

    QPushButton* button(int id) const { return qobject_cast<QPushButton*>(GetDlgItem(id)); }
    QPlainTextEdit* edit(int id) const { return qobject_cast<QPlainTextEdit*>(GetDlgItem(id)); }
    QComboBox* combo() const { return qobject_cast<QComboBox*>(GetDlgItem(IDC_ROUTE)); }
    QStringList entries() const {
        QStringList out;
        for (int i = 0; i < combo()->count(); ++i) out << combo()->itemText(i);
        return out;
    }
    void click(int id) { button(id)->click(); }
};

}  // namespace testsupport
