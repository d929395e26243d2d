#pragma once

#include <string>

namespace platform {

inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWMAXIMIZED = 3;

// The desktop shell's open action. A URL or a document goes to xdg-open; a
// program found on PATH is started with `parameters` (split as a command line).
// The process is started detached in `directory` (empty: the current
// directory), outlives this program and is never waited for. Returns whether
// a process was started; callers are free to ignore it.
bool ShellExecute(const std::string& operation, const std::string& file,
                  const std::string& parameters, const std::string& directory, int showCommand);

}  // namespace platform
