#pragma once

#include <string>

// What the launch buttons hand to the desktop shell. Each launch is one open
// request, shown maximised, whose outcome is not looked at.
struct Launch {
    const char* file;
    const char* parameters;
};

Launch TutorialLaunch();
Launch WebsiteLaunch();
Launch HelpFileLaunch();
Launch DonationwareLaunch();

void RunLaunch(const Launch& launch);

// Appends the About entry to a system menu: a separator and `text` with the
// command value IDM_ABOUT, or nothing at all when `text` is empty.
namespace platform {
class SystemMenu;
}
void AppendAboutEntry(platform::SystemMenu* menu, const std::string& text);
