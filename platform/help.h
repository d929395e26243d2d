#pragma once

#include <functional>
#include <string>

namespace platform {

inline constexpr unsigned HELP_CONTEXT = 1;

// The classic help engine: shows topic `data` of `helpFile`. Ours hands the
// help file to the desktop shell when it exists; returns false when the file
// is missing or cannot be handed over.
bool WinHelp(const std::string& helpFile, unsigned command, unsigned long data);

// Replaces the help engine while it lives, so tests can see the requests.
class ScopedHelpEngine {
public:
    using Engine = std::function<bool(const std::string&, unsigned, unsigned long)>;
    explicit ScopedHelpEngine(Engine engine);
    ~ScopedHelpEngine();
    ScopedHelpEngine(const ScopedHelpEngine&) = delete;
    ScopedHelpEngine& operator=(const ScopedHelpEngine&) = delete;

private:
    Engine previous_;
};

// The application object's side of the toolkit: one exists while the program
// runs, and it takes the help command that F1 sends from any dialog.
class Application {
public:
    Application();
    virtual ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    static Application* Instance();

    // The help command: asks the help engine for `contextId` in the help file
    // named like the program file with the extension ".HLP", and shows
    // "Failed to launch help." when it cannot.
    virtual void OnHelp(unsigned long contextId);

    // The program file's full path with its extension replaced by ".HLP".
    static std::string HelpFilePath();
};

}  // namespace platform
