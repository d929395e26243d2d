#pragma once

#include <QIcon>
#include <QPoint>
#include <array>
#include <span>
#include <string>

#include "platform/dialog.h"

inline constexpr int MAX_ROUTES = 20;

using RouteTable = std::array<std::string, MAX_ROUTES>;

// Where the icon of the minimised window is drawn: centred in the client
// area, each coordinate (client - icon + 1) / 2 with the division truncating
// toward zero.
QPoint MinimizedIconOrigin(int clientWidth, int clientHeight, int iconWidth, int iconHeight);

// The main dialog. It owns the state every command shares; each command is a
// member defined beside its feature (route/, lookup/, complaint/, app/).
class CTraceDlg : public platform::Dialog {
    Q_OBJECT
public:
    explicit CTraceDlg(QWidget* parent = nullptr);

    // The image shown while the minimised window is dragged.
    QIcon OnQueryDragIcon() const { return m_hIcon; }

    // State, read by tests as the commands leave it.
    const std::string& contact() const { return m_strContact; }
    const RouteTable& routes() const { return m_routes; }
    const std::string& source() const { return m_strSource; }
    const std::string& results() const { return m_strResults; }
    const platform::ComboBox& routeList() const { return m_routeCombo; }

protected:
    std::span<const CommandEntry> Commands() const override;
    bool OnInitDialog() override;
    void OnSysCommand(unsigned id) override;
    void DoDataExchange(platform::DataExchange& dx) override;
    void paintEvent(QPaintEvent* event) override;

    // route/
    void FillRouteList(int count);
    void RefreshRoute(const std::string& text);
    void OnOpen();
    void OnUpdate();
    void OnClearText();
    // lookup/
    void OnCheckIp();
    void ParseResults();
    // complaint/
    void OnSendComplaint();
    // app/ launches and the About box
    void OnAbout();
    void OnTutorial();
    void OnWebsite();
    void OnHelpFile();
    void OnDonationware();

    std::string m_strContact;
    RouteTable m_routes;
    platform::ComboBox m_routeCombo;
    std::string m_strSource;
    std::string m_strResults;
    QIcon m_hIcon;
};
