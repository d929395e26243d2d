#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMAXIMIZED = 3;

// The desktop shell's open action. `operation` must be "open" or empty; any
// other verb starts nothing.
//
// - A URL (a scheme followed by "://") goes to xdg-open.
// - A bare name (no "/") of an executable regular file found in an absolute
//   folder of PATH is started as a program with `parameters` split as a
//   command line (see SplitCommandLine); no shell is involved.
// - "hh.exe", when no such program is on PATH: the compiled help file named
//   before "::" in the first parameter goes to xdg-open. When that file does
//   not exist, nothing is started.
// - Anything else is a document and goes to xdg-open; its parameters are not
//   used.
//
// The process starts detached in a session of its own, in `directory` (empty:
// the current directory), with standard input from /dev/null, standard output
// and error inherited and no other descriptor of this program. It outlives
// this program and is never waited for; no zombie is left behind.
// `showCommand` is accepted for the callers' sake; the desktop offers no way
// to pass a window state to the started program, so it is not used.
//
// Returns whether a process was started: false when the verb, the target or
// the parameters cannot be handled, when the program (or xdg-open) is not
// found, or when the working directory cannot be entered or the program
// cannot be executed. Callers are free to ignore it.
bool ShellExecute(const std::string& operation, const std::string& file,
                  const std::string& parameters, const std::string& directory, int showCommand);

// Splits a command line into arguments as a POSIX shell splits words, without
// expanding anything: blanks (space, tab, line feed) separate arguments; text
// in single quotes is taken as it is; in double quotes a backslash escapes
// only $ ` " \ and a line feed; elsewhere a backslash escapes any character;
// a backslash before a line feed removes both. Quotes make an argument even
// when it is empty (''). Returns nothing for an unterminated quote or a
// trailing backslash.
std::optional<std::vector<std::string>> SplitCommandLine(std::string_view line);

// One call of ShellExecute, as a test seam sees it.
struct ShellRequest {
    std::string operation;
    std::string file;
    std::string parameters;
    std::string directory;
    int showCommand = 0;
};

// While an object of this class lives, ShellExecute hands every request to
// `launcher` and returns its result instead of starting anything. Objects
// nest; the innermost one wins. For tests only; not thread-safe.
class ScopedShellLauncher {
public:
    explicit ScopedShellLauncher(std::function<bool(const ShellRequest&)> launcher);
    ~ScopedShellLauncher();
    ScopedShellLauncher(const ScopedShellLauncher&) = delete;
    ScopedShellLauncher& operator=(const ScopedShellLauncher&) = delete;

private:
    friend bool ShellExecute(const std::string&, const std::string&, const std::string&,
                             const std::string&, int);
    std::function<bool(const ShellRequest&)> launcher_;
    ScopedShellLauncher* previous_;
};

}  // namespace platform
