#pragma once

#include "platform/dialog.h"

// The About box: the program's name, version and credits, and a way to the
// donation policy. A new one is built for each opening.
class CAboutDlg : public platform::Dialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);

protected:
    std::span<const CommandEntry> Commands() const override;
    void OnDonationware();
};
