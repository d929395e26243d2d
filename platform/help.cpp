#include "platform/help.h"

#include <sys/stat.h>

#include "platform/app_name.h"
#include "platform/message_box.h"
#include "platform/shell.h"

namespace platform {

namespace {

bool ShellHelp(const std::string& helpFile, unsigned, unsigned long) {
    struct stat st {};
    if (stat(helpFile.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    // The desktop's viewer cannot be told a topic; it opens the file itself.
    return ShellExecute("open", helpFile, "", "", SW_SHOWNORMAL);
}

ScopedHelpEngine::Engine& CurrentEngine() {
    static ScopedHelpEngine::Engine engine = ShellHelp;
    return engine;
}

Application* g_application = nullptr;

}  // namespace

bool WinHelp(const std::string& helpFile, unsigned command, unsigned long data) {
    return CurrentEngine()(helpFile, command, data);
}

ScopedHelpEngine::ScopedHelpEngine(Engine engine) : previous_(std::move(CurrentEngine())) {
    CurrentEngine() = std::move(engine);
}

ScopedHelpEngine::~ScopedHelpEngine() {
    CurrentEngine() = std::move(previous_);
}

Application::Application() {
    g_application = this;
}

Application::~Application() {
    if (g_application == this) g_application = nullptr;
}

Application* Application::Instance() {
    return g_application;
}

void Application::OnHelp(unsigned long contextId) {
    if (!WinHelp(HelpFilePath(), HELP_CONTEXT, contextId)) {
        MessageBox("Failed to launch help.");
    }
}

std::string Application::HelpFilePath() {
    std::string path = ModulePath();
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash + 1)) {
        path.erase(dot);
    }
    return path + ".HLP";
}

}  // namespace platform
